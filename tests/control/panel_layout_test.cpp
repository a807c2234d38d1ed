#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

#include "control/control_behaviour.h"
#include "control/hint_pause.h"
#include "control/panel_font.h"
#include "panel_fixture.h"

namespace kt::test {
namespace {

struct ButtonRow {
  const char* name;
  const char* panel;
  int left;
  const char* hint;
  bool enabled;
  bool flat;
};

const ButtonRow kButtons[] = {
    {"LoadButton", "TopButtons", 4, "Load Flic (into memory)", true, true},
    {"PlayFileButton", "TopButtons", 30, "Select flic to be played (from disk)", true, true},
    {"RecordButton", "TopButtons", 56, "Record to bmp", false, true},
    {"DirXModeButton", "TopButtons", 134, "Direct-X mode selection and options menu", true, true},
    {"StatsButton", "TopButtons", 160, "Statistics menu", true, true},
    {"OptionButton", "TopButtons", 186, "Options menu", true, true},
    {"InfoButton", "TopButtons", 212, "Information menu", true, true},
    {"AboutButton", "TopButtons", 238, "About the program", true, true},
    {"ResetButton", "TopButtons", 264, "Reset brightness/contrast/delay/image size/Title/On Top & Max Pal", true, true},
    {"MinimizeButton", "TopButtons", 342, "Minimize Program", true, true},
    {"QuitButton", "TopButtons", 368, "Exit program", true, true},
    {"PlayButton", "BottomButtons", 4, "Play flic", false, false},
    {"StopButton", "BottomButtons", 36, "Stop playback", false, false},
    {"FrameBButton", "BottomButtons", 68, "Move back a frame", false, false},
    {"PauseButton", "BottomButtons", 100, "Pause playback", false, false},
    {"FrameFButton", "BottomButtons", 132, "Move to the next frame", false, false},
};

TEST_F(PanelTest, ButtonRowsHaveEveryButtonWithItsHintStateAndGlyph) {
  for (const ButtonRow& row : kButtons) {
    SCOPED_TRACE(row.name);
    auto* button = Get<QToolButton>(row.name);
    EXPECT_EQ(button->parentWidget()->objectName().toStdString(), row.panel);
    EXPECT_EQ(button->geometry(), QRect(row.left, 4, 26, 26));
    EXPECT_EQ(button->toolTip().toStdString(), row.hint);
    EXPECT_EQ(button->isEnabled(), row.enabled);
    EXPECT_EQ(button->autoRaise(), row.flat);
    const QImage normal = button->icon().pixmap(16, QIcon::Normal).toImage();
    const QImage disabled = button->icon().pixmap(16, QIcon::Disabled).toImage();
    EXPECT_FALSE(normal.isNull());
    EXPECT_NE(normal, disabled);
  }
  EXPECT_EQ(Get("TopButtons")->geometry(), QRect(0, 0, 398, 34));
  EXPECT_EQ(Get("BottomButtons")->geometry(), QRect(0, 102, 398, 34));
}

struct BarRow {
  int top;
  const char* caption;
  const char* left;
  const char* bar;
  int max, position, tick;
  const char* right;
  const char* label;
  const char* value;
};

const BarRow kBars[] = {
    {34, "Brightness", "BrightnessLeftAdjust", "BrightnessBar", 255, 0, 15, "BrightnessRightAdjust", "BrightnessLabel",
     "0"},
    {56, "Contrast", "ContrastLeftAdjust", "ContrastBar", 250, 10, 14, "ContrastRightAdjust", "ContrastLabel", "1.0"},
    {78, "Delay", "SpeedLeftAdjust", "SpeedBar", 1000, 1000, 50, "SpeedRightAdjust", "SpeedLabel", "Original"},
};

TEST_F(PanelTest, AdjustmentRowsHaveTheirBarsArrowsAndValues) {
  for (const BarRow& row : kBars) {
    SCOPED_TRACE(row.bar);
    auto* bar = Get<TrackBar>(row.bar);
    EXPECT_EQ(bar->geometry(), QRect(70, row.top, 272, 22));
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), row.max);
    EXPECT_EQ(bar->value(), row.position);
    EXPECT_EQ(bar->tickInterval(), row.tick);
    EXPECT_EQ(bar->tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(Get<QToolButton>(row.left)->geometry().topLeft().x(), 58);
    EXPECT_EQ(Get<QToolButton>(row.left)->size(), QSize(12, 16));
    EXPECT_EQ(Get<QToolButton>(row.right)->geometry().topLeft().x(), 342);
    EXPECT_FALSE(Get<QToolButton>(row.right)->icon().isNull());
    auto* label = Get<QLabel>(row.label);
    EXPECT_EQ(label->text().toStdString(), row.value);
    EXPECT_EQ(label->x(), 358);
    EXPECT_GE(label->width(), 37);
    EXPECT_LE(label->geometry().right(), 397);
    bool captionFound = false;
    for (QLabel* other : form.findChildren<QLabel*>()) {
      if (other->text() == row.caption && other->x() == 4) captionFound = true;
    }
    EXPECT_TRUE(captionFound);
  }
  auto* frameBar = Get<TrackBar>("FrameBar");
  EXPECT_EQ(frameBar->geometry(), QRect(170, 6, 167, 23));
  EXPECT_EQ(frameBar->tickInterval(), 1);
  EXPECT_EQ(frameBar->value(), 0);
  EXPECT_EQ(Get<QLabel>("FirstFrameLabel")->text(), "1");
  EXPECT_EQ(Get<QLabel>("FrameLabel")->text(), "1/1");
  for (const char* hidden : {"FirstFrameLabel", "FrameBar", "FrameLabel"}) EXPECT_FALSE(Shown(hidden)) << hidden;
}

struct LabelRow {
  const char* panel;
  const char* name;
  const char* text;  // empty for a value label
  int left, top;
};

const LabelRow kLabels[] = {
    {"InfoPanel", "FramesLabel", "Frames    :", 6, 4},
    {"InfoPanel", "FramesCaption", "", 86, 4},
    {"InfoPanel", "WidthLabel", "Width     :", 6, 18},
    {"InfoPanel", "WidthCaption", "", 86, 18},
    {"InfoPanel", "HeightLabel", "Height    :", 6, 32},
    {"InfoPanel", "HeightCaption", "", 86, 32},
    {"InfoPanel", "SizeLabel", "Size      :", 6, 46},
    {"InfoPanel", "SizeCaption", "", 86, 46},
    {"InfoPanel", "DelayLabel", "Delay     :", 162, 4},
    {"InfoPanel", "DelayCaption", "", 242, 4},
    {"InfoPanel", "PlayFPSCaption", "Speed     :", 162, 18},
    {"InfoPanel", "PlayFPSLabel", "", 242, 18},
    {"InfoPanel", "StatusLabel", "Status    :", 162, 32},
    {"InfoPanel", "StatusCaption", "", 242, 32},
    {"InfoPanel", "TypeLabel", "Type      :", 162, 46},
    {"InfoPanel", "TypeCaption", "", 242, 46},
    {"StatPanel", "FPSCaption", "Frames/Second :", 6, 4},
    {"StatPanel", "FPSLabel", "", 114, 4},
    {"StatPanel", "ActualDelayCaption", "Actual delay  :", 6, 18},
    {"StatPanel", "ActualDelayLabel", "", 114, 18},
    {"StatPanel", "FramesPlayedCaption", "Frames played :", 6, 32},
    {"StatPanel", "FramesPlayedLabel", "", 114, 32},
    {"StatPanel", "PlayingTimeCaption", "Playing time  :", 6, 46},
    {"StatPanel", "PlayingTimeLabel", "", 114, 46},
};

TEST_F(PanelTest, InformationAndStatisticsPanelsHoldTheirLabelPairsInOnePitch) {
  form.show();  // the fonts are chosen at the first show
  for (const LabelRow& row : kLabels) {
    SCOPED_TRACE(row.name);
    auto* label = Get<QLabel>(row.name);
    EXPECT_EQ(label->parentWidget()->objectName().toStdString(), row.panel);
    EXPECT_EQ(label->text().toStdString(), row.text);
    EXPECT_EQ(label->pos(), QPoint(row.left, row.top));
    // What the user sees: every character shown in these panels advances alike.
    EXPECT_TRUE(HasEqualAdvances(label->font(), kPanelCharacters)) << QFontInfo(label->font()).family().toStdString();
    // The colons line up: every caption is wide enough for its text.
    if (*row.text) {
      EXPECT_GE(label->width(), label->sizeHint().width());
    }
  }
  EXPECT_EQ(Get("InfoDivider")->x(), 156);
}

TEST_F(PanelTest, FullScreenOptionsPanel) {
  Get("DirXPanel")->show();
  form.show();  // the group's caption goes on its frame as it shows
  struct {
    const char* name;
    const char* text;
    QPoint pos;
    bool checked;
  } const rows[] = {
      {"DirXAutoCheck", "Select Mode Automatically", {1, 2}, true},
      {"DirXForceCheck", "Force Mode Selection", {1, 18}, false},
      {"DirXFPSCheck", "Show FPS", {2, 34}, false},
      {"DirXSurfaceCheck", "One Surface", {2, 50}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto* box = Get<QAbstractButton>(row.name);
    EXPECT_EQ(box->text().toStdString(), row.text);
    EXPECT_EQ(box->pos(), row.pos);
    EXPECT_EQ(box->isChecked(), row.checked);
  }
  EXPECT_NE(qobject_cast<QRadioButton*>(Get("DirXAutoCheck")), nullptr);
  EXPECT_NE(qobject_cast<QCheckBox*>(Get("DirXFPSCheck")), nullptr);

  auto* group = Get<RadioGroup>("ForceModeRadioGroup");
  EXPECT_EQ(group->geometry(), QRect(168, 0, 230, 66));
  EXPECT_EQ(group->title(), " Force Mode : ");
  EXPECT_EQ(group->columns(), 3);
  EXPECT_EQ(group->items(), QStringList({"320x200", "320x240", "512x384", "640x400", "640x480", "800x600", "1024x768",
                                         "1152x864", "1280x1024"}));
  EXPECT_EQ(group->ItemIndex(), 0);

  // The two mode buttons exclude each other.
  Get<QRadioButton>("DirXForceCheck")->click();
  EXPECT_FALSE(Get<QRadioButton>("DirXAutoCheck")->isChecked());
  Get<QRadioButton>("DirXForceCheck")->click();
  EXPECT_TRUE(Get<QRadioButton>("DirXForceCheck")->isChecked());
  Get<QRadioButton>("DirXAutoCheck")->click();
  EXPECT_FALSE(Get<QRadioButton>("DirXForceCheck")->isChecked());
}

TEST_F(PanelTest, OptionsPanelBoxes) {
  struct {
    const char* name;
    QPoint pos;
    const char* text;
    const char* hint;
    bool checked;
  } const rows[] = {
      {"TitleCheck", {5, 7}, "Window Title", "Add/Remove Movie Window's Title", true},
      {"LoopCheck", {5, 21}, "Loop Playback", "Loop playback", true},
      {"OnTopCheck", {5, 35}, "Play on top", "Movie window always on top", false},
      {"MaxPalCheck", {5, 49}, "Use Max Palette", "Switch to maximum palette", false},
      {"OptimizeCheck", {226, 7}, "Optimize Decoding", "Use Direct-X's Direct-Draw for display", true},
      {"DirectXCheck", {226, 21}, "Play in Direct-X mode", "Use Direct-X's Direct-Draw for display", false},
      {"ReadBigCheck", {226, 35}, "Read Big Frames", "Read flic in large blocks", false},
      {"LastDirCheck", {226, 49}, "Remember last directory", "Remember the last open directory", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto* box = Get<QCheckBox>(row.name);
    EXPECT_EQ(box->parentWidget()->objectName(), "OptionPanel");
    EXPECT_EQ(box->pos(), row.pos);
    EXPECT_EQ(box->height(), 14);
    EXPECT_EQ(box->text().toStdString(), row.text);
    EXPECT_EQ(box->toolTip().toStdString(), row.hint);
    EXPECT_EQ(box->isChecked(), row.checked);
    EXPECT_TRUE(box->isEnabled());
  }
}

TEST_F(PanelTest, WindowAtStart) {
  EXPECT_EQ(form.size(), QSize(398, 136));
  EXPECT_EQ(form.minimumSize(), form.maximumSize());
  EXPECT_EQ(form.pos(), QPoint(220, 156));
  EXPECT_TRUE(form.windowTitle().startsWith("Kinetrope 32bit v2.52"));
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
  for (const char* panel : {"InfoPanel", "StatPanel", "DirXPanel", "OptionPanel"}) EXPECT_FALSE(Shown(panel));
  EXPECT_EQ(HintPause(), 2000);
  EXPECT_EQ(form.State().Run.PanelClientWidth, 398);
  EXPECT_EQ(form.State().Run.PanelClientHeight, 136);
}

}  // namespace
}  // namespace kt::test
