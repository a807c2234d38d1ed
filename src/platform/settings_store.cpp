#include "platform/settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <system_error>

#include "base/ascii.h"
#include "platform/regular_file.h"
#include "platform/save_lock.h"

namespace kt {

namespace {

// A settings file is a few hundred bytes; anything far larger is not ours,
// and the store leaves it alone rather than replace it at the next save.
constexpr size_t kMaxFileSize = 1 << 20;

// The "XXXXXX" of mkostemp's pattern.
constexpr size_t kTemporarySuffixLength = 6;

// A save holds the lock for milliseconds; a player that waits longer than
// this is kept waiting by a process that hangs, and gives up with a message.
constexpr std::chrono::seconds kLockPatience{10};

template <typename Values>
auto FindName(Values& values, std::string_view name) {
  return std::find_if(values.begin(), values.end(),
                      [name](const auto& value) { return EqualsIgnoringAsciiCase(value.first, name); });
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

// A file's whole text; none when it is too large to be options, or when a
// read failed (`error` then holds its errno).
struct WholeFile {
  std::optional<std::string> text;
  bool tooLarge = false;
  int error = 0;
};

WholeFile ReadWholeFile(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return {std::nullopt, false, errno};
    }
    if (got == 0) return {std::move(text)};
    text.append(buffer, static_cast<size_t>(got));
    if (text.size() > kMaxFileSize) return {std::nullopt, true};
  }
}

// A device or FIFO in the file's place (a link to /dev/null) is the user's
// way of keeping options out, and needs no word; a folder there is not.
bool MeantToKeepOptionsOut(mode_t type) { return !S_ISREG(type) && !S_ISDIR(type) && !S_ISLNK(type); }

std::string ErrorText(int error) { return std::strerror(error); }

// An open or close that did not go through; with no reason when the file's
// kind or permissions say the options are not to be kept.
SettingsOutcome Refused(std::string reason = {}) { return {false, std::move(reason)}; }

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

SettingsStore::SettingsStore(std::filesystem::path folder, WriteCall write)
    : folder_(std::move(folder)), write_(std::move(write)) {}

SettingsStore::~SettingsStore() { CloseFile(); }

SettingsOutcome SettingsStore::Open() {
  CloseFile();
  return OpenFile();
}

SettingsOutcome SettingsStore::OpenFile() {
  if (folder_.empty()) {
    return Refused("there is no home folder to keep it in (neither HOME nor XDG_CONFIG_HOME is set)");
  }
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  if (error) return Refused(error.message());
  if (!std::filesystem::is_directory(folder_, error)) return Refused(folder_.string() + " is not a folder");

  // A FIFO or device in the file's place is never waited on.
  const RegularFileOpen opened = OpenRegularFile(FilePath().string());
  const int fd = opened.fd;
  if (fd < 0) {
    if (opened.notRegular) {
      return MeantToKeepOptionsOut(opened.type) ? Refused() : Refused("it is " + FileKindText(opened.type));
    }
    // A file that is there but cannot be read is kept from being
    // overwritten by keeping the store shut.
    if (opened.error != ENOENT) return Refused(ErrorText(opened.error));
    // A link that leads nowhere is the user's, and stays as it is.
    std::error_code linkError;
    const std::filesystem::path to = std::filesystem::read_symlink(FilePath(), linkError);
    if (!linkError) return Refused("it is a link to " + to.string() + ", which does not exist");
  } else {
    const WholeFile file = ReadWholeFile(fd);
    ::close(fd);
    if (file.tooLarge) ReportOversizedFile(FilePath());
    if (!file.text) return file.tooLarge ? Refused() : Refused(ErrorText(file.error));
    values_ = ParseSettingsFile(*file.text);
  }
  open_ = true;
  return {};
}

std::optional<std::string> SettingsStore::Query(std::string_view name) const {
  if (!open_) return std::nullopt;
  const auto found = FindName(values_, name);
  if (found == values_.end() || found->second.size() > kSettingsReadBufferSize) return std::nullopt;
  return found->second;
}

void SettingsStore::Keep(std::string_view name, std::string_view data, bool always,
                         std::optional<std::string> expected) {
  if (!open_) return;
  auto change = std::find_if(changes_.begin(), changes_.end(),
                             [name](const Change& known) { return EqualsIgnoringAsciiCase(known.name, name); });
  if (change == changes_.end()) change = changes_.insert(changes_.end(), Change{std::string(name), {}, true, {}});
  change->data.assign(data);
  change->always = always;
  change->expected = std::move(expected);
  if (always) {
    if (auto found = FindName(values_, name); found != values_.end()) {
      found->second.assign(data);
    } else {
      values_.emplace_back(std::string(name), std::string(data));
    }
  }
}

void SettingsStore::Set(std::string_view name, std::string_view data) { Keep(name, data, true, std::nullopt); }

void SettingsStore::SetIfUnchanged(std::string_view name, std::string_view data, std::optional<std::string> expected) {
  Keep(name, data, false, std::move(expected));
}

SettingsOutcome SettingsStore::Close() { return CloseFile(); }

SettingsOutcome SettingsStore::CloseFile() {
  if (!open_) return {};
  const SettingsOutcome saved = changes_.empty() ? SettingsOutcome{} : Save();
  open_ = false;
  changes_.clear();
  values_.clear();
  return saved;
}

bool SettingsStore::WriteAll(int fd, const std::string& data) const {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t wrote = write_ ? write_(fd, data.data() + done, data.size() - done)
                                 : ::write(fd, data.data() + done, data.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote == 0) errno = ENOSPC;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

OrWhyNot<std::filesystem::path> SettingsStore::SaveTarget() {
  // The file is replaced only when it is a regular file the user may write
  // (or is not there yet). A link is followed only to such a file, which is
  // then replaced and the link kept; a link to a device or a FIFO is the
  // user's way of keeping options out and is left alone.
  std::filesystem::path target = FilePath();
  struct stat info {};
  if (::lstat(target.c_str(), &info) != 0) {
    if (errno == ENOENT) return target;
    return WhyNot{ErrorText(errno)};
  }
  if (S_ISLNK(info.st_mode)) {
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::canonical(target, error);
    if (error) return WhyNot{error.message()};
    if (::lstat(resolved.c_str(), &info) != 0) return WhyNot{ErrorText(errno)};
    target = resolved;
  }
  if (!S_ISREG(info.st_mode)) {
    return WhyNot{MeantToKeepOptionsOut(info.st_mode) ? std::string() : "it is " + FileKindText(info.st_mode)};
  }
  return target;
}

SettingsOutcome SettingsStore::MayReplace(const std::filesystem::path& target) {
  struct stat info {};
  if (::stat(target.c_str(), &info) != 0) return errno == ENOENT ? SettingsOutcome{} : Refused(ErrorText(errno));
  // A file with no write permission bit is left alone even where the
  // system would let the folder's owner (or root) replace it.
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Refused();
  return ::access(target.c_str(), W_OK) == 0 ? SettingsOutcome{} : Refused(ErrorText(errno));
}

static void RemoveAbandonedSaves(const std::filesystem::path& target) {
  // Runs under the save lock, and every save makes its new file under that
  // lock: none of these belongs to a save under way. The file's own lock
  // is still asked for, for a save of an older player that took no other.
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

OrWhyNot<std::string> SettingsStore::ReadForMerge(const std::filesystem::path& target) {
  const RegularFileOpen opened = OpenRegularFile(target.string());
  if (opened.fd < 0) {
    if (opened.error == ENOENT) return std::string();
    if (opened.notRegular) return WhyNot{"it is " + FileKindText(opened.type)};
    return WhyNot{ErrorText(opened.error)};
  }
  WholeFile file = ReadWholeFile(opened.fd);
  ::close(opened.fd);
  if (file.tooLarge) {
    ReportOversizedFile(FilePath());
    return WhyNot{};
  }
  if (!file.text) return WhyNot{ErrorText(file.error)};
  return std::move(*file.text);
}

std::string SettingsStore::Merged(const std::string& old) const {
  const SettingsValues current = ParseSettingsFile(old);
  SettingsValues written;
  for (const Change& change : changes_) {
    if (!change.always) {
      const auto there = FindName(current, change.name);
      const std::optional<std::string> now =
          there == current.end() ? std::nullopt : std::optional<std::string>(there->second);
      if (now != change.expected) continue;
    }
    written.emplace_back(change.name, change.data);
  }
  return MergeSettingsFile(old, written);
}

SettingsOutcome SettingsStore::Save() {
  const OrWhyNot<std::filesystem::path> found = SaveTarget();
  if (!found) return Refused(found.Reason());
  const std::filesystem::path& target = *found;
  // A save that would change nothing is done without a lock or a write: a
  // player on a read-only or full disk that changed nothing has lost nothing.
  OrWhyNot<std::string> old = ReadForMerge(target);
  if (!old) return Refused(old.Reason());
  if (Merged(*old) == *old) return {};
  if (const SettingsOutcome replaceable = MayReplace(target); !replaceable) return replaceable;
  const OrWhyNot<SaveLock> lock = SaveLock::Take(target.string() + ".lock", kLockPatience);
  if (!lock) return Refused(lock.Reason());

  // The file as another player's close may just have left it: only this
  // run's values go into it.
  old = ReadForMerge(target);
  if (!old) return Refused(old.Reason());
  const std::string text = Merged(*old);
  if (text == *old) return {};

  RemoveAbandonedSaves(target);
  std::string name = target.string() + ".XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return Refused(ErrorText(errno));
  ::flock(fd, LOCK_EX);
  struct stat before {};
  if (::stat(target.c_str(), &before) == 0) ::fchmod(fd, before.st_mode & 07777);

  // Until the rename the old file is untouched; after it the new one is
  // complete and on the disk.
  const bool ok = WriteAll(fd, text) && ::fsync(fd) == 0 && ::rename(name.c_str(), target.c_str()) == 0;
  int error = errno;
  if (!ok) ::unlink(name.c_str());
  const bool closed = ::close(fd) == 0;
  if (!ok) return Refused(ErrorText(error));
  if (!closed) error = errno;
  const int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return closed ? SettingsOutcome{} : Refused(ErrorText(error));
}

}  // namespace kt
