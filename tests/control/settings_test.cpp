#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>

#include "base/ascii.h"
#include "base/errors.h"
#include "control/control_behaviour.h"
#include "control/options.h"
#include "panel_fixture.h"
#include "platform/settings_store.h"

namespace kt::test {
namespace {

using namespace std::string_literals;

// The program started again: a fresh panel and movie window over the same store.
struct NextRun {
  NextRun() { form.SetMovieWindow(&movie); }
  ~NextRun() { form.SetMovieWindow(nullptr); }
  bool Checked(const char* name) { return form.findChild<QAbstractButton*>(name)->isChecked(); }
  ScriptedWindowServices services;
  ControlPanel form{services};
  MovieWindow movie;
};

class SettingsTest : public PanelTest {
 protected:
  static SettingsValues Stored() { return ParseSettingsFile(FileBytes()); }

  int Mode() { return Get<RadioGroup>("ForceModeRadioGroup")->ItemIndex(); }
  long double Contrast() { return form.State().Colour.Adjustment.ContrastFactor.Value(); }
  std::string LoadError() {
    try {
      form.LoadSettings();
    } catch (const PlayerError& error) {
      return error.what();
    }
    return "";
  }
};

TEST_F(SettingsTest, AFirstRunKeepsTheShownStatesAndStoresAllEighteenAsPlainTextAtTheClose) {
  form.show();
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(Bar("SpeedBar"), 1000);
  EXPECT_TRUE(Checked("TitleCheck"));
  EXPECT_EQ(form.pos(), QPoint(220, 156));
  form.close();
  EXPECT_EQ(Stored(), (SettingsValues{{"Speed", "1000"},
                                      {"Brightness", "0"},
                                      {"Contrast", "10"},
                                      {"WindowLeft", "220"},
                                      {"WindowTop", "156"},
                                      {"Title", "1"},
                                      {"Loop", "1"},
                                      {"OnTop", "0"},
                                      {"MaxPal", "0"},
                                      {"ReadBig", "0"},
                                      {"RemLastDir", "1"},
                                      {"LastDir", ""},
                                      {"Optimize", "1"},
                                      {"DirectX", "0"},
                                      {"DirXAuto", "1"},
                                      {"DirXOneSurface", "0"},
                                      {"DirXFPS", "0"},
                                      {"ForcedMode", "0"}}));
}

TEST_F(SettingsTest, ValuesStoredWithAZeroByteReadTheSameAndAreWrittenBackPlain) {
  // Each row is found by its option, and no two share a key of the case-blind file.
  std::set<std::string> keys;
  for (size_t i = 0; i < kOptionCount; ++i) {
    EXPECT_EQ(static_cast<size_t>(OptionRows()[i].option), i);
    EXPECT_TRUE(keys.insert(AsciiLowerCase(OptionRows()[i].fileKey)).second) << OptionRows()[i].fileKey;
  }
  Store({{"Speed", Z("40")}, {"Loop", Z("0")}, {"ForcedMode", Z("3")}});
  form.show();
  EXPECT_EQ(Bar("SpeedBar"), 40);
  EXPECT_FALSE(Checked("LoopCheck"));
  EXPECT_EQ(Mode(), 3);
  form.close();
  EXPECT_EQ(FileBytes().find("\\x00"), std::string::npos) << FileBytes();
  SettingsStore key;
  ASSERT_TRUE(key.Open());
  EXPECT_EQ(key.Query("Speed"), "40");
  EXPECT_EQ(key.Query("Loop"), "0");
  EXPECT_EQ(key.Query("ForcedMode"), "3");
}

TEST_F(SettingsTest, NumbersBeyondTheirControlsAreLimitedAndWrittenBackLimited) {
  struct Case {
    std::string speed, brightness, contrast, mode;
    int speedBar, brightnessBar, contrastBar, modeIndex;
    const char *speedLabel, *contrastLabel;
  };
  for (const Case& c : {Case{"5000", "-1", "15", "-5", 1000, 255, 15, -1, "Original", "1.5"},
                        Case{"-1", "300", "300", "12", 0, 255, 250, 8, "None", "25.0"}}) {
    Store({{"Speed", Z(c.speed)},
           {"Brightness", Z(c.brightness)},
           {"Contrast", Z(c.contrast)},
           {"ForcedMode", Z(c.mode)},
           {"WindowLeft", Z("-4000")},
           {"WindowTop", Z("9000")}});
    form.LoadSettings();
    EXPECT_EQ(Bar("SpeedBar"), c.speedBar);
    EXPECT_EQ(Text("SpeedLabel"), c.speedLabel);
    EXPECT_EQ(Bar("BrightnessBar"), c.brightnessBar);
    EXPECT_EQ(form.State().Colour.Adjustment.BrightnessOffset, c.brightnessBar);
    EXPECT_EQ(Bar("ContrastBar"), c.contrastBar);
    EXPECT_EQ(Contrast(), ContrastFactorAt(c.contrastBar).Value());
    EXPECT_EQ(Text("ContrastLabel"), c.contrastLabel);
    EXPECT_EQ(Mode(), c.modeIndex);
    // Far off the screen: brought back onto its nearest corner.
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(0, 768 - form.frameGeometry().height()));
    form.SaveSettings();
    SettingsStore key;
    ASSERT_TRUE(key.Open());
    EXPECT_EQ(key.Query("Brightness"), std::to_string(c.brightnessBar));
    EXPECT_EQ(key.Query("Contrast"), std::to_string(c.contrastBar));
    EXPECT_EQ(key.Query("ForcedMode"), std::to_string(c.modeIndex));
  }
}

TEST_F(SettingsTest, AFlagIsItsFirstCharacterAndIsWrittenBackAsOneOrZero) {
  Store(
      {{"Loop", Z("0")}, {"OnTop", Z("10")}, {"ReadBig", Z("7")}, {"Title", ""}, {"MaxPal", "\0"s}, {"DirXFPS", "1"}});
  form.show();
  EXPECT_FALSE(Checked("LoopCheck"));
  EXPECT_TRUE(Checked("OnTopCheck"));
  EXPECT_TRUE(movie.windowFlags() & Qt::WindowStaysOnTopHint);  // the box's own handler ran
  EXPECT_TRUE(Checked("ReadBigCheck"));
  EXPECT_TRUE(form.State().Flic.ReadBigFrames);
  EXPECT_TRUE(Checked("TitleCheck"));    // empty data: absent
  EXPECT_FALSE(Checked("MaxPalCheck"));  // likewise
  EXPECT_TRUE(Checked("DirXFPSCheck"));  // no zero byte needed
  EXPECT_TRUE(services.boxes.empty());
  form.close();
  SettingsStore key;
  ASSERT_TRUE(key.Open());
  EXPECT_EQ(key.Query("OnTop"), "1");
  EXPECT_EQ(key.Query("ReadBig"), "1");
}

TEST_F(SettingsTest, DirectXOverridesTheBoxesItOwnsWhateverWasStoredForThem) {
  Store({{"Title", Z("0")}, {"OnTop", Z("1")}, {"MaxPal", Z("1")}, {"DirectX", Z("1")}, {"DirXAuto", Z("0")}});
  form.show();
  EXPECT_TRUE(Checked("DirectXCheck"));
  EXPECT_TRUE(Checked("TitleCheck"));
  EXPECT_FALSE(Enabled("TitleCheck"));
  EXPECT_FALSE(Checked("OnTopCheck"));
  EXPECT_FALSE(Enabled("OnTopCheck"));
  EXPECT_FALSE(Checked("MaxPalCheck"));
  EXPECT_FALSE(Enabled("MaxPalCheck"));
  EXPECT_FALSE(Enabled("StatsButton"));
  EXPECT_FALSE(Checked("DirXAutoCheck"));
  EXPECT_TRUE(Checked("DirXForceCheck"));
}

TEST_F(SettingsTest, ANonNumberStopsTheLoadingWhereItStands) {
  Store({{"Speed", Z("40")}, {"Loop", Z("x1")}, {"Optimize", Z("0")}});
  form.show();
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].caption, "Kinetrope");
  EXPECT_EQ(services.boxes[0].text, "'x' is not a valid integer value.");
  EXPECT_EQ(Bar("SpeedBar"), 40);         // before it: applied
  EXPECT_TRUE(Checked("LoopCheck"));      // it: unchanged
  EXPECT_TRUE(Checked("OptimizeCheck"));  // after it: not read
  EXPECT_FALSE(form.State().Run.SettingsPending);
  EXPECT_FALSE(movie.isVisible());  // the rest of the first show is skipped
  EXPECT_EQ(form.State().Flic.Header.width, 0);

  for (const std::string& bad : {""s, "12a"s, " 5"s, "0x10"s, "+"s, "2147483648"s, "-2147483649"s}) {
    Store({{"WindowTop", bad}});
    EXPECT_EQ(LoadError(), "'" + bad + "' is not a valid integer value") << bad;
  }
  // The lowest number reads, and puts the panel's caption above the screen: it comes back to the top edge.
  for (const auto& [good, top] : {std::pair{"+7"s, 7}, {"-2147483648"s, 0}, {"33\0junk"s, 33}}) {
    Store({{"WindowTop", good}});
    EXPECT_EQ(LoadError(), "") << good;
    EXPECT_EQ(form.y(), top) << good;
  }
}

