#include "platform/settings_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "fifo_watchdog.h"
#include "flic_writer.h"

namespace kt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

std::string EveryByte() {
  std::string bytes;
  for (int c = 0; c < 256; ++c) bytes.push_back(static_cast<char>(c));
  return bytes;
}

TEST(SettingsStoreTest, ValuesKeepEveryByteAndNamesIgnoreLetterCase) {
  TempDir dir;
  const fs::path folder = dir / "config" / "Kinetrope";
  {
    SettingsStore key(folder);
    ASSERT_TRUE(key.Open());  // the folder is created
    key.Set("Speed", "1000\0"s);
    key.Set("LastDir", " /a=b\\c/\xE9t\xE9 ");
    key.Set("Bytes", EveryByte());
    key.Set("Odd=#[;name", "x");
    key.Set("RemLastDir", "1\0"s);
    key.Set("REMLASTDIR", "0\0"s);  // the same value, written again
    ASSERT_TRUE(key.Close());
  }
  const std::string text = ReadFileText(folder / "Kinetrope.conf");
  EXPECT_NE(text.find("\nSpeed=1000\\x00\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nRemLastDir=0\\x00\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("REMLASTDIR"), std::string::npos);

  SettingsStore key(folder);
  ASSERT_TRUE(key.Open());
  EXPECT_EQ(key.Query("speed"), "1000\0"s);
  EXPECT_EQ(key.Query("Lastdir"), " /a=b\\c/\xE9t\xE9 ");
  EXPECT_EQ(key.Query("BYTES"), EveryByte());
  EXPECT_EQ(key.Query("odd=#[;NAME"), "x");
  EXPECT_EQ(key.Query("RemLastdir"), "0\0"s);
  EXPECT_EQ(key.Query("Missing"), std::nullopt);
}

TEST(SettingsStoreTest, AValueLargerThanTheReadBufferIsAbsentYetKept) {
  TempDir dir;
  {
    SettingsStore key(dir.Path());
    ASSERT_TRUE(key.Open());
    key.Set("Fits", std::string(512, 'a'));
    key.Set("Lastdir", std::string(513, 'b'));
    ASSERT_TRUE(key.Close());
  }
  {
    SettingsStore key(dir.Path());
    ASSERT_TRUE(key.Open());
    EXPECT_EQ(key.Query("Fits"), std::string(512, 'a'));
    EXPECT_EQ(key.Query("Lastdir"), std::nullopt);
    key.Set("Other", "1");  // a later save keeps what it could not read
  }
  EXPECT_EQ(ParseSettingsFile(ReadFileText(dir / "Kinetrope.conf")).at(1).second, std::string(513, 'b'));
}

TEST(SettingsStoreTest, HandEditedLinesThatDoNotParseAreSkipped) {
  const SettingsValues values = ParseSettingsFile(
      "; a comment\r\n[Kinetrope]\r\nLoop=1\\x00\r\nno equals sign\nBad=\\x4\nWorse=\\q00\nloop=0\n=empty name\n");
  EXPECT_EQ(values, (SettingsValues{{"Loop", "0"}, {"", "empty name"}}));
}

TEST(SettingsStoreTest, AStoreThatCannotBeOpenedReadsAndWritesNothing) {
  TempDir dir;
  WriteFile(dir / "file", {});
  SettingsStore underFile(dir / "file" / "Kinetrope");
  EXPECT_FALSE(underFile.Open());
  underFile.Set("Speed", "1");
  EXPECT_EQ(underFile.Query("Speed"), std::nullopt);
  EXPECT_TRUE(underFile.Close());

  // Something that is not a file where the file belongs is left alone.
  fs::create_directories(dir / "taken" / "Kinetrope.conf");
  SettingsStore taken(dir / "taken");
  EXPECT_FALSE(taken.Open());
  EXPECT_TRUE(fs::is_directory(dir / "taken" / "Kinetrope.conf"));
}

TEST(SettingsStoreTest, ASaveThatFailsPartWayLeavesTheOldFileWhole) {
  TempDir dir;
  {
    SettingsStore key(dir.Path());
    ASSERT_TRUE(key.Open());
    key.Set("Speed", "40\0"s);
    ASSERT_TRUE(key.Close());
  }
  const std::string before = ReadFileText(dir / "Kinetrope.conf");

  // The disk fills after half of the new file.
  int calls = 0;
  SettingsStore key(dir.Path(), [&](int fd, const void* data, size_t size) -> ssize_t {
    if (calls++ == 0) return ::write(fd, data, size / 2);
    errno = ENOSPC;
    return -1;
  });
  ASSERT_TRUE(key.Open());
  key.Set("Speed", "1000\0"s);
  key.Set("Brightness", std::string(4000, '7'));
  EXPECT_EQ(key.Close().failure, std::strerror(ENOSPC));
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(ReadFileText(dir / "Kinetrope.conf"), before);
  EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"Kinetrope.conf"});  // no half file left behind
}

