// A flic opened for one sequential read: a load into memory or one playback
// from disk. It keeps the running offset that the frame reader counts with,
// and turns every short or failed read into the player's read errors. Small
// reads are served from a window of the file read ahead in one system call:
// a frame read from disk is a frame header, a chunk header and the chunk's
// data, each a call of its own otherwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/or_why_not.h"

namespace kt {

class FlicFile {
 public:
  // Opens a file on disk; a name that does not exist as written is looked up
  // again without regard to letter case. When it cannot be opened, the reason
  // is the system's, or what kind of file it is when it is no regular file.
  static OrWhyNot<FlicFile> Open(const std::string& path);
  // Reads from bytes already in memory (the fuzzers and tests use this).
  static FlicFile FromBytes(std::vector<uint8_t> bytes);

  FlicFile(FlicFile&& other) noexcept;
  FlicFile& operator=(FlicFile&& other) noexcept;
  FlicFile(const FlicFile&) = delete;
  FlicFile& operator=(const FlicFile&) = delete;
  ~FlicFile();

  // Reads exactly count bytes or raises "Read beyond end of file" / "I/O error N".
  void Read(void* destination, uint64_t count);
  // Reads as many of count bytes as there are; raises only for a failing read.
  uint64_t ReadUpTo(void* destination, uint64_t count);
  void Seek(uint64_t offset);

  uint64_t Offset() const { return offset_; }
  uint64_t Length() const { return length_; }
  // Bytes between the running offset and the end of the file (0 past the end).
  uint64_t Remaining() const { return offset_ < length_ ? length_ - offset_ : 0; }
  const std::string& Path() const { return path_; }
  void Close();

 private:
  FlicFile() = default;
  uint64_t TakeFromWindow(uint8_t* out, uint64_t count);
  bool FillWindow();
  void ReadFromDisk(uint8_t* out, uint64_t count, uint64_t& done);

  int fd_ = -1;
  std::vector<uint8_t> memory_;
  bool inMemory_ = false;
  uint64_t offset_ = 0;
  uint64_t length_ = 0;
  std::string path_;
  std::unique_ptr<uint8_t[]> window_;  // windowSize_ bytes of the file from windowStart_ on
  uint64_t windowStart_ = 0;
  uint64_t windowSize_ = 0;
};

}  // namespace kt