TEST_F(SettingsTest, TheStoredDirectoryIsReadOnlyWhenRememberedButAlwaysWritten) {
  form.State().OpenDialog.InitialDir = "/keep";
  Store({{"RemLastdir", Z("1")}, {"Lastdir", std::string(600, 'd')}});
  form.LoadSettings();
  EXPECT_EQ(form.State().OpenDialog.InitialDir, "/keep");  // too long for the buffer: absent

  Store({{"Lastdir", "/flics/old"}});
  form.LoadSettings();
  EXPECT_EQ(form.State().OpenDialog.InitialDir, "/flics/old");

  Get<QCheckBox>("LastDirCheck")->setChecked(false);
  form.State().OpenDialog.InitialDir = "/flics/new";
  form.SaveSettings();
  SettingsStore key;
  ASSERT_TRUE(key.Open());
  EXPECT_EQ(key.Query("LastDir"), "/flics/new");
  EXPECT_EQ(key.Query("RemLastDir"), "0");
  key.Close();

  // The next run reads the writer's "RemLastDir" as its "RemLastdir".
  NextRun next;
  next.form.LoadSettings();
  EXPECT_FALSE(next.Checked("LastDirCheck"));
  EXPECT_EQ(next.form.State().OpenDialog.InitialDir, "");
}

