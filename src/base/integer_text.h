// Whole numbers written as text in words, scripts and the options file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kt {

// An optional sign and decimal digits whose value fits 32 bits; nothing
// else, no blanks.
std::optional<int32_t> ParseInt32(std::string_view text);

// The message for a text that is no such number.
std::string NotAnIntegerText(const std::string& text);

}  // namespace kt
