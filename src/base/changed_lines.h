// The lines of a picture that changed since it was last shown, as the
// decoder finds them and the screens take them: one band of whole lines, so
// that finding it costs the decoder nothing per pixel.
#pragma once

#include <algorithm>

namespace kt {

// Lines [top, bottom); empty when nothing changed.
struct ChangedLines {
  int top = 0;
  int bottom = 0;

  static ChangedLines All(int height) { return {0, height}; }
  bool Empty() const { return top >= bottom; }
  // The smallest band holding both.
  void Add(const ChangedLines& other) {
    if (other.Empty()) return;
    if (Empty()) {
      *this = other;
      return;
    }
    top = std::min(top, other.top);
    bottom = std::max(bottom, other.bottom);
  }
  bool operator==(const ChangedLines&) const = default;
};

}  // namespace kt
