#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "control/control_behaviour.h"
#include "flic_writer.h"
#include "panel_fixture.h"

namespace kt::test {
namespace {

class HandlerTest : public PanelTest {
 protected:
  std::vector<std::string> ShownPanels() {
    std::vector<std::string> shown;
    for (const char* panel : {"InfoPanel", "StatPanel", "DirXPanel", "OptionPanel"}) {
      if (Shown(panel)) shown.push_back(panel);
    }
    return shown;
  }
  using Panels = std::vector<std::string>;
};

TEST_F(HandlerTest, PanelButtonsToggleTheirPanelAndSwitchStraightToAnother) {
  Click("InfoButton");
  EXPECT_EQ(ShownPanels(), Panels{"InfoPanel"});
  Click("InfoButton");
  EXPECT_EQ(ShownPanels(), Panels{});
  Click("StatsButton");
  Click("DirXModeButton");
  EXPECT_EQ(ShownPanels(), Panels{"DirXPanel"});
  Click("OptionButton");
  EXPECT_EQ(ShownPanels(), Panels{"OptionPanel"});
  Click("StatsButton");
  EXPECT_EQ(ShownPanels(), Panels{"StatPanel"});
  Click("StatsButton");
  EXPECT_EQ(ShownPanels(), Panels{});
  EXPECT_EQ(form.size(), QSize(398, 136));
}

TEST_F(HandlerTest, InformationIsRefreshedAlsoWhenThePanelCloses) {
  Click("InfoButton");
  EXPECT_EQ(Text("StatusCaption"), "None");
  EXPECT_EQ(Text("FramesCaption"), "");  // nothing chosen: only the status is written

  FlicHeader& header = form.State().Flic.Header;
  header.magic = 0xAF11;
  header.frames = 12;
  header.width = 320;
  header.height = 200;
  header.size = 0xFFFFFFFF;
  header.speed = 1500;
  form.State().Playback.DiskFlicName = "/flics/a.fli";
  Click("InfoButton");
  EXPECT_EQ(ShownPanels(), Panels{});
  EXPECT_EQ(Text("FramesCaption"), "12");
  EXPECT_EQ(Text("WidthCaption"), "320");
  EXPECT_EQ(Text("HeightCaption"), "200");
  EXPECT_EQ(Text("SizeCaption"), "-1");
  EXPECT_EQ(Text("TypeCaption"), "Old FLI Format");
  EXPECT_EQ(Text("DelayCaption"), "1500ms");
  EXPECT_EQ(Text("PlayFPSLabel"), "0fps");
  EXPECT_EQ(Text("StatusCaption"), "File selected");
}

TEST_F(HandlerTest, DirectXModeOverridesTheWindowOptionsAndGivesThemBack) {
  movie.show();
  Click("StatsButton");
  Get<QCheckBox>("OnTopCheck")->setChecked(true);
  Get<QCheckBox>("TitleCheck")->setChecked(false);
  Get<QCheckBox>("MaxPalCheck")->setChecked(true);
  ASSERT_TRUE(movie.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  ASSERT_TRUE(movie.windowFlags().testFlag(Qt::FramelessWindowHint));

  Click("DirectXCheck");
  EXPECT_FALSE(Checked("OnTopCheck"));
  EXPECT_TRUE(Checked("TitleCheck"));
  EXPECT_FALSE(Checked("MaxPalCheck"));
  for (const char* control : {"OnTopCheck", "TitleCheck", "MaxPalCheck", "StatsButton"}) {
    EXPECT_FALSE(Enabled(control)) << control;
  }
  EXPECT_EQ(ShownPanels(), Panels{});
  // Each box's own handler ran: the movie window has its border back and is ordinary again.
  EXPECT_FALSE(movie.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(movie.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(movie.isVisible());

  Click("DirectXCheck");
  for (const char* control : {"OnTopCheck", "TitleCheck", "MaxPalCheck", "StatsButton"}) {
    EXPECT_TRUE(Enabled(control)) << control;
  }
  EXPECT_TRUE(Checked("TitleCheck"));
  EXPECT_FALSE(Checked("OnTopCheck"));
  EXPECT_FALSE(Checked("MaxPalCheck"));
}

TEST_F(HandlerTest, OptimizeDecodingAppliesTheDirectXRuleAgainAndNothingElse) {
  Click("DirectXCheck");
  Get("OnTopCheck")->setEnabled(true);
  Click("OptimizeCheck");
  EXPECT_FALSE(Checked("OptimizeCheck"));
  EXPECT_FALSE(Enabled("OnTopCheck"));

  Click("DirectXCheck");
  Get("StatsButton")->setEnabled(false);
  Click("OptimizeCheck");
  EXPECT_TRUE(Enabled("StatsButton"));
  EXPECT_TRUE(Checked("OptimizeCheck"));
  EXPECT_TRUE(Checked("TitleCheck"));
  EXPECT_EQ(ShownPanels(), Panels{});
}

TEST_F(HandlerTest, BothReadBoxesCopyReadBigFramesFromItsBox) {
  Click("ReadBigCheck");
  EXPECT_TRUE(form.State().Flic.ReadBigFrames);
  // A word may have set the flag alone; the directory box puts the box's state back.
  form.State().Flic.ReadBigFrames = false;
  Click("LastDirCheck");
  EXPECT_TRUE(form.State().Flic.ReadBigFrames);
  EXPECT_FALSE(Checked("LastDirCheck"));
  Click("ReadBigCheck");
  EXPECT_FALSE(form.State().Flic.ReadBigFrames);
}

TEST_F(HandlerTest, WindowTitleInTheNormalStateKeepsTheClientSizeAndCentres) {
  movie.show();
  movie.move(10, 20);
  Click("TitleCheck");
  EXPECT_TRUE(movie.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(movie.isVisible());
  EXPECT_EQ(movie.size(), QSize(320, 240));
  const QRect outer = movie.frameGeometry();
  EXPECT_EQ(outer.left(), (1024 - outer.width()) / 2);
  EXPECT_EQ(outer.top(), (768 - outer.height()) / 2);

  movie.move(0, 0);
  Click("TitleCheck");
  EXPECT_FALSE(movie.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(movie.size(), QSize(320, 240));
  EXPECT_EQ(movie.frameGeometry().left(), (1024 - movie.frameGeometry().width()) / 2);
}

TEST_F(HandlerTest, WindowTitleLeavesAMaximisedWindowWhereAndAsItIs) {
  movie.show();
  movie.showMaximized();
  QApplication::processEvents();
  ASSERT_TRUE(movie.isMaximized());
  const QRect before = movie.geometry();
  Click("TitleCheck");
  EXPECT_TRUE(movie.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(movie.isMaximized());
  EXPECT_TRUE(movie.isVisible());
  EXPECT_EQ(movie.geometry(), before);
}

TEST_F(HandlerTest, PlayOnTopKeepsTheMovieWindowInPlace) {
  movie.show();
  movie.setGeometry(100, 120, 320, 240);
  Click("OnTopCheck");
  EXPECT_TRUE(movie.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(movie.isVisible());
  EXPECT_EQ(movie.geometry(), QRect(100, 120, 320, 240));
  Click("OnTopCheck");
  EXPECT_FALSE(movie.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(HandlerTest, BarsFollowTheUserButNotCode) {
  auto* brightness = Get<TrackBar>("BrightnessBar");
  QTest::keyClick(brightness, Qt::Key_Right);
  EXPECT_EQ(Text("BrightnessLabel"), "1");
  EXPECT_EQ(form.State().Colour.Adjustment.BrightnessOffset, 1);
  brightness->setValue(300);  // code: clamped, handler not run
  EXPECT_EQ(brightness->value(), 255);
  EXPECT_EQ(Text("BrightnessLabel"), "1");
  form.ApplyBrightness();  // the code that moved it runs the handler itself
  EXPECT_EQ(Text("BrightnessLabel"), "255");

  auto* contrast = Get<TrackBar>("ContrastBar");
  contrast->setValue(250);
  Click("ContrastRightAdjust");
  EXPECT_EQ(contrast->value(), 250);
  EXPECT_EQ(Text("ContrastLabel"), "25.0");
  Click("ContrastLeftAdjust");
  EXPECT_EQ(Text("ContrastLabel"), "24.9");
  Click("BrightnessLeftAdjust");
  EXPECT_EQ(brightness->value(), 254);
  EXPECT_EQ(Text("BrightnessLabel"), "254");
}

TEST_F(HandlerTest, AnAdjustmentWhilePlayingWithNoScreenTakenIsNoError) {
  // "Direct-X" checked but no full-screen set-up behind the playing state:
  // the colours have nowhere to go, and that is not the display refusing them.
  Click("DirectXCheck");
  form.State().Playback.Playing = true;
  Click("BrightnessRightAdjust");
  Click("MaxPalCheck");
  EXPECT_TRUE(services.boxes.empty());
  EXPECT_EQ(Text("BrightnessLabel"), "1");
  form.State().Playback.Playing = false;
}

TEST_F(HandlerTest, EnteringABarOrTheLoopBoxHandsTheFocusToTheButtonRow) {
  form.show();
  QApplication::setActiveWindow(&form);
  for (const char* control : {"BrightnessBar", "ContrastBar", "SpeedBar", "LoopCheck"}) {
    Get(control)->setFocus();
    if (std::string(control) == "LoopCheck") Click("LoopCheck");
    EXPECT_TRUE(Get("TopButtons")->hasFocus()) << control;
  }
}

TEST_F(HandlerTest, AboutHidesBothWindowsWhileItShows) {
  // An about window that notes what it sees and closes at once.
  struct About : QWidget {
    std::function<void()> onShow;
    void showEvent(QShowEvent*) override {
      onShow();
      QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
  } about;
  bool panelShown = true;
  bool movieShown = true;
  about.onShow = [&] {
    panelShown = form.isVisible();
    movieShown = movie.isVisible();
  };
  form.SetAboutWindow(&about);
  form.show();
  movie.show();
  Click("AboutButton");
  EXPECT_FALSE(panelShown);
  EXPECT_FALSE(movieShown);
  EXPECT_FALSE(about.isVisible());
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(movie.isVisible());
}

TEST_F(HandlerTest, MinimizeSendsEveryWindowToTheTaskBar) {
  form.show();
  movie.show();
  Click("MinimizeButton");
  EXPECT_TRUE(form.isMinimized());
  EXPECT_TRUE(movie.isMinimized());
}

TEST_F(HandlerTest, QuitClosesThePanelUnlessAFlicPlays) {
  QSignalSpy closed(&form, &ControlPanel::Closed);
  form.show();
  form.State().Playback.Playing = true;
  Click("QuitButton");
  EXPECT_TRUE(form.State().Playback.StopRequested);
  EXPECT_TRUE(form.State().Playback.QuitAfterPlayback);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(closed.count(), 0);

  form.State().Playback.Playing = false;
  Click("QuitButton");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(closed.count(), 1);
}

class LoadingTest : public HandlerTest {
 protected:
  std::string WriteFlic(const std::string& name, bool withRing) {
    FlicSpec spec;
    spec.magic = 0xAF12;
    spec.width = 8;
    spec.height = 6;
    spec.speed = 40;
    spec.records = {Frame({Black()}), Frame({}), Frame({Black()})};
    if (!withRing) {
      spec.declaredFrames = 3;
    }
    return SaveFlic(dir / name, spec);
  }
  TempDir dir;
};

TEST_F(LoadingTest, LoadingAFlicFillsTheInformationPanel) {
  const std::string path = WriteFlic("spin.flc", true);
  services.openAnswers.push_back(path);
  Click("InfoButton");
  Click("LoadButton");

  ASSERT_TRUE(services.boxes.empty()) << services.boxes[0].text;
  EXPECT_TRUE(form.State().Flic.FlicInMemory);
  EXPECT_EQ(services.openDialogs.at(0).filter, kFlicOpenFilter);
  EXPECT_EQ(form.State().OpenDialog.InitialDir, dir.Path().string());
  EXPECT_EQ(movie.windowTitle().toStdString(), path);
  EXPECT_TRUE(Enabled("PlayButton"));
  EXPECT_TRUE(Enabled("RecordButton"));
  EXPECT_EQ(services.busyChanges, (std::vector<bool>{true, false}));
  EXPECT_EQ(Text("FramesCaption"), "2");
  EXPECT_EQ(Text("WidthCaption"), "8");
  EXPECT_EQ(Text("HeightCaption"), "6");
  EXPECT_EQ(Text("TypeCaption"), "New FLC Format");
  EXPECT_EQ(Text("DelayCaption"), "40ms");
  EXPECT_EQ(Text("PlayFPSLabel"), "25fps");
  EXPECT_EQ(Text("StatusCaption"), "In Memory");
  EXPECT_EQ(ShownPanels(), Panels{"InfoPanel"});

  // The record button then asks for the bitmaps' name.
  services.saveAnswers.push_back((dir / "Anim.BMP").string());
  Click("RecordButton");
  EXPECT_EQ(services.saveDialogs.at(0).filter, kBitmapSaveFilter);
  EXPECT_TRUE(form.State().Recording.Recording);
  EXPECT_EQ(form.State().Recording.RecordBaseName, (dir / "Anim").string());
}

TEST_F(LoadingTest, AFlicThatEndsEarlyIsReportedInTheGeneralErrorBox) {
  services.openAnswers.push_back(WriteFlic("short.flc", false));
  Click("LoadButton");
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].caption, "Kinetrope");
  EXPECT_EQ(services.boxes[0].text, "Read beyond end of file.");
  EXPECT_FALSE(form.State().Flic.FlicInMemory);
  EXPECT_FALSE(Enabled("PlayButton"));
  EXPECT_EQ(movie.windowTitle(), "");
  EXPECT_FALSE(services.busy);
}

TEST_F(LoadingTest, AFileThatIsNoFlicGetsTheErrorBox) {
  const auto path = dir / "notes.txt";
  WriteFile(path, Bytes(200, 'x'));
  services.openAnswers.push_back(path.string());
  Click("LoadButton");
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].caption, "Error");
  EXPECT_EQ(services.boxes[0].text, "There was an error while attempting to load the selected file.");
  EXPECT_EQ(services.boxes[0].buttons, std::vector<BoxButton>{BoxButton::Abort});
}

TEST_F(LoadingTest, ClosingThePanelReleasesTheFlic) {
  services.openAnswers.push_back(WriteFlic("spin.flc", true));
  Click("LoadButton");
  ASSERT_TRUE(form.State().Flic.FlicInMemory);
  form.show();
  form.close();
  EXPECT_FALSE(form.State().Flic.FlicInMemory);
  EXPECT_EQ(movie.windowTitle(), "");
}

}  // namespace
}  // namespace kt::test
