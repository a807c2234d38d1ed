// The control panel: the player's main window. Every command of the player
// ends in one of its handlers; keys, command-line words and the movie
// window call the same handlers the buttons do. The options are declared
// in options.h; their values live in the player state, not in the controls.
// The handlers are in control_panel.cpp; the other parts of the panel each have
// a file of their own:
//   panel_setup.cpp            its controls made up and wired to the handlers
//                              through the guard; the play command and the
//                              outputs that come with the movie window
//   panel_window.cpp           its place, its shows, activation and close
//   panel_playback_host.cpp    what the play command and the load read and write
//   panel_options.cpp          the options' controls and what each change does
//   settings.cpp               the stored options: load, save, what was read
//   word_run.cpp               the run of the command-line words
//   panel_drop.cpp             flics dropped on the panel or the movie window
//   keyboard.cpp, key_table.*  the keys of both windows
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "control/keyboard.h"
#include "control/options.h"
#include "control/player_state.h"
#include "platform/qt/key_press.h"
#include "platform/settings_store.h"
#include "platform/window_services.h"
#include "playback/load_command.h"
#include "playback/playback_host.h"
#include "words/command_line.h"

namespace Ui {
class ControlPanel;
}

class QAbstractButton;
class QKeyEvent;
class QLabel;

namespace kt {

class FileDropTarget;
class FullScreenOutput;
class TrackBar;
struct KeyCommand;
class PlayCommand;
class SoundAccompaniment;
class MovieWindow;
class WindowOutput;

class ControlPanel : public QWidget, private PlaybackHost {
  Q_OBJECT

 public:
  // Boxes and dialogs go through `services`, so tests answer them without a person.
  explicit ControlPanel(WindowServices& services, QWidget* parent = nullptr);
  ~ControlPanel() override;

  PlayerState& State() { return state_; }
  const PlayerState& State() const { return state_; }
  WindowServices& Services() { return services_; }

  // The two other windows, created after the control panel. The movie
  // window brings the window output that frames and palettes go to.
  void SetMovieWindow(MovieWindow* movieWindow);
  void SetAboutWindow(QWidget* aboutWindow);
  MovieWindow* Movie() const { return movieWindow_; }

  // The millisecond tick the playback times its frames with.
  void SetTick(std::function<uint32_t()> tick) { tick_ = std::move(tick); }

  // Off, a playback checks its flic and starts and ends as usual, but shows
  // no frame: the words can then run through the real panel as fast as they
  // are read, which is how the words fuzzer drives it.
  void SetFramesShown(bool shown);

  // The words RunCommandLine runs, with WAIT's sleep and CLOSE's end of the program.
  void SetCommandLine(CommandLineSetup setup);

  // Start-up and shut-down.
  void FormCreate();
  void FormShow();
  void FormClose();
  void RunCommandLine();

  // The top row.
  void LoadIntoMemory();
  void ChooseAndPlayFromDisk();
  void RecordFrames();
  void ToggleFullScreenPanel();
  void ToggleStatsPanel();
  void ToggleOptionsPanel();
  void ToggleInfoPanel();
  void ShowAbout();
  void ResetAdjustments();
  void Minimise();
  void Exit();

  // The bottom row and the play command.
  void Play();
  void PlayFromDisk();
  void Stop();
  void StepBack();
  void PauseOrResume();
  void StepForward();
  void GoToChosenFrame();

  // The options (options.h): each is set here, shown by its control and
  // followed by its change. `run` says whether an unchanged value runs the
  // change too.
  const OptionValues& Options() const { return state_.Options; }
  void SetOption(Option option, int32_t value, OptionRun run = OptionRun::Always);
  // One step up or down within the option's range; the change always runs.
  void StepOption(Option option, int by);

  // What a change of each option does.
  void ApplyDelay();
  void ApplyBrightness();
  void ApplyContrast();
  void ApplyMovieTitle();
  void ApplyOnTop();
  void ApplyMaxPalette();
  void ApplyFullScreenChoice();
  void ApplyReadBig();
  // The bars and the loop box never keep the focus, so the arrow keys reach
  // the window's key commands instead of moving a bar.
  void ReturnFocusToButtons();

  void ShowFlicInfo() override;

  // Settings.
  void LoadSettings();
  void SaveSettings();

  // Keys, seen before the focused control and handed on from the movie
  // window: a Qt key with its exact Shift/Alt/Ctrl set, and a typed
  // character, which is cleared to keep it from the control.
  // What each key does is in the key table (key_table.cpp).
  void FormKeyDown(const KeyDown& key);
  void FormKeyPress(char& key);
  // The keys that work the movie window and have no control of their own:
  // M and Alt+Enter.
  void MaximiseOrRestoreMovie();
  void ZoomMovie();

 signals:
  // The panel has closed; the program ends.
  void Closed();

 protected:
  void setVisible(bool visible) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // ---- panel_playback_host.cpp
  // LoadWindowSteps
  void SetMovieCaption(const std::string& caption) override;
  void SizeMovieWindow(int width, int height) override;
  void EnablePlayAndRecordButtons() override;
  void SetLoadingControls(bool loading) override;
  bool EndRequested() const override;

