#include "control/button_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace kt {

namespace {

const QColor kInk(0, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kRed(192, 0, 0);
const QColor kBlue(0, 0, 160);
const QColor kYellow(224, 192, 0);
const QColor kGrey(96, 96, 96);

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& colour) {
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPolygon(QPolygonF({a, b, c}));
}

void Box(QPainter& p, QRectF rect, const QColor& colour) { p.fillRect(rect, colour); }

// Every glyph is drawn on a 16 x 16 grid; the painter scales it to the size asked for.
void Paint(QPainter& p, Glyph glyph) {
  switch (glyph) {
    case Glyph::Load: {
      // An arrow going down into a memory chip.
      Box(p, QRectF(3, 10, 10, 5), kGreen);
      for (int x = 4; x <= 12; x += 2) Box(p, QRectF(x, 15, 1, 1), kInk);
      Box(p, QRectF(7, 1, 2, 5), kBlue);
      Triangle(p, {4, 5}, {12, 5}, {8, 9}, kBlue);
      break;
    }
    case Glyph::PlayFile: {
      // A folder with a play mark.
      Box(p, QRectF(1, 4, 6, 2), kYellow.darker(120));
      Box(p, QRectF(1, 5, 14, 10), kYellow);
      p.setPen(QPen(kInk, 1));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(1.5, 5.5, 13, 9));
      Triangle(p, {6, 7}, {6, 13}, {11, 10}, kGreen);
      break;
    }
    case Glyph::Record:
      p.setPen(Qt::NoPen);
      p.setBrush(kRed);
      p.drawEllipse(QRectF(3, 3, 10, 10));
      break;
    case Glyph::DirXMode: {
      // A screen on its stand.
      Box(p, QRectF(1, 2, 14, 10), kInk);
      Box(p, QRectF(2, 3, 12, 8), kBlue);
      Box(p, QRectF(7, 12, 2, 2), kInk);
      Box(p, QRectF(4, 14, 8, 1), kInk);
      break;
    }
    case Glyph::Stats:
      Box(p, QRectF(2, 9, 3, 6), kRed);
      Box(p, QRectF(6, 4, 3, 11), kGreen);
      Box(p, QRectF(10, 7, 3, 8), kBlue);
      Box(p, QRectF(1, 15, 14, 1), kInk);
      break;
    case Glyph::Options: {
      // A ticked box beside list lines.
      p.setPen(QPen(kInk, 1));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(1.5, 1.5, 5, 5));
      p.drawRect(QRectF(1.5, 9.5, 5, 5));
      p.setPen(QPen(kGreen, 1.5));
      p.drawPolyline(QPolygonF({QPointF(2.5, 4), QPointF(4, 5.5), QPointF(6.5, 2)}));
      Box(p, QRectF(9, 3, 6, 2), kGrey);
      Box(p, QRectF(9, 11, 6, 2), kGrey);
      break;
    }
    case Glyph::Info:
      p.setPen(Qt::NoPen);
      p.setBrush(kBlue);
      p.drawEllipse(QRectF(1, 1, 14, 14));
      Box(p, QRectF(7, 3, 2, 2), Qt::white);
      Box(p, QRectF(7, 6, 2, 7), Qt::white);
      break;
    case Glyph::About: {
      p.setPen(Qt::NoPen);
      p.setBrush(kYellow);
      p.drawEllipse(QRectF(1, 1, 14, 14));
      // A question mark drawn as strokes, so no font is needed.
      QPainterPath hook;
      hook.moveTo(5.5, 6);
      hook.arcTo(QRectF(5.5, 3.5, 5, 4.5), 180, -270);
      hook.lineTo(8, 10);
      p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::FlatCap));
      p.setBrush(Qt::NoBrush);
      p.drawPath(hook);
      Box(p, QRectF(7.2, 11, 1.6, 1.8), kInk);
      break;
    }
    case Glyph::Reset: {
      // A turning arrow.
      p.setPen(QPen(kGreen, 2));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 270 * 16);
      Triangle(p, {8, 0.5}, {8, 5.5}, {12, 3}, kGreen);
      break;
    }
    case Glyph::Minimize:
      p.setPen(QPen(kInk, 1));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(1.5, 2.5, 13, 11));
      Box(p, QRectF(2, 3, 12, 2), kBlue);
      Box(p, QRectF(4, 10, 6, 2), kInk);
      break;
    case Glyph::Quit:
      p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
      p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
      break;
    case Glyph::Play: Triangle(p, {4, 2}, {4, 14}, {13, 8}, kGreen); break;
    case Glyph::Stop: Box(p, QRectF(3, 3, 10, 10), kInk); break;
    case Glyph::FrameBack:
      Box(p, QRectF(3, 3, 2, 10), kInk);
      Triangle(p, {13, 3}, {13, 13}, {6, 8}, kInk);
      break;
    case Glyph::Pause:
      Box(p, QRectF(4, 3, 3, 10), kInk);
      Box(p, QRectF(9, 3, 3, 10), kInk);
      break;
    case Glyph::FrameForward:
      Triangle(p, {3, 3}, {3, 13}, {10, 8}, kInk);
      Box(p, QRectF(11, 3, 2, 10), kInk);
      break;
    case Glyph::ArrowLeft: Triangle(p, {12, 2}, {12, 14}, {4, 8}, kInk); break;
    case Glyph::ArrowRight: Triangle(p, {4, 2}, {4, 14}, {12, 8}, kInk); break;
  }
}

}  // namespace

QImage DrawGlyph(Glyph glyph, QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size.width() / 16.0, size.height() / 16.0);
  Paint(painter, glyph);
  return image;
}

QImage DisabledLook(const QImage& normal) {
  // The shape in white, one pixel down and right, under the shape in grey:
  // the etched look disabled buttons have always had.
  const QImage source = normal.convertToFormat(QImage::Format_ARGB32);
  QImage result(source.size(), QImage::Format_ARGB32);
  result.fill(Qt::transparent);
  const QRgb white = qRgba(255, 255, 255, 255);
  const QRgb grey = qRgba(128, 128, 128, 255);
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) {
      if (qAlpha(source.pixel(x, y)) < 128) continue;
      if (x + 1 < source.width() && y + 1 < source.height() && qAlpha(result.pixel(x + 1, y + 1)) == 0) {
        result.setPixel(x + 1, y + 1, white);
      }
    }
  }
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) {
      if (qAlpha(source.pixel(x, y)) >= 128) result.setPixel(x, y, grey);
    }
  }
  return result;
}

QIcon GlyphIcon(Glyph glyph, QSize size) {
  const QImage normal = DrawGlyph(glyph, size);
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
  icon.addPixmap(QPixmap::fromImage(DisabledLook(normal)), QIcon::Disabled);
  return icon;
}

}  // namespace kt
