#include "control/exit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <cerrno>

namespace kt {

namespace {

constexpr int kExitSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Shared with the handler, which may run on any thread: only a flag and a
// descriptor, set before the handler is installed.
volatile sig_atomic_t receivedSignal = 0;
int wakeWrite = -1;
int wakeRead = -1;

void OnExitSignal(int number) {
  if (receivedSignal != 0) {
    // The second: the first one's clean-up is taking too long for the user.
    ::signal(number, SIG_DFL);
    ::raise(number);
    return;
  }
  receivedSignal = number;
  const int savedErrno = errno;
  const char byte = 1;
  // A full pipe already holds a wake-up; nothing is lost by dropping this one.
  [[maybe_unused]] const ssize_t wrote = ::write(wakeWrite, &byte, 1);
  errno = savedErrno;
}

}  // namespace

ExitSignals::ExitSignals(QWidget& panel) : panel_(panel) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  wakeRead = ends[0];
  wakeWrite = ends[1];
  notifier_ = new QSocketNotifier(wakeRead, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    while (::read(wakeRead, bytes, sizeof bytes) > 0) {
    }
    notifier_->setEnabled(false);
    CloseAsExit();
  });

  struct sigaction action {};
  action.sa_handler = OnExitSignal;
  // SA_RESTART: a signal landing in the middle of a save or a read must not
  // make it fail. The three are held off while one is handled, so that two
  // arriving together are seen as first and second.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int number : kExitSignals) sigaddset(&action.sa_mask, number);
  for (int number : kExitSignals) ::sigaction(number, &action, nullptr);
}

ExitSignals::~ExitSignals() {
  for (int number : kExitSignals) ::signal(number, SIG_DFL);
  if (wakeRead >= 0) ::close(wakeRead);
  if (wakeWrite >= 0) ::close(wakeWrite);
  wakeRead = wakeWrite = -1;
}

int ExitSignals::ExitStatus(int loopResult) const { return receivedSignal == SIGINT ? 130 : loopResult; }

void ExitSignals::CloseAsExit() {
  // Exit cannot be pressed while a box or dialog waits for an answer, so
  // each is answered first as its Esc would (Ignore where a box offers it,
  // Cancel in a dialog); the panel's close comes once their loops have
  // returned, and stops a playback before it saves.
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->close()) break;
  }
  QTimer::singleShot(0, &panel_, [this] { panel_.close(); });
}

}  // namespace kt
