// A run that did not read a stored option must not overwrite it: an error in
// the words or in the stored values, and Exit during the words, all end with
// the options file as it was, except for what the user changed.
#include <QCheckBox>
#include <QSignalSpy>

#include "control/control_behaviour.h"
#include "panel_fixture.h"
#include "playback/play_command.h"

namespace kt::test {
namespace {

// Every option stored with a value other than its start state.
const SettingsValues kStored = {
    {"Speed", Z("40")},      {"Brightness", Z("5")}, {"Contrast", Z("15")},  {"WindowLeft", Z("300")},
    {"WindowTop", Z("200")}, {"Title", Z("0")},      {"Loop", Z("1")},       {"OnTop", Z("1")},
    {"MaxPal", Z("1")},      {"ReadBig", Z("1")},    {"RemLastDir", Z("1")}, {"LastDir", "/flics"},
    {"Optimize", Z("0")},    {"DirectX", Z("0")},    {"DirXAuto", Z("0")},   {"DirXOneSurface", Z("1")},
    {"DirXFPS", Z("1")},     {"ForcedMode", Z("6")},
};

class OptionsKeptTest : public WordsPanelTest {
 protected:
  static std::optional<std::string> StoredValue(const std::string& name) {
    SettingsStore key;
    if (!key.Open()) return std::nullopt;
    return key.Query(name);
  }
  void WriteFlic(const std::string& name, std::vector<FrameSpec> records) {
    FlicSpec spec;
    spec.speed = 30;
    spec.records = std::move(records);
    WriteFile(dir / name, BuildFlic(spec));
  }
  void WriteGoodFlic(const std::string& name) {
    WriteFlic(name, {Frame({Color256({{10, 20, 30}}), Black()}), Frame({}), Frame({}), Frame({})});
  }
  void Exit() { form.FormKeyDown({Qt::Key_X, Qt::AltModifier}); }
};

TEST_F(OptionsKeptTest, AnErrorInTheWordsLeavesEveryStoredOptionAsItWasAtExit) {
  // A bad MODE argument, and a flic with no frames, each stop the words before the settings load.
  WriteFlic("EMPTY.FLC", {Frame({})});
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"/LOOPON", "/BRIGHTNESS", "99", "/MODE", "x"}, {"/DELAY", "7", "empty.flc"}}) {
    SCOPED_TRACE(words.back());
    Store(kStored);
    const std::string before = FileBytes();
    ScriptedWindowServices services;
    ControlPanel panel{services};
    MovieWindow window;
    panel.SetMovieWindow(&window);
    CommandLineSetup setup;
    setup.parameters = words;
    panel.SetCommandLine(std::move(setup));
    panel.show();
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(panel.State().Run.SettingsPending);
    panel.FormKeyDown({Qt::Key_X, Qt::AltModifier});
    panel.SetMovieWindow(nullptr);
    EXPECT_EQ(FileBytes(), before);
  }
}

TEST_F(OptionsKeptTest, AfterAnErrorInTheWordsOnlyWhatTheUserChangedIsWritten) {
  Store(kStored);
  Words({"/MODE", "x"});
  form.show();
  ASSERT_EQ(services.boxes.size(), 1u);
  form.ResetAdjustments();  // brightness and contrast are at their neutral values already
  Get<RadioGroup>("ForceModeRadioGroup")->SetItemIndex(3);
  form.move(250, 180);
  Exit();
  EXPECT_EQ(StoredValue("ForcedMode"), "3");
  EXPECT_EQ(StoredValue("WindowLeft"), "250");
  EXPECT_EQ(StoredValue("WindowTop"), "180");
  for (const auto& [name, data] : kStored) {
    if (name == "ForcedMode" || name.rfind("Window", 0) == 0) continue;
    EXPECT_EQ(StoredValue(name), data) << name;
  }
}

