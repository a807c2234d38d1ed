// SIGTERM (a desktop logging out), SIGHUP (a closed terminal) and SIGINT
// (Ctrl-C) end the player as its Exit button does: a playback stops through
// its clean-up and the options are saved. The handler itself only notes the
// signal and wakes the event loop through a pipe; the close runs there, on
// the user-interface thread. A second signal while that runs ends the
// program at once.
#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace kt {

class ExitSignals : public QObject {
 public:
  // Closes `panel` when a signal comes; the panel's close is the Exit.
  explicit ExitSignals(QWidget& panel);
  ~ExitSignals() override;  // the signals' usual meaning back
  ExitSignals(const ExitSignals&) = delete;
  ExitSignals& operator=(const ExitSignals&) = delete;

  // The program's exit status: 130 after SIGINT, as a shell reports a
  // Ctrl-C; otherwise the event loop's own.
  int ExitStatus(int loopResult) const;

 private:
  void CloseAsExit();

  QWidget& panel_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kt
