#include "words/token_rule.h"

#include <sys/stat.h>

#include "base/ascii.h"
#include "platform/path_lookup.h"
#include "words/command_line.h"

namespace kt {

bool NamesExistingFile(const std::string& path) {
  struct stat info {};
  return ::stat(FindPathIgnoringCase(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool IsFileNameToken(const std::string& token, const std::function<bool(const std::string&)>& fileExists) {
  if (token.empty()) return false;
  if (token.front() != '/' && token.front() != '-') return true;
  // "-" never starts a path a shell or a file manager hands over.
  if (token.front() == '-') return false;
  return !FindWord(AsciiUpperCase(token.substr(1))) && fileExists(token);
}

std::string IgnoredTokenText(const std::string& token) {
  if (!token.empty() && token.front() == '-') return "ignored " + token + ": no such word";
  return "ignored " + token + ": neither a word nor an existing file";
}

}  // namespace kt
