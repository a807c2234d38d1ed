#include "colour/apply_palette.h"

#include "base/errors.h"

namespace kt {

namespace {

void SelectCurrent(InstalledPalettes& installed, PaletteInstaller& installer, PaletteContext context) {
  const PaletteHandle prior = installer.SelectPalette(context, installed.CurrentPalette);
  // Later selections would only record this playback's own palettes.
  std::optional<PaletteHandle>& recorded = installed.PriorPalettes[static_cast<size_t>(context)];
  if (!recorded) recorded = prior;
}

void DeleteStranded(InstalledPalettes& installed, PaletteInstaller& installer) {
  for (PaletteHandle palette : installed.StrandedPalettes) installer.DeleteObject(palette);
  installed.StrandedPalettes.clear();
}

}  // namespace

void ApplyPalette(ColourState& colour, PaletteInstaller& installer, bool windowOutput) {
  BuildPalette(colour.Base, colour.Adjustment, colour.Display);
  InstalledPalettes& installed = colour.Installed;

  // When no palette can be made the current one stays installed: retiring
  // it would delete a palette the contexts still hold and leave nothing to
  // select back at the end.
  PaletteHandle retired = kNoPalette;
  const PaletteHandle created = installer.CreatePalette(colour.Display.logical);
  if (created != kNoPalette) {
    retired = installed.CurrentPalette;
    installed.CurrentPalette = created;
    SelectCurrent(installed, installer, PaletteContext::MemoryDC);
    if (windowOutput) {
      SelectCurrent(installed, installer, PaletteContext::ControlWindow);
      SelectCurrent(installed, installer, PaletteContext::MovieWindow);
      SelectCurrent(installed, installer, PaletteContext::DisplayImage);
      installer.RealizePalette(PaletteContext::DisplayImage);
    }
  }

  // A handler that runs while a full-screen playback is being torn down
  // (the panel's show, a key) finds the palette gone: there is nothing on
  // the screen to change, which is no failure of the display.
  if (!windowOutput && installer.FullScreenPaletteExists()) {
    CopyFullScreenEntries(colour.Display);
    if (!installer.SetEntries(colour.Display.FullScreenPaletteEntries)) {
      if (retired != kNoPalette) installed.StrandedPalettes.push_back(retired);
      throw PlayerError(kSetEntriesFailedText);
    }
  }

  installer.SetDIBColorTable(colour.Display.colourTable);
  if (retired != kNoPalette) installer.DeleteObject(retired);
  DeleteStranded(installed, installer);
}

void MaxPalCheckClick(PaletteInstaller& installer, bool checked) {
  installer.SetSystemPaletteUse(checked ? SystemPaletteUse::NoStatic : SystemPaletteUse::Static);
}

void ClearPaletteForPlayback(ColourState& colour, PaletteInstaller& installer, int screenBitsPerPixel,
                             bool maxPalChecked, bool windowOutput) {
  LogicalPalette& logical = colour.Display.logical;
  logical.palVersion = 0x300;
  logical.palNumEntries = 256;
  const uint8_t flags = screenBitsPerPixel > 8 ? kPcReserved : 0;
  for (PaletteEntry& entry : logical.palPalEntry) entry = PaletteEntry{0, 0, 0, flags};
  colour.Base.fill(RgbColour{});
  colour.Installed = InstalledPalettes{};
  if (maxPalChecked && windowOutput) installer.SetSystemPaletteUse(SystemPaletteUse::NoStatic);
}

void ReleasePlaybackPalettes(ColourState& colour, PaletteInstaller& installer, bool maxPalChecked, bool windowOutput) {
  InstalledPalettes& installed = colour.Installed;
  if (installed.CurrentPalette != kNoPalette) {
    for (int i = 0; i < kPaletteContextCount; ++i) {
      const std::optional<PaletteHandle>& prior = installed.PriorPalettes[static_cast<size_t>(i)];
      if (prior) installer.SelectPalette(static_cast<PaletteContext>(i), *prior);
    }
    installer.DeleteObject(installed.CurrentPalette);
  }
  DeleteStranded(installed, installer);
  installed = InstalledPalettes{};
  if (maxPalChecked && windowOutput) installer.SetSystemPaletteUse(SystemPaletteUse::Static);
}

}  // namespace kt
