#include "windows/resources.h"

#include <QtGlobal>

// Outside the namespace: the macro names a function of the global one.
static void RegisterKinetropeResources() { Q_INIT_RESOURCE(kinetrope); }

namespace kt {

void EnsureResources() {
  static const bool registered = (RegisterKinetropeResources(), true);
  (void)registered;
}

}  // namespace kt
