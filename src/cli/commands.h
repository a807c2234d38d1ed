// The headless tool's commands; each returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace kt::cli {

using Arguments = std::vector<std::string>;

int RunInfo(const Arguments& args);
int RunExport(const Arguments& args);
int RunCheck(const Arguments& args);
int RunBench(const Arguments& args);
int RunThumbnail(const Arguments& args);

}  // namespace kt::cli
