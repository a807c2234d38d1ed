#include "views/export_calls.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace kt {

namespace {

constexpr const char* kModuleName = "conversion.so";

std::filesystem::path FindModule() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path folder = program.parent_path();
  const std::filesystem::path installed = folder / ".." / "lib" / "kinetrope" / kModuleName;
  const std::filesystem::path built = folder / "lib" / "kinetrope" / kModuleName;
  return !error && !std::filesystem::exists(installed, error) && std::filesystem::exists(built, error) ? built
                                                                                                       : installed;
}

}  // namespace

const ExportCalls& LoadExportCalls() {
  // Loaded once: a later export must not pay for it again, and unloading
  // under the encoders' worker threads could never be safe.
  static const ExportCalls* calls = nullptr;
  if (calls != nullptr) return *calls;
  const std::filesystem::path module = FindModule();
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  const char* why = handle == nullptr ? dlerror() : nullptr;
  const auto entry = handle != nullptr ? reinterpret_cast<ExportCallsEntry>(dlsym(handle, kExportCallsEntry)) : nullptr;
  if (entry == nullptr) {
    throw ConvertError("Exporting needs the conversion module " + module.lexically_normal().string() +
                       ", which cannot be loaded: " + (why != nullptr ? why : "it has no entry"));
  }
  calls = entry();
  return *calls;
}

}  // namespace kt
