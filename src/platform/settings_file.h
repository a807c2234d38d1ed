// The options file's text: an INI-style file whose [Kinetrope] section holds
// one "name=value" line per stored value. Lines before any section count as
// that section's, as a hand-made file without a section line was always read.
// Everything else (comments, blank lines, lines that do not parse, other
// sections) is the user's and is carried through a rewrite unchanged.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kt {

inline constexpr const char* kSettingsSectionName = "Kinetrope";

// Names and values in the order they first appeared.
using SettingsValues = std::vector<std::pair<std::string, std::string>>;

// A new file's text: a comment, the section line and one "name=value" line
// per value. Bytes outside printable ASCII, the backslash, and whatever would
// change a line's meaning are written as \xHH, so every byte sequence
// survives.
std::string FormatSettingsFile(const SettingsValues& values);

// The values of the program's section. Lines that do not parse are skipped;
// of two names that differ only in letter case the later line wins.
SettingsValues ParseSettingsFile(std::string_view text);

// `text` with these values written into it: a value already there is
// rewritten on its own line (the last one, which is the one read), keeping
// the name's spelling and the line's layout up to the value; a new one goes
// after the section's last value, or into a new section at the end. Every
// other line stays where it was, byte for byte.
std::string MergeSettingsFile(std::string_view text, const SettingsValues& values);

}  // namespace kt
