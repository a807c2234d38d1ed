// The player's own modules: parts it loads only when first used, so that a
// start does not load and bind the libraries behind them (the encoders',
// the sound's). They are installed in lib/kinetrope/modules beside the
// program's bin folder; in a build tree they sit in lib/kinetrope/modules at
// the build's top, where the player is, one folder above the tests. A module
// once loaded stays.
#pragma once

#include <string>

namespace kt {

struct ModuleEntry {
  void* entry = nullptr;  // the function named, or null
  std::string failure;    // why there is none: the module's path and the loader's words
};

// The function `entry` of the module file `name` ("conversion.so").
ModuleEntry LoadModuleEntry(const std::string& name, const char* entry);

}  // namespace kt
