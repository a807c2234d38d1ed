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
}

void DisplayImageControl::Enter(Placement placement) {
  placement_ = placement;
  frame_ = ScreenFrame{};
  stale_ = true;
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
  stale_ = true;
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
  stale_ = true;
  paintWhole_ = false;
  Configure();
  const int unit = frame.format == ScreenPixels::Rgb32 ? 4 : 1;
  if (inPart && presenter_.Place() == place && presenter_.Width() == width && presenter_.Height() == height) {
    QRegion region;
    for (const PresentRect& part : presenter_.Changes(frame.pixels, frame.stride, unit, *frame.changed)) {
      region += QRect(part.x, part.y, part.width, part.height);
    }
    if (!region.isEmpty()) repaint(region);
    return;
  }
  presenter_.Hold(frame.pixels, frame.stride, unit);
  repaint();
}

void DisplayImageControl::Leave() {
  if (shown_ && placement_ == Placement::Window && frame_.pixels != nullptr) {
    Present();
    // The picture always has the control's size; a one-to-one frame fills it.
    QImage picture(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    picture.fill(Qt::black);
    {
      QPainter painter(&picture);
      painter.drawImage(QPoint(0, 0), buffer_);
    }
    picture_ = std::move(picture);
  }
  shown_ = false;
  frame_ = ScreenFrame{};
  stale_ = true;
  paintWhole_ = true;
  update();
}

void DisplayImageControl::WrapBuffer() {
  const auto* bits = reinterpret_cast<const uchar*>(presenter_.Pixels());
  if (buffer_.constBits() == bits && buffer_.width() == presenter_.Width() && buffer_.height() == presenter_.Height()) {
    return;
  }
  buffer_ = QImage(bits, presenter_.Width(), presenter_.Height(), presenter_.Width() * 4, QImage::Format_RGB32);
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

void DisplayImageControl::Present() {
  Configure();
  if (frame_.pixels != nullptr && frame_.format == ScreenPixels::Rgb32) {
    presenter_.ConvertTrueColour(frame_.pixels, frame_.stride);
  } else if (frame_.pixels != nullptr) {
    presenter_.Convert(frame_.pixels, frame_.stride, colours_);
  }
  WrapBuffer();
  stale_ = false;
}

bool DisplayImageControl::PresentIntoScreenImage(const QRegion& region) {
  // While the window system paints the control, it stands in the window's
  // screen image; the pixels can go straight there instead of through a copy.
  QPoint offset;
  QPaintDevice* device = redirected(&offset);
  if (device == nullptr || device->devType() != QInternal::Image) return false;
  auto* image = static_cast<QImage*>(device);
  if ((image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied) ||
      image->devicePixelRatio() != 1.0 || image->isNull()) {
    return false;
  }
  const QPoint origin = -offset;
  if (origin.x() < 0 || origin.y() < 0 || origin.x() >= image->width() || origin.y() >= image->height()) return false;
  Configure();
  const int stride = static_cast<int>(image->bytesPerLine() / 4);
  auto* target = reinterpret_cast<uint32_t*>(image->bits()) + static_cast<size_t>(origin.y()) * stride + origin.x();
  const int width = std::min(image->width() - origin.x(), this->width());
  const int height = std::min(image->height() - origin.y(), this->height());
  // Only the parts asked for: the rest of the screen image already shows the frame.
  for (const QRect& asked : region) {
    const QRect painted = asked.intersected(QRect(0, 0, width, height));
    if (painted.isEmpty()) continue;
    const PresentRect area{painted.x(), painted.y(), painted.width(), painted.height()};
    // Nothing shown yet, or a one-to-one frame in a control that has just grown: black around it.
    if (frame_.pixels == nullptr || presenter_.Width() < width || presenter_.Height() < height) {
      for (int y = painted.top(); y <= painted.bottom(); ++y) {
        std::fill_n(target + static_cast<size_t>(y) * stride + painted.left(), painted.width(), kOpaqueBlack);
      }
    }
    if (frame_.pixels != nullptr && frame_.format == ScreenPixels::Rgb32) {
      presenter_.ConvertTrueColourInto(frame_.pixels, frame_.stride, target, stride, width, height, area);
    } else if (frame_.pixels != nullptr) {
      presenter_.ConvertInto(frame_.pixels, frame_.stride, colours_, target, stride, width, height, area);
    }
  }
  stale_ = true;  // the buffer itself was not brought up to date
  return true;
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
  if (shown_ && PresentIntoScreenImage(event->region())) {
    if (!frame_.cornerText.empty()) {
      QPainter painter(this);
      DrawCornerText(painter);
    }
    return;
  }
  QPainter painter(this);
  if (shown_) {
    const bool resized = placement_ == Placement::FullScreen || !oneToOne_
                             ? presenter_.Width() != width() || presenter_.Height() != height()
                             : presenter_.Width() != frame_.width || presenter_.Height() != frame_.height;
    if (stale_ || resized) Present();
    // A one-to-one frame in a control that has just grown leaves room beside it.
    if (buffer_.width() < width() || buffer_.height() < height()) painter.fillRect(rect(), Qt::black);
    painter.drawImage(QPoint(0, 0), buffer_);
    DrawCornerText(painter);
    return;
  }
  if (!picture_.isNull()) {
    painter.drawImage(rect(), picture_);
  } else {
    painter.fillRect(rect(), palette().window());
  }
}

void DisplayImageControl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit doubleClicked();
  QWidget::mouseDoubleClickEvent(event);
}

}  // namespace kt