TEST_F(SettingsTest, OptionsSetInOneRunAreThereInTheNext) {
  form.show();
  Get<TrackBar>("SpeedBar")->setValue(75);
  form.ApplyDelay();
  Get<TrackBar>("BrightnessBar")->setValue(33);
  form.ApplyBrightness();
  Get<TrackBar>("ContrastBar")->setValue(25);
  form.ApplyContrast();
  form.move(300, 200);
  Get<QCheckBox>("LoopCheck")->setChecked(false);
  Get<QCheckBox>("ReadBigCheck")->setChecked(true);
  Get<QCheckBox>("OptimizeCheck")->setChecked(false);
  Get<QCheckBox>("DirXFPSCheck")->setChecked(true);
  Get<QRadioButton>("DirXForceCheck")->setChecked(true);
  Get<RadioGroup>("ForceModeRadioGroup")->SetItemIndex(6);
  form.State().OpenDialog.InitialDir = "/home/me/flics";
  form.close();

  NextRun next;
  next.form.show();
  EXPECT_TRUE(next.services.boxes.empty());
  EXPECT_EQ(next.form.findChild<TrackBar*>("SpeedBar")->value(), 75);
  EXPECT_EQ(next.form.findChild<QLabel*>("SpeedLabel")->text(), "75ms");
  EXPECT_EQ(next.form.State().Playback.FrameDelay, 75);
  EXPECT_EQ(next.form.State().Colour.Adjustment.BrightnessOffset, 33);
  EXPECT_EQ(next.form.findChild<QLabel*>("ContrastLabel")->text(), "2.5");
  EXPECT_EQ(next.form.pos(), QPoint(300, 200));
  EXPECT_TRUE(next.form.State().Flic.ReadBigFrames);
  for (const char* box : {"ReadBigCheck", "DirXFPSCheck", "DirXForceCheck"}) EXPECT_TRUE(next.Checked(box)) << box;
  for (const char* box : {"LoopCheck", "OptimizeCheck"}) EXPECT_FALSE(next.Checked(box)) << box;
  EXPECT_EQ(next.form.findChild<RadioGroup*>("ForceModeRadioGroup")->ItemIndex(), 6);
  EXPECT_EQ(next.form.State().OpenDialog.InitialDir, "/home/me/flics");
}

