// The entry of the module the player loads to export (see export_module.h).
#include "convert/export_module.h"

#include "convert/output_formats.h"

extern "C" const kt::ExportCalls* KinetropeExportCalls() {
  static const kt::ExportCalls calls{kt::SaveDialogFilter, kt::ConvertFile, kt::ConvertFlicInMemory};
  return &calls;
}
