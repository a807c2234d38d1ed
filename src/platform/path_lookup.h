// Command-line words upper-case every file name, and this file system tells
// letter cases apart: a name that does not exist as written is found by
// matching each of its components without regard to case.
#pragma once

#include <string>

namespace kt {

// The existing path that `path` names when compared without regard to ASCII
// letter case, component by component; `path` unchanged when it exists as
// written or when no such path exists.
std::string FindPathIgnoringCase(const std::string& path);

}  // namespace kt
