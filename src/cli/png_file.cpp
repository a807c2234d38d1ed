#include "cli/png_file.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/errors.h"

namespace kt::cli {
namespace {

// The temporary file being written, for the signal handler: a file manager
// that gives up on a slow thumbnail ends the tool with SIGTERM, and the
// half-written file should not stay behind in its folder.
char g_temporaryName[4096];

void RemoveTemporaryAndDie(int signalNumber) {
  if (g_temporaryName[0] != '\0') ::unlink(g_temporaryName);
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    const std::string name = target + ".XXXXXX";
    if (name.size() >= sizeof g_temporaryName) throw PlayerError("cannot write " + target + ": the name is too long");
    std::memcpy(g_temporaryName, name.c_str(), name.size() + 1);
    for (int signalNumber : kEndingSignals) std::signal(signalNumber, RemoveTemporaryAndDie);
    const int fd = ::mkstemp(g_temporaryName);
    if (fd < 0) {
      const int error = errno;
      g_temporaryName[0] = '\0';
      throw PlayerError("cannot write " + target + ": " + std::strerror(error));
    }
    name_ = g_temporaryName;
    // mkstemp makes the file private; the picture gets the permissions any
    // other new file of the user's would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
      ::close(fd);
      Discard();
      throw PlayerError("cannot write " + name_ + ": out of memory");
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!name_.empty()) Discard();
  }

  std::FILE* File() { return file_; }
  const std::string& Name() const { return name_; }

  // Closes the file; false with errno set when a buffered write fails.
  bool Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    return std::fclose(file) == 0;
  }

  void RenameTo(const std::string& target) {
    if (::rename(name_.c_str(), target.c_str()) != 0) {
      const int error = errno;
      throw PlayerError("cannot rename " + name_ + " to " + target + ": " + std::strerror(error));
    }
    Forget();
  }

 private:
  void Discard() {
    ::unlink(name_.c_str());
    Forget();
  }
  void Forget() {
    g_temporaryName[0] = '\0';
    for (int signalNumber : kEndingSignals) std::signal(signalNumber, SIG_DFL);
    name_.clear();
  }

  std::string name_;
  std::FILE* file_ = nullptr;
};

}  // namespace

void WritePngFile(const std::string& path, const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height) {
  if (width == 0 || height == 0 || rgb.size() != static_cast<size_t>(width) * height * 3 ||
      static_cast<uint64_t>(width) * 3 > std::numeric_limits<png_int_32>::max()) {
    throw PlayerError("cannot write " + path + ": no picture to write");
  }
  TemporaryFile temporary(path);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGB;
  // Unfiltered rows and quick compression: a thumbnail of a 640 x 480 flic
  // takes half the time, and since flic pictures hold few colours the files
  // come out no larger.
  image.flags = PNG_IMAGE_FLAG_FAST;
  errno = 0;
  const bool written = png_image_write_to_stdio(&image, temporary.File(), 0, rgb.data(), 0, nullptr) != 0;
  const int writeError = errno;
  png_image_free(&image);
  if (!written) {
    // libpng says only "Write Error" for a failed write; the system knows why.
    const std::string reason = writeError != 0 ? std::strerror(writeError) : image.message;
    throw PlayerError("cannot write " + temporary.Name() + ": " + reason + "; the unfinished file was removed");
  }
  if (!temporary.Close()) {
    const int error = errno;
    throw PlayerError("cannot write " + temporary.Name() + ": " + std::strerror(error) +
                      "; the unfinished file was removed");
  }
  temporary.RenameTo(path);
}

}  // namespace kt::cli
