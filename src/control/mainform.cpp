#include "control/mainform.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QShowEvent>
#include <QWindowStateChangeEvent>
#include <QWindow>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "colour/apply_palette.h"
#include "colour/palette_adjustment.h"
#include "colour/palette_installer.h"
#include "control/button_glyphs.h"
#include "control/control_behaviour.h"
#include "control/full_screen_host.h"
#include "control/handler_guard.h"
#include "control/hint_pause.h"
#include "control/indicator_style.h"
#include "control/panel_font.h"
#include "platform/qt/window_operations.h"
#include "flic/flic_info.h"
#include "platform/qt/system_metrics.h"
#include "platform/tick.h"
#include "playback/frame_output.h"
#include "playback/play_command.h"
#include "playback/wav_accompaniment.h"
#include "playback/window_output.h"
#include "ui_mainform.h"
#include "windows/imageunt.h"

namespace kt {

namespace {

// Palette steps while nothing shows frames yet: nothing to install into.
class NoPaletteInstaller : public PaletteInstaller {
 public:
  PaletteHandle CreatePalette(const LogicalPalette&) override { return kNoPalette; }
  PaletteHandle SelectPalette(PaletteContext, PaletteHandle) override { return kNoPalette; }
  void RealizePalette(PaletteContext) override {}
  void SetDIBColorTable(const ColourTable&) override {}
  void DeleteObject(PaletteHandle) override {}
  bool SetEntries(const PaletteEntries&) override { return true; }
  void SetSystemPaletteUse(SystemPaletteUse) override {}
};

// The panel's own font where it exists, the nearest sans-serif where not.
// The common stand-ins run wider than it, and the layout leaves no room to
// spare ("Brightness" before its arrow, "Original" at the window's edge), so
// a stand-in is taken a little condensed.
QFont PanelFont() {
  QFont font("MS Sans Serif");
  font.setPointSize(8);
  font.setStyleHint(QFont::SansSerif);
  if (QFontInfo(font).family() != font.family()) font.setStretch(QFont::SemiCondensed);
  return font;
}

// The captions of the information and statistics panels are padded with
// blanks so their colons line up; that needs a font whose characters all
// advance alike. Measured, not asked: fontconfig's answer for "Courier New"
// may be a monospaced face that Qt does not flag as fixed-pitch, or a
// proportional one.
QFont FixedPitchFont() {
  QFont wanted("Courier New");
  wanted.setStyleHint(QFont::TypeWriter);
  wanted.setFixedPitch(true);
  QFont monospace("monospace");
  monospace.setStyleHint(QFont::TypeWriter);
  const QFont candidates[] = {wanted, QFontDatabase::systemFont(QFontDatabase::FixedFont), monospace,
                              QFont("DejaVu Sans Mono"), QFont("Liberation Mono"), QFont("Nimbus Mono PS")};
  for (QFont font : candidates) {
    font.setPointSize(8);
    if (HasEqualAdvances(font, kPanelCharacters)) return font;
  }
  wanted.setPointSize(8);
  return wanted;
}

constexpr int kDesignLeft = 220;
constexpr int kDesignTop = 156;

bool Shown(const QWidget* widget) { return !widget->isHidden(); }

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TDisplayForm::TDisplayForm(WindowServices& services, QWidget* parent)
    : QWidget(parent),
      services_(services),
      ui_(std::make_unique<Ui::TDisplayForm>()),
      noPalettes_(std::make_unique<NoPaletteInstaller>()),
      palettes_(noPalettes_.get()),
      fullScreen_(std::make_unique<FullScreenOutput>()),
      sound_(std::make_unique<WavAccompaniment>()),
      tick_([] { return GetTickCount(); }) {
  ui_->setupUi(this);
  SetUpControls();
  WireControls();
  Guarded(&TDisplayForm::FormCreate);
}

TDisplayForm::~TDisplayForm() = default;

void TDisplayForm::SetUpControls() {
  // A caption without buttons: the program ends through its own Exit button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(398, 136);
  setFont(PanelFont());
  const QFont fixed = FixedPitchFont();
  ui_->InfoPanel->setFont(fixed);
  ui_->StatPanel->setFont(fixed);
  DrawIndicatorsWhole(*this);

  const std::pair<QToolButton*, Glyph> glyphs[] = {
      {ui_->LoadButton, Glyph::Load},
      {ui_->PlayFileButton, Glyph::PlayFile},
      {ui_->RecordButton, Glyph::Record},
      {ui_->DirXModeButton, Glyph::DirXMode},
      {ui_->StatsButton, Glyph::Stats},
      {ui_->OptionButton, Glyph::Options},
      {ui_->InfoButton, Glyph::Info},
      {ui_->AboutButton, Glyph::About},
      {ui_->ResetButton, Glyph::Reset},
      {ui_->MinimizeButton, Glyph::Minimize},
      {ui_->QuitButton, Glyph::Quit},
      {ui_->PlayButton, Glyph::Play},
      {ui_->StopButton, Glyph::Stop},
      {ui_->FrameBButton, Glyph::FrameBack},
      {ui_->PauseButton, Glyph::Pause},
      {ui_->FrameFButton, Glyph::FrameForward},
  };
  for (const auto& [button, glyph] : glyphs) {
    button->setIcon(GlyphIcon(glyph));
    button->setIconSize(kGlyphSize);
  }
  for (QToolButton* arrow : {ui_->BrightnessLeftAjust, ui_->ContrastLeftAjust, ui_->SpeedLeftAjust}) {
    arrow->setIcon(GlyphIcon(Glyph::ArrowLeft, kArrowGlyphSize));
    arrow->setIconSize(kArrowGlyphSize);
  }
  for (QToolButton* arrow : {ui_->BrightnessRightAjust, ui_->ContrastRightAjust, ui_->SpeedRightAjust}) {
    arrow->setIcon(GlyphIcon(Glyph::ArrowRight, kArrowGlyphSize));
    arrow->setIconSize(kArrowGlyphSize);
  }

  // Designer files give a top-level window no position, and set the
  // group's items after any index.
  MovePanel(QPoint(kDesignLeft, kDesignTop));
  ui_->ForceModeRadioGroup->SetItemIndex(0);

  // The panels cover the adjustment rows only when asked for, and then wholly.
  for (QWidget* panel : {ui_->InfoPanel, ui_->StatPanel, ui_->DirXPanel, ui_->OptionPanel}) {
    panel->setAutoFillBackground(true);
    panel->hide();
  }
  // The frame bar and its labels show only while a playback is paused.
  for (QWidget* control : {static_cast<QWidget*>(ui_->Label1), static_cast<QWidget*>(ui_->FrameBar),
                           static_cast<QWidget*>(ui_->FrameLabel)}) {
    control->hide();
  }
}

template <typename Sender, typename Signal>
void TDisplayForm::Wire(Sender* sender, Signal signal, void (TDisplayForm::*handler)()) {
  connect(sender, signal, this, [this, handler] { Guarded(handler); });
}

void TDisplayForm::WireCheck(QAbstractButton* box, void (TDisplayForm::*handler)()) {
  ConnectClick(box, this, [this, handler] { Guarded(handler); });
}

void TDisplayForm::WireControls() {
  Wire(ui_->LoadButton, &QToolButton::clicked, &TDisplayForm::LoadButtonClick);
  Wire(ui_->PlayFileButton, &QToolButton::clicked, &TDisplayForm::PlayFileButtonSetFile);
  Wire(ui_->RecordButton, &QToolButton::clicked, &TDisplayForm::RecordButtonClick);
  Wire(ui_->DirXModeButton, &QToolButton::clicked, &TDisplayForm::DirXModeButtonClick);
  Wire(ui_->StatsButton, &QToolButton::clicked, &TDisplayForm::StatsButtonClick);
  Wire(ui_->OptionButton, &QToolButton::clicked, &TDisplayForm::OptionButtonClick);
  Wire(ui_->InfoButton, &QToolButton::clicked, &TDisplayForm::InfoButtonClick);
  Wire(ui_->AboutButton, &QToolButton::clicked, &TDisplayForm::AboutButtonClick);
  Wire(ui_->ResetButton, &QToolButton::clicked, &TDisplayForm::ResetButtonClick);
  Wire(ui_->MinimizeButton, &QToolButton::clicked, &TDisplayForm::MinimizeButtonClick);
  Wire(ui_->QuitButton, &QToolButton::clicked, &TDisplayForm::QuitButtonClick);

  Wire(ui_->PlayButton, &QToolButton::clicked, &TDisplayForm::PlayButtonStartPlay);
  Wire(ui_->StopButton, &QToolButton::clicked, &TDisplayForm::StopButtonClick);
  Wire(ui_->FrameBButton, &QToolButton::clicked, &TDisplayForm::FrameBButtonClick);
  Wire(ui_->PauseButton, &QToolButton::clicked, &TDisplayForm::PauseButtonClick);
  Wire(ui_->FrameFButton, &QToolButton::clicked, &TDisplayForm::FrameFButtonClick);
  Wire(ui_->FrameBar, &TrackBar::Change, &TDisplayForm::FrameBarChange);

  Wire(ui_->BrightnessBar, &TrackBar::Change, &TDisplayForm::BrightnessBarChange);
  Wire(ui_->ContrastBar, &TrackBar::Change, &TDisplayForm::ContrastBarChange);
  Wire(ui_->SpeedBar, &TrackBar::Change, &TDisplayForm::SpeedBarChange);
  for (TrackBar* bar : {ui_->BrightnessBar, ui_->ContrastBar, ui_->SpeedBar, ui_->FrameBar}) {
    Wire(bar, &TrackBar::Enter, &TDisplayForm::BrightnessBarEnter);
  }
  Wire(ui_->BrightnessLeftAjust, &QToolButton::clicked, &TDisplayForm::BrightnessLeftAjustClick);
  Wire(ui_->BrightnessRightAjust, &QToolButton::clicked, &TDisplayForm::BrightnessRightAjustClick);
  Wire(ui_->ContrastLeftAjust, &QToolButton::clicked, &TDisplayForm::ContrastLeftAjustClick);
  Wire(ui_->ContrastRightAjust, &QToolButton::clicked, &TDisplayForm::ContrastRightAjustClick);
  Wire(ui_->SpeedLeftAjust, &QToolButton::clicked, &TDisplayForm::SpeedLeftAjustClick);
  Wire(ui_->SpeedRightAjust, &QToolButton::clicked, &TDisplayForm::SpeedRightAjustClick);

  WireCheck(ui_->TitleCheck, &TDisplayForm::TitleCheckClick);
  WireCheck(ui_->LoopCheck, &TDisplayForm::BrightnessBarEnter);
  WireCheck(ui_->OnTopCheck, &TDisplayForm::OnTopCheckClick);
  WireCheck(ui_->MaxPalCheck, &TDisplayForm::MaxPalCheckClick);
  WireCheck(ui_->OptimizeCheck, &TDisplayForm::DirectXCheckClick);
  WireCheck(ui_->DirectXCheck, &TDisplayForm::DirectXCheckClick);
  WireCheck(ui_->ReadBigCheck, &TDisplayForm::ReadBigCheckClick);
  WireCheck(ui_->LastDirCheck, &TDisplayForm::ReadBigCheckClick);
}

bool TDisplayForm::Guarded(void (TDisplayForm::*handler)()) {
  return Guarded([this, handler] { (this->*handler)(); });
}

bool TDisplayForm::Guarded(const std::function<void()>& command) {
  return RunGuarded(services_, [&command] {
    try {
      command();
    } catch (const ProgramHalted&) {
      // The program is ending at the user's word; there is nothing to report.
    }
  });
}

void TDisplayForm::SetMovieWindow(TImageForm* movieWindow) {
  if (movieWindow_ != nullptr) disconnect(movieWindow_, nullptr, this, nullptr);
  movieWindow_ = movieWindow;
  palettes_ = noPalettes_.get();
  play_.reset();
  fullScreen_ = std::make_unique<FullScreenOutput>();
  windowOutput_.reset();
  if (movieWindow == nullptr) return;

  movieWindow->SetLinks({&state_.Flic, &state_.Playback, this, [this] { return ui_->DirectXCheck->isChecked(); }});
  // The movie window's keys are the control panel's keys.
  connect(movieWindow, &TImageForm::keyDown, this, [this](int key, int shift) {
    Guarded([&] {
      auto code = static_cast<uint16_t>(key);
      FormKeyDown(code, shift);
    });
  });
  connect(movieWindow, &TImageForm::keyPressed, this,
          [this](char character) { Guarded([&] { FormKeyPress(character); }); });
  windowOutput_ = std::make_unique<WindowOutput>(*movieWindow, state_.Colour);
  palettes_ = &windowOutput_->Palettes();
  fullScreen_ = MakePanelFullScreen(*ui_, *this, *movieWindow, state_, *windowOutput_, [this] { return tick_(); });
  play_ = std::make_unique<PlayCommand>(PlayerParts{state_.Flic, state_.OpenDialog, state_.Playback, state_.Recording,
                                                    state_.Colour, services_, *this, *windowOutput_, *fullScreen_,
                                                    *sound_, [this] { return tick_(); }});
}

PlayCommand& TDisplayForm::Play() {
  // Frames go to the movie window: without it there is nothing to play into.
  if (!play_) throw std::logic_error("the control panel has no movie window");
  return *play_;
}

void TDisplayForm::SetAboutWindow(QWidget* aboutWindow) { aboutWindow_ = aboutWindow; }

void TDisplayForm::SetPaletteInstaller(PaletteInstaller& installer) { palettes_ = &installer; }

PaletteInstaller& TDisplayForm::Palettes() { return *palettes_; }

// Without a movie window "Play in Direct-X mode" has no full screen to use;
// the palette must go where the frames go.
bool TDisplayForm::WindowOutputInUse() const {
  if (play_) return play_->WindowOutputInUse();
  return !(ui_->DirectXCheck->isChecked() && fullScreen_->Available());
}

// ---- Start-up and shut-down -------------------------------------------------

void TDisplayForm::FormCreate() {
  state_.Run.PanelClientWidth = static_cast<uint16_t>(width());
  state_.Run.PanelClientHeight = static_cast<uint16_t>(height());
  SetHintPause(kHintPauseMs);
}

void TDisplayForm::FillMiddleArea() {
  const int top = ui_->ButtonPanel1->height();
  const int middle = height() - top - ui_->ButtonPanel2->height();
  for (QWidget* panel : {ui_->StatPanel, ui_->InfoPanel, ui_->DirXPanel, ui_->OptionPanel}) {
    panel->setGeometry(0, top, width(), middle);
  }
}

void TDisplayForm::FormShow() {
  state_.Run.PlatformId = QueryPlatformId();
  // Flic files are opened for reading only wherever they are opened, so
  // there is no program-wide file mode to set here.
  state_.Run.ScreenBitsPerPixel = QueryScreenBitsPerPixel(this);
  FillMiddleArea();
  try {
    FormActivate();
  } catch (...) {
    // Until the settings are loaded, the user's changes count from what
    // the words left.
    NoteOptionsBaseline(false);
    // The player stays usable once the error's box is answered: both
    // windows show, and the settings follow at the panel's next show.
    movieAfterWordsError_ = !state_.Run.ExitRequested && !state_.Run.CloseRequested;
    throw;
  }
  NoteOptionsBaseline(false);
  // Exit during the words: the program is ending, nothing more to load or show.
  if (state_.Run.ExitRequested) return;
  if (state_.Run.SettingsPending && !state_.Run.CloseRequested) {
    state_.Run.SettingsPending = false;
    LoadSettings();
    if (!state_.Flic.FlicInMemory) {
      state_.Flic.Header.width = kDefaultFrameWidth;
      state_.Flic.Header.height = kDefaultFrameHeight;
    }
    if (movieWindow_ != nullptr && !movieWindow_->isVisible()) movieWindow_->show();
  }
}

void TDisplayForm::FormClose() {
  // A program ended by the CLOSE word leaves the stored options as they were.
  if (!state_.Run.CloseRequested) SaveSettings();
  FreeFlicMemory(state_.Flic, *this);
}

void TDisplayForm::MovePanel(QPoint topLeft) {
  placedAt_ = topLeft;
  move(topLeft);
}

void TDisplayForm::PlacePanel(QPoint topLeft) {
  MovePanel(KeepCaptionOnScreen(topLeft, frameGeometry().size(), QueryScreenAreas()));
}

void TDisplayForm::setVisible(bool visible) {
  // The program's shows run FormShow before the window exists on the
  // screen: the first one places the panel from the stored options, and a
  // place given before the window is made is taken as its frame's corner.
  // The window system's own shows (a restore from the task bar) come
  // without this call.
  if (visible && isHidden() && !formShowRunning_) {
    const bool movieShownBefore = movieWindow_ != nullptr && movieWindow_->isVisible();
    formShowRunning_ = true;
    Guarded(&TDisplayForm::FormShow);
    formShowRunning_ = false;
    if (std::exchange(movieAfterWordsError_, false)) ShowMovieWindowIfHidden();
    // Exit during the words: the panel has closed and stays so.
    if (closed_) return;
    QWidget::setVisible(true);
    // The movie window this show brought up stays in front of the panel,
    // which appears after it.
    if (!movieShownBefore && movieWindow_ != nullptr && movieWindow_->isVisible()) movieWindow_->raise();
    return;
  }
  QWidget::setVisible(visible);
}

void TDisplayForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (QWindow* window = windowHandle()) window->installEventFilter(this);
}

void TDisplayForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) Guarded(&TDisplayForm::FormActivate);
  if (event->type() == QEvent::WindowStateChange) {
    // Minimize Program sent every window to the task bar together; the
    // panel brought back brings the movie window back with it.
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool restored = change->oldState().testFlag(Qt::WindowMinimized) && !isMinimized();
    if (restored && movieWindow_ != nullptr && movieWindow_->isMinimized()) RestoreFromTaskBar(*movieWindow_);
  }
}

