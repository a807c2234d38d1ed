// The part of a picture that changed between two frames, as the decoder
// finds it and a screen redraws it.
#pragma once

#include <algorithm>

namespace kt {

// Columns [left, right) of lines [top, bottom); empty when nothing changed.
struct ChangedArea {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static ChangedArea Whole(int width, int height) { return {0, 0, width, height}; }
  bool Empty() const { return left >= right || top >= bottom; }
  // The smallest area holding both.
  void Add(const ChangedArea& other) {
    if (other.Empty()) return;
    if (Empty()) {
      *this = other;
      return;
    }
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
  }
  bool operator==(const ChangedArea&) const = default;
};

}  // namespace kt
