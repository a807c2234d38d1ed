// What --help prints, and the pieces the manual page is built from: the
// words come from the word table, the keys from the key table.
#pragma once

#include <string>

#include "words/command_line.h"

namespace kt {

inline constexpr const char* kVersionText = "Kinetrope 32bit v2.52";

// The text of --help: how to start the program, its words and its keys.
std::string UsageText();
// How tokens are told apart, as a paragraph of lines.
std::string TokenRuleText();
// Where messages go besides their boxes, and the exit status.
std::string ReportsText();
// Where the stored options live.
std::string OptionsFileText();
// "/WORD ARGUMENT" as --help and the manual show it.
std::string WordHead(const WordInfo& info);
// The keys as --help lists them: each heading, then its keys indented.
std::string KeysHelpText();

}  // namespace kt
