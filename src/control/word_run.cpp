// The run of the words: FormActivate reads the tokens of the command line
// or script once, at the panel's first show, and each word works the
// panel's controls and handlers as the user would.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QMetaObject>
#include <optional>
#include <string>
#include <utility>

#include "base/ascii.h"
#include "base/errors.h"
#include "base/integer_text.h"
#include "control/command_line.h"
#include "control/mainform.h"
#include "control/token_rule.h"
#include "platform/message_text.h"
#include "platform/qt/system_metrics.h"
#include "ui_mainform.h"
#include "windows/imageunt.h"

namespace kt {

CommandLineSetup CommandLineSetup::ForProgram(std::vector<std::string> parameters) {
  CommandLineSetup setup;
  setup.parameters = std::move(parameters);
  // Queued, so the end also holds when the words run before the event loop
  // has started: the loop ends at its first turn.
  setup.endApplication = [] {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  };
  return setup;
}

void TDisplayForm::SetCommandLine(CommandLineSetup setup) { commandLine_ = std::move(setup); }

void TDisplayForm::FormActivate() {
  RunState& run = state_.Run;
  if (commandLine_.parameters.empty() || run.CommandLineDone) return;
  run.CommandLineDone = true;
  state_.Playback.CommandRunActive = true;
  // Also after an error has stopped the run: full-screen output must hide
  // and show the panel again as usual from then on.
  struct RunEnds {
    bool& active;
    ~RunEnds() { active = false; }
  } runEnds{state_.Playback.CommandRunActive};

  // Every run starts from the neutral adjustments; the other options keep their states.
  ui_->LoopCheck->setChecked(false);
  ResetAdjustmentBars();

  // An error that stops the run sets the failing status on its own way out.
  const int refusedBefore = state_.Flic.FilesRefused;
  TokenSource tokens(commandLine_.parameters);
  do {
    // Words match in any letter case; a file name is kept as given, so that
    // of intro.fli and INTRO.FLI the one named is the one played.
    const std::string token = tokens.ReadToken();
    if (token.empty()) continue;
    if (IsFileNameToken(token)) {
      // A flic file name; the next token waits until its playback is over.
      FreeFlicMemory(state_.Flic, *this);
      state_.Playback.DiskFlicName = token;
      PlayFileButtonClick();
      continue;
    }
    if (const std::optional<Word> word = FindWord(AsciiUpperCase(token.substr(1)))) {
      RunWord(*word, tokens);
    } else {
      WriteToStandardError(IgnoredTokenText(token));
    }
  } while (tokens.Advance() && !run.CloseRequested && !run.ExitRequested);
  run.WordsMetRefusedFlic = state_.Flic.FilesRefused != refusedBefore;
}

void TDisplayForm::RunWord(Word word, TokenSource& tokens) {
  // A box set from code runs its own handler when its state changes; the
  // words that name a handler run it once more in any case.
  const auto setThenRun = [this](QAbstractButton* box, bool checked, void (TDisplayForm::*handler)()) {
    box->setChecked(checked);
    (this->*handler)();
  };
  switch (word) {
    case Word::MaxPalOn: setThenRun(ui_->MaxPalCheck, true, &TDisplayForm::MaxPalCheckClick); break;
    case Word::MaxPalOff: setThenRun(ui_->MaxPalCheck, false, &TDisplayForm::MaxPalCheckClick); break;
    case Word::LoopOn: ui_->LoopCheck->setChecked(true); break;
    case Word::LoopOff: ui_->LoopCheck->setChecked(false); break;
    case Word::WinMax:
      if (movieWindow_ != nullptr) movieWindow_->setWindowState(Qt::WindowMaximized);
      state_.Playback.KeepMovieWindowSize = true;
      break;
    case Word::WinNormal:
      if (movieWindow_ != nullptr) movieWindow_->setWindowState(Qt::WindowNoState);
      break;
    case Word::TitleOn: setThenRun(ui_->TitleCheck, true, &TDisplayForm::TitleCheckClick); break;
    case Word::TitleOff: setThenRun(ui_->TitleCheck, false, &TDisplayForm::TitleCheckClick); break;
    case Word::BigReadOn: state_.Flic.ReadBigFrames = true; break;
    case Word::OnTopOn: setThenRun(ui_->OnTopCheck, true, &TDisplayForm::OnTopCheckClick); break;
    case Word::OnTopOff: setThenRun(ui_->OnTopCheck, false, &TDisplayForm::OnTopCheckClick); break;
    case Word::Wait: {
      // The time runs from before the argument is read. No window message is
      // handled meanwhile: the windows do not answer while the run waits.
      const uint32_t start = tick_();
      const uint16_t milliseconds = WaitArgument(tokens.NextToken());
      WaitTicks(start, milliseconds, tick_, commandLine_.sleep);
      break;
    }
    case Word::Delay:
      ui_->SpeedBar->setValue(DelayArgument(tokens.NextToken()));
      SpeedBarChange();
      break;
    case Word::Brightness:
      ui_->BrightnessBar->setValue(BrightnessArgument(tokens.NextToken()));
      BrightnessBarChange();
      break;
    case Word::Contrast:
      state_.Colour.Adjustment.ContrastFactor = ContrastArgument(tokens.NextToken());
      ui_->ContrastBar->setValue(ContrastBarFor(state_.Colour.Adjustment.ContrastFactor));
      ContrastBarChange();
      break;
    case Word::Play:
      state_.Flic.LoadFlicName = tokens.NextToken();
      LoadButtonClick();
      if (ui_->PlayButton->isEnabled()) PlayFileButtonClick();
      break;
    case Word::PlayFile:
      FreeFlicMemory(state_.Flic, *this);
      state_.Playback.DiskFlicName = tokens.NextToken();
      PlayFileButtonClick();
      break;
    case Word::WavFile: state_.Playback.WavFileName = tokens.NextToken(); break;
    case Word::HideMenu: {
      const ScreenSize screen = QueryScreenSize();
      MovePanel(QPoint(screen.width, screen.height));
      break;
    }
    case Word::ShowMenu: break;
    case Word::DirectXOn: setThenRun(ui_->DirectXCheck, true, &TDisplayForm::DirectXCheckClick); break;
    case Word::OptimizeOn: ui_->OptimizeCheck->setChecked(true); break;
    case Word::OptimizeOff: ui_->OptimizeCheck->setChecked(false); break;
    case Word::DirectXOff: setThenRun(ui_->DirectXCheck, false, &TDisplayForm::DirectXCheckClick); break;
    case Word::AutoModeOn:
      ui_->DirXAutoCheck->setChecked(true);
      ui_->DirXForceCheck->setChecked(false);
      break;
    case Word::AutoModeOff:
      ui_->DirXAutoCheck->setChecked(false);
      ui_->DirXForceCheck->setChecked(true);
      break;
    case Word::OneSurfOn: ui_->DirXSurfaceCheck->setChecked(true); break;
    case Word::OneSurfOff: ui_->DirXSurfaceCheck->setChecked(false); break;
    case Word::FpsOn: ui_->DirXFPSCheck->setChecked(true); break;
    case Word::FpsOff: ui_->DirXFPSCheck->setChecked(false); break;
    case Word::Mode: {
      const std::string argument = tokens.NextToken();
      const std::optional<int> index = ModeArgument(argument);
      if (!index) throw PlayerError(NotAnIntegerText(argument));
      ui_->ForceModeRadioGroup->SetItemIndex(*index);
      break;
    }
    case Word::Close:
      // The panel is not closed, so nothing is saved; the event loop ends
      // once the current work returns.
      if (commandLine_.endApplication) commandLine_.endApplication();
      state_.Run.CloseRequested = true;
      break;
  }
}

}  // namespace kt