TEST_F(SettingsTest, ACloseWordRunLeavesTheStoredOptionsUntouched) {
  Store({{"Speed", Z("40")}});
  const std::string before = FileBytes();
  form.State().Run.CloseRequested = true;
  form.show();
  EXPECT_EQ(Bar("SpeedBar"), 1000);
  form.close();
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(SettingsTest, AStoreThatCannotBeCreatedChangesNothingAndSaysSoOnTheTerminal) {
  const std::string config = std::getenv("XDG_CONFIG_HOME");
  const std::filesystem::path blocker = std::filesystem::path(config) / "not-a-folder";
  std::ofstream(blocker).put('x');
  setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
  form.show();
  Get<QCheckBox>("LoopCheck")->setChecked(false);  // a change to save
  testing::internal::CaptureStderr();
  form.close();
  const std::string said = testing::internal::GetCapturedStderr();
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  EXPECT_EQ(said, "kinetrope: the options of this session were not saved to " + blocker.string() +
                      "/Kinetrope/Kinetrope.conf: " + std::strerror(ENOTDIR) + "\n");
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_TRUE(movie.isVisible());
  EXPECT_EQ(std::filesystem::file_size(blocker), 1u);
}

TEST_F(SettingsTest, ResetPutsBackTheBarsAndTheMovieWindowUnlessDirectXOwnsIt) {
  form.show();
  for (const char* bar : {"SpeedBar", "BrightnessBar", "ContrastBar"}) Get<TrackBar>(bar)->setValue(120);
  Get<QCheckBox>("TitleCheck")->setChecked(false);
  Get<QCheckBox>("OnTopCheck")->setChecked(true);
  movie.resize(500, 400);
  Get<QCheckBox>("DirectXCheck")->setChecked(true);
  Get<QCheckBox>("TitleCheck")->setChecked(false);  // a box disabled by Direct-X still holds a state
  Get<QAbstractButton>("ResetButton")->click();
  EXPECT_EQ(Bar("SpeedBar"), 1000);
  EXPECT_EQ(Text("SpeedLabel"), "Original");
  EXPECT_EQ(Bar("BrightnessBar"), 0);
  EXPECT_EQ(Bar("ContrastBar"), 10);
  EXPECT_EQ(Text("ContrastLabel"), "1.0");
  EXPECT_FALSE(Checked("TitleCheck"));
  EXPECT_EQ(movie.size(), QSize(500, 400));

  Get<QCheckBox>("DirectXCheck")->setChecked(false);
  Get<QCheckBox>("OnTopCheck")->setChecked(true);
  form.ResetAdjustments();
  EXPECT_TRUE(Checked("TitleCheck"));
  EXPECT_FALSE(Checked("OnTopCheck"));
  EXPECT_FALSE(movie.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(movie.size(), QSize(320, 240));  // no flic loaded
  EXPECT_EQ(movie.frameGeometry().left(), (1024 - movie.frameGeometry().width()) / 2);
  EXPECT_TRUE(services.boxes.empty());
}

}  // namespace
}  // namespace kt::test