TEST(SettingsStoreTest, ALinkedSettingsFileStaysALink) {
  TempDir dir;
  fs::create_directories(dir / "dotfiles");
  fs::create_directories(dir / "config");
  WriteFile(dir / "dotfiles" / "Kinetrope.conf", {});
  fs::create_symlink(dir / "dotfiles" / "Kinetrope.conf", dir / "config" / "Kinetrope.conf");
  {
    SettingsStore key(dir / "config");
    ASSERT_TRUE(key.Open());
    key.Set("Loop", "0\0"s);
  }
  EXPECT_TRUE(fs::is_symlink(dir / "config" / "Kinetrope.conf"));
  EXPECT_EQ(ParseSettingsFile(ReadFileText(dir / "dotfiles" / "Kinetrope.conf")), (SettingsValues{{"Loop", "0\0"s}}));
}

// A player killed at any point of its saves leaves a file that holds one
// whole save: every value from the same round, none missing.
TEST(SettingsStoreTest, AKillDuringSavesLeavesOneWholeSave) {
  TempDir dir;
  const char* names[] = {"Speed", "Brightness", "Contrast", "WindowLeft", "Title", "LastDir"};
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Large values make each save slow enough for the kill to land inside one.
    for (int round = 0;; ++round) {
      SettingsStore key(dir.Path());
      if (!key.Open()) _exit(2);
      for (const char* name : names) key.Set(name, std::to_string(round) + std::string(20000, 'x'));
      if (!key.Close()) _exit(3);
    }
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(dir / "Kinetrope.conf") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process ended by itself: " << status;

  const SettingsValues values = ParseSettingsFile(ReadFileText(dir / "Kinetrope.conf"));
  ASSERT_EQ(values.size(), std::size(names));
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(values[i].first, names[i]);
    EXPECT_EQ(values[i].second, values[0].second) << names[i];
  }
  EXPECT_EQ(values[0].second.size() - values[0].second.find('x'), 20000u);
}

struct stat StatOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

// Linking the file to /dev/null is the usual way to keep options from being
// saved; a save that replaced the link's target would replace the device.
TEST(SettingsStoreTest, ALinkToADeviceKeepsTheDeviceAndSavesNothing) {
  TempDir dir;
  const fs::path device = dir / "null";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
    GTEST_SKIP() << "mknod is not allowed here (" << std::strerror(errno) << "); the device case goes untested";
  }
  fs::create_directories(dir / "config");
  fs::create_symlink(device, dir / "config" / "Kinetrope.conf");
  {
    SettingsStore key(dir / "config");
    EXPECT_FALSE(key.Open());
    key.Set("Speed", "40\0"s);
    EXPECT_TRUE(key.Close());
  }
  EXPECT_TRUE(S_ISCHR(StatOf(device).st_mode));
  EXPECT_TRUE(S_ISLNK(StatOf(dir / "config" / "Kinetrope.conf").st_mode));
  EXPECT_EQ(FolderNames(dir / "config"), std::vector<std::string>{"Kinetrope.conf"});

  fs::remove(dir / "config" / "Kinetrope.conf");
  SettingsStore key(dir / "config");
  ASSERT_TRUE(key.Open());
  key.Set("Speed", "40\0"s);
  fs::create_symlink(device, dir / "config" / "Kinetrope.conf");
  EXPECT_FALSE(key.Close());
  EXPECT_TRUE(S_ISCHR(StatOf(device).st_mode));
  EXPECT_TRUE(S_ISLNK(StatOf(dir / "config" / "Kinetrope.conf").st_mode));
}

