// The player's start: the application title, then the control panel.
#include <QApplication>
#include <QLabel>

#include "platform/window_services.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(kt::kApplicationTitle);
  QLabel panel("Kinetrope");
  panel.setWindowTitle(kt::kApplicationTitle);
  panel.resize(398, 136);
  panel.show();
  return QApplication::exec();
}
