// Texts for message boxes that carry a name the user gave: a script line or
// parameter can be megabytes long, and a box that lays out such a text
// freezes the program for minutes.
#pragma once

#include <cstddef>
#include <string>

namespace kt {

// Texts up to this many bytes are shown whole.
inline constexpr size_t kMessageTextLimit = 320;

// The text when it fits the limit; else its beginning and its end joined by
// " ... ", cut between whole UTF-8 characters, so what is wrong and what to
// do stay in view while a long name loses its middle.
std::string ShortenedForMessage(const std::string& text);

// The box's text: shortened as above, the whole text then written to
// standard error so that nothing of it is lost.
std::string MessageBoxText(const std::string& text);

}  // namespace kt
