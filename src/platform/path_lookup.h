// Scripts and command lines written for a case-blind system name files in
// any letter case, and this file system tells cases apart: a name that does
// not exist as written is found by matching each of its components without
// regard to ASCII case. A name that exists as written is always that file.
#pragma once

#include <string>

namespace kt {

// The existing path that `path` names when compared without regard to ASCII
// letter case, component by component; `path` unchanged when it exists as
// written or when no such path exists. Where a component matches several
// entries, the one that sorts first byte by byte.
std::string FindPathIgnoringCase(const std::string& path);

}  // namespace kt
