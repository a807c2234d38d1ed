// A file written under a temporary name beside its target and renamed over
// it only once it is complete, so a failure, a cancel or a full disk never
// leaves a partial file where the user expects the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kt {

class OutputFile {
 public:
  // Creates the temporary file; raises ConvertError naming the target.
  explicit OutputFile(std::string target);
  // Removes the temporary file unless it was committed.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Write is called from inside giflib and libpng, which an exception must
  // not cross: so it and Seek say only that they failed, and the first
  // failure is kept for Check, which the writer calls once the library has
  // returned.
  // Buffered; false once any write failed.
  bool Write(const void* bytes, size_t count);
  // lseek after flushing; -1 on failure.
  int64_t Seek(int64_t offset, int whence);
  // Raises ConvertError with the first failure's reason, if any.
  void Check() const;
  // Raises ConvertError naming the target with `reason`.
  [[noreturn]] void Fail(const std::string& reason) const;

  // Flushes, syncs, closes and renames onto the target; raises ConvertError.
  void Commit();
  // Renames a second file of a series only after all are complete.
  void CloseForRename();
  void Rename();

  const std::string& Target() const { return target_; }
  const std::string& TemporaryPath() const { return temporary_; }
  uint64_t Size() const { return size_; }

 private:
  // Writes the buffer out; a failure is kept for Check.
  void Flush();

  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  int error_ = 0;
  bool renamed_ = false;
  std::vector<uint8_t> buffer_;
  uint64_t position_ = 0;
  uint64_t size_ = 0;
};

}  // namespace kt
