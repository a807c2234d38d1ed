#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>

#include "flic_writer.h"
#include "panel_fixture.h"

namespace kt::test {
namespace {

using StartupTest = PanelTest;

TEST_F(StartupTest, FirstShowTakesTheScreenFiguresAndShowsTheMovieWindow) {
  form.show();
  const RunState& run = form.State().Run;
  EXPECT_EQ(run.ScreenBitsPerPixel, static_cast<uint32_t>(QGuiApplication::primaryScreen()->depth()));
  EXPECT_GT(run.ScreenBitsPerPixel, 8u);
  for (const char* panel : {"InfoPanel", "StatPanel", "DirXPanel", "OptionPanel"}) {
    EXPECT_EQ(Get(panel)->geometry(), QRect(0, 34, 398, 68)) << panel;
  }
  EXPECT_FALSE(run.SettingsPending);
  EXPECT_EQ(form.State().Flic.Header.width, 320);
  EXPECT_EQ(form.State().Flic.Header.height, 240);
  EXPECT_TRUE(movie.isVisible());
  EXPECT_EQ(movie.size(), QSize(320, 240));
  EXPECT_EQ(movie.frameGeometry().left(), (1024 - movie.frameGeometry().width()) / 2);
  EXPECT_TRUE(services.boxes.empty());
}

TEST_F(StartupTest, ShowingAgainQueriesAgainButLoadsNothing) {
  form.show();
  movie.hide();
  form.State().Flic.Header.width = 100;
  form.State().Flic.Header.height = 50;
  form.hide();
  form.show();
  EXPECT_EQ(form.State().Flic.Header.width, 100);
  EXPECT_EQ(form.State().Flic.Header.height, 50);
  EXPECT_FALSE(movie.isVisible());
}

TEST_F(StartupTest, ACloseWordLeavesTheSettingsAndTheMovieWindowAlone) {
  form.State().Run.CloseRequested = true;
  form.show();
  EXPECT_TRUE(form.State().Run.SettingsPending);
  EXPECT_EQ(form.State().Flic.Header.width, 0);
  EXPECT_FALSE(movie.isVisible());
}

TEST_F(StartupTest, AFlicAlreadyInMemoryKeepsItsFrameSize) {
  TempDir dir;
  FlicSpec spec;
  spec.width = 64;
  spec.height = 48;
  spec.records = {Frame({Black()}), Frame({})};
  WriteFile(dir / "a.flc", BuildFlic(spec));
  form.State().Flic.LoadFlicName = (dir / "a.flc").string();
  form.LoadIntoMemory();
  ASSERT_TRUE(form.State().Flic.FlicInMemory);
  form.show();
  EXPECT_EQ(form.State().Flic.Header.width, 64);
  EXPECT_EQ(form.State().Flic.Header.height, 48);
  // The load fitted the movie window to the flic and centred it.
  EXPECT_EQ(movie.size(), QSize(64, 48));
}

TEST_F(StartupTest, TheMovieWindowSeesTheFlicAndThePlaybackOfThePanel) {
  // A close request with a flic in memory fits the window to half the screen.
  form.State().Flic.FlicInMemory = true;
  form.State().Flic.Header.width = 320;
  form.State().Flic.Header.height = 200;
  movie.show();
  EXPECT_FALSE(movie.FormCloseQuery());
  EXPECT_EQ(movie.size(), QSize(512, 320));
  form.State().Flic.FlicInMemory = false;  // nothing the destructor should release
}

TEST_F(StartupTest, ClosingThePanelEndsTheProgram) {
  QSignalSpy closed(&form, &ControlPanel::Closed);
  form.show();
  form.close();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace kt::test
