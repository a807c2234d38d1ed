// The pictures on the control panel's buttons, each with its normal and
// its disabled look, drawn here so they read the same on every desktop.
#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>

namespace kt {

enum class Glyph {
  Load,      // a flic going into memory
  PlayFile,  // a flic to be played from disk
  Record,
  DirXMode,  // the full-screen options
  Stats,
  Options,
  Info,
  About,
  Reset,
  Minimize,
  Quit,
  Play,
  Stop,
  FrameBack,
  Pause,
  FrameForward,
  ArrowLeft,  // the small adjust buttons
  ArrowRight,
};

inline constexpr QSize kGlyphSize{16, 16};
inline constexpr QSize kArrowGlyphSize{8, 8};

// The glyph in colour on a transparent ground.
QImage DrawGlyph(Glyph glyph, QSize size);

// The disabled look of a picture: its shape embossed in grey.
QImage DisabledLook(const QImage& normal);

// Both looks, for a button's icon.
QIcon GlyphIcon(Glyph glyph, QSize size = kGlyphSize);

}  // namespace kt
