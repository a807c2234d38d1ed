#include "views/export_calls.h"

#include "platform/private_module.h"

namespace kt {

const ExportCalls& LoadExportCalls() {
  // Loaded once: a later export must not pay for it again.
  static const ExportCalls* calls = nullptr;
  if (calls != nullptr) return *calls;
  const ModuleEntry module = LoadModuleEntry("conversion.so", kExportCallsEntry);
  if (module.entry == nullptr) throw ConvertError("The conversion module cannot be loaded: " + module.failure);
  calls = reinterpret_cast<ExportCallsEntry>(module.entry)();
  return *calls;
}

}  // namespace kt
