// The player's start: the application title, the three windows in their
// order, and the event loop; closing the control panel ends the program.
#include <QApplication>

#include "control/mainform.h"
#include "platform/qt/qt_window_services.h"
#include "windows/about.h"
#include "windows/imageunt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(kt::kApplicationTitle);
  // The panel and the movie window are hidden while the about window shows;
  // closing that must not end the program. Only the panel's close does.
  QApplication::setQuitOnLastWindowClosed(false);

  kt::QtWindowServices services;
  kt::TDisplayForm panel(services);
  services.SetDialogParent(&panel);
  kt::TImageForm movieWindow;
  kt::TAboutForm aboutWindow;
  panel.SetMovieWindow(&movieWindow);
  panel.SetAboutWindow(&aboutWindow);
  QObject::connect(&panel, &kt::TDisplayForm::Closed, &app, &QCoreApplication::quit);

  panel.show();
  const int result = QApplication::exec();
  // The movie window goes first; nothing may reach it through the panel after that.
  panel.SetMovieWindow(nullptr);
  return result;
}
