// Whether a token of the words is a flic file name. The words were made for
// systems whose absolute paths start with a drive letter; here they start
// with "/", as the words do, so a token such as /HOME/ME/INTRO.FLC must be
// told apart from /DELAY. A word of the table always wins; otherwise a "/"
// token that names an existing file plays that file. Anything else with "/"
// or "-" in front stays an unknown word and is ignored.
#pragma once

#include <functional>
#include <string>

namespace kt {

// True when `path`, as written or else found without regard to letter case,
// exists and is no folder.
bool NamesExistingFile(const std::string& path);

// `token` as it was given, not empty; its word is matched in any letter case.
bool IsFileNameToken(const std::string& token,
                     const std::function<bool(const std::string&)>& fileExists = NamesExistingFile);

// What standard error says of a "/" or "-" token that is neither a word nor
// a file name: without a box, a typo would leave the user guessing.
std::string IgnoredTokenText(const std::string& token);

}  // namespace kt
