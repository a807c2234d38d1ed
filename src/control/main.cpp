// The player's start: the application title, the three windows in their
// order, and the event loop; closing the control panel ends the program.
#include <QApplication>
#include <QWidget>
#include <memory>

#include "control/mainform.h"
#include "control/player_state.h"
#include "platform/qt/qt_window_services.h"

namespace {

// Seam: the movie window, TImageForm, takes this place once it exists.
std::unique_ptr<QWidget> CreateMovieWindow() {
  auto window = std::make_unique<QWidget>(nullptr, Qt::Window);
  window->setWindowTitle(kt::kApplicationTitle);
  window->resize(kt::kDefaultFrameWidth, kt::kDefaultFrameHeight);
  return window;
}

// Seam: the about window, TAboutForm, takes this place once it exists.
std::unique_ptr<QWidget> CreateAboutWindow() { return nullptr; }

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(kt::kApplicationTitle);
  // The panel and the movie window are hidden while the about window shows;
  // closing that must not end the program. Only the panel's close does.
  QApplication::setQuitOnLastWindowClosed(false);

  kt::QtWindowServices services;
  kt::TDisplayForm panel(services);
  services.SetDialogParent(&panel);
  const std::unique_ptr<QWidget> movieWindow = CreateMovieWindow();
  const std::unique_ptr<QWidget> aboutWindow = CreateAboutWindow();
  panel.SetMovieWindow(movieWindow.get());
  panel.SetAboutWindow(aboutWindow.get());
  QObject::connect(&panel, &kt::TDisplayForm::Closed, &app, &QCoreApplication::quit);

  panel.show();
  return QApplication::exec();
}
