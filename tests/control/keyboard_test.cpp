#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "control/control_behaviour.h"
#include "panel_fixture.h"

namespace kt::test {
namespace {

// Longer than the window placement waits for a new frame to settle.
constexpr int kFrameSettleMs = 600;

class KeyboardTest : public PanelTest {
 protected:
  KeyboardTest() {
    form.show();
    movie.show();
  }

  // The key-down handler, then the character, as a key typed without Alt gives them.
  char Type(char character) {
    form.FormKeyPress(character);
    return character;
  }
  void Down(int key, Qt::KeyboardModifiers modifiers) { form.FormKeyDown({key, modifiers}); }
  void SetBar(const std::string& name, int position) { Get<TrackBar>(name)->setValue(position); }
  QCheckBox* Box(const std::string& name) { return Get<QCheckBox>(name); }
  std::string Label(const std::string& name) { return Get<QLabel>(name)->text().toStdString(); }
};

TEST_F(KeyboardTest, ThePadsPlusAndMinusActOnlyWithTheirExactModifierSet) {
  SetBar("SpeedBar", 990);
  Down(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(Bar("SpeedBar"), 1000);
  EXPECT_EQ(Label("SpeedLabel"), "Original");
  Down(Qt::Key_Minus, Qt::KeypadModifier | Qt::ShiftModifier);
  EXPECT_EQ(Bar("SpeedBar"), 995);
  Down(Qt::Key_Plus, Qt::KeypadModifier | Qt::ShiftModifier | Qt::ControlModifier);
  Down(Qt::Key_Minus, Qt::KeypadModifier | Qt::AltModifier);
  Down(Qt::Key_Plus, {});  // the main keyboard's +
  Down(Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(Bar("SpeedBar"), 995);
  Down(Qt::Key_Minus, Qt::KeypadModifier | Qt::ControlModifier);
  EXPECT_EQ(Bar("SpeedBar"), 0);
  EXPECT_EQ(Label("SpeedLabel"), "None");

  Down(Qt::Key_F, Qt::AltModifier | Qt::ControlModifier);
  EXPECT_FALSE(Box("DirXFPSCheck")->isChecked());
  Down(Qt::Key_F, Qt::AltModifier);
  Down(Qt::Key_1, Qt::AltModifier);
  EXPECT_TRUE(Box("DirXFPSCheck")->isChecked());
  EXPECT_TRUE(Box("DirXSurfaceCheck")->isChecked());
}

TEST_F(KeyboardTest, CharactersAreAllConsumedAndActOnlyWhileTheirButtonIsEnabled) {
  for (char c : {'c', 'Z', 'q', '\x1b', '1', ' '}) EXPECT_EQ(Type(c), 0) << int(c);
  EXPECT_FALSE(form.State().Playback.StopRequested);  // Esc with the Stop button disabled
  Get("StopButton")->setEnabled(true);
  Type('\x1b');
  EXPECT_TRUE(form.State().Playback.StopRequested);

  SetBar("ContrastBar", 249);
  Type('.');
  EXPECT_EQ(Bar("ContrastBar"), 250);
  EXPECT_EQ(Label("ContrastLabel"), "25.0");
  SetBar("BrightnessBar", 3);
  Type('[');
  EXPECT_EQ(Bar("BrightnessBar"), 0);
  EXPECT_EQ(Label("BrightnessLabel"), "0");
  const bool loop = Box("LoopCheck")->isChecked();
  Type('l');
  EXPECT_NE(Box("LoopCheck")->isChecked(), loop);
}

TEST_F(KeyboardTest, DirectXModeSkipsTheKeysOfTheMovieWindowOnly) {
  form.State().Flic.FlicInMemory = true;
  Box("DirectXCheck")->setChecked(true);
  const QRect bounds = movie.frameGeometry();
  for (char c : {'?', 't', '`', 'n', 'm'}) Type(c);
  Down(Qt::Key_S, Qt::AltModifier);
  Down(Qt::Key_Return, Qt::AltModifier);
  EXPECT_TRUE(Box("TitleCheck")->isChecked());
  EXPECT_FALSE(Box("MaxPalCheck")->isChecked());
  EXPECT_FALSE(Box("OnTopCheck")->isChecked());
  EXPECT_FALSE(Get("StatPanel")->isVisible());
  EXPECT_FALSE(form.State().Playback.MovieZoomed);
  EXPECT_EQ(movie.frameGeometry(), bounds);
  EXPECT_TRUE(form.isVisible());  // no about window came up

  SetBar("ContrastBar", 10);
  Type('.');
  Down(Qt::Key_M, Qt::AltModifier);
  EXPECT_EQ(Bar("ContrastBar"), 12);
  EXPECT_TRUE(Get("DirXPanel")->isVisible());
  form.State().Flic.FlicInMemory = false;
}

TEST_F(KeyboardTest, AltEnterTwiceGivesBackTheBoundsAndTheTitle) {
  Down(Qt::Key_Return, Qt::AltModifier);  // nothing in memory, nothing playing
  EXPECT_FALSE(form.State().Playback.MovieZoomed);

  form.State().Flic.FlicInMemory = true;
  movie.setGeometry(100, 120, 200, 150);
  const QRect before = movie.frameGeometry();
  Down(Qt::Key_Return, Qt::AltModifier);
  EXPECT_TRUE(form.State().Playback.MovieZoomed);
  EXPECT_TRUE(movie.isMaximized());
  EXPECT_FALSE(Box("TitleCheck")->isChecked());
  EXPECT_TRUE(movie.windowFlags().testFlag(Qt::FramelessWindowHint));

  Down(Qt::Key_Return, Qt::AltModifier);
  EXPECT_FALSE(form.State().Playback.MovieZoomed);
  EXPECT_FALSE(movie.isMaximized());
  EXPECT_TRUE(Box("TitleCheck")->isChecked());
  EXPECT_FALSE(movie.windowFlags().testFlag(Qt::FramelessWindowHint));
  // The frame the border brings back comes with the window system's next
  // events; the window is placed again once it has settled.
  QTest::qWait(kFrameSettleMs);
  EXPECT_EQ(movie.frameGeometry(), before);

  // M restores the state but not the title, and the next zoom notes the bounds anew.
  Down(Qt::Key_Return, Qt::AltModifier);
  Type('m');
  EXPECT_FALSE(movie.isMaximized());
  EXPECT_FALSE(form.State().Playback.MovieZoomed);
  EXPECT_FALSE(Box("TitleCheck")->isChecked());
  movie.setGeometry(50, 60, 300, 200);
  QTest::qWait(kFrameSettleMs);
  const QRect later = movie.frameGeometry();
  Down(Qt::Key_Return, Qt::AltModifier);
  Down(Qt::Key_Return, Qt::AltModifier);
  QTest::qWait(kFrameSettleMs);
  EXPECT_EQ(movie.frameGeometry(), later);
  form.State().Flic.FlicInMemory = false;
}

TEST_F(KeyboardTest, BothWindowsReachTheSameHandlers) {
  SetBar("SpeedBar", 500);
  QTest::keyClick(&movie, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(Bar("SpeedBar"), 550);
  QTest::keyClick(form.windowHandle(), Qt::Key_Minus, Qt::KeypadModifier | Qt::ShiftModifier);
  EXPECT_EQ(Bar("SpeedBar"), 545);

  const bool loop = Box("LoopCheck")->isChecked();
  QTest::keyClick(form.windowHandle(), Qt::Key_L);
  EXPECT_NE(Box("LoopCheck")->isChecked(), loop);
  QTest::keyClick(&movie, Qt::Key_L, Qt::AltModifier);  // Alt types no character
  EXPECT_NE(Box("LoopCheck")->isChecked(), loop);
  QTest::keyClick(&movie, Qt::Key_I, Qt::AltModifier);
  EXPECT_TRUE(Get("InfoPanel")->isVisible());
}

}  // namespace
}  // namespace kt::test
