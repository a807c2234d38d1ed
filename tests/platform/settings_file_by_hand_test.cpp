// An options file edited by hand: blanks around names and "=", and a file
// far too large to be ours.
#include <gtest/gtest.h>

#include <fstream>

#include "flic_writer.h"
#include "platform/settings_store.h"

namespace kt::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

TEST(SettingsFileByHand, BlanksAroundNamesAndTheEqualsSignAreLayout) {
  EXPECT_EQ(ParseSettingsFile("Brightness = 100\n  Speed\t=\t40\\x00\n\t[Kinetrope]\n  # note\nLastDir=  /a b \n"),
            (SettingsValues{{"Brightness", "100"}, {"Speed", "40\0"s}, {"LastDir", "/a b "}}));
  // A name of blanks alone is the empty name, as an empty one is.
  EXPECT_EQ(ParseSettingsFile("  = 5\n"), (SettingsValues{{"", "5"}}));

  TempDir dir;
  const fs::path folder = dir / "Kinetrope";
  fs::create_directories(folder);
  std::ofstream(folder / kSettingsFileName) << "[Kinetrope]\nBrightness = 100\n";
  {
    SettingsStore key(folder);
    ASSERT_TRUE(key.Open());
    EXPECT_EQ(key.Query("brightness"), "100");
    key.Set("Brightness", "7\0"s);
    ASSERT_TRUE(key.Close());
  }
  // Written back on its own line, in its own layout.
  EXPECT_EQ(ReadFileText(folder / kSettingsFileName), "[Kinetrope]\nBrightness = 7\\x00\n");
}

TEST(SettingsFileByHand, AValuesOwnEdgeBlanksRoundTrip) {
  const SettingsValues values = {{"LastDir", "  /two blanks  "}, {"One", " "}, {"Tab", "\tx\t"}};
  EXPECT_EQ(ParseSettingsFile(FormatSettingsFile(values)), values);
}

TEST(SettingsFileByHand, AFileOverTheSizeLimitIsReportedOnceAndLeftAlone) {
  TempDir dir;
  const fs::path folder = dir / "Kinetrope";
  fs::create_directories(folder);
  const std::string huge(3 << 20, '#');
  std::ofstream(folder / kSettingsFileName, std::ios::binary) << huge;

  testing::internal::CaptureStderr();
  for (int i = 0; i < 2; ++i) {
    SettingsStore key(folder);
    EXPECT_FALSE(key.Open());
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find((folder / kSettingsFileName).string()), std::string::npos) << said;
  EXPECT_NE(said.find("Move it away or delete it"), std::string::npos) << said;
  EXPECT_EQ(said.find("kinetrope:"), said.rfind("kinetrope:")) << said;
  EXPECT_EQ(ReadFileText(folder / kSettingsFileName).size(), huge.size());
}

}  // namespace
}  // namespace kt::test
