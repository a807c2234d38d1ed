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
int RunConvert(const Arguments& args);

// What check lists for the file, one problem a line; empty for a sound one.
// The notes on data after the ring frame, and the frames of the first pass
// plus the ring frame that were read, when asked for.
std::vector<std::string> CheckProblems(const std::string& path, std::vector<std::string>* notes = nullptr,
                                       size_t* framesRead = nullptr);

}  // namespace kt::cli
