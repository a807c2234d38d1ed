#include "control/hint_pause.h"

#include <QApplication>
#include <QProxyStyle>
#include <QStyleFactory>

namespace kt {

namespace {

// Qt takes the tool-tip delay from the style, so the pause lives in a thin
// proxy over whatever style the application already had.
class HintPauseStyle : public QProxyStyle {
 public:
  HintPauseStyle(QStyle* base, int pauseMs) : QProxyStyle(base), pauseMs_(pauseMs) {}
  void SetPause(int pauseMs) { pauseMs_ = pauseMs; }

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == QStyle::SH_ToolTip_WakeUpDelay) return pauseMs_;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }

 private:
  int pauseMs_;
};

}  // namespace

void SetHintPause(int milliseconds) {
  if (auto* proxy = dynamic_cast<HintPauseStyle*>(QApplication::style())) {
    proxy->SetPause(milliseconds);
    return;
  }
  QStyle* base = QStyleFactory::create(QApplication::style()->name());
  QApplication::setStyle(new HintPauseStyle(base, milliseconds));
}

int HintPause() { return QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay); }

}  // namespace kt
