// The player's start: the application title, the three windows in their
// order, and the event loop; closing the control panel ends the program.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "control/control_panel.h"
#include "control/exit_signals.h"
#include "control/help_text.h"
#include "control/wayland_session.h"
#include "platform/qt/qt_window_services.h"
#include "views/about_window.h"
#include "views/movie_window.h"
#include "views/resources.h"
#include "words/command_line.h"

namespace {

// --help (or -h) and --version answer on the terminal and open no window.
// None of them can be a word: no word is named H, and a word's name never
// starts with a second "-".
bool AnswerWithoutWindows(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string parameter = argv[i];
    if (parameter == "--help" || parameter == "-h") {
      std::fputs(kt::UsageText().c_str(), stdout);
      return true;
    }
    if (parameter == "--version") {
      std::printf("%s\n", kt::kVersionText);
      return true;
    }
  }
  return false;
}

// The parameters Qt leaves after taking its own (-platform, -display ...),
// the program's path left out. QApplication removes its own from argv, and
// the rest are kept as the bytes the system gave: a file name need not be
// valid UTF-8, and a round trip through QString would mangle one that is not.
std::vector<std::string> Parameters(int argc, char** argv) {
  std::vector<std::string> parameters;
  for (int i = 1; i < argc; ++i) parameters.emplace_back(argv[i]);
  return parameters;
}

// Qt gives up on a display it cannot open with a fatal message and abort(),
// which looks like a crash to whoever started the player. While the
// application object is made, such an end says what is missing and exits
// with status 1 instead.
QtMessageHandler qtMessages = nullptr;

std::string DisplayName(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr ? value : "";
}

void NoDisplayEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    if (qtMessages != nullptr) qtMessages(type, context, text);
    return;
  }
  const std::string x11 = DisplayName("DISPLAY");
  const std::string wayland = DisplayName("WAYLAND_DISPLAY");
  std::string why;
  if (x11.empty() && wayland.empty()) {
    why = "DISPLAY and WAYLAND_DISPLAY are both unset; start it in a desktop session, or use kinetrope-cli";
  } else {
    why = "could not connect to";
    if (!x11.empty()) why += " the X display \"" + x11 + "\"";
    if (!x11.empty() && !wayland.empty()) why += " nor";
    if (!wayland.empty()) why += " the Wayland display \"" + wayland + "\"";
  }
  std::fprintf(stderr, "kinetrope: no display to show the player on: %s\n", why.c_str());
  std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerWithoutWindows(argc, argv)) return 0;

  kt::PreferXwaylandInWaylandSession(argc, argv);
  qtMessages = qInstallMessageHandler(NoDisplayEnd);
  QApplication app(argc, argv);
  qInstallMessageHandler(qtMessages);
  QApplication::setApplicationName(kt::kApplicationTitle);
  // The desktop entry's name, so a window system that groups windows by
  // program finds the entry and its icon.
  QGuiApplication::setDesktopFileName("kinetrope");
  QApplication::setWindowIcon(kt::ApplicationIcon());
  // The panel and the movie window are hidden while the about window shows;
  // closing that must not end the program. Only the panel's close does.
  QApplication::setQuitOnLastWindowClosed(false);

  kt::QtWindowServices services;
  kt::ControlPanel panel(services);
  services.SetDialogParent(&panel);
  kt::MovieWindow movieWindow;
  kt::AboutWindow aboutWindow;
  panel.SetMovieWindow(&movieWindow);
  panel.SetAboutWindow(&aboutWindow);
  panel.SetCommandLine(kt::ProgramCommandLine(Parameters(argc, argv)));
  QObject::connect(&panel, &kt::ControlPanel::Closed, &app, &QCoreApplication::quit);
  kt::ExitSignals exitSignals(panel);

  // The loop's first turn shows the panel. Its first show runs the words,
  // which may play flics and end the program, and every way of ending it
  // stops a loop that is already running.
  QTimer::singleShot(0, &panel, [&panel] { panel.show(); });
  const int result = QApplication::exec();
  // The movie window goes first; nothing may reach it through the panel after that.
  panel.SetMovieWindow(nullptr);
  return exitSignals.ExitStatus(result != 0 ? result : kt::ExitStatusOf(panel.State().Run));
}
