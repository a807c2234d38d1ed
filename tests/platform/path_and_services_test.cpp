#include <gtest/gtest.h>

#include <filesystem>

#include "flic_writer.h"
#include "platform/message_text.h"
#include "platform/path_lookup.h"
#include "platform/window_services.h"

namespace kt {
namespace {

TEST(PathLookup, FindsUpperCasedNamesComponentByComponent) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "Anims" / "Night");
  test::WriteFile(dir / "Anims" / "Night" / "Fox.flc", {1});
  const std::string base = dir.Path().string();

  EXPECT_EQ(FindPathIgnoringCase(base + "/ANIMS/NIGHT/FOX.FLC"), base + "/Anims/Night/Fox.flc");
  EXPECT_EQ(FindPathIgnoringCase(base + "/anims/night/fox.flc"), base + "/Anims/Night/Fox.flc");
  // Names that exist as written, or that match nothing, stay as they are.
  EXPECT_EQ(FindPathIgnoringCase(base + "/Anims/Night/Fox.flc"), base + "/Anims/Night/Fox.flc");
  EXPECT_EQ(FindPathIgnoringCase(base + "/ANIMS/DAY/FOX.FLC"), base + "/ANIMS/DAY/FOX.FLC");

  // The exact spelling wins over another that differs only in case.
  test::WriteFile(dir / "Anims" / "Night" / "FOX.flc", {2});
  EXPECT_EQ(FindPathIgnoringCase(base + "/ANIMS/NIGHT/FOX.flc"), base + "/Anims/Night/FOX.flc");
}

TEST(PathLookup, ANameSpeltExactlyIsThatFileAndAnyOtherSpellingFindsTheSameOneEachTime) {
  test::TempDir dir;
  for (const char* folder : {"anims", "ANIMS"}) {
    std::filesystem::create_directories(dir / folder);
    for (const char* name : {"intro.fli", "INTRO.FLI", "Intro.FLI"}) test::WriteFile(dir / folder / name, {1});
  }
  const std::string base = dir.Path().string() + "/";
  EXPECT_EQ(FindPathIgnoringCase(base + "anims/intro.fli"), base + "anims/intro.fli");
  EXPECT_EQ(FindPathIgnoringCase(base + "ANIMS/INTRO.FLI"), base + "ANIMS/INTRO.FLI");
  EXPECT_EQ(FindPathIgnoringCase(base + "anims/intro.FLI"), base + "anims/INTRO.FLI");  // the first byte-wise
  EXPECT_EQ(FindPathIgnoringCase(base + "Anims/Intro.FLI"), base + "ANIMS/Intro.FLI");
}

TEST(MessageText, ABoxTextIsOneWholeLineOnStandardError) {
  EXPECT_EQ(OneLineText("Cannot play a.wav:\n  it is damaged.\r\n\r\nPlay without it. \n"),
            "Cannot play a.wav: it is damaged. Play without it.");
  const std::string name = std::string(2000, 'N') + ".flc";
  testing::internal::CaptureStderr();
  EXPECT_LE(MessageBoxText("Cannot load\n" + name).size(), kMessageTextLimit);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "kinetrope: Cannot load " + name + "\n");
}

TEST(PathLookup, WorksForRelativeNames) {
  test::TempDir dir;
  test::WriteFile(dir / "Demo.FLC", {1});
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  EXPECT_EQ(FindPathIgnoringCase("DEMO.FLC"), "Demo.FLC");
  EXPECT_EQ(FindPathIgnoringCase("./demo.flc"), "./Demo.FLC");
  std::filesystem::current_path(previous);
}

TEST(GeneralErrorText, AppendsAFullStopAfterLettersAndDigitsOnly) {
  EXPECT_EQ(GeneralErrorText("Out of memory"), "Out of memory.");
  EXPECT_EQ(GeneralErrorText("I/O error 5"), "I/O error 5.");
  EXPECT_EQ(GeneralErrorText("Done."), "Done.");
  EXPECT_EQ(GeneralErrorText("Really?"), "Really?.") << "'?' sorts after '.'";
  EXPECT_EQ(GeneralErrorText("(see above)"), "(see above)");
  EXPECT_EQ(GeneralErrorText("a-"), "a-");
  EXPECT_EQ(GeneralErrorText(""), "");
}

TEST(DialogFilter, SplitsLabelsAndPatterns) {
  const auto filters = ParseDialogFilter(kFlicOpenFilter);
  ASSERT_EQ(filters.size(), 5u);
  EXPECT_EQ(filters[0].label, "Known formats (*.flc,*.fli,*.cel)");
  EXPECT_EQ(filters[0].patterns, (std::vector<std::string>{"*.flc", "*.fli", "*.cel"}));
  EXPECT_EQ(filters[4].label, "All files (*.*)");
  EXPECT_EQ(filters[4].patterns, std::vector<std::string>{"*.*"});
}

}  // namespace
}  // namespace kt
