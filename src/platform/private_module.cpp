#include "platform/private_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace kt {

namespace {

std::filesystem::path FindModule(const std::string& name) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
  const std::filesystem::path modules = std::filesystem::path("lib") / "kinetrope" / "modules" / name;
  const std::filesystem::path installed = (folder / ".." / modules).lexically_normal();
  const std::filesystem::path built = folder / modules;
  return !error && !std::filesystem::exists(installed, error) && std::filesystem::exists(built, error) ? built
                                                                                                       : installed;
}

}  // namespace

ModuleEntry LoadModuleEntry(const std::string& name, const char* entry) {
  const std::filesystem::path module = FindModule(name);
  // Bound at once: a library the module lacks shows now, not half-way
  // through its work. Its names stay its own.
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    return {nullptr, why != nullptr ? why : module.string() + ": cannot be loaded"};
  }
  void* function = dlsym(handle, entry);
  if (function == nullptr) return {nullptr, module.string() + ": no " + entry};
  return {function, ""};
}

}  // namespace kt
