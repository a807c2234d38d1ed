#include "platform/qt/qt_palette_installer.h"

#include <algorithm>

namespace kt {

QList<QRgb> ToQtColourTable(const ColourTable& table) {
  QList<QRgb> colours;
  colours.reserve(static_cast<qsizetype>(table.size()));
  for (const RgbQuad& entry : table) colours.append(qRgb(entry.rgbRed, entry.rgbGreen, entry.rgbBlue));
  return colours;
}

QtPaletteInstaller::QtPaletteInstaller() { selected_.fill(kStockPalette); }

PaletteHandle QtPaletteInstaller::CreatePalette(const LogicalPalette& logical) {
  const PaletteHandle handle = nextHandle_++;
  palettes_[handle] = logical.palPalEntry;
  return handle;
}

PaletteHandle QtPaletteInstaller::SelectPalette(PaletteContext context, PaletteHandle palette) {
  if (!Exists(palette)) return kNoPalette;
  PaletteHandle& slot = selected_[static_cast<size_t>(context)];
  const PaletteHandle before = slot;
  slot = palette;
  return before;
}

// A true-colour display maps nothing: every colour is shown as it is.
void QtPaletteInstaller::RealizePalette(PaletteContext) {}

void QtPaletteInstaller::SetDIBColorTable(const ColourTable& table) {
  if (frameBitmap_ == nullptr) return;
  frameBitmap_->setColorTable(ToQtColourTable(table));
  if (listener_) listener_(table);
}

void QtPaletteInstaller::DeleteObject(PaletteHandle palette) {
  if (palette == kStockPalette) return;
  if (std::find(selected_.begin(), selected_.end(), palette) != selected_.end()) return;
  palettes_.erase(palette);
}

bool QtPaletteInstaller::SetEntries(const PaletteEntries& entries) { return fullScreen_ && fullScreen_(entries); }

// Only a palettised display gives colours up to a palette; on this one the
// choice is noted and changes no colour.
void QtPaletteInstaller::SetSystemPaletteUse(SystemPaletteUse use) { systemUse_ = use; }

QImage* QtPaletteInstaller::SelectFrameBitmap(QImage* bitmap) {
  QImage* before = frameBitmap_;
  frameBitmap_ = bitmap;
  return before;
}

void QtPaletteInstaller::SetFullScreenPalette(std::function<bool(const PaletteEntries&)> setEntries) {
  fullScreen_ = std::move(setEntries);
}

PaletteHandle QtPaletteInstaller::Selected(PaletteContext context) const {
  return selected_[static_cast<size_t>(context)];
}

}  // namespace kt
