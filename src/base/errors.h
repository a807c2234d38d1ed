// The player's raised errors: each carries the fixed text that the user sees.
// They end the running command and are shown by the general error handler.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kt {

class PlayerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file read or write that failed: "Read beyond end of file", "I/O error N", "Disk full".
class InOutError : public PlayerError {
 public:
  using PlayerError::PlayerError;
};

class OutOfMemoryError : public PlayerError {
 public:
  // bytesAsked: the size of the allocation that failed, 0 when not known.
  explicit OutOfMemoryError(uint64_t bytesAsked = 0) : PlayerError("Out of memory"), bytesAsked_(bytesAsked) {}
  uint64_t BytesAsked() const { return bytesAsked_; }

 private:
  uint64_t bytesAsked_;
};

// A flic whose sizes or counts cannot be read safely; the text says what is wrong.
class DamagedFlicError : public PlayerError {
 public:
  using PlayerError::PlayerError;
};

inline constexpr const char* kReadBeyondEndText = "Read beyond end of file";

inline std::string IoErrorText(int systemErrorNumber) { return "I/O error " + std::to_string(systemErrorNumber); }

}  // namespace kt