TEST_F(OptionsKeptTest, AStoredValueThatStopsTheLoadKeepsItselfAndEveryValueAfterIt) {
  SettingsValues stored = kStored;
  stored[0].second = Z("12abc");
  Store(stored);
  form.show();
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, "'12abc' is not a valid integer value.");
  EXPECT_EQ(form.State().Colour.Adjustment.BrightnessOffset, 0);  // not loaded
  Exit();
  for (const auto& [name, data] : stored) EXPECT_EQ(StoredValue(name), data) << name;

  // The values read before the bad one are written back; it and those after
  // it only when the user changed them.
  stored[0] = {"Speed", Z("40")};
  stored[6] = {"Loop", Z("x1")};
  Store(stored);
  ScriptedWindowServices services2;
  ControlPanel next{services2};
  MovieWindow nextMovie;
  next.SetMovieWindow(&nextMovie);
  next.show();
  ASSERT_EQ(services2.boxes.size(), 1u);
  EXPECT_EQ(next.State().Colour.Adjustment.BrightnessOffset, 5);
  next.findChild<QAbstractButton*>("TitleCheck")->setChecked(true);     // read, then changed
  next.findChild<RadioGroup*>("ForceModeRadioGroup")->SetItemIndex(2);  // not read, changed
  next.close();
  // What goes back goes in the plain form; what was not read stays as stored.
  EXPECT_EQ(StoredValue("Brightness"), "5");
  EXPECT_EQ(StoredValue("Title"), "1");
  EXPECT_EQ(StoredValue("Loop"), Z("x1"));
  EXPECT_EQ(StoredValue("OnTop"), Z("1"));
  EXPECT_EQ(StoredValue("ForcedMode"), "2");
  next.SetMovieWindow(nullptr);
}

TEST_F(OptionsKeptTest, ExitDuringTheWordsEndsTheRunAndSavesOnce) {
  WriteGoodFlic("A.FLI");
  WriteGoodFlic("B.FLC");
  Store(kStored);
  const std::string before = FileBytes();
  Words({"/LOOPON", "a.fli", "b.flc", "/LOOPOFF"});
  std::vector<std::string> played;
  services.onMessages = [&] {
    const std::string& name = form.State().Playback.DiskFlicName;
    if (played.empty() || played.back() != name) played.push_back(name);
    if (form.State().Playback.FramesPlayed == 5 && !form.State().Playback.QuitAfterPlayback) Exit();
  };
  QSignalSpy closed(&form, &ControlPanel::Closed);
  form.show();
  EXPECT_EQ(played, std::vector<std::string>{"A.FLI"});
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(form.State().Run.SettingsPending);          // the settings' step of the first show did not come
  EXPECT_TRUE(Get<QCheckBox>("LoopCheck")->isChecked());  // LOOPOFF never ran
  EXPECT_FALSE(form.State().Playback.QuitAfterPlayback);
  EXPECT_TRUE(services.boxes.empty());
  // Nothing was loaded and nothing changed by the user: the options are as they were.
  EXPECT_EQ(FileBytes(), before);

  // The panel's own close ends a run of words in the same way.
  ScriptedWindowServices services2;
  ControlPanel panel{services2};
  MovieWindow window;
  panel.SetMovieWindow(&window);
  panel.SetTick([&] { return services2.clock; });
  CommandLineSetup setup;
  setup.parameters = {"/LOOPON", "a.fli", "b.flc"};
  panel.SetCommandLine(std::move(setup));
  played.clear();
  services2.onMessages = [&] {
    const std::string& name = panel.State().Playback.DiskFlicName;
    if (played.empty() || played.back() != name) played.push_back(name);
    if (panel.State().Playback.FramesPlayed == 5) panel.close();
  };
  QSignalSpy panelClosed(&panel, &ControlPanel::Closed);
  panel.show();
  panel.SetMovieWindow(nullptr);
  EXPECT_EQ(played, std::vector<std::string>{"A.FLI"});
  EXPECT_EQ(panelClosed.count(), 1);
}

TEST_F(OptionsKeptTest, TwoPlayersClosingTogetherKeepBothPlayersChanges) {
  Store(kStored);
  ScriptedWindowServices otherServices;
  ControlPanel other{otherServices};
  MovieWindow otherMovie;
  other.SetMovieWindow(&otherMovie);
  form.show();
  other.show();
  form.findChild<QAbstractButton*>("LoopCheck")->setChecked(false);
  other.findChild<RadioGroup*>("ForceModeRadioGroup")->SetItemIndex(2);
  form.close();
  other.close();
  other.SetMovieWindow(nullptr);
  EXPECT_EQ(StoredValue("Loop"), "0");
  EXPECT_EQ(StoredValue("ForcedMode"), "2");
  EXPECT_EQ(StoredValue("Speed"), "40");
}

