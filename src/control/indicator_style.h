// Check and radio marks drawn whole in the panel's 14-pixel rows. The
// toolkit's own marks fill a 14-pixel square from the control's very left
// and top edge, so their outline and smoothed edges are cut there; these
// are a little smaller and stand one pixel in.
#pragma once

#include <QProxyStyle>

namespace kt {

inline constexpr int kIndicatorSize = 12;

class WholeIndicatorStyle : public QProxyStyle {
 public:
  WholeIndicatorStyle();

  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
  QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override;
  // The toolkit places the mark from the control's own rectangle: drawn one pixel further in.
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
  // The hints' timing stays the application's.
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
};

// Gives every check box and radio button under `root` the whole marks.
void DrawIndicatorsWhole(QWidget& root);

}  // namespace kt
