#include "platform/uri_list.h"

#include <optional>
#include <utility>

#include "base/ascii.h"

namespace kt {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// A "%" not followed by two hex digits is kept as it stands, as lenient
// senders write it; a decoded NUL could not name a file.
std::optional<std::string> Unescaped(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && AsciiHexValue(text[i + 1]) >= 0 && AsciiHexValue(text[i + 2]) >= 0) {
      bytes.push_back(static_cast<char>(AsciiHexValue(text[i + 1]) * 16 + AsciiHexValue(text[i + 2])));
      i += 2;
    } else {
      bytes.push_back(text[i]);
    }
  }
  if (bytes.find('\0') != std::string::npos) return std::nullopt;
  return bytes;
}

std::optional<std::string> LocalFile(std::string_view uri, std::string_view hostName) {
  if (!StartsWithIgnoringCase(uri, "file:")) return std::nullopt;
  uri.remove_prefix(5);
  if (uri.substr(0, 2) == "//") {
    uri.remove_prefix(2);
    const size_t slash = uri.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = uri.substr(0, slash);
    if (!host.empty() && host != "localhost" && host != hostName) return std::nullopt;
    uri.remove_prefix(slash);
  }
  if (uri.empty() || uri.front() != '/') return std::nullopt;
  return Unescaped(uri);
}

}  // namespace

std::vector<std::string> LocalFilesOfUriList(std::string_view list, std::string_view hostName) {
  std::vector<std::string> files;
  while (!list.empty()) {
    const size_t end = list.find('\n');
    std::string_view line = list.substr(0, end);
    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    if (std::optional<std::string> file = LocalFile(line, hostName)) files.push_back(std::move(*file));
  }
  return files;
}

}  // namespace kt
