// The palette calls on a true-colour display. Palette objects and the
// contexts they are selected into are kept as a small model, so the
// palette steps run in their order and every context gets back what it held;
// what reaches the screen is the frame bitmap's colour table, which a
// frame's copy to the window translates into true colours.
#pragma once

#include <QImage>
#include <QList>
#include <array>
#include <functional>
#include <map>

#include "colour/palette_installer.h"

namespace kt {

// A colour table as the bitmap's QRgb table.
QList<QRgb> ToQtColourTable(const ColourTable& table);

class QtPaletteInstaller : public PaletteInstaller {
 public:
  // What every context holds before anything is selected into it; never deleted.
  static constexpr PaletteHandle kStockPalette = 1;

  QtPaletteInstaller();

  PaletteHandle CreatePalette(const LogicalPalette& logical) override;
  // Selecting a palette that does not exist changes nothing and returns kNoPalette.
  PaletteHandle SelectPalette(PaletteContext context, PaletteHandle palette) override;
  void RealizePalette(PaletteContext context) override;
  void SetDIBColorTable(const ColourTable& table) override;
  // The stock palette and palettes still selected somewhere stay.
  void DeleteObject(PaletteHandle palette) override;
  bool SetEntries(const PaletteEntries& entries) override;
  bool FullScreenPaletteExists() const override { return static_cast<bool>(fullScreen_); }
  void SetSystemPaletteUse(SystemPaletteUse use) override;

  // The frame bitmap standing in the memory context (null: none); returns the one before.
  QImage* SelectFrameBitmap(QImage* bitmap);
  // Where full-screen output takes its palette's entries; null while it has no palette.
  void SetFullScreenPalette(std::function<bool(const PaletteEntries&)> setEntries);
  // Who shows the frame bitmap and must hear of its new colours.
  void SetColourTableListener(std::function<void(const ColourTable&)> listener) { listener_ = std::move(listener); }

  PaletteHandle Selected(PaletteContext context) const;
  // Palettes made and not yet deleted.
  int LivePalettes() const { return static_cast<int>(palettes_.size()); }
  SystemPaletteUse SystemUse() const { return systemUse_; }

 private:
  bool Exists(PaletteHandle palette) const { return palette == kStockPalette || palettes_.count(palette) != 0; }

  std::map<PaletteHandle, PaletteEntries> palettes_;
  PaletteHandle nextHandle_ = kStockPalette + 1;
  std::array<PaletteHandle, kPaletteContextCount> selected_;
  QImage* frameBitmap_ = nullptr;
  std::function<bool(const PaletteEntries&)> fullScreen_;
  std::function<void(const ColourTable&)> listener_;
  SystemPaletteUse systemUse_ = SystemPaletteUse::Static;
};

}  // namespace kt