TEST(SettingsStoreTest, AFifoAsTheFileOrBehindALinkIsNeitherWaitedOnNorReplaced) {
  TempDir dir;
  fs::create_directories(dir / "fifo");
  FifoWatchdog fifo(dir / "fifo" / "Kinetrope.conf");
  {
    SettingsStore key(dir / "fifo");
    const SettingsOutcome opened = key.Open();
    EXPECT_FALSE(opened);
    EXPECT_EQ(opened.failure, "");  // the user's way of keeping options out needs no word
    key.Set("Speed", "40\0"s);
  }
  EXPECT_FALSE(fifo.TimedOut()) << "the store waited for a writer";
  EXPECT_TRUE(fifo.StillAFifo());

  fs::create_directories(dir / "linked");
  fs::create_symlink(fifo.Path(), dir / "linked" / "Kinetrope.conf");
  {
    SettingsStore key(dir / "linked");
    EXPECT_FALSE(key.Open());
  }
  EXPECT_FALSE(fifo.TimedOut());
  EXPECT_TRUE(fifo.StillAFifo());
  EXPECT_TRUE(fs::is_symlink(dir / "linked" / "Kinetrope.conf"));

  // A link that leads nowhere is the user's too.
  fs::create_directories(dir / "dangling");
  fs::create_symlink(dir / "nowhere", dir / "dangling" / "Kinetrope.conf");
  {
    SettingsStore key(dir / "dangling");
    key.Open();
    key.Set("Speed", "40\0"s);
  }
  EXPECT_TRUE(fs::is_symlink(dir / "dangling" / "Kinetrope.conf"));
  EXPECT_FALSE(fs::exists(dir / "nowhere"));
}

TEST(SettingsStoreTest, AFileWithoutWritePermissionIsLeftUntouched) {
  TempDir dir;
  {
    SettingsStore key(dir.Path());
    ASSERT_TRUE(key.Open());
    key.Set("Speed", "40\0"s);
    ASSERT_TRUE(key.Close());
  }
  const fs::path file = dir / "Kinetrope.conf";
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  const std::string before = ReadFileText(file);
  const struct stat old = StatOf(file);

  SettingsStore key(dir.Path());
  ASSERT_TRUE(key.Open());  // still read
  EXPECT_EQ(key.Query("speed"), "40\0"s);
  key.Set("Speed", "1000\0"s);
  EXPECT_FALSE(key.Close());
  const struct stat now = StatOf(file);
  EXPECT_EQ(now.st_ino, old.st_ino) << "the file was replaced";
  EXPECT_EQ(now.st_mode, old.st_mode);
  EXPECT_EQ(ReadFileText(file), before);
  EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"Kinetrope.conf"});
}

TEST(SettingsStoreTest, ATemporaryFileLeftByAKilledSaveIsRemovedByTheNextSave) {
  TempDir dir;
  WriteFile(dir / "Kinetrope.conf.k1LLed", {'#'});  // as mkostemp names them
  WriteFile(dir / "Kinetrope.conf.bak", {'#'});     // not ours
  WriteFile(dir / "Kinetrope.conf.x2LLed", {'#'});
  // A save still under way holds a lock on its file; that one stays.
  const int busy = ::open((dir / "Kinetrope.conf.x2LLed").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(busy, 0);
  ASSERT_EQ(::flock(busy, LOCK_EX), 0);
  {
    SettingsStore key(dir.Path());
    ASSERT_TRUE(key.Open());
    key.Set("Speed", "40\0"s);
    ASSERT_TRUE(key.Close());
  }
  ::close(busy);
  std::vector<std::string> names = FolderNames(dir.Path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Kinetrope.conf", "Kinetrope.conf.bak", "Kinetrope.conf.x2LLed"}));
}

}  // namespace
}  // namespace kt::test
