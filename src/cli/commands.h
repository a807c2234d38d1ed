// The headless tool's commands; each returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace kt::cli {

using Arguments = std::vector<std::string>;

int RunInfo(const Arguments& args);

}  // namespace kt::cli
