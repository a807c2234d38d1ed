// The error of a sound file that cannot be played, and the one shape of its
// text: the file, why, the library's own words, what to do.
#pragma once

#include <string>

#include "base/errors.h"

namespace kt {

class SoundError : public PlayerError {
 public:
  using PlayerError::PlayerError;
};

inline std::string SoundFailureText(const std::string& path, const std::string& why, const std::string& libraryText,
                                    const std::string& advice) {
  return "Cannot play the sound file " + path + ": " + why + " (" + libraryText + "). " + advice;
}

}  // namespace kt
