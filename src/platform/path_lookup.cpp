#include "platform/path_lookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

#include "base/ascii.h"

namespace kt {
namespace {

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> SplitComponents(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// The entry of `directory` whose name equals `name` without regard to case;
// the exact name wins when it exists. Empty when there is none.
std::string MatchEntry(const std::string& directory, const std::string& name) {
  if (Exists(directory + name)) return name;
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return {};
  std::string found;
  while (const dirent* entry = ::readdir(dir)) {
    // Of several spellings the same in every run, whatever order the folder lists them in.
    const std::string candidate = entry->d_name;
    if (EqualsIgnoringAsciiCase(candidate, name) && (found.empty() || candidate < found)) found = candidate;
  }
  ::closedir(dir);
  return found;
}

}  // namespace

std::string FindPathIgnoringCase(const std::string& path) {
  if (path.empty() || Exists(path)) return path;
  std::string resolved = path.front() == '/' ? "/" : "";
  for (const std::string& part : SplitComponents(path)) {
    if (part == "." || part == "..") {
      resolved += part + "/";
      continue;
    }
    const std::string match = MatchEntry(resolved, part);
    if (match.empty()) return path;
    resolved += match + "/";
  }
  if (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
  return resolved;
}

}  // namespace kt
