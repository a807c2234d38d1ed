// The control panel's fonts, and what a font of one pitch means for the
// information and statistics panels: every character they show advances by
// the same width.
#pragma once

#include <string_view>

class QFont;

namespace kt {

// The characters of the panels' captions and of the figures put beside them.
inline constexpr std::string_view kPanelCharacters =
    " :/.,[]-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// True when each of `characters` advances by the same, non-zero width in `font`.
bool HasEqualAdvances(const QFont& font, std::string_view characters);

// The font of the panel's controls.
QFont PanelFont();
// The font of the information and statistics panels, whose captions line
// up their colons with blanks.
QFont FixedPitchFont();

}  // namespace kt
