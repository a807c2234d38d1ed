#include "control/panel_font.h"

#include <QFont>
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

}  // namespace kt
