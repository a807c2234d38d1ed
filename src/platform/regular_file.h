// Opening the files the program reads: a name given by the user may be a
// FIFO, a device or a folder, and opening a FIFO for reading waits for a
// writer that may never come. Files are therefore opened without blocking
// and kept only when they turn out to be regular files.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace kt {

struct RegularFileOpen {
  int fd = -1;              // open for reading, blocking again; -1 on failure
  int error = 0;            // errno of the failed open, or 0
  bool notRegular = false;  // it opened, but is a FIFO, device, folder or socket
  mode_t type = 0;          // the file's S_IFMT bits when it opened
};

// Opens `path` for reading without waiting on a FIFO's writer or a device;
// the descriptor is kept only when it is a regular file. Close-on-exec.
RegularFileOpen OpenRegularFile(const std::string& path);

// "a FIFO (named pipe)", "a folder", "a character device" ... for the S_IFMT
// bits of a file that is not regular.
std::string FileKindText(mode_t type);

// What kind of file `path` is when it exists and is not a regular file (a
// link is followed); nothing for a regular file or a name that is not there.
// Never opens the file, so a FIFO cannot make it wait.
std::optional<std::string> NotRegularFileKind(const std::string& path);

}  // namespace kt
