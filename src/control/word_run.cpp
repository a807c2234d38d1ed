// The run of the words: RunCommandLine reads the tokens of the command line
// or script once, at the panel's first show, and each word works the
// panel's controls and handlers as the user would.
#include <QCoreApplication>
#include <QMetaObject>
#include <optional>
#include <string>
#include <utility>

#include "base/ascii.h"
#include "base/errors.h"
#include "base/integer_text.h"
#include "control/control_panel.h"
#include "platform/message_text.h"
#include "platform/qt/system_metrics.h"
#include "ui_control_panel.h"
#include "views/movie_window.h"
#include "words/command_line.h"
#include "words/token_rule.h"

namespace kt {

CommandLineSetup ProgramCommandLine(std::vector<std::string> parameters) {
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

void ControlPanel::SetCommandLine(CommandLineSetup setup) { commandLine_ = std::move(setup); }

void ControlPanel::RunCommandLine() {
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
  SetOption(Option::Loop, 0, OptionRun::OnChange);
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
      PlayFromDisk();
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

namespace {

// The option value a word's argument gives.
int32_t OptionArgument(Word word, const std::string& argument) {
  switch (word) {
    case Word::Delay: return DelayArgument(argument);
    case Word::Brightness: return BrightnessArgument(argument);
    case Word::Contrast: return ContrastBarFor(ContrastArgument(argument));
    default: break;
  }
  const std::optional<int> index = ModeArgument(argument);
  if (!index) throw PlayerError(NotAnIntegerText(argument));
  return *index;
}

}  // namespace

void ControlPanel::RunWord(Word word, TokenSource& tokens) {
  // A word sets its option as the user would, and runs the option's
  // change also when the value stays.
  if (const OptionRow* row = RowOfWord(word)) {
    const int32_t value = row->valueWord == word ? OptionArgument(word, tokens.NextToken()) : row->onWord == word;
    return SetOption(row->option, value);
  }
  switch (word) {
    case Word::WinMax:
      if (movieWindow_ != nullptr) movieWindow_->setWindowState(Qt::WindowMaximized);
      state_.Playback.KeepMovieWindowSize = true;
      break;
    case Word::WinNormal:
      if (movieWindow_ != nullptr) movieWindow_->setWindowState(Qt::WindowNoState);
      break;
    // For this run only: the stored option stays as it was.
    case Word::BigReadOn: state_.Flic.ReadBigFrames = true; break;
    case Word::Wait: {
      // The time runs from before the argument is read. No window message is
      // handled meanwhile: the windows do not answer while the run waits.
      const uint32_t start = tick_();
      const uint16_t milliseconds = WaitArgument(tokens.NextToken());
      WaitTicks(start, milliseconds, tick_, commandLine_.sleep);
      break;
    }
    case Word::Play:
      state_.Flic.LoadFlicName = tokens.NextToken();
      LoadIntoMemory();
      if (ui_->PlayButton->isEnabled()) PlayFromDisk();
      break;
    case Word::PlayFile:
      FreeFlicMemory(state_.Flic, *this);
      state_.Playback.DiskFlicName = tokens.NextToken();
      PlayFromDisk();
      break;
    case Word::WavFile: state_.Playback.WavFileName = tokens.NextToken(); break;
    case Word::HideMenu: {
      const ScreenSize screen = QueryScreenSize();
      MovePanel(QPoint(screen.width, screen.height));
      break;
    }
    case Word::Close:
      // The panel is not closed, so nothing is saved; the event loop ends
      // once the current work returns.
      if (commandLine_.endApplication) commandLine_.endApplication();
      state_.Run.CloseRequested = true;
      break;
    // The option words are the option table's; SHOWMENU does nothing.
    default: break;
  }
}

}  // namespace kt