  // PlaybackHost
  bool LoopChecked() const override;
  bool DirectXChecked() const override;
  bool OnTopChecked() const override;
  bool OptimizeChecked() const override;
  bool StatPanelVisible() const override;
  int SpeedBarPosition() const override;
  void SetFrameBarRange(int minimum, int maximum, int pageSize) override;
  void SetFrameBarPosition(int position) override;
  void SetFrameLabel(const std::string& text) override;
  void ShowFrameControls(bool shown) override;
  void SetPlayingControls(bool playing) override;
  void SetFpsLabel(const std::string& text) override;
  void SetActualDelayLabel(const std::string& text) override;
  void SetFramesPlayedLabel(const std::string& text) override;
  void SetPlayingTimeLabel(const std::string& text) override;
  void FocusMovieWindowIfVisible() override;
  void ShowMovieWindowIfHidden() override;
  void BringControlPanelToTop() override;
  void CloseControlPanel() override;
  void HaltProgram() override;

  // ---- panel_setup.cpp
  void SetUpControls();
  void ChooseFonts();
  void WireControls();
  template <typename Sender, typename Signal>
  void Wire(Sender* sender, Signal signal, void (ControlPanel::*handler)());
  void WireOptions();
  void FillMiddleArea();

  // ---- panel_window.cpp
  // Puts the panel's frame corner where the program wants it.
  void MovePanel(QPoint topLeft);
  // Moves the panel's frame to a stored place, brought back onto the
  // nearest screen when too little of its caption would show.
  void PlacePanel(QPoint topLeft);

  // ---- panel_options.cpp
  // The option's control made to show the model's value, without running anything.
  void ShowOption(Option option);
  // The option's control was changed, by the user or by code working the control.
  void TakeOptionFromControl(Option option);
  void RunOptionChange(Option option);

  // ---- settings.cpp
  // The eighteen options as the close would write them, in the store's order.
  SettingsValues CurrentOptions() const;
  // Notes the options as they stand, as the state the user starts from;
  // once only unless `replace`.
  void NoteOptionsBaseline(bool replace);

  // ---- word_run.cpp
  // One word of the command line or script; an argument comes from `tokens`.
  void RunWord(Word word, TokenSource& tokens);

  // ---- panel_drop.cpp
  // Both windows take dropped files while "Select flic to be played" is enabled.
  void TakeDroppedFiles(QWidget& window, std::unique_ptr<FileDropTarget>& target);
  bool AcceptsDroppedFiles() const;
  void PlayDroppedFiles(const std::vector<std::string>& files);

  // ---- keyboard.cpp
  // Key preview: every key meant for this window comes here first. True
  // when the key was used up.
  bool PreviewKey(QKeyEvent& event);
  void RunKeyCommand(const KeyCommand& command);

  // ---- control_panel.cpp
  // Every entry from the event loop comes through here.
  bool Guarded(void (ControlPanel::*handler)());
  bool Guarded(const std::function<void()>& command);
  void SetPanelVisible(QWidget* shown, bool visible);
  // Brightness, contrast and delay at their neutral positions, each change run.
  void ResetAdjustmentBars();
  // A playing flic shows the colours as they now stand.
  void ApplyPaletteIfPlaying();
  PlayCommand& Player();

  WindowServices& services_;
  PlayerState state_;
  std::unique_ptr<Ui::ControlPanel> ui_;
  MovieWindow* movieWindow_ = nullptr;
  std::unique_ptr<WindowOutput> windowOutput_;
  std::unique_ptr<FullScreenOutput> fullScreen_;
  std::unique_ptr<SoundAccompaniment> sound_;
  std::function<uint32_t()> tick_;
  std::unique_ptr<PlayCommand> play_;
  QWidget* aboutWindow_ = nullptr;
  std::unique_ptr<FileDropTarget> panelDrop_;
  std::unique_ptr<FileDropTarget> movieDrop_;
  CommandLineSetup commandLine_;
  MovieBounds savedMovieBounds_;  // the movie window's bounds before Alt+Enter zoomed it
  // A close writes an option the user changed since the baseline; one this
  // run's load read goes back in the run's own form only while the file
  // still holds what was read. A run whose load stopped early, or never
  // came, loses nothing it did not read, and another player's change made
  // meanwhile stays.
  std::map<std::string, std::optional<std::string>> loadedOptions_;  // lower-case name: the bytes read, if any
  std::optional<SettingsValues> optionsBaseline_;
  bool closed_ = false;  // the close has saved the options and ended the program
  bool formShowRunning_ = false;
  bool framesShown_ = true;
  bool statsShown_ = false;            // the statistics panel, which a playback keeps up to date
  bool movieAfterWordsError_ = false;  // the error's box first, then the movie window
  bool fontsChosen_ = false;           // at the first show
  // Where the program last put the panel; the user has moved it when it stands elsewhere.
  QPoint placedAt_;
  std::vector<std::pair<QWidget*, bool>> enabledBeforeLoad_;  // the controls a long load disabled
};

// The program's own words: its parameters, with CLOSE ending the event loop.
CommandLineSetup ProgramCommandLine(std::vector<std::string> parameters);

}  // namespace kt
