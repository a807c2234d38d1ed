#include "views/resources.h"

#include <QtGlobal>

// Outside the namespace: the macro names a function of the global one.
static void RegisterKinetropeResources() { Q_INIT_RESOURCE(kinetrope); }

namespace kt {

void EnsureResources() {
  static const bool registered = (RegisterKinetropeResources(), true);
  (void)registered;
}

QIcon ApplicationIcon() {
  EnsureResources();
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QString(":/icons/kinetrope_%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace kt
