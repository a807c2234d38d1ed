#include "platform/settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <system_error>

namespace kt {

namespace {

// A settings file is a few hundred bytes; anything far larger is not ours,
// and the store leaves it alone rather than replace it at the next save.
constexpr size_t kMaxFileSize = 1 << 20;

constexpr const char* kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kBlanks = " \t";

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

SettingsValues::iterator FindName(SettingsValues& values, std::string_view name) {
  return std::find_if(values.begin(), values.end(), [name](const auto& value) { return SameName(value.first, name); });
}

// Names also escape what would end the name or turn the line into a
// comment or a section; a blank at either end is escaped so that an editor
// trimming lines cannot change a value.
std::string Escape(std::string_view bytes, bool isName) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    bool escaped = c < 0x20 || c > 0x7E || c == '\\';
    escaped = escaped || (isName && (c == '=' || c == '#' || c == ';' || c == '['));
    escaped = escaped || (c == ' ' && (i == 0 || i + 1 == bytes.size()));
    if (escaped) {
      text += "\\x";
      text += kHexDigits[c >> 4];
      text += kHexDigits[c & 0x0F];
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (i + 3 >= text.size() || text[i + 1] != 'x') return std::nullopt;
    const int high = HexValue(text[i + 2]);
    const int low = HexValue(text[i + 3]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return bytes;
}

// Said once per file and run: the load and the save both meet it.
void ReportOversizedFile(const std::filesystem::path& path) {
  static std::set<std::string> reported;
  if (!reported.insert(path.string()).second) return;
  std::fprintf(stderr,
               "kinetrope: %s is larger than %zu bytes, too large to be the player's options file; it is left "
               "alone and the options are neither read from it nor saved. Move it away or delete it to keep "
               "options again.\n",
               path.c_str(), kMaxFileSize);
}

std::optional<std::string> ReadWholeFile(int fd, bool& tooLarge) {
  tooLarge = false;
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) return text;
    text.append(buffer, static_cast<size_t>(got));
    if (text.size() > kMaxFileSize) {
      tooLarge = true;
      return std::nullopt;
    }
  }
}

}  // namespace

std::filesystem::path DefaultSettingsFolder() {
  // A relative XDG_CONFIG_HOME is to be ignored, as the base directory rules say.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::filesystem::path(config) / kSettingsFolderName;
  std::string home;
  if (const char* env = std::getenv("HOME"); env != nullptr) home = env;
  if (home.empty()) {
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) home = user->pw_dir;
  }
  if (home.empty()) return {};
  return std::filesystem::path(home) / ".config" / kSettingsFolderName;
}

std::string FormatSettingsFile(const SettingsValues& values) {
  std::string text =
      "# Kinetrope's stored options. Bytes outside printable ASCII, and the\n"
      "# backslash, are written \\xHH; \\x00 is a value's closing zero byte.\n"
      "[Kinetrope]\n";
  for (const auto& [name, data] : values) {
    text += Escape(name, true);
    text += '=';
    text += Escape(data, false);
    text += '\n';
  }
  return text;
}

SettingsValues ParseSettingsFile(std::string_view text) {
  SettingsValues values;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Blanks before a name, and on either side of the "=", are layout, as
    // every INI reader takes them; a value's own edge blanks are written
    // escaped, so only a hand-made line has blanks here.
    const size_t start = line.find_first_not_of(kBlanks);
    line.remove_prefix(start == std::string_view::npos ? line.size() : start);
    if (line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '[') continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view rawName = line.substr(0, equals);
    const size_t nameEnd = rawName.find_last_not_of(kBlanks);
    rawName = rawName.substr(0, nameEnd == std::string_view::npos ? 0 : nameEnd + 1);
    std::string_view rawData = line.substr(equals + 1);
    const size_t dataStart = rawData.find_first_not_of(kBlanks);
    rawData.remove_prefix(dataStart == std::string_view::npos ? rawData.size() : dataStart);
    std::optional<std::string> name = Unescape(rawName);
    std::optional<std::string> data = Unescape(rawData);
    if (!name || !data) continue;
    if (auto found = FindName(values, *name); found != values.end()) {
      found->second = std::move(*data);
    } else {
      values.emplace_back(std::move(*name), std::move(*data));
    }
  }
  return values;
}

SettingsStore::SettingsStore(std::filesystem::path folder, WriteCall write)
    : folder_(std::move(folder)), write_(std::move(write)) {}

SettingsStore::~SettingsStore() { Close(); }

bool SettingsStore::Open() {
  Close();
  if (folder_.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  if (!std::filesystem::is_directory(folder_, error)) return false;

  const int fd = ::open(FilePath().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // No file yet: an empty key. A file that is there but cannot be read
    // is kept from being overwritten by keeping the store shut.
    if (errno != ENOENT) return false;
  } else {
    bool tooLarge = false;
    std::optional<std::string> text = ReadWholeFile(fd, tooLarge);
    ::close(fd);
    if (tooLarge) ReportOversizedFile(FilePath());
    if (!text) return false;
    values_ = ParseSettingsFile(*text);
  }
  open_ = true;
  return true;
}

std::optional<std::string> SettingsStore::Query(std::string_view name) const {
  if (!open_) return std::nullopt;
  const auto found = std::find_if(values_.begin(), values_.end(),
                                  [name](const auto& value) { return SameName(value.first, name); });
  if (found == values_.end() || found->second.size() > kSettingsReadBufferSize) return std::nullopt;
  return found->second;
}

void SettingsStore::Set(std::string_view name, std::string_view data) {
  if (!open_) return;
  if (auto found = FindName(values_, name); found != values_.end()) {
    found->second.assign(data);
  } else {
    values_.emplace_back(std::string(name), std::string(data));
  }
  changed_ = true;
}

bool SettingsStore::Close() {
  if (!open_) return true;
  const bool saved = !changed_ || Save();
  open_ = false;
  changed_ = false;
  values_.clear();
  return saved;
}

bool SettingsStore::WriteAll(int fd, const std::string& data) const {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t wrote =
        write_ ? write_(fd, data.data() + done, data.size() - done) : ::write(fd, data.data() + done, data.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

bool SettingsStore::Save() const {
  // A settings file that is a link to one kept elsewhere stays a link: the
  // new file replaces the file it points to.
  std::filesystem::path target = FilePath();
  std::error_code error;
  if (std::filesystem::is_symlink(target, error)) {
    std::filesystem::path resolved = std::filesystem::canonical(target, error);
    if (!error) target = resolved;
  }

  std::string name = target.string() + ".XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);

  // Until the rename the old file is untouched; after it the new one is
  // complete and on the disk.
  bool ok = WriteAll(fd, FormatSettingsFile(values_)) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  ok = ok && closed && ::rename(name.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(name.c_str());
    return false;
  }
  const int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

}  // namespace kt
