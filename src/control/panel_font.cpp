#include "control/panel_font.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>

namespace kt {

bool HasEqualAdvances(const QFont& font, std::string_view characters) {
  const QFontMetricsF metrics(font);
  if (characters.empty()) return false;
  const qreal first = metrics.horizontalAdvance(QLatin1Char(characters.front()));
  if (first <= 0) return false;
  for (const char c : characters) {
    if (metrics.horizontalAdvance(QLatin1Char(c)) != first) return false;
  }
  return true;
}

// The panel's own font where it exists, the nearest sans-serif where not.
// The common stand-ins run wider than it, and the layout leaves no room to
// spare ("Brightness" before its arrow, "Original" at the window's edge), so
// a stand-in is taken a little condensed.
QFont PanelFont() {
  QFont font("MS Sans Serif");
  font.setPointSize(8);
  font.setStyleHint(QFont::SansSerif);
  if (QFontInfo(font).family() != font.family()) font.setStretch(QFont::SemiCondensed);
  return font;
}

// The captions of the information and statistics panels are padded with
// blanks so their colons line up; that needs a font whose characters all
// advance alike. Measured, not asked: fontconfig's answer for "Courier New"
// may be a monospaced face that Qt does not flag as fixed-pitch, or a
// proportional one.
QFont FixedPitchFont() {
  QFont wanted("Courier New");
  wanted.setStyleHint(QFont::TypeWriter);
  wanted.setFixedPitch(true);
  QFont monospace("monospace");
  monospace.setStyleHint(QFont::TypeWriter);
  const QFont candidates[] = {wanted,
                              QFontDatabase::systemFont(QFontDatabase::FixedFont),
                              monospace,
                              QFont("DejaVu Sans Mono"),
                              QFont("Liberation Mono"),
                              QFont("Nimbus Mono PS")};
  for (QFont font : candidates) {
    font.setPointSize(8);
    if (HasEqualAdvances(font, kPanelCharacters)) return font;
  }
  wanted.setPointSize(8);
  return wanted;
}

}  // namespace kt
