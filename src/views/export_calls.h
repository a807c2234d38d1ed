// The conversion, reached through its module (platform/private_module.h).
#pragma once

#include "convert/export_module.h"

namespace kt {

// The module's calls, loaded on the first export; raises ConvertError,
// naming the module and why, when it cannot be loaded.
const ExportCalls& LoadExportCalls();

}  // namespace kt
