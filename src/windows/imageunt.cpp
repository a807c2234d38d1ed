#include "windows/imageunt.h"

#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/qt/window_operations.h"
#include "platform/qt/system_metrics.h"
#include "windows/resources.h"

namespace kt {

ClientSize CloseRequestClientSize(int screenWidth, uint16_t flicWidth, uint16_t flicHeight) {
  const int width = screenWidth / 2;
  long double height = std::nearbyintl(static_cast<long double>(flicHeight) /
                                       (static_cast<long double>(flicWidth) / (screenWidth * 0.5L)));
  // A window cannot be taller than the largest 16-bit size; wrapping round
  // would give a flat sliver instead.
  if (!(height >= 0)) height = 0;
  if (height > UINT16_MAX) height = UINT16_MAX;
  return {static_cast<uint16_t>(std::clamp(width, 0, static_cast<int>(UINT16_MAX))), static_cast<uint16_t>(height)};
}

TImageForm::TImageForm(QWidget* parent) : QWidget(parent) {
  EnsureResources();
  setWindowTitle(kInitialCaption);
  setWindowIcon(QIcon(kMovieIconPath));
  setFont(QFont("MS Sans Serif", 8));
  setFocusPolicy(Qt::StrongFocus);
  displayImage_ = new DisplayImageControl(this);
  resize(320, 240);
  displayImage_->setGeometry(rect());
  connect(displayImage_, &DisplayImageControl::doubleClicked, this, &TImageForm::DisplayImageDblClick);
}

void TImageForm::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

bool TImageForm::FormCloseQuery() {
  if (links_.flic != nullptr && links_.playback != nullptr) {
    PlaybackState& playback = *links_.playback;
    if (links_.flic->FlicInMemory || (playback.Playing && !playback.MovieZoomed)) {
      const FlicHeader& header = links_.flic->Header;
      const ClientSize size = CloseRequestClientSize(QueryScreenSize().width, header.width, header.height);
      SizeMovieWindow(*this, playback.MovieZoomed, size.width, size.height);
    }
  }
  return false;
}

void TImageForm::DisplayImageDblClick() {
  if (links_.directXChecked && links_.directXChecked()) return;
  if (links_.controlPanel == nullptr) return;
  links_.controlPanel->raise();
  links_.controlPanel->activateWindow();
}

void TImageForm::closeEvent(QCloseEvent* event) {
  // Only the user's requests come from the window system; the program's
  // own close at its end must go through, or it could not quit.
  if (!event->spontaneous()) {
    event->accept();
    return;
  }
  event->setAccepted(FormCloseQuery());
}

void TImageForm::keyPressEvent(QKeyEvent* event) {
  if (const uint16_t key = VirtualKeyFromQt(event->key(), event->modifiers())) {
    FormKeyDown(key, ShiftStateFromQt(event->key(), event->modifiers()));
  }
  if (const std::optional<char> character = TypedCharacter(*event)) FormKeyPress(*character);
  event->accept();
}

// The picture always covers the whole client area.
void TImageForm::resizeEvent(QResizeEvent*) { displayImage_->setGeometry(rect()); }

void TImageForm::showEvent(QShowEvent*) {
  if (shownBefore_) return;
  shownBefore_ = true;
  CentreOnScreen(*this, QueryScreenSize());
}

void SizeMovieWindow(QWidget& movieWindow, bool& movieZoomed, uint16_t width, uint16_t height) {
  movieZoomed = false;
  SetNormalState(movieWindow);
  movieWindow.resize(width, height);
  CentreOnScreen(movieWindow, QueryScreenSize());
}

}  // namespace kt