void TDisplayForm::closeEvent(QCloseEvent* event) {
  // The panel's close is Exit: a run of words stops here too.
  state_.Run.ExitRequested = true;
  if (closed_) {
    event->accept();
    return;
  }
  if (state_.Playback.Playing) {
    // Releasing the flic now would pull its frames from under the running
    // frame loop. The close waits for the loop to stop, as the Exit button's does.
    event->ignore();
    Guarded(&TDisplayForm::QuitButtonClick);
    return;
  }
  // Saved once, however many ways the end is asked for.
  closed_ = true;
  Guarded(&TDisplayForm::FormClose);
  event->accept();
  emit Closed();
}

bool TDisplayForm::eventFilter(QObject* watched, QEvent* event) {
  // The window gets every key before any of its controls does.
  if (watched == windowHandle() && (event->type() == QEvent::KeyPress)) {
    bool used = false;
    Guarded([&] { used = PreviewKey(*static_cast<QKeyEvent*>(event)); });
    if (used) return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool TDisplayForm::PreviewKey(QKeyEvent& event) {
  bool used = false;
  if (uint16_t key = VirtualKeyFromQt(event.key(), event.modifiers())) {
    FormKeyDown(key, ShiftStateFromQt(event.key(), event.modifiers()));
    used = key == 0;
  }
  if (std::optional<char> typed = TypedCharacter(event)) {
    char character = *typed;
    FormKeyPress(character);
    used = used || character == 0;
  }
  return used;
}

// ---- The top row ------------------------------------------------------------

void TDisplayForm::LoadButtonClick() {
  LoadContext context{state_.Flic, state_.OpenDialog, services_, *this, state_.Playback.KeepMovieWindowSize};
  kt::LoadButtonClick(context);
}

void TDisplayForm::PlayFileButtonSetFile() { Play().PlayFileButtonSetFile(); }

void TDisplayForm::RecordButtonClick() { kt::RecordButtonClick(state_.Recording, services_); }

void TDisplayForm::SetPanelVisible(QWidget* shown, bool visible) {
  for (QWidget* panel : {ui_->InfoPanel, ui_->StatPanel, ui_->DirXPanel, ui_->OptionPanel}) {
    if (panel != shown) panel->hide();
  }
  shown->setVisible(visible);
}

void TDisplayForm::InfoButtonClick() {
  ShowFlicInfo();
  SetPanelVisible(ui_->InfoPanel, !Shown(ui_->InfoPanel));
}

void TDisplayForm::StatsButtonClick() { SetPanelVisible(ui_->StatPanel, !Shown(ui_->StatPanel)); }

void TDisplayForm::DirXModeButtonClick() { SetPanelVisible(ui_->DirXPanel, !Shown(ui_->DirXPanel)); }

void TDisplayForm::OptionButtonClick() { SetPanelVisible(ui_->OptionPanel, !Shown(ui_->OptionPanel)); }

void TDisplayForm::AboutButtonClick() {
  if (movieWindow_ != nullptr) movieWindow_->hide();
  hide();
  if (aboutWindow_ != nullptr) ShowModal(*aboutWindow_);
  show();
  if (movieWindow_ != nullptr) movieWindow_->show();
}

void TDisplayForm::MinimizeButtonClick() { MinimizeApplication(); }

void TDisplayForm::QuitButtonClick() {
  state_.Run.ExitRequested = true;
  if (play_) {
    play_->QuitButtonClick();
    return;
  }
  if (!state_.Playback.Playing) close();
}

// ---- The bottom row and the play command -------------------------------------

void TDisplayForm::PlayButtonStartPlay() { Play().PlayButtonStartPlay(); }

void TDisplayForm::PlayFileButtonClick() { Play().PlayFileButtonClick(); }

void TDisplayForm::StopButtonClick() { Play().StopButtonClick(); }

void TDisplayForm::FrameBButtonClick() { Play().FrameBButtonClick(); }

void TDisplayForm::PauseButtonClick() { Play().PauseButtonClick(); }

void TDisplayForm::FrameFButtonClick() { Play().FrameFButtonClick(); }

void TDisplayForm::FrameBarChange() { Play().FrameBarChange(ui_->FrameBar->value()); }

// ---- The adjustment rows ----------------------------------------------------

void TDisplayForm::BrightnessBarChange() {
  ui_->BrightnessLabel->setText(Text(kt::BrightnessBarChange(state_.Colour.Adjustment, ui_->BrightnessBar->value())));
  if (state_.Playback.Playing) ApplyPalette(state_.Colour, Palettes(), WindowOutputInUse());
}

void TDisplayForm::ContrastBarChange() {
  ui_->ContrastLabel->setText(Text(kt::ContrastBarChange(state_.Colour.Adjustment, ui_->ContrastBar->value())));
  if (state_.Playback.Playing) ApplyPalette(state_.Colour, Palettes(), WindowOutputInUse());
}

void TDisplayForm::BrightnessLeftAjustClick() {
  const BarUpdate update = kt::BrightnessLeftAjustClick(state_.Colour.Adjustment, ui_->BrightnessBar->value());
  ui_->BrightnessBar->setValue(update.position);
  ui_->BrightnessLabel->setText(Text(update.label));
  if (state_.Playback.Playing) ApplyPalette(state_.Colour, Palettes(), WindowOutputInUse());
}

void TDisplayForm::BrightnessRightAjustClick() {
  const BarUpdate update = kt::BrightnessRightAjustClick(state_.Colour.Adjustment, ui_->BrightnessBar->value());
  ui_->BrightnessBar->setValue(update.position);
  ui_->BrightnessLabel->setText(Text(update.label));
  if (state_.Playback.Playing) ApplyPalette(state_.Colour, Palettes(), WindowOutputInUse());
}

void TDisplayForm::ContrastLeftAjustClick() {
  const BarUpdate update = kt::ContrastLeftAjustClick(state_.Colour.Adjustment, ui_->ContrastBar->value());
  ui_->ContrastBar->setValue(update.position);
  ui_->ContrastLabel->setText(Text(update.label));
  if (state_.Playback.Playing) ApplyPalette(state_.Colour, Palettes(), WindowOutputInUse());
}

void TDisplayForm::ContrastRightAjustClick() {
  const BarUpdate update = kt::ContrastRightAjustClick(state_.Colour.Adjustment, ui_->ContrastBar->value());
  ui_->ContrastBar->setValue(update.position);
  ui_->ContrastLabel->setText(Text(update.label));
  if (state_.Playback.Playing) ApplyPalette(state_.Colour, Palettes(), WindowOutputInUse());
}

void TDisplayForm::SpeedBarChange() { ui_->SpeedLabel->setText(Text(Play().SpeedBarChange(ui_->SpeedBar->value()))); }

void TDisplayForm::SpeedLeftAjustClick() {
  ui_->SpeedBar->setValue(PlayCommand::SpeedLeftAjust(ui_->SpeedBar->value()));
  SpeedBarChange();
}

void TDisplayForm::SpeedRightAjustClick() {
  ui_->SpeedBar->setValue(PlayCommand::SpeedRightAjust(ui_->SpeedBar->value()));
  SpeedBarChange();
}

void TDisplayForm::BrightnessBarEnter() {
  // The bars and the loop box never keep the focus, so the arrow keys reach
  // the window's key commands instead of moving a bar.
  ui_->ButtonPanel1->setFocus();
}

// ---- The option boxes -------------------------------------------------------

void TDisplayForm::TitleCheckClick() {
  ui_->ButtonPanel1->setFocus();
  if (movieWindow_ != nullptr) SetWindowBorder(*movieWindow_, ui_->TitleCheck->isChecked(), QueryScreenSize());
}

void TDisplayForm::OnTopCheckClick() {
  if (movieWindow_ != nullptr) SetStayOnTop(*movieWindow_, ui_->OnTopCheck->isChecked());
}

void TDisplayForm::MaxPalCheckClick() {
  kt::MaxPalCheckClick(Palettes(), ui_->MaxPalCheck->isChecked());
  if (state_.Playback.Playing) ApplyPalette(state_.Colour, Palettes(), WindowOutputInUse());
}

void TDisplayForm::DirectXCheckClick() {
  // Full-screen output overrides these options; each box's change runs its
  // own handler, so the movie window follows.
  if (ui_->DirectXCheck->isChecked()) {
    ui_->OnTopCheck->setChecked(false);
    ui_->OnTopCheck->setEnabled(false);
    ui_->TitleCheck->setChecked(true);
    ui_->TitleCheck->setEnabled(false);
    ui_->MaxPalCheck->setChecked(false);
    ui_->MaxPalCheck->setEnabled(false);
    ui_->StatsButton->setEnabled(false);
    if (Shown(ui_->StatPanel)) StatsButtonClick();
  } else {
    ui_->OnTopCheck->setEnabled(true);
    ui_->TitleCheck->setEnabled(true);
    ui_->MaxPalCheck->setEnabled(true);
    ui_->StatsButton->setEnabled(true);
  }
}

void TDisplayForm::ReadBigCheckClick() { state_.Flic.ReadBigFrames = ui_->ReadBigCheck->isChecked(); }

// ---- The information panel and the load's window steps ----------------------

void TDisplayForm::ShowFlicInfo() {
  const FlicInfoTexts info = MakeFlicInfo(state_.Flic.Header, state_.Flic.FlicInMemory, state_.Playback.DiskFlicName);
  if (info.hasFigures) {
    ui_->FramesCaption->setText(Text(info.frames));
    ui_->WidthCaption->setText(Text(info.width));
    ui_->HeightCaption->setText(Text(info.height));
    ui_->SizeCaption->setText(Text(info.size));
    ui_->TypeCaption->setText(Text(info.type));
    ui_->DelayCaption->setText(Text(info.delay));
    ui_->PlayFPSLabel->setText(Text(info.speed));
  }
  ui_->StatusCaption->setText(Text(info.status));
}

void TDisplayForm::SetMovieCaption(const std::string& caption) {
  if (movieWindow_ != nullptr) movieWindow_->SetCaption(caption);
}

void TDisplayForm::SizeMovieWindow(int width, int height) {
  if (movieWindow_ == nullptr) return;
  kt::SizeMovieWindow(*movieWindow_, state_.Playback.MovieZoomed, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height));
}

void TDisplayForm::EnablePlayAndRecordButtons() {
  ui_->PlayButton->setEnabled(true);
  ui_->RecordButton->setEnabled(true);
}

// ---- What the play command reads and writes --------------------------------

bool TDisplayForm::LoopChecked() const { return ui_->LoopCheck->isChecked(); }

bool TDisplayForm::DirectXChecked() const { return ui_->DirectXCheck->isChecked(); }

bool TDisplayForm::MaxPalChecked() const { return ui_->MaxPalCheck->isChecked(); }

bool TDisplayForm::OnTopChecked() const { return ui_->OnTopCheck->isChecked(); }

bool TDisplayForm::OptimizeChecked() const { return ui_->OptimizeCheck->isChecked(); }

bool TDisplayForm::StatPanelVisible() const { return Shown(ui_->StatPanel); }

int TDisplayForm::SpeedBarPosition() const { return ui_->SpeedBar->value(); }

int TDisplayForm::ScreenBitsPerPixel() const { return static_cast<int>(state_.Run.ScreenBitsPerPixel); }

bool TDisplayForm::PlatformFlushesDrawing() const { return state_.Run.PlatformId == kPlatformIdNt; }

void TDisplayForm::SetFrameBarRange(int minimum, int maximum, int pageSize) {
  ui_->FrameBar->setRange(minimum, maximum);
  ui_->FrameBar->setPageStep(pageSize);
}

void TDisplayForm::SetFrameBarPosition(int position) { ui_->FrameBar->setValue(position); }

void TDisplayForm::SetFrameLabel(const std::string& text) { ui_->FrameLabel->setText(Text(text)); }

void TDisplayForm::ShowFrameControls(bool shown) {
  ui_->FrameFButton->setEnabled(shown);
  ui_->FrameBButton->setEnabled(shown);
  ui_->FrameLabel->setVisible(shown);
  ui_->Label1->setVisible(shown);
  ui_->FrameBar->setVisible(shown);
}

void TDisplayForm::SetPlayingControls(bool playing) {
  ui_->StopButton->setEnabled(playing);
  ui_->PauseButton->setEnabled(playing);
  for (QWidget* control : {static_cast<QWidget*>(ui_->LoadButton), static_cast<QWidget*>(ui_->PlayFileButton),
                           static_cast<QWidget*>(ui_->AboutButton), static_cast<QWidget*>(ui_->PlayButton),
                           static_cast<QWidget*>(ui_->RecordButton), static_cast<QWidget*>(ui_->DirectXCheck)}) {
    control->setEnabled(!playing);
  }
}

void TDisplayForm::SetFpsLabel(const std::string& text) { ui_->FPSLabel->setText(Text(text)); }

void TDisplayForm::SetActualDelayLabel(const std::string& text) { ui_->ActualDelayLabel->setText(Text(text)); }

void TDisplayForm::SetFramesPlayedLabel(const std::string& text) { ui_->FramesPlayedLabel->setText(Text(text)); }

void TDisplayForm::SetPlayingTimeLabel(const std::string& text) { ui_->PlayingTimeLabel->setText(Text(text)); }

void TDisplayForm::FocusMovieWindowIfVisible() {
  if (movieWindow_ == nullptr || !movieWindow_->isVisible()) return;
  movieWindow_->activateWindow();
  movieWindow_->setFocus();
}

void TDisplayForm::ShowMovieWindowIfHidden() {
  if (movieWindow_ != nullptr && !movieWindow_->isVisible()) movieWindow_->show();
}

void TDisplayForm::BringControlPanelToTop() { raise(); }

void TDisplayForm::CloseControlPanel() { close(); }

void TDisplayForm::HaltProgram() {
  // Abort at the unknown-chunk question: the event loop ends at its next
  // turn and with it the program, without the panel's close handling, so
  // the settings are not saved. The play command unwinds on its way out.
  QCoreApplication::exit(EXIT_SUCCESS);
}

}  // namespace kt
