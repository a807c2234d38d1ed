// The panel put together: its controls made up and wired to their
// handlers through the handler guard, and the movie window with the outputs
// and the play command that come with it.
#include <QAbstractButton>
#include <QToolButton>
#include <stdexcept>
#include <utility>

#include "control/button_glyphs.h"
#include "control/control_behaviour.h"
#include "control/control_panel.h"
#include "control/full_screen_host.h"
#include "control/handler_guard.h"
#include "control/indicator_style.h"
#include "control/panel_font.h"
#include "platform/tick.h"
#include "playback/frame_output.h"
#include "playback/play_command.h"
#include "playback/wav_accompaniment.h"
#include "playback/window_output.h"
#include "ui_control_panel.h"
#include "views/file_drop.h"
#include "views/movie_window.h"

namespace kt {

namespace {

// Where the panel stands until the stored options place it.
constexpr int kDesignLeft = 220;
constexpr int kDesignTop = 156;

}  // namespace

ControlPanel::ControlPanel(WindowServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      ui_(std::make_unique<Ui::ControlPanel>()),
      fullScreen_(std::make_unique<FullScreenOutput>()),
      sound_(std::make_unique<WavAccompaniment>()),
      tick_([] { return GetTickCount(); }) {
  ui_->setupUi(this);
  SetUpControls();
  WireControls();
  TakeDroppedFiles(*this, panelDrop_);
  Guarded(&ControlPanel::FormCreate);
}

ControlPanel::~ControlPanel() = default;

void ControlPanel::SetUpControls() {
  // A caption without buttons: the program ends through its own Exit button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(398, 136);
  DrawIndicatorsWhole(*this);

  const std::pair<QToolButton*, Glyph> glyphs[] = {
      {ui_->LoadButton, Glyph::Load},     {ui_->PlayFileButton, Glyph::PlayFile},
      {ui_->RecordButton, Glyph::Record}, {ui_->DirXModeButton, Glyph::DirXMode},
      {ui_->StatsButton, Glyph::Stats},   {ui_->OptionButton, Glyph::Options},
      {ui_->InfoButton, Glyph::Info},     {ui_->AboutButton, Glyph::About},
      {ui_->ResetButton, Glyph::Reset},   {ui_->MinimizeButton, Glyph::Minimize},
      {ui_->QuitButton, Glyph::Quit},     {ui_->PlayButton, Glyph::Play},
      {ui_->StopButton, Glyph::Stop},     {ui_->FrameBButton, Glyph::FrameBack},
      {ui_->PauseButton, Glyph::Pause},   {ui_->FrameFButton, Glyph::FrameForward},
  };
  for (const auto& [button, glyph] : glyphs) {
    button->setIcon(GlyphIcon(glyph));
    button->setIconSize(kGlyphSize);
  }
  for (QToolButton* arrow : {ui_->BrightnessLeftAdjust, ui_->ContrastLeftAdjust, ui_->SpeedLeftAdjust}) {
    arrow->setIcon(GlyphIcon(Glyph::ArrowLeft, kArrowGlyphSize));
    arrow->setIconSize(kArrowGlyphSize);
  }
  for (QToolButton* arrow : {ui_->BrightnessRightAdjust, ui_->ContrastRightAdjust, ui_->SpeedRightAdjust}) {
    arrow->setIcon(GlyphIcon(Glyph::ArrowRight, kArrowGlyphSize));
    arrow->setIconSize(kArrowGlyphSize);
  }

  // Designer files give a top-level window no position.
  MovePanel(QPoint(kDesignLeft, kDesignTop));

  // The panels cover the adjustment rows only when asked for, and then wholly.
  for (QWidget* panel : {ui_->InfoPanel, ui_->StatPanel, ui_->DirXPanel, ui_->OptionPanel}) {
    panel->setAutoFillBackground(true);
    panel->hide();
  }
  // The frame bar and its labels show only while a playback is paused.
  for (QWidget* control : {static_cast<QWidget*>(ui_->FirstFrameLabel), static_cast<QWidget*>(ui_->FrameBar),
                           static_cast<QWidget*>(ui_->FrameLabel)}) {
    control->hide();
  }
}

// Choosing the fonts measures them, and the first measure has fontconfig
// read its configuration and Qt list every font: the larger part of the
// panel's making. The choice waits for the panel's first show, so that a
// flic named on the command line, which plays before the panel appears, is
// not kept waiting for it.
void ControlPanel::ChooseFonts() {
  if (fontsChosen_) return;
  fontsChosen_ = true;
  setFont(PanelFont());
  const QFont fixed = FixedPitchFont();
  ui_->InfoPanel->setFont(fixed);
  ui_->StatPanel->setFont(fixed);
}

template <typename Sender, typename Signal>
void ControlPanel::Wire(Sender* sender, Signal signal, void (ControlPanel::*handler)()) {
  connect(sender, signal, this, [this, handler] { Guarded(handler); });
}

void ControlPanel::WireControls() {
  Wire(ui_->LoadButton, &QToolButton::clicked, &ControlPanel::LoadIntoMemory);
  Wire(ui_->PlayFileButton, &QToolButton::clicked, &ControlPanel::ChooseAndPlayFromDisk);
  Wire(ui_->RecordButton, &QToolButton::clicked, &ControlPanel::RecordFrames);
  Wire(ui_->DirXModeButton, &QToolButton::clicked, &ControlPanel::ToggleFullScreenPanel);
  Wire(ui_->StatsButton, &QToolButton::clicked, &ControlPanel::ToggleStatsPanel);
  Wire(ui_->OptionButton, &QToolButton::clicked, &ControlPanel::ToggleOptionsPanel);
  Wire(ui_->InfoButton, &QToolButton::clicked, &ControlPanel::ToggleInfoPanel);
  Wire(ui_->AboutButton, &QToolButton::clicked, &ControlPanel::ShowAbout);
  Wire(ui_->ResetButton, &QToolButton::clicked, &ControlPanel::ResetAdjustments);
  Wire(ui_->MinimizeButton, &QToolButton::clicked, &ControlPanel::Minimise);
  Wire(ui_->QuitButton, &QToolButton::clicked, &ControlPanel::Exit);

  Wire(ui_->PlayButton, &QToolButton::clicked, &ControlPanel::Play);
  Wire(ui_->StopButton, &QToolButton::clicked, &ControlPanel::Stop);
  Wire(ui_->FrameBButton, &QToolButton::clicked, &ControlPanel::StepBack);
  Wire(ui_->PauseButton, &QToolButton::clicked, &ControlPanel::PauseOrResume);
  Wire(ui_->FrameFButton, &QToolButton::clicked, &ControlPanel::StepForward);
  Wire(ui_->FrameBar, &TrackBar::Change, &ControlPanel::GoToChosenFrame);

  for (TrackBar* bar : {ui_->BrightnessBar, ui_->ContrastBar, ui_->SpeedBar, ui_->FrameBar}) {
    Wire(bar, &TrackBar::Enter, &ControlPanel::ReturnFocusToButtons);
  }
  // Each arrow steps its bar by one within its range, and the change runs
  // also at the limit: while playing, the unchanged palette goes in again.
  const std::pair<QToolButton*, std::pair<Option, int>> arrows[] = {
      {ui_->BrightnessLeftAdjust, {Option::Brightness, -1}}, {ui_->BrightnessRightAdjust, {Option::Brightness, 1}},
      {ui_->ContrastLeftAdjust, {Option::Contrast, -1}},     {ui_->ContrastRightAdjust, {Option::Contrast, 1}},
      {ui_->SpeedLeftAdjust, {Option::Speed, -1}},           {ui_->SpeedRightAdjust, {Option::Speed, 1}},
  };
  for (const auto& arrow : arrows) {
    const auto step = arrow.second;
    connect(arrow.first, &QToolButton::clicked, this,
            [this, step] { Guarded([this, step] { StepOption(step.first, step.second); }); });
  }
  WireOptions();
}

void ControlPanel::FillMiddleArea() {
  const int top = ui_->TopButtons->height();
  const int middle = height() - top - ui_->BottomButtons->height();
  for (QWidget* panel : {ui_->StatPanel, ui_->InfoPanel, ui_->DirXPanel, ui_->OptionPanel}) {
    panel->setGeometry(0, top, width(), middle);
  }
}

bool ControlPanel::Guarded(void (ControlPanel::*handler)()) {
  return Guarded([this, handler] { (this->*handler)(); });
}

bool ControlPanel::Guarded(const std::function<void()>& command) {
  return RunGuarded(services_, [&command] {
    try {
      command();
    } catch (const ProgramHalted&) {
      // The program is ending at the user's word; there is nothing to report.
    }
  });
}

void ControlPanel::SetMovieWindow(MovieWindow* movieWindow) {
  if (movieWindow_ != nullptr) disconnect(movieWindow_, nullptr, this, nullptr);
  movieWindow_ = movieWindow;
  play_.reset();
  fullScreen_ = std::make_unique<FullScreenOutput>();
  windowOutput_.reset();
  movieDrop_.reset();
  if (movieWindow == nullptr) return;

  movieWindow->SetLinks({&state_.Flic, &state_.Playback, this, [this] { return state_.Options.On(Option::DirectX); }});
  // The movie window's keys are the control panel's keys.
  connect(movieWindow, &MovieWindow::keyDown, this, [this](int key, int modifiers) {
    Guarded([&] { FormKeyDown({key, Qt::KeyboardModifiers(modifiers)}); });
  });
  connect(movieWindow, &MovieWindow::keyPressed, this,
          [this](char character) { Guarded([&] { FormKeyPress(character); }); });
  TakeDroppedFiles(*movieWindow, movieDrop_);
  windowOutput_ = std::make_unique<WindowOutput>(*movieWindow, state_.Colour);
  fullScreen_ = MakePanelFullScreen(*this, *movieWindow, state_, [this] { return tick_(); });
  play_ = std::make_unique<PlayCommand>(PlayerParts{state_.Flic, state_.OpenDialog, state_.Playback, state_.Recording,
                                                    state_.Colour, services_, *this, *windowOutput_, *fullScreen_,
                                                    *sound_, [this] { return tick_(); }});
  play_->SetFramesShown(framesShown_);
}

void ControlPanel::SetFramesShown(bool shown) {
  framesShown_ = shown;
  if (play_) play_->SetFramesShown(shown);
}

PlayCommand& ControlPanel::Player() {
  // Frames go to the movie window: without it there is nothing to play into.
  if (!play_) throw std::logic_error("the control panel has no movie window");
  return *play_;
}

void ControlPanel::SetAboutWindow(QWidget* aboutWindow) { aboutWindow_ = aboutWindow; }

}  // namespace kt