// The panel's frame after a start with these stored places, and what the close stored.
struct PanelRun {
  QRect frame;
  std::optional<std::string> left, top;
};

PanelRun StartAndClose(const SettingsValues& stored) {
  std::filesystem::remove(SettingsStore().FilePath());
  {
    SettingsStore key;
    EXPECT_TRUE(key.Open());
    for (const auto& [name, data] : stored) key.Set(name, data);
    EXPECT_TRUE(key.Close());
  }
  ScriptedWindowServices services;
  ControlPanel panel{services};
  MovieWindow movie;
  panel.SetMovieWindow(&movie);
  panel.show();
  EXPECT_TRUE(services.boxes.empty());
  PanelRun run{panel.frameGeometry(), {}, {}};
  panel.close();
  panel.SetMovieWindow(nullptr);
  SettingsStore key;
  EXPECT_TRUE(key.Open());
  run.left = key.Query("WindowLeft");
  run.top = key.Query("WindowTop");
  return run;
}

TEST_F(OptionsKeptTest, APanelStoredOffTheScreenComesBackOntoItAndAGoodPlaceStaysAsStored) {
  for (const auto& [left, top] : {std::pair{"1024", "768"},
                                  {"-2147483648", "-2147483648"},
                                  {"-397", "300"},
                                  {"500", "-5"},
                                  {"2147483647", "760"},
                                  {"-1000", "-1000"}}) {
    SCOPED_TRACE(std::string(left) + "," + top);
    const PanelRun run = StartAndClose({{"WindowLeft", Z(left)}, {"WindowTop", Z(top)}});
    // The whole caption strip on the screen, and the panel too where it fits.
    EXPECT_GE(run.frame.left(), 0);
    EXPECT_GE(run.frame.top(), 0);
    EXPECT_LE(run.frame.left() + 398, 1024);
    EXPECT_LE(run.frame.top() + 136, 768);
    // The place it came back to is what the close stores.
    EXPECT_EQ(run.left, std::to_string(run.frame.left()));
    EXPECT_EQ(run.top, std::to_string(run.frame.top()));
  }
  // Enough of the caption shows: the place is kept as stored.
  for (const auto& [left, top] : {std::pair{"-300", "10"}, {"950", "700"}, {"300", "200"}, {"0", "748"}}) {
    SCOPED_TRACE(std::string(left) + "," + top);
    const PanelRun run = StartAndClose({{"WindowLeft", Z(left)}, {"WindowTop", Z(top)}});
    EXPECT_EQ(run.frame.topLeft(), QPoint(std::stoi(left), std::stoi(top)));
    EXPECT_EQ(run.left, left);
    EXPECT_EQ(run.top, top);
  }
}

TEST_F(OptionsKeptTest, TheStoredPlaceIsTheFramesCornerAndDoesNotDriftOverRuns) {
  SettingsValues stored = {{"WindowLeft", Z("300")}, {"WindowTop", Z("200")}};
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    const PanelRun started = StartAndClose(stored);
    EXPECT_EQ(started.frame.topLeft(), QPoint(300, 200));
    ASSERT_TRUE(started.left && started.top);
    stored = {{"WindowLeft", *started.left}, {"WindowTop", *started.top}};
  }
  EXPECT_EQ(stored, (SettingsValues{{"WindowLeft", "300"}, {"WindowTop", "200"}}));
}

TEST_F(OptionsKeptTest, PlayingWithNoFlicChosenSaysWhatIsMissing) {
  char key = 'f';
  form.FormKeyPress(key);
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].text, kNoFlicChosenText);

  // A PLAY whose load fails after a good one: the load says so, and the play that follows names no empty file.
  services.boxes.clear();
  WriteGoodFlic("A.FLC");
  Words({"/PLAY", "a.flc", "/PLAY", "missing.flc"});
  form.show();
  ASSERT_EQ(services.boxes.size(), 2u);
  EXPECT_EQ(services.boxes[0].text, kLoadErrorText);
  EXPECT_EQ(services.boxes[1].text, kNoFlicChosenText);
}

}  // namespace
}  // namespace kt::test
