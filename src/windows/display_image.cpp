#include "windows/display_image.h"

#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace kt {

// The keys go to the window, which hands them on to the control panel.
// Every paint covers the whole control, so Qt need not clear it first.
DisplayImageControl::DisplayImageControl(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void DisplayImageControl::SetFrameColours(const ColourTable& table, bool showNow) {
  frameColours_.Rebuild(table);
  if (frame_ == nullptr) return;
  stale_ = true;
  // A paused picture takes new brightness or contrast at once.
  if (showNow) update();
}

void DisplayImageControl::PaintFrameNow(const QImage& frame, bool oneToOne) {
  frame_ = &frame;
  oneToOne_ = oneToOne;
  stale_ = true;
  repaint();
}

void DisplayImageControl::PaintIntoPicture(const QImage& frame, bool oneToOne) {
  frame_ = &frame;
  oneToOne_ = oneToOne;
  stale_ = true;
  Present();
  // The picture always has the control's size; a one-to-one frame fills it.
  QImage picture(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  picture.fill(Qt::black);
  {
    QPainter painter(&picture);
    painter.drawImage(QPoint(0, 0), buffer_);
  }
  picture_ = std::move(picture);
  frame_ = nullptr;
  update();
}

void DisplayImageControl::ReleaseFrame() { frame_ = nullptr; }

void DisplayImageControl::BeginSurface() {
  surfaceMode_ = true;
  surface_ = ShownSurface{};
  surfaceColoursKnown_ = false;
  stale_ = true;
  update();
}

void DisplayImageControl::ShowSurface(const ShownSurface& surface) {
  if (!surfaceMode_) return;
  surface_ = surface;
  if (surface.palette != nullptr &&
      (!surfaceColoursKnown_ || std::memcmp(surface.palette, &surfaceEntries_, sizeof(surfaceEntries_)) != 0)) {
    surfaceEntries_ = *surface.palette;
    surfaceColours_.Rebuild(surfaceEntries_);
    surfaceColoursKnown_ = true;
  }
  stale_ = true;
  repaint();
}

void DisplayImageControl::EndSurface() {
  surfaceMode_ = false;
  surface_ = ShownSurface{};
  stale_ = true;
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
  if (surfaceMode_) {
    if (surface_.pixels == nullptr) {
      // A mode set, nothing flipped yet: the screen is black.
      presenter_.Configure(0, 0, width, height, {});
    } else {
      presenter_.Configure(surface_.width, surface_.height, width, height,
                           AspectFit(surface_.width, surface_.height, width, height));
    }
  } else if (frame_ != nullptr) {
    const int frameWidth = frame_->width();
    const int frameHeight = frame_->height();
    if (oneToOne_) {
      presenter_.Configure(frameWidth, frameHeight, frameWidth, frameHeight, {0, 0, frameWidth, frameHeight});
    } else {
      presenter_.Configure(frameWidth, frameHeight, width, height, {0, 0, width, height});
    }
  }
}

DisplayImageControl::Source DisplayImageControl::CurrentSource() const {
  if (surfaceMode_) {
    return {surface_.pixels, surface_.width, surface_.palette != nullptr ? &surfaceColours_ : &black_};
  }
  if (frame_ != nullptr) return {frame_->constBits(), static_cast<int>(frame_->bytesPerLine()), &frameColours_};
  return {};
}

void DisplayImageControl::Present() {
  Configure();
  const Source source = CurrentSource();
  if (source.bits != nullptr) presenter_.Convert(source.bits, source.stride, *source.table);
  WrapBuffer();
  stale_ = false;
}

bool DisplayImageControl::PresentIntoScreenImage() {
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
  const Source source = CurrentSource();
  const int stride = static_cast<int>(image->bytesPerLine() / 4);
  auto* target = reinterpret_cast<uint32_t*>(image->bits()) + static_cast<size_t>(origin.y()) * stride + origin.x();
  const int width = std::min(image->width() - origin.x(), this->width());
  const int height = std::min(image->height() - origin.y(), this->height());
  if (source.bits == nullptr) {
    for (int y = 0; y < height; ++y) std::fill_n(target + static_cast<size_t>(y) * stride, width, kOpaqueBlack);
    return true;
  }
  // A one-to-one frame in a control that has just grown leaves room beside it.
  if (presenter_.Width() < width || presenter_.Height() < height) {
    for (int y = 0; y < height; ++y) std::fill_n(target + static_cast<size_t>(y) * stride, width, kOpaqueBlack);
  }
  presenter_.ConvertInto(source.bits, source.stride, *source.table, target, stride, width, height);
  stale_ = true;  // the buffer itself was not brought up to date
  return true;
}

void DisplayImageControl::DrawTexts(QPainter& painter) {
  if (surface_.texts == nullptr || surface_.texts->empty() || surface_.width <= 0) return;
  const PresentRect place = presenter_.Place();
  painter.save();
  painter.translate(place.x, place.y);
  painter.scale(static_cast<qreal>(place.width) / surface_.width, static_cast<qreal>(place.height) / surface_.height);
  QFont font("MS Sans Serif");
  font.setPixelSize(11);
  painter.setFont(font);
  const int ascent = QFontMetrics(font).ascent();
  for (const SurfaceText& text : *surface_.texts) {
    painter.setPen(QColor(static_cast<int>(text.colour & 0xFF), static_cast<int>((text.colour >> 8) & 0xFF),
                          static_cast<int>((text.colour >> 16) & 0xFF)));
    painter.drawText(text.x, text.y + ascent, QString::fromStdString(text.text));
  }
  painter.restore();
}

void DisplayImageControl::paintEvent(QPaintEvent*) {
  if ((surfaceMode_ || frame_ != nullptr) && PresentIntoScreenImage()) {
    if (surfaceMode_ && surface_.texts != nullptr && !surface_.texts->empty()) {
      QPainter painter(this);
      DrawTexts(painter);
    }
    return;
  }
  QPainter painter(this);
  if (surfaceMode_ || frame_ != nullptr) {
    const bool resized = surfaceMode_ || !oneToOne_
                             ? presenter_.Width() != width() || presenter_.Height() != height()
                             : presenter_.Width() != frame_->width() || presenter_.Height() != frame_->height();
    if (stale_ || resized) Present();
    // A one-to-one frame in a control that has just grown leaves room beside it.
    if (buffer_.width() < width() || buffer_.height() < height()) painter.fillRect(rect(), Qt::black);
    painter.drawImage(QPoint(0, 0), buffer_);
    if (surfaceMode_) DrawTexts(painter);
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
