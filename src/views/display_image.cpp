#include "views/display_image.h"

#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>

namespace kt {

// The keys go to the window, which hands them on to the control panel.
// Every paint covers the whole control, so Qt need not clear it first.
DisplayImageControl::DisplayImageControl(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // On X the control has a window of its own that frames go into as they
  // are converted; the window around it stays as Qt makes it.
  if (XPicturePut::OnX()) {
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
  }
}

void DisplayImageControl::Enter(Placement placement) {
  placement_ = placement;
  frame_ = ScreenFrame{};
  paintWhole_ = true;
  // A window goes on showing its picture until the first frame.
  shown_ = placement == Placement::FullScreen;
  if (shown_) update();
}

void DisplayImageControl::SetColours(const ScreenColours& colours) {
  if (colours == colours_) return;
  colours_ = colours;
  paintWhole_ = true;
  if (!shown_) return;
  // A paused picture takes new brightness or contrast at once.
  update();
}

void DisplayImageControl::ShowFrame(const ScreenFrame& frame, bool oneToOne) {
  // Only the parts that changed are painted when every other pixel on the
  // screen shows the frame before, at the same place and in the same colours.
  const bool inPart = frame.changed && shown_ && !paintWhole_ && isVisible() && frame_.pixels != nullptr &&
                      frame.pixels != nullptr && frame.width == frame_.width && frame.height == frame_.height &&
                      frame.format == frame_.format && oneToOne == oneToOne_ && frame.cornerText.empty() &&
                      frame_.cornerText.empty();
  const PresentRect place = presenter_.Place();
  const int width = presenter_.Width();
  const int height = presenter_.Height();
  frame_ = frame;
  oneToOne_ = oneToOne;
  shown_ = true;
  paintWhole_ = false;
  Configure();
  const int unit = frame.format == ScreenPixels::Rgb32 ? 4 : 1;
  if (inPart && presenter_.Place() == place && presenter_.Width() == width && presenter_.Height() == height) {
    std::vector<QRect> areas;
    for (const PresentRect& part : presenter_.Changes(frame.pixels, frame.stride, unit, *frame.changed)) {
      areas.push_back(QRect(part.x, part.y, part.width, part.height).intersected(rect()));
    }
    std::erase_if(areas, [](const QRect& area) { return area.isEmpty(); });
    if (areas.empty()) return;
    // Straight to X when the control paints there: Qt would only gather the
    // parts into a region and hand them back.
    if (put_ != nullptr && testAttribute(Qt::WA_PaintOnScreen)) {
      Paint(areas, nullptr);
      return;
    }
    QRegion region;
    for (const QRect& area : areas) region += area;
    repaint(region);
    return;
  }
  presenter_.Hold(frame.pixels, frame.stride, unit);
  repaint();
}

void DisplayImageControl::Leave() {
  if (shown_ && placement_ == Placement::Window && frame_.pixels != nullptr) {
    // The picture always has the control's size; a one-to-one frame fills it.
    QImage picture(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    Render(picture.rect(), reinterpret_cast<uint32_t*>(picture.bits()), static_cast<int>(picture.bytesPerLine() / 4));
    picture_ = std::move(picture);
  }
  shown_ = false;
  frame_ = ScreenFrame{};
  paintWhole_ = true;
  update();
}

void DisplayImageControl::Configure() {
  const int width = std::max(this->width(), 1);
  const int height = std::max(this->height(), 1);
  const int frameWidth = frame_.width;
  const int frameHeight = frame_.height;
  if (frame_.pixels == nullptr) {
    // Full screen before its first frame: black.
    presenter_.Configure(0, 0, width, height, {});
  } else if (placement_ == Placement::FullScreen) {
    presenter_.Configure(frameWidth, frameHeight, width, height, AspectFit(frameWidth, frameHeight, width, height));
  } else if (oneToOne_) {
    presenter_.Configure(frameWidth, frameHeight, frameWidth, frameHeight, {0, 0, frameWidth, frameHeight});
  } else {
    presenter_.Configure(frameWidth, frameHeight, width, height, {0, 0, width, height});
  }
}

void DisplayImageControl::Render(const QRect& area, uint32_t* target, int stride) {
  auto image = [&] {
    return QImage(reinterpret_cast<uchar*>(target), area.width(), area.height(), stride * 4, QImage::Format_RGB32);
  };
  if (!shown_) {
    QImage part = image();
    QPainter painter(&part);
    painter.translate(-area.topLeft());
    if (!picture_.isNull()) {
      painter.drawImage(rect(), picture_);
    } else {
      painter.fillRect(rect(), palette().window());
    }
    return;
  }
  Configure();
  // Nothing shown yet, or a one-to-one frame in a control that has just grown: black around it.
  if (frame_.pixels == nullptr || presenter_.Width() < area.right() + 1 || presenter_.Height() < area.bottom() + 1) {
    for (int y = 0; y < area.height(); ++y)
      std::fill_n(target + static_cast<size_t>(y) * stride, area.width(), kOpaqueBlack);
  }
  const PresentRect part{area.x(), area.y(), area.width(), area.height()};
  if (frame_.pixels != nullptr && frame_.format == ScreenPixels::Rgb32) {
    presenter_.ConvertTrueColourArea(frame_.pixels, frame_.stride, part, target, stride);
  } else if (frame_.pixels != nullptr) {
    presenter_.ConvertArea(frame_.pixels, frame_.stride, colours_, part, target, stride);
  }
  if (!frame_.cornerText.empty()) {
    QImage text = image();
    QPainter painter(&text);
    painter.translate(-area.topLeft());
    DrawCornerText(painter);
  }
}

void DisplayImageControl::DrawCornerText(QPainter& painter) {
  if (frame_.cornerText.empty() || frame_.width <= 0 || frame_.height <= 0) return;
  // The text scales with the picture, as if drawn into the frame itself.
  const PresentRect place = presenter_.Place();
  painter.save();
  painter.translate(place.x, place.y);
  painter.scale(static_cast<qreal>(place.width) / frame_.width, static_cast<qreal>(place.height) / frame_.height);
  QFont font("MS Sans Serif");
  font.setPixelSize(11);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(0, QFontMetrics(font).ascent(), QString::fromStdString(frame_.cornerText));
  painter.restore();
}

void DisplayImageControl::paintEvent(QPaintEvent* event) {
  // A paint into something else (a grab) goes through Qt's painter.
  const bool toX = testAttribute(Qt::WA_PaintOnScreen) && redirected(nullptr) == nullptr;
  if (toX && put_ == nullptr) put_ = XPicturePut::ForWindow(*this);
  if (toX && put_ == nullptr) {
    // A screen whose pixels are not our words: Qt converts them from now on.
    setAttribute(Qt::WA_PaintOnScreen, false);
    update();
    return;
  }
  std::vector<QRect> areas;
  for (const QRect& asked : event->region()) {
    const QRect area = asked.intersected(rect());
    if (!area.isEmpty()) areas.push_back(area);
  }
  if (toX) {
    Paint(areas, nullptr);
    return;
  }
  QPainter painter(this);
  Paint(areas, &painter);
}

void DisplayImageControl::Paint(const std::vector<QRect>& areas, QPainter* painter) {
  size_t pixels = 0;
  for (const QRect& area : areas) pixels += static_cast<size_t>(area.width()) * area.height();
  if (painter == nullptr) put_->Begin(pixels);
  // In strips, so that each stays in the cache on its way.
  constexpr int kStripPixels = 64 * 1024;
  for (const QRect& area : areas) {
    int most = kStripPixels / area.width();
    if (painter == nullptr) most = std::min(most, put_->MostPieceRows(area.width()));
    const int rows = std::clamp(most, 1, area.height());
    for (int top = area.top(); top <= area.bottom(); top += rows) {
      const QRect strip(area.left(), top, area.width(), std::min(rows, area.bottom() + 1 - top));
      if (painter == nullptr) {
        Render(strip, put_->Piece(strip.width(), strip.height()), strip.width());
        put_->Put(strip.x(), strip.y());
        continue;
      }
      strip_.resize(static_cast<size_t>(strip.width()) * strip.height());
      Render(strip, strip_.data(), strip.width());
      painter->drawImage(strip.topLeft(), QImage(reinterpret_cast<const uchar*>(strip_.data()), strip.width(),
                                                 strip.height(), strip.width() * 4, QImage::Format_RGB32));
    }
  }
  if (painter == nullptr) put_->Finish();
}

void DisplayImageControl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit doubleClicked();
  QWidget::mouseDoubleClickEvent(event);
}

bool DisplayImageControl::event(QEvent* event) {
  // A new native window takes a new way in.
  if (event->type() == QEvent::WinIdChange) put_.reset();
  return QWidget::event(event);
}

QPaintEngine* DisplayImageControl::paintEngine() const {
  return testAttribute(Qt::WA_PaintOnScreen) ? nullptr : QWidget::paintEngine();
}

}  // namespace kt
