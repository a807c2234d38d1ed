// The player's stored options: one key of named text values, kept as one
// file under the user's configuration folder. Value names are compared
// without regard to letter case and values are kept byte for byte, so the
// writer's "RemLastDir" and the reader's "RemLastdir" are one value, and a
// value's trailing zero byte survives the round trip.
//
// A key is opened (its folder created when missing), read and written, and
// closed; the values set while it is open reach the file together at the
// close. The close works on the file as it stands then, not as it was at
// the open: under a lock that every player's close takes, it reads the file
// again, writes into it only the values set, keeps every other line, and
// puts the result in place through a new file renamed over the old one. So
// players that close together each keep their own changes, and a save that
// breaks off anywhere leaves the previous file whole.
//
// Only a regular file the user may write is ever replaced: a device, FIFO
// or read-only file in its place (or behind a link there) keeps the options
// from being saved, as the user meant it to.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/or_why_not.h"
#include "platform/settings_file.h"

namespace kt {

inline constexpr const char* kSettingsFolderName = "Kinetrope";
inline constexpr const char* kSettingsFileName = "Kinetrope.conf";
// A value larger than the reader's buffer counts as absent.
inline constexpr size_t kSettingsReadBufferSize = 512;

// $XDG_CONFIG_HOME/Kinetrope when that is an absolute path, else
// ~/.config/Kinetrope; empty when there is no home folder either.
std::filesystem::path DefaultSettingsFolder();

// Whether an open or a close went through; when it did not, why, for the
// user ("No space left on device"). The reason is empty when the file's
// kind or permissions say the options are not to be kept.
struct SettingsOutcome {
  bool done = true;
  std::string failure;
  explicit operator bool() const { return done; }
};

class SettingsStore {
 public:
  // Stands in for write(2), so tests can make a save fail part-way.
  using WriteCall = std::function<ssize_t(int fd, const void* data, size_t size)>;

  explicit SettingsStore(std::filesystem::path folder = DefaultSettingsFolder(), WriteCall write = {});
  ~SettingsStore();  // closes, writing what was set
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // Opens the key, creating its folder when missing, and reads the stored
  // values. Not done when it can be neither opened nor created; the store
  // then reads and writes nothing.
  SettingsOutcome Open();
  bool IsOpen() const { return open_; }

  // The value's bytes, when it is present and fits the 512-byte buffer.
  std::optional<std::string> Query(std::string_view name) const;
  // Writes the value at the close, whatever the file holds by then. A value
  // of the same name in another letter case is replaced and keeps its spelling.
  void Set(std::string_view name, std::string_view data);
  // Writes the value at the close only while the file still holds `expected`
  // there (nothing: no such value). A player writing back what it read, in
  // its own form, must not undo what another player stored meanwhile.
  void SetIfUnchanged(std::string_view name, std::string_view data, std::optional<std::string> expected);
  // Writes what was set since the open. Not done when the write failed, in
  // which case the file is as it was before.
  SettingsOutcome Close();

  std::filesystem::path FilePath() const { return folder_ / kSettingsFileName; }

 private:
  struct Change {
    std::string name;
    std::string data;
    bool always = true;
    std::optional<std::string> expected;
  };

  void Keep(std::string_view name, std::string_view data, bool always, std::optional<std::string> expected);
  SettingsOutcome Save();
  // The file the save replaces: FilePath(), or the regular file a link
  // there leads to; none when the save must leave the place alone (with no
  // reason when the user meant it so).
  OrWhyNot<std::filesystem::path> SaveTarget();
  // The user lets the file be replaced, and the system would.
  SettingsOutcome MayReplace(const std::filesystem::path& target);
  // The file's text, empty when there is none yet.
  OrWhyNot<std::string> ReadForMerge(const std::filesystem::path& target);
  // The text with the changes that still apply written into it.
  std::string Merged(const std::string& old) const;
  bool WriteAll(int fd, const std::string& data) const;
  SettingsOutcome OpenFile();
  SettingsOutcome CloseFile();

  std::filesystem::path folder_;
  WriteCall write_;
  bool open_ = false;
  SettingsValues values_;
  std::vector<Change> changes_;
};

}  // namespace kt
