#include <QCheckBox>
#include <QLabel>

#include <optional>

#include "base/errors.h"
#include "base/integer_text.h"
#include "control/control_behaviour.h"
#include "control/handler_guard.h"
#include "fifo_watchdog.h"
#include "flic_writer.h"
#include "panel_fixture.h"
#include "platform/message_text.h"
#include "platform/settings_store.h"
#include "wav_writer.h"
#include "words/command_line.h"

namespace kt::test {
namespace {

TEST(CommandLineArguments, IntegersFallBackAndClampAsEachWordSays) {
  EXPECT_EQ(WaitArgument("70000"), 4464);
  EXPECT_EQ(WaitArgument("-1"), 65535);
  EXPECT_EQ(WaitArgument("2000 "), 0);  // a script line keeps its blank: no number
  EXPECT_EQ(WaitArgument("99999999999"), 0);
  EXPECT_EQ(DelayArgument(""), 1000);
  EXPECT_EQ(DelayArgument("-7"), 0);
  EXPECT_EQ(BrightnessArgument("999"), 255);
  EXPECT_EQ(BrightnessArgument("bright"), 0);
  EXPECT_EQ(ModeArgument("12"), 8);
  EXPECT_EQ(ModeArgument("-3"), -1);
  EXPECT_EQ(ModeArgument("X"), std::nullopt);
  EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInt32("2147483648"), std::nullopt);
}

TEST(CommandLineArguments, ContrastReadsARealAndRoundsItsBarHalvesToEven) {
  EXPECT_EQ(ContrastBarFor(ContrastArgument("1.5")), 15);
  EXPECT_EQ(ContrastBarFor(ContrastArgument("2.25")), 22);
  EXPECT_EQ(ContrastArgument("1e50").Value(), 1.0L);
  EXPECT_EQ(ContrastArgument("1e5000").Value(), 1.0L);
  EXPECT_EQ(ContrastBarFor(ContrastArgument("+.5E1")), 50);
  EXPECT_EQ(ContrastBarFor(ContrastArgument("-3")), 0);
  EXPECT_EQ(ContrastBarFor(ContrastArgument("1e30")), 250);
  EXPECT_EQ(ContrastArgument("1,5").Value(), 1.0L);
}

TEST(TokenSource, ScriptLinesEndAtLfCrLfOrCrAndKeepEverythingElse) {
  TempDir dir;
  const std::string text = "/DELAY\r\n 50 \nA.FLC\rB\n\n/close";
  WriteFile(dir / "show.txt", Bytes(text.begin(), text.end()));
  TokenSource tokens({"!" + (dir / "SHOW.TXT").string(), "ignored"});
  ASSERT_TRUE(tokens.ScriptMode());
  EXPECT_EQ(tokens.ReadToken(), "/DELAY");
  EXPECT_EQ(tokens.NextToken(), " 50 ");
  EXPECT_TRUE(tokens.Advance());
  EXPECT_EQ(tokens.ReadToken(), "A.FLC");  // a CR alone ends a line too
  EXPECT_TRUE(tokens.Advance());
  EXPECT_EQ(tokens.ReadToken(), "B");
  EXPECT_TRUE(tokens.Advance());
  EXPECT_EQ(tokens.ReadToken(), "");
  EXPECT_TRUE(tokens.Advance());
  EXPECT_EQ(tokens.ReadToken(), "/close");
  EXPECT_TRUE(tokens.Advance());
  EXPECT_EQ(tokens.NextToken(), "");  // an argument past the end
  EXPECT_TRUE(tokens.Advance());
  EXPECT_EQ(tokens.ReadToken(), "");  // the end: this token is the last
  EXPECT_EQ(tokens.Counter(), 65534);
  EXPECT_FALSE(tokens.Advance());
}

TEST(TokenSource, AScriptThatDoesNotOpenIsTheFirstTokenAndAMissingArgumentIsEmpty) {
  TokenSource tokens({"!NO-SUCH-SCRIPT.TXT", "/DELAY"});
  EXPECT_FALSE(tokens.ScriptMode());
  EXPECT_EQ(tokens.ReadToken(), "!NO-SUCH-SCRIPT.TXT");
  EXPECT_TRUE(tokens.Advance());
  EXPECT_EQ(tokens.ReadToken(), "/DELAY");
  EXPECT_EQ(tokens.NextToken(), "");
  EXPECT_FALSE(tokens.Advance());
}

TEST(TokenSource, AReadErrorOnTheScriptIsAnInputOutputError) {
  // A regular file that opens, but whose first read fails: nothing is mapped at address 0.
  TokenSource tokens({"!/proc/self/mem"});
  ASSERT_TRUE(tokens.ScriptMode());
  EXPECT_THROW(tokens.ReadToken(), InOutError);
}

TEST(TokenSource, TheTokensEndAfterTheLastParameterHoweverManyThereAre) {
  for (const size_t count : {size_t{65535}, size_t{65536}, size_t{70000}}) {
    SCOPED_TRACE(count);
    TokenSource tokens(std::vector<std::string>(count, "/LOOPON"));
    size_t read = 0;
    do {
      EXPECT_EQ(tokens.ReadToken(), "/LOOPON");
      ++read;
    } while (tokens.Advance() && read <= count);
    EXPECT_EQ(read, count);
  }
}

TEST(TokenSource, WhatIsNoScriptIsRefusedWithoutWaitingOnIt) {
  TempDir dir;
  {
    FifoWatchdog fifo(dir / "fifo.txt");
    try {
      TokenSource tokens({"!" + fifo.Path().string()});
      ADD_FAILURE() << "a FIFO was taken for a script";
    } catch (const PlayerError& error) {
      EXPECT_NE(std::string(error.what()).find("FIFO"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fifo.TimedOut()) << "the script's open waited for a writer";
  }
  try {
    TokenSource tokens({"!" + dir.Path().string()});
    ADD_FAILURE() << "a folder was taken for a script";
  } catch (const PlayerError& error) {
    EXPECT_NE(std::string(error.what()).find("folder"), std::string::npos) << error.what();
  }
  const std::string binary = std::string(
      "/LOOPON\n\x7F"
      "ELF\x02\x01\x01\0\0\0\n",
      19);
  WriteFile(dir / "program", Bytes(binary.begin(), binary.end()));
  try {
    TokenSource tokens({"!" + (dir / "program").string()});
    ADD_FAILURE() << "a file with NUL bytes was taken for a script";
  } catch (const PlayerError& error) {
    EXPECT_NE(std::string(error.what()).find("NUL"), std::string::npos) << error.what();
  }
}

class WordsTest : public WordsPanelTest {
 protected:
  // The same panel, already shown, runs a second set of words.
  void RunAgain(std::vector<std::string> parameters) {
    form.State().Run.CommandLineDone = false;
    services.boxes.clear();
    Words(std::move(parameters));
    RunGuarded(services, [this] { form.RunCommandLine(); });
  }
};

TEST_F(WordsTest, DelayThenAFileNamePlaysItOnceFromDiskThenCloseEndsWithoutSettings) {
  WriteFlic("intro.flc");  // named in another letter case, found whatever the case
  Get<QCheckBox>("LoopCheck")->setChecked(true);
  Get<TrackBar>("BrightnessBar")->setValue(40);
  Run({"/DELAY", "50", "INTRO.FLC", "/CLOSE", "/LOOPON"});
  const PlayerState& state = form.State();
  EXPECT_EQ(state.Playback.DiskFlicName, "intro.flc");  // as found on disk
  EXPECT_EQ(movie.windowTitle().toStdString(), "intro.flc");
  EXPECT_FALSE(state.Flic.FlicInMemory);
  EXPECT_EQ(state.Playback.FramesPlayed, 3);
  EXPECT_EQ(services.clock, 3u * 50u);
  EXPECT_EQ(Bar("SpeedBar"), 50);
  EXPECT_EQ(Bar("BrightnessBar"), 0);
  EXPECT_FALSE(Checked("LoopCheck"));  // reset at the start, and nothing after CLOSE ran
  EXPECT_EQ(endRequests, 1);
  EXPECT_TRUE(state.Run.CloseRequested);
  EXPECT_TRUE(state.Run.SettingsPending);
  EXPECT_FALSE(state.Playback.CommandRunActive);
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(ExitStatusOf(state.Run), 0);
}

TEST_F(WordsTest, OfTwoFlicsWhoseNamesDifferOnlyInCaseTheNamedOnePlaysUnderItsOwnName) {
  WriteFlic("intro.fli");  // three frames
  FlicSpec shorter;
  shorter.records = {Frame({Color256({{1, 2, 3}}), Black()}), Frame({}), Frame({})};
  SaveFlic(dir / "INTRO.FLI", shorter);
  const auto played = [this] {
    return std::to_string(form.State().Playback.FramesPlayed) + " " + movie.windowTitle().toStdString();
  };
  Run({"intro.fli"});
  EXPECT_EQ(played(), "3 intro.fli");
  RunAgain({"/PLAYFILE", "INTRO.FLI"});
  EXPECT_EQ(played(), "2 INTRO.FLI");
  // Named by neither spelling: the same one every time, shown as it is on disk.
  RunAgain({"/PLAY", "Intro.fli"});
  EXPECT_EQ(played(), "2 INTRO.FLI");
  EXPECT_TRUE(form.State().Flic.FlicInMemory);
  EXPECT_TRUE(services.boxes.empty());
}

TEST_F(WordsTest, PlayLoadsIntoMemoryAndPlaysThenWaitTakesItsArgumentModulo65536) {
  WriteFlic("big.fli", 0xAF11);
  std::vector<uint32_t> sleeps;
  CommandLineSetup setup;
  setup.parameters = {"-play", "big.fli", "-wait", "70000", "-close"};
  setup.sleep = [&](uint32_t ms) {
    sleeps.push_back(ms);
    services.clock += ms;
  };
  setup.endApplication = [this] { ++endRequests; };
  form.SetCommandLine(std::move(setup));
  form.show();
  EXPECT_TRUE(form.State().Flic.FlicInMemory);
  EXPECT_EQ(form.State().Playback.FramesPlayed, 3);
  EXPECT_EQ(sleeps, std::vector<uint32_t>{4464});
  EXPECT_EQ(endRequests, 1);
}

TEST_F(WordsTest, AFiveLineScriptPlaysWithItsSoundAndEnds) {
  WriteFlic("a.flc");
  const WavFormat format;
  WriteFile(dir / "Music.wav", BuildWav(format, CountingSamples(format, 800)));
  const std::string script = "/WAVFILE\r\nmusic.wav\r\n/PLAYFILE\r\na.flc\r\n/CLOSE\r\n";
  WriteFile(dir / "show.txt", Bytes(script.begin(), script.end()));
  std::string soundDuringPlay;
  services.onMessages = [&] { soundDuringPlay = form.State().Playback.WavFileName; };
  Run({"!show.txt", "/LOOPON"});
  EXPECT_EQ(soundDuringPlay, "music.wav");
  EXPECT_EQ(form.State().Playback.WavFileName, "");  // the playback took it
  EXPECT_EQ(form.State().Playback.DiskFlicName, "a.flc");
  EXPECT_EQ(form.State().Playback.FramesPlayed, 3);
  EXPECT_FALSE(Checked("LoopCheck"));
  EXPECT_EQ(endRequests, 1);
}

TEST_F(WordsTest, ASoundThatCannotBePlayedStopsTheRunWithItsReasonAndThePlayerPlaysOn) {
  WriteFlic("a.flc");
  testing::internal::CaptureStderr();
  Run({"/WAVFILE", "nosuch.wav", "a.flc", "/CLOSE"});
  const std::string errors = testing::internal::GetCapturedStderr();
  ASSERT_EQ(services.boxes.size(), 1u);
  const std::string& text = services.boxes[0].text;
  EXPECT_EQ(
      text.rfind("Cannot play the sound file nosuch.wav: the file does not exist (Couldn't open nosuch.wav). ", 0), 0u)
      << text;
  EXPECT_NE(errors.find("kinetrope: " + text + "\n"), errors.npos) << "the box's text, also where a terminal reads";
  const PlaybackState& playback = form.State().Playback;
  EXPECT_EQ(playback.FramesPlayed, 0);
  EXPECT_FALSE(playback.Playing);
  EXPECT_TRUE(playback.WavFileName.empty());
  EXPECT_EQ(endRequests, 0) << "an error ends the run of words: the user sees it";
  EXPECT_EQ(ExitStatusOf(form.State().Run), 1);
  ASSERT_TRUE(Get<QAbstractButton>("PlayButton")->isEnabled());
  Get<QAbstractButton>("PlayButton")->click();
  EXPECT_EQ(playback.FramesPlayed, 3) << "the next playback plays, without sound";
  EXPECT_EQ(services.boxes.size(), 1u);
}

TEST_F(WordsTest, OptionWordsSetTheirControlsAndModeWithANonNumberStopsTheRun) {
  Run({"/contrast", "2.25", "/BRIGHTNESS", "999", "-MODE", "12", "/DIRECTXON", "/AUTOMODEOFF", "/FPSON", "/PLAYFILE ",
       "/MODE", "x", "/LOOPON"});
  EXPECT_EQ(Bar("ContrastBar"), 22);
  EXPECT_EQ(Get<QLabel>("ContrastLabel")->text(), "2.2");
  EXPECT_EQ(Bar("BrightnessBar"), 255);
  EXPECT_EQ(Get<RadioGroup>("ForceModeRadioGroup")->ItemIndex(), 8);
  EXPECT_TRUE(Checked("DirectXCheck"));
  EXPECT_FALSE(Get("StatsButton")->isEnabled());  // the box's handler ran
  EXPECT_TRUE(Checked("DirXForceCheck"));
  EXPECT_FALSE(Checked("DirXAutoCheck"));
  EXPECT_TRUE(Checked("DirXFPSCheck"));
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "'x' is not a valid integer value.");  // the general box's full stop
  EXPECT_FALSE(Checked("LoopCheck"));
  EXPECT_TRUE(form.State().Run.SettingsPending);  // loaded at the next show instead
  EXPECT_FALSE(form.State().Playback.CommandRunActive);
  EXPECT_EQ(endRequests, 0);
}

TEST_F(WordsTest, CloseLeavesTheStoredSettingsUntouched) {
  {
    SettingsStore key;  // in the test run's own configuration folder
    ASSERT_TRUE(key.Open());
    key.Set("Brightness", std::string("7\0", 2));
    ASSERT_TRUE(key.Close());
  }
  const Bytes before = ReadFileBytes(SettingsStore().FilePath());
  Run({"/BRIGHTNESS", "99", "/CLOSE"});
  form.close();                         // even a close afterwards saves nothing
  EXPECT_EQ(Bar("BrightnessBar"), 99);  // and nothing was loaded over the word
  EXPECT_EQ(ReadFileBytes(SettingsStore().FilePath()), before);
}

TEST_F(WordsTest, SixtyFiveThousandParametersRunOnceAndEnd) {
  std::vector<std::string> parameters(65535, "/LOOPOFF");
  parameters[1] = "MISSING.FLC";  // each attempt to play it shows one box
  Run(std::move(parameters));
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "There was an error while attempting to load MISSING.FLC.");
  EXPECT_FALSE(form.State().Playback.CommandRunActive);
  EXPECT_EQ(ExitStatusOf(form.State().Run), 1) << "the words named a flic that could not be played";
}

TEST_F(WordsTest, AHugeNameShowsAShortBoxAndTheWholeNameOnStandardError) {
  const std::string name(10 * 1024 * 1024, 'N');
  testing::internal::CaptureStderr();
  Run({name + ".FLC"});
  const std::string errors = testing::internal::GetCapturedStderr();
  ASSERT_EQ(services.boxes.size(), 1u);
  const std::string& text = services.boxes[0].text;
  EXPECT_LE(text.size(), kMessageTextLimit);
  EXPECT_EQ(text.rfind("There was an error while attempting to load NNN", 0), 0u) << text;
  EXPECT_NE(text.find(" ... "), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 9), "NNNN.FLC.");
  EXPECT_NE(errors.find(name + ".FLC"), std::string::npos) << "the whole name is not on standard error";

