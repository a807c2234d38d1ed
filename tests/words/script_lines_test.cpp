// Script files as other editors write them: a UTF-8 byte-order mark at the
// start, lines that end in CR alone.
#include <gtest/gtest.h>

#include "flic_writer.h"
#include "words/command_line.h"

namespace kt::test {
namespace {

std::vector<std::string> AllTokens(const std::string& text) {
  TempDir dir;
  WriteFile(dir / "show.txt", Bytes(text.begin(), text.end()));
  TokenSource tokens({"!" + (dir / "show.txt").string()});
  EXPECT_TRUE(tokens.ScriptMode());
  std::vector<std::string> read;
  do {
    read.push_back(tokens.ReadToken());
  } while (tokens.Advance());
  return read;
}

TEST(ScriptLines, AByteOrderMarkIsNoPartOfTheFirstToken) {
  EXPECT_EQ(AllTokens("\xEF\xBB\xBF/DELAY\r\n40\r\nA.FLC\r\n"),
            (std::vector<std::string>{"/DELAY", "40", "A.FLC", ""}));
  // Only at the very start, and only whole.
  EXPECT_EQ(AllTokens("A\n\xEF\xBB\xBF"
                      "B\n"),
            (std::vector<std::string>{"A",
                                      "\xEF\xBB\xBF"
                                      "B",
                                      ""}));
  EXPECT_EQ(AllTokens("\xEF\xBB"
                      "C\n"),
            (std::vector<std::string>{"\xEF\xBB"
                                      "C",
                                      ""}));
  EXPECT_EQ(AllTokens("\xEF\xBB\xBF"), (std::vector<std::string>{""}));
  EXPECT_EQ(AllTokens("AB"), (std::vector<std::string>{"AB", ""}));
}

TEST(ScriptLines, LinesEndingInCrAloneAreReadLineByLine) {
  EXPECT_EQ(AllTokens("/WAVFILE\rMUSIC.WAV\r/PLAYFILE\rA.FLC\r/CLOSE\r"),
            (std::vector<std::string>{"/WAVFILE", "MUSIC.WAV", "/PLAYFILE", "A.FLC", "/CLOSE", ""}));
  // An empty line between two CRs is an empty token, as between two LFs.
  EXPECT_EQ(AllTokens("A\r\rB"), (std::vector<std::string>{"A", "", "B", ""}));
  // Blanks stay in the line.
  EXPECT_EQ(AllTokens(" A \r\n"), (std::vector<std::string>{" A ", ""}));
}

}  // namespace
}  // namespace kt::test
