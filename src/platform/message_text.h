// Texts for message boxes. One that carries a name the user gave can be
// megabytes long (a script line, a parameter), and a box that lays out such
// a text freezes the program for minutes. Every box's text also goes to
// standard error, where a user who started the player from a terminal, or
// a script that ran it, looks for what went wrong.
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

// The text on one line: each line break, with the blanks around it, becomes
// one blank, and empty lines vanish, so each report is one line of a log.
std::string OneLineText(const std::string& text);

// "kinetrope: " and the text on one line, on standard error.
void WriteToStandardError(const std::string& text);

// The box's text: shortened as above. The whole text goes to standard
// error, so that nothing of it is lost.
std::string MessageBoxText(const std::string& text);

}  // namespace kt
