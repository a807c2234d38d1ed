// A script file named by "!": any bytes, read the way the run reads them,
// each token and, for the words that take one, its argument. It must end
// on its own, refuse what is no text, and never hand on a token that
// spans a line end.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/ascii.h"
#include "base/errors.h"
#include "words/command_line.h"

namespace {

// One file, rewritten for each input, in memory when the system has /dev/shm.
const std::string& ScriptPath() {
  static const std::string path = [] {
    std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/kt-script-XXXXXX");
    const int fd = mkstemp(pattern.data());
    if (fd < 0) std::abort();
    close(fd);
    return pattern;
  }();
  return path;
}

struct RemoveAtExit {
  ~RemoveAtExit() { unlink(ScriptPath().c_str()); }
} removeAtExit;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(ScriptPath().c_str(), "wb");
  if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();
  try {
    kt::TokenSource tokens({"!" + ScriptPath()});
    if (!tokens.ScriptMode()) std::abort();
    size_t steps = 0;
    do {
      const std::string token = kt::AsciiUpperCase(tokens.ReadToken());
      if (token.find('\n') != std::string::npos || token.find('\0') != std::string::npos) std::abort();
      if (token.size() > 1 && (token[0] == '/' || token[0] == '-')) {
        if (const auto word = kt::FindWord(token.substr(1))) {
          for (const kt::WordInfo& info : kt::Words()) {
            if (info.word == *word && *info.argument != '\0') (void)tokens.NextToken();
          }
        }
      }
      // A line takes at least one byte, so a run longer than the file has
      // lines (plus the empty token at its end) has stopped ending.
      if (++steps > size + 2) std::abort();
    } while (tokens.Advance());
  } catch (const kt::PlayerError&) {
    // No script (NUL bytes) or a read error: both are reported to the user.
  }
  return 0;
}