  // A script line is as long as the file lets it be.
  WriteFile(dir / "long.txt", Bytes(name.begin(), name.end()));
  testing::internal::CaptureStderr();
  RunAgain({"!long.txt"});
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_LE(services.boxes[0].text.size(), kMessageTextLimit);
}

TEST_F(WordsTest, NoScriptAndNoFlicIsWaitedOnAndEachGivesOneBox) {
  {
    FifoWatchdog fifo(dir / "fifo.txt");
    Run({"!fifo.txt", "/LOOPON"});
    EXPECT_FALSE(fifo.TimedOut()) << "the run waited for a writer";
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_NE(services.boxes[0].text.find("is a FIFO (named pipe), not a text file"), std::string::npos)
        << services.boxes[0].text;
    EXPECT_FALSE(Checked("LoopCheck"));  // nothing after it ran
  }
  {
    FifoWatchdog fifo(dir / "fifo.flc");
    RunAgain({"/PLAYFILE", "fifo.flc", "/PLAY", "fifo.flc", "fifo.flc"});
    EXPECT_FALSE(fifo.TimedOut()) << "a flic's open waited for a writer";
    EXPECT_EQ(services.boxes.size(), 3u);
    EXPECT_TRUE(fifo.StillAFifo());
  }
  // A binary file raises one box, not one per "line".
  std::string binary(4096, '\n');
  binary[100] = '\0';
  WriteFile(dir / "program", Bytes(binary.begin(), binary.end()));
  RunAgain({"!program"});
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_NE(services.boxes[0].text.find("is not a script: it holds NUL bytes"), std::string::npos)
      << services.boxes[0].text;
}

TEST_F(WordsTest, NoParametersChangeNothingAndTheRunHappensOnce) {
  Get<QCheckBox>("LoopCheck")->setChecked(true);
  Run({});
  EXPECT_TRUE(Checked("LoopCheck"));
  EXPECT_FALSE(form.State().Run.CommandLineDone);

  CommandLineSetup setup;
  setup.parameters = {"/LOOPON"};
  form.SetCommandLine(setup);
  form.RunCommandLine();
  Get<QCheckBox>("LoopCheck")->setChecked(false);
  form.RunCommandLine();
  EXPECT_FALSE(Checked("LoopCheck"));
}

}  // namespace
}  // namespace kt::test
