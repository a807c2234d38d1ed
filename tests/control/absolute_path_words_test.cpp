// File names as a shell or a file manager hands them over: absolute paths,
// which start with "/" as the words do.
#include <QCheckBox>

#include <filesystem>

#include "base/ascii.h"
#include "panel_fixture.h"
#include "words/token_rule.h"

namespace kt::test {
namespace {

TEST(TokenRule, AWordWinsOverAFileAndOnlyExistingFilesLeaveTheWords) {
  const auto everything = [](const std::string&) { return true; };
  const auto nothing = [](const std::string&) { return false; };
  EXPECT_FALSE(IsFileNameToken("/LOOPON", everything));  // even with a file /LOOPON on disk
  EXPECT_FALSE(IsFileNameToken("/close", everything));   // a word in any letter case
  EXPECT_FALSE(IsFileNameToken("/CLOSE", everything));
  EXPECT_TRUE(IsFileNameToken("/HOME/ME/INTRO.FLC", everything));
  EXPECT_FALSE(IsFileNameToken("/HOME/ME/INTRO.FLC", nothing));
  EXPECT_FALSE(IsFileNameToken("/PLAYFILE ", nothing));  // a script line's blank: no word, no file
  EXPECT_FALSE(IsFileNameToken("-HOME/ME/INTRO.FLC", everything));
  EXPECT_TRUE(IsFileNameToken("INTRO.FLC", nothing));  // played, and reported, as before
  EXPECT_FALSE(IsFileNameToken("", everything));
}

TEST(TokenRule, AnExistingFileIsFoundWhateverTheCaseButAFolderIsNoFile) {
  TempDir dir;
  WriteFile(dir / "Intro.flc", Bytes{1, 2, 3});
  EXPECT_TRUE(NamesExistingFile(AsciiUpperCase((dir / "Intro.flc").string())));
  EXPECT_FALSE(NamesExistingFile(AsciiUpperCase(dir.Path().string())));
  EXPECT_FALSE(NamesExistingFile(AsciiUpperCase((dir / "Outro.flc").string())));
  EXPECT_FALSE(NamesExistingFile("/"));
}

class AbsolutePathWordsTest : public WordsPanelTest {};

TEST_F(AbsolutePathWordsTest, AnAbsolutePathPlaysFromDiskAndAMissingOneIsSkippedWithALineOnStandardError) {
  const std::string intro = WriteFlic("Intro.flc");
  const std::string missing = (dir / "missing.flc").string();
  testing::internal::CaptureStderr();
  Run({"/DELAY", "20", missing, intro, "/LOOPON", "-loopo", "/CLOSE"});
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("kinetrope: ignored " + missing + ": neither a word nor an existing file\n"), errors.npos);
  EXPECT_NE(errors.find("kinetrope: ignored -loopo: no such word\n"), errors.npos) << errors;
  const PlayerState& state = form.State();
  EXPECT_EQ(state.Playback.DiskFlicName, intro);
  EXPECT_EQ(state.Playback.FramesPlayed, 3);
  EXPECT_EQ(services.clock, 3u * 20u);
  EXPECT_TRUE(services.boxes.empty());                    // the missing path asked for no load and showed no box
  EXPECT_TRUE(Get<QCheckBox>("LoopCheck")->isChecked());  // the words after the file still ran
  EXPECT_EQ(endRequests, 1);
}

TEST_F(AbsolutePathWordsTest, AScriptNamedByAnAbsolutePathPlaysTheAbsolutePathsOfItsLines) {
  const std::string a = WriteFlic("a.flc");
  const std::string script = std::string("/DELAY\r\n10\r\n").append(a).append("\r\n/CLOSE\r\n");
  WriteFile(dir / "Show.txt", Bytes(script.begin(), script.end()));
  Run({std::string("!").append(AsciiUpperCase((dir / "Show.txt").string()))});
  EXPECT_EQ(form.State().Playback.DiskFlicName, a);  // the lines' names as they are, the script's found
  EXPECT_EQ(form.State().Playback.FramesPlayed, 3);
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(endRequests, 1);
}

}  // namespace
}  // namespace kt::test
