// The player's stored options: one key of named text values, kept as one
// file under the user's configuration folder. Value names are compared
// without regard to letter case and values are kept byte for byte, so the
// writer's "RemLastDir" and the reader's "RemLastdir" are one value, and a
// value's trailing zero byte survives the round trip.
//
// A key is opened (its folder created when missing), read and written, and
// closed; the values set while it is open reach the file together at the
// close, through a new file renamed over the old one, so a save that
// breaks off anywhere leaves the previous file whole. Only a regular file
// the user may write is ever replaced: a device, FIFO or read-only file in
// its place (or behind a link there) keeps the options from being saved.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kt {

inline constexpr const char* kSettingsFolderName = "Kinetrope";
inline constexpr const char* kSettingsFileName = "Kinetrope.conf";
// A value larger than the reader's buffer counts as absent.
inline constexpr size_t kSettingsReadBufferSize = 512;

// $XDG_CONFIG_HOME/Kinetrope when that is an absolute path, else
// ~/.config/Kinetrope; empty when there is no home folder either.
std::filesystem::path DefaultSettingsFolder();

// Names and values in the order they first appeared.
using SettingsValues = std::vector<std::pair<std::string, std::string>>;

// The file's text: a comment, a section line and one "name=value" line per
// value. Bytes outside printable ASCII, the backslash, and whatever would
// change a line's meaning are written as \xHH, so every byte sequence
// survives.
std::string FormatSettingsFile(const SettingsValues& values);
// Lines that do not parse are skipped; of two names that differ only in
// letter case the later line wins.
SettingsValues ParseSettingsFile(std::string_view text);

class SettingsStore {
 public:
  // Stands in for write(2), so tests can make a save fail part-way.
  using WriteCall = std::function<ssize_t(int fd, const void* data, size_t size)>;

  explicit SettingsStore(std::filesystem::path folder = DefaultSettingsFolder(), WriteCall write = {});
  ~SettingsStore();  // closes, writing what was set
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Opens the key, creating its folder when missing, and reads the stored
  // values. False when it can be neither opened nor created; the store
  // then reads and writes nothing.
  bool Open();
  bool IsOpen() const { return open_; }

  // The value's bytes, when it is present and fits the 512-byte buffer.
  std::optional<std::string> Query(std::string_view name) const;
  // Keeps the value for the close; a value of the same name in another
  // letter case is replaced and keeps its spelling.
  void Set(std::string_view name, std::string_view data);
  // Writes the values when any was set since the open. False when the
  // write failed, in which case the file is as it was before.
  bool Close();

  std::filesystem::path FilePath() const { return folder_ / kSettingsFileName; }

 private:
  bool Save() const;
  // The file the save replaces: FilePath(), or the regular file a link
  // there leads to; nothing when the save must leave the place alone.
  std::optional<std::filesystem::path> SaveTarget() const;
  bool WriteAll(int fd, const std::string& data) const;

  std::filesystem::path folder_;
  WriteCall write_;
  bool open_ = false;
  bool changed_ = false;
  SettingsValues values_;
};

}  // namespace kt
