#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "colour/apply_palette.h"
#include "fake_palette_installer.h"

namespace kt {
namespace {

std::vector<std::string> WindowApply(int palette) {
  const std::string p = std::to_string(palette);
  return {"Create " + p,
          "Select MemoryDC " + p,
          "Select ControlWindow " + p,
          "Select MovieWindow " + p,
          "Select DisplayImage " + p,
          "Realize DisplayImage",
          "SetDIBColorTable"};
}

class ApplyPaletteTest : public ::testing::Test {
 protected:
  ColourState colour;
  test::FakePaletteInstaller installer;

  void Start(bool windowOutput, int screenBits = 8) {
    ClearPaletteForPlayback(colour, installer, screenBits, false, windowOutput);
    colour.Base[1] = RgbColour{10, 20, 30};
  }
};

TEST_F(ApplyPaletteTest, WindowOutputSelectsEverywhereAndRecordsPriorsOnce) {
  Start(true);
  ApplyPalette(colour, installer, true);
  EXPECT_EQ(installer.Take(), WindowApply(100));
  EXPECT_EQ(installer.dibTable[1], (RgbQuad{30, 20, 10, 0}));

  SetBrightness(colour.Adjustment, 5);
  ApplyPalette(colour, installer, true);
  std::vector<std::string> expected = WindowApply(101);
  expected.push_back("Delete 100");
  EXPECT_EQ(installer.Take(), expected);
  EXPECT_EQ(installer.dibTable[1], (RgbQuad{35, 25, 15, 0}));

  // The end gives back what each context held before the playback, not palette 100.
  ReleasePlaybackPalettes(colour, installer, false, true);
  EXPECT_EQ(installer.Take(),
            (std::vector<std::string>{"Select MemoryDC 1", "Select ControlWindow 2", "Select MovieWindow 3",
                                      "Select DisplayImage 4", "Delete 101"}));
  EXPECT_TRUE(installer.alive.empty());

  // The next playback records its priors afresh.
  installer.held = {5, 6, 7, 8};
  Start(true);
  ApplyPalette(colour, installer, true);
  installer.Take();
  ReleasePlaybackPalettes(colour, installer, false, true);
  EXPECT_EQ(installer.Take()[0], "Select MemoryDC 5");
}

TEST_F(ApplyPaletteTest, FullScreenSetsEntriesWithoutFlags) {
  Start(false, 32);
  EXPECT_EQ(colour.Display.logical.palPalEntry[7], (PaletteEntry{0, 0, 0, kPcReserved}));
  ApplyPalette(colour, installer, false);
  EXPECT_EQ(installer.Take(),
            (std::vector<std::string>{"Create 100", "Select MemoryDC 100", "SetEntries", "SetDIBColorTable"}));
  EXPECT_EQ(installer.fullScreen[1], (PaletteEntry{10, 20, 30, 0}));
  EXPECT_EQ(colour.Display.logical.palPalEntry[1], (PaletteEntry{10, 20, 30, kPcReserved}));
  // Once full-screen output has released its palette, only the bitmap takes the colours.
  installer.fullScreenPalette = false;
  ApplyPalette(colour, installer, false);
  EXPECT_EQ(installer.Take(),
            (std::vector<std::string>{"Create 101", "Select MemoryDC 101", "SetDIBColorTable", "Delete 100"}));
  ReleasePlaybackPalettes(colour, installer, false, false);
  EXPECT_EQ(installer.Take(), (std::vector<std::string>{"Select MemoryDC 1", "Delete 101"}));
}

TEST_F(ApplyPaletteTest, RefusedFullScreenEntriesRaiseAndKeepTheBitmapColours) {
  Start(false);
  ApplyPalette(colour, installer, false);
  installer.Take();
  colour.Base[1] = RgbColour{99, 99, 99};
  installer.failSetEntries = true;
  try {
    ApplyPalette(colour, installer, false);
    FAIL() << "no error raised";
  } catch (const PlayerError& error) {
    EXPECT_STREQ(error.what(), "DirectDraw.CreatePalette failed");
  }
  EXPECT_EQ(installer.Take(), (std::vector<std::string>{"Create 101", "Select MemoryDC 101", "SetEntries"}));
  EXPECT_EQ(installer.dibTable[1], (RgbQuad{30, 20, 10, 0}));

  // The palette that apply could not delete goes with the next one that succeeds.
  installer.failSetEntries = false;
  ApplyPalette(colour, installer, false);
  EXPECT_EQ(installer.Take(), (std::vector<std::string>{"Create 102", "Select MemoryDC 102", "SetEntries",
                                                        "SetDIBColorTable", "Delete 101", "Delete 100"}));

  installer.failSetEntries = true;
  EXPECT_THROW(ApplyPalette(colour, installer, false), PlayerError);
  ReleasePlaybackPalettes(colour, installer, false, false);
  EXPECT_TRUE(installer.alive.empty());
}

TEST_F(ApplyPaletteTest, PaletteThatCannotBeMadeLeavesTheCurrentOneInstalled) {
  Start(true);
  ApplyPalette(colour, installer, true);
  installer.Take();
  installer.failCreate = true;
  colour.Base[1] = RgbColour{1, 2, 3};
  ApplyPalette(colour, installer, true);
  EXPECT_EQ(installer.Take(), (std::vector<std::string>{"Create failed", "SetDIBColorTable"}));
  EXPECT_EQ(installer.dibTable[1], (RgbQuad{3, 2, 1, 0}));
  ReleasePlaybackPalettes(colour, installer, false, true);
  EXPECT_TRUE(installer.alive.empty());
  EXPECT_EQ(installer.held, (std::array<PaletteHandle, 4>{1, 2, 3, 4}));
}

TEST_F(ApplyPaletteTest, MaxPaletteSwitchesSystemColoursOnlyForWindowOutput) {
  MaxPalCheckClick(installer, true);
  MaxPalCheckClick(installer, false);
  EXPECT_EQ(installer.Take(), (std::vector<std::string>{"SystemPaletteUse 2", "SystemPaletteUse 1"}));
  ClearPaletteForPlayback(colour, installer, 8, true, false);
  ReleasePlaybackPalettes(colour, installer, true, false);
  EXPECT_TRUE(installer.Take().empty());
  ClearPaletteForPlayback(colour, installer, 8, true, true);
  ReleasePlaybackPalettes(colour, installer, true, true);
  EXPECT_EQ(installer.Take(), (std::vector<std::string>{"SystemPaletteUse 2", "SystemPaletteUse 1"}));
}

TEST_F(ApplyPaletteTest, StartOfPlaybackClearsPalettesButNotTheColourTable) {
  colour.Base.fill(RgbColour{9, 9, 9});
  colour.Display.logical = LogicalPalette{0, 0, {}};
  colour.Display.logical.palPalEntry.fill(PaletteEntry{9, 9, 9, 9});
  colour.Display.colourTable.fill(RgbQuad{9, 9, 9, 0});
  ClearPaletteForPlayback(colour, installer, 8, false, true);
  EXPECT_EQ(colour.Display.logical.palVersion, 0x300);
  EXPECT_EQ(colour.Display.logical.palNumEntries, 256);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(colour.Base[i], RgbColour{});
    EXPECT_EQ(colour.Display.logical.palPalEntry[i], PaletteEntry{});
    EXPECT_EQ(colour.Display.colourTable[i], (RgbQuad{9, 9, 9, 0}));
  }
}

}  // namespace
}  // namespace kt
