// The files a file manager hands over in a drag: a text/uri-list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kt {

// The local files of a text/uri-list, in its order: one URI a line, lines
// ending in CR LF or LF, "#" lines comments. A file: URI of this machine (no
// host, "localhost" or `hostName`) gives its path with the %XX escapes
// turned back into the bytes of the name, which need not be UTF-8. Anything
// else (another machine, http:, a path with a NUL in it) is left out: it
// is no file here to open.
std::vector<std::string> LocalFilesOfUriList(std::string_view list, std::string_view hostName);

}  // namespace kt
