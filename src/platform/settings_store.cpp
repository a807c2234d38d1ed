#include "platform/settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <system_error>

#include "base/ascii.h"
#include "platform/regular_file.h"

namespace kt {

namespace {

// A settings file is a few hundred bytes; anything far larger is not ours,
// and the store leaves it alone rather than replace it at the next save.
constexpr size_t kMaxFileSize = 1 << 20;

// The "XXXXXX" of mkostemp's pattern.
constexpr size_t kTemporarySuffixLength = 6;

constexpr const char* kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kBlanks = " \t";

SettingsValues::iterator FindName(SettingsValues& values, std::string_view name) {
  return std::find_if(values.begin(), values.end(),
                      [name](const auto& value) { return EqualsIgnoringAsciiCase(value.first, name); });
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

  // A FIFO or device in the file's place (a link to /dev/null turns saving
  // off) makes the store unusable, quietly, and is never waited on.
  const RegularFileOpen opened = OpenRegularFile(FilePath().string());
  const int fd = opened.fd;
  if (fd < 0) {
    // No file yet: an empty key. A file that is there but cannot be read
    // is kept from being overwritten by keeping the store shut.
    if (opened.notRegular || opened.error != ENOENT) return false;
    // A link that leads nowhere is the user's, and stays as it is.
    struct stat link {};
    if (::lstat(FilePath().c_str(), &link) == 0) return false;
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
                                  [name](const auto& value) { return EqualsIgnoringAsciiCase(value.first, name); });
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
    const ssize_t wrote = write_ ? write_(fd, data.data() + done, data.size() - done)
                                 : ::write(fd, data.data() + done, data.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

std::optional<std::filesystem::path> SettingsStore::SaveTarget() const {
  // The file is replaced only when it is a regular file the user may write
  // (or is not there yet). A link is followed only to such a file, which is
  // then replaced and the link kept; a link to a device, a FIFO or nothing,
  // and any other kind of file, is the user's way of keeping options out
  // and is left alone.
  std::filesystem::path target = FilePath();
  struct stat info {};
  if (::lstat(target.c_str(), &info) != 0) {
    if (errno == ENOENT) return target;
    return std::nullopt;
  }
  if (S_ISLNK(info.st_mode)) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::canonical(target, error);
    if (error || ::lstat(resolved.c_str(), &info) != 0) return std::nullopt;
    target = resolved;
  }
  if (!S_ISREG(info.st_mode)) return std::nullopt;
  // A file with no write permission bit is left alone even where the
  // system would let the folder's owner (or root) replace it.
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0) return std::nullopt;
  return target;
}

static void RemoveAbandonedSaves(const std::filesystem::path& target) {
  // Each save holds a lock on its new file until the file has its final
  // name; one whose lock can be taken was left by a save that died.
  const std::string prefix = target.filename().string() + ".";
  const std::filesystem::path folder = target.parent_path();
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (name.size() != prefix.size() + kTemporarySuffixLength || name.compare(0, prefix.size(), prefix) != 0) continue;
    const int fd = ::open(entry->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      ::unlink(entry->path().c_str());
    }
    ::close(fd);
  }
}

bool SettingsStore::Save() const {
  const std::optional<std::filesystem::path> found = SaveTarget();
  if (!found) return false;
  const std::filesystem::path& target = *found;
  RemoveAbandonedSaves(target);

  std::string name = target.string() + ".XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // Held until the rename, so that another save does not take the file for abandoned.
  ::flock(fd, LOCK_EX);
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);

  // Until the rename the old file is untouched; after it the new one is
  // complete and on the disk.
  const bool ok =
      WriteAll(fd, FormatSettingsFile(values_)) && ::fsync(fd) == 0 && ::rename(name.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(name.c_str());
  const bool closed = ::close(fd) == 0;
  if (!ok) return false;
  const int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return closed;
}

}  // namespace kt
