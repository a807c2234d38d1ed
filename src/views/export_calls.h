// The conversion module, loaded on the first export and kept for the rest of
// the program: it is installed in lib/kinetrope beside the program's bin
// folder, and in a build tree it sits in lib/kinetrope of the build's top,
// where the player is, one folder above the tests.
#pragma once

#include "convert/export_module.h"

namespace kt {

// The module's calls; raises ConvertError, naming the module and why, when
// it cannot be loaded.
const ExportCalls& LoadExportCalls();

}  // namespace kt
