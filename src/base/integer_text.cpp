#include "base/integer_text.h"

#include <charconv>

namespace kt {

std::optional<int32_t> ParseInt32(std::string_view text) {
  const char* first = text.data();
  const char* last = first + text.size();
  bool negative = false;
  if (first != last && (*first == '+' || *first == '-')) negative = *first++ == '-';
  if (first == last) return std::nullopt;
  // The digits are read as a magnitude so that -2147483648 still fits.
  uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(first, last, magnitude);
  if (error != std::errc() || end != last) return std::nullopt;
  if (magnitude > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
}

std::string NotAnIntegerText(const std::string& text) { return "'" + text + "' is not a valid integer value"; }

}  // namespace kt
