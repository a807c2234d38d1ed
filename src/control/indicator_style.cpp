#include "control/indicator_style.h"

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <algorithm>

namespace kt {

namespace {

// One style for the whole program, owned by the application.
WholeIndicatorStyle& SharedStyle() {
  static WholeIndicatorStyle* style = [] {
    auto* created = new WholeIndicatorStyle;
    created->setParent(QCoreApplication::instance());
    return created;
  }();
  return *style;
}

}  // namespace

WholeIndicatorStyle::WholeIndicatorStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

int WholeIndicatorStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight: return kIndicatorSize;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

QRect WholeIndicatorStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const {
  const QRect rect = QProxyStyle::subElementRect(element, option, widget);
  switch (element) {
    case SE_CheckBoxIndicator:
    case SE_RadioButtonIndicator: {
      if (option == nullptr) return rect;
      // One pixel in from the left, and centred with at least one pixel above.
      const int top = option->rect.top() + std::max(1, (option->rect.height() - kIndicatorSize) / 2);
      return QRect(option->rect.left() + 1, top, kIndicatorSize, kIndicatorSize);
    }
    case SE_CheckBoxContents:
    case SE_RadioButtonContents:
    case SE_CheckBoxFocusRect:
    case SE_RadioButtonFocusRect: return rect.translated(1, 0);
    default: return rect;
  }
}

void WholeIndicatorStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                      const QWidget* widget) const {
  const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
  if (button != nullptr && (element == CE_CheckBox || element == CE_RadioButton)) {
    QStyleOptionButton inset = *button;
    inset.rect.setLeft(inset.rect.left() + 1);
    QProxyStyle::drawControl(element, &inset, painter, widget);
    return;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

int WholeIndicatorStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                   QStyleHintReturn* returnData) const {
  if (hint == SH_ToolTip_WakeUpDelay || hint == SH_ToolTip_FallAsleepDelay) {
    return QApplication::style()->styleHint(hint, option, widget, returnData);
  }
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void DrawIndicatorsWhole(QWidget& root) {
  for (QCheckBox* box : root.findChildren<QCheckBox*>()) box->setStyle(&SharedStyle());
  for (QRadioButton* button : root.findChildren<QRadioButton*>()) button->setStyle(&SharedStyle());
}

}  // namespace kt
