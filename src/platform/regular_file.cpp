#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kt {

RegularFileOpen OpenRegularFile(const std::string& path) {
  RegularFileOpen result;
  // O_NONBLOCK: a FIFO without a writer opens at once instead of waiting;
  // O_NOCTTY: a terminal named by mistake does not become ours.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    result.error = errno;
    ::close(fd);
    return result;
  }
  result.type = info.st_mode & S_IFMT;
  if (!S_ISREG(info.st_mode)) {
    result.notRegular = true;
    ::close(fd);
    return result;
  }
  // Reads of a regular file never wait anyway; the flag goes so that the
  // descriptor behaves as an ordinary one wherever it ends up.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  result.fd = fd;
  return result;
}

std::string FileKindText(mode_t type) {
  switch (type & S_IFMT) {
    case S_IFIFO: return "a FIFO (named pipe)";
    case S_IFDIR: return "a folder";
    case S_IFCHR: return "a character device";
    case S_IFBLK: return "a block device";
    case S_IFSOCK: return "a socket";
    case S_IFLNK: return "a symbolic link";
    case S_IFREG: return "a regular file";
    default: return "not a regular file";
  }
}

std::optional<std::string> NotRegularFileKind(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return std::nullopt;
  return FileKindText(info.st_mode);
}

}  // namespace kt
