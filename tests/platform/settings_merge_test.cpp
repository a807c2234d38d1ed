// A save writes its values into the file as it stands at that moment: what a
// person wrote there and what another player saved meanwhile stay.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "flic_writer.h"
#include "platform/settings_store.h"

namespace kt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

TEST(SettingsMerge, EveryLineTheProgramDoesNotOwnStaysInPlace) {
  TempDir dir;
  const std::string handMade =
      "# my notes\n[Other]\nSpeed=5\nLoop=1\n\n[kinetrope]\nthis line means nothing\n"
      "Speed = 40\\x00\nBad=\\q\n; the end of ours\n[Third]\nx=y";
  std::ofstream(dir / kSettingsFileName, std::ios::binary) << handMade;
  {
    SettingsStore key(dir.Path());
    ASSERT_TRUE(key.Open());
    EXPECT_EQ(key.Query("Speed"), "40\0"s);
    EXPECT_EQ(key.Query("Loop"), std::nullopt);  // another section's
    key.Set("Speed", "1000\0"s);
    key.Set("Loop", "0\0"s);
    ASSERT_TRUE(key.Close());
  }
  EXPECT_EQ(ReadFileText(dir / kSettingsFileName),
            "# my notes\n[Other]\nSpeed=5\nLoop=1\n\n[kinetrope]\nthis line means nothing\n"
            "Speed = 1000\\x00\nLoop=0\\x00\nBad=\\q\n; the end of ours\n[Third]\nx=y");

  // No section of ours yet: one is added at the end. Windows line ends are kept.
  EXPECT_EQ(MergeSettingsFile("[Other]\nA=1", {{"Speed", "7"}}), "[Other]\nA=1\n[Kinetrope]\nSpeed=7\n");
  EXPECT_EQ(MergeSettingsFile("# x\r\n[Kinetrope]\r\nSpeed=1\r\n", {{"Loop", "1"}, {"SPEED", "2"}}),
            "# x\r\n[Kinetrope]\r\nSpeed=2\r\nLoop=1\r\n");
}

TEST(SettingsMerge, TwoPlayersOpenTogetherKeepEachOthersChanges) {
  TempDir dir;
  std::ofstream(dir / kSettingsFileName) << "[Kinetrope]\nSpeed=40\nLoop=7\n";
  SettingsStore first(dir.Path());
  SettingsStore second(dir.Path());
  ASSERT_TRUE(first.Open());
  ASSERT_TRUE(second.Open());
  // Each changes one value and writes back the other as it read it, in its own form.
  first.Set("Speed", "75");
  first.SetIfUnchanged("Loop", "1", "7");
  first.SetIfUnchanged("Title", "1", std::nullopt);
  second.SetIfUnchanged("Speed", "40", "40");
  second.Set("Loop", "0");
  second.SetIfUnchanged("Title", "0", std::nullopt);
  ASSERT_TRUE(first.Close());
  ASSERT_TRUE(second.Close());
  EXPECT_EQ(ParseSettingsFile(ReadFileText(dir / kSettingsFileName)),
            (SettingsValues{{"Speed", "75"}, {"Loop", "0"}, {"Title", "1"}}));
}

TEST(SettingsMerge, ASaveThatCannotBeMadeSaysWhy) {
  TempDir dir;
  WriteFile(dir / "file", {});
  SettingsStore underFile(dir / "file" / "Kinetrope");
  EXPECT_EQ(underFile.Open().failure, std::strerror(ENOTDIR));

  fs::create_directories(dir / "loop");
  fs::create_symlink("Kinetrope.conf", dir / "loop" / kSettingsFileName);
  SettingsStore loop(dir / "loop");
  EXPECT_EQ(loop.Open().failure, std::strerror(ELOOP));

  // The loop made while the player ran: the close meets it.
  fs::remove(dir / "loop" / kSettingsFileName);
  ASSERT_TRUE(loop.Open());
  loop.Set("Speed", "40");
  fs::create_symlink("Kinetrope.conf", dir / "loop" / kSettingsFileName);
  EXPECT_EQ(loop.Close().failure, std::strerror(ELOOP));
  EXPECT_TRUE(fs::is_symlink(dir / "loop" / kSettingsFileName));

  // No lock to be had: a save that changes something fails; one that would
  // write the file as it is has lost nothing, and says nothing.
  std::ofstream(dir / kSettingsFileName) << "[Kinetrope]\nSpeed=40\n";
  fs::create_directories(dir / "Kinetrope.conf.lock");
  SettingsStore locked(dir.Path());
  ASSERT_TRUE(locked.Open());
  locked.SetIfUnchanged("Speed", "40", "40");
  EXPECT_TRUE(locked.Close());
  ASSERT_TRUE(locked.Open());
  locked.Set("Speed", "75");
  EXPECT_EQ(locked.Close().failure, std::strerror(EISDIR));
  EXPECT_EQ(ReadFileText(dir / kSettingsFileName), "[Kinetrope]\nSpeed=40\n");
}

}  // namespace
}  // namespace kt::test
