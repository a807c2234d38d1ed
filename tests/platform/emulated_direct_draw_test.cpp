#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/emulated_direct_draw.h"

namespace kt {
namespace {

using namespace dd;

// A screen that keeps a copy of everything it was asked to show.
struct RecordingScreen : EmulatedScreen {
  std::vector<std::string> events;
  std::vector<uint8_t> pixels;
  PaletteEntries palette{};
  std::vector<SurfaceText> texts;
  void ModeSet(uint32_t w, uint32_t h) override {
    events.push_back("mode " + std::to_string(w) + "x" + std::to_string(h));
  }
  void Show(const ShownSurface& s) override {
    events.push_back("show");
    pixels.assign(s.pixels, s.pixels + static_cast<size_t>(s.width) * s.height);
    if (s.palette != nullptr) palette = *s.palette;
    texts = *s.texts;
  }
  void ModeRestored() override { events.push_back("restored"); }
};

struct Display {
  RecordingScreen screen;
  std::unique_ptr<DirectDraw> object;
  DirectDrawSurface* primary = nullptr;
  DirectDrawSurface* back = nullptr;
  DirectDrawPalette* palette = nullptr;
  int panel = 0;

  // The standard modes and the small ones these tests draw on.
  static EmulatedDisplayConfig WithSmallModes() {
    EmulatedDisplayConfig config;
    for (auto [w, h] : {std::pair{8u, 4u}, {4u, 3u}, {2u, 2u}, {4u, 4u}}) config.modes.push_back({w, h, 8});
    return config;
  }
  explicit Display(EmulatedDisplayConfig config = WithSmallModes()) {
    EXPECT_EQ(EmulatedDirectDrawCreate(std::move(config), screen)(object), DD_OK);
  }
  void Open(uint32_t w, uint32_t h) {
    ASSERT_EQ(object->SetCooperativeLevel(&panel, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT), DD_OK);
    ASSERT_EQ(object->SetDisplayMode(w, h, 8), DD_OK);
    SurfaceDesc desc{108, DDSD_CAPS | DDSD_BACKBUFFERCOUNT, 1, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX};
    ASSERT_EQ(object->CreateSurface(desc, &primary), DD_OK);
    ASSERT_EQ(primary->GetAttachedSurface(DDSCAPS_BACKBUFFER, &back), DD_OK);
    PaletteEntries entries{};
    entries[1] = PaletteEntry{10, 20, 30, 0};
    ASSERT_EQ(object->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries.data(), &palette), DD_OK);
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  }
  void Draw(int x, int y, int w, int h, const uint8_t* bits, int stride) {
    SurfaceDC* dc = nullptr;
    ASSERT_EQ(back->GetDC(&dc), DD_OK);
    dc->BitBlt(x, y, w, h, bits, stride);
    ASSERT_EQ(back->ReleaseDC(dc), DD_OK);
  }
};

TEST(EmulatedDirectDraw, ListsTheEightBitModesInItsOrderAndStopsWhenTheCallbackCancels) {
  Display display(EmulatedDisplayConfig{});
  std::vector<std::string> seen;
  ASSERT_EQ(display.object->EnumDisplayModes(0,
                                             [&](const DisplayModeDesc& m) {
                                               seen.push_back(std::to_string(m.dwWidth) + "x" +
                                                              std::to_string(m.dwHeight) + "x" +
                                                              std::to_string(m.dwRGBBitCount));
                                               return DDENUMRET_OK;
                                             }),
            DD_OK);
  EXPECT_EQ(seen, (std::vector<std::string>{"320x200x8", "320x240x8", "512x384x8", "640x400x8", "640x480x8",
                                            "800x600x8", "1024x768x8", "1152x864x8", "1280x1024x8"}));
  int calls = 0;
  display.object->EnumDisplayModes(
      0, [&](const DisplayModeDesc&) { return ++calls == 2 ? DDENUMRET_CANCEL : DDENUMRET_OK; });
  EXPECT_EQ(calls, 2);
}

TEST(EmulatedDirectDraw, OnlyListedModesAreSetAndOnlyWithExclusiveAccess) {
  Display display;
  EXPECT_EQ(display.object->SetDisplayMode(640, 480, 8), DDERR_NOEXCLUSIVEMODE);
  ASSERT_EQ(display.object->SetCooperativeLevel(&display.panel, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  EXPECT_EQ(display.object->SetDisplayMode(0, 0, 8), DDERR_INVALIDMODE);
  EXPECT_EQ(display.object->SetDisplayMode(640, 480, 16), DDERR_INVALIDMODE);
  EXPECT_EQ(display.object->SetDisplayMode(641, 480, 8), DDERR_INVALIDMODE);
  EXPECT_TRUE(display.screen.events.empty()) << "the screen is untouched by a refused mode";
  EXPECT_EQ(display.object->SetDisplayMode(640, 480, 8), DD_OK);
  display.object->RestoreDisplayMode();
  display.object->RestoreDisplayMode();
  EXPECT_EQ(display.screen.events, (std::vector<std::string>{"mode 640x480", "restored"}));
}

TEST(EmulatedDirectDraw, FlipShowsTheBackBufferAndAOneSurfaceCopyShowsItToo) {
  Display display;
  display.Open(8, 4);
  const Rect whole{0, 0, 8, 4};
  display.back->Blt(&whole, nullptr, &whole, DDBLT_COLORFILL | DDBLT_WAIT, 7);
  const uint8_t frame[] = {1, 2, 3, 0, 4, 5, 6, 0};  // 3 x 2, stride 4
  display.Draw(2, 1, 3, 2, frame, 4);
  display.screen.events.clear();
  ASSERT_EQ(display.primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  EXPECT_EQ(display.screen.events, std::vector<std::string>{"show"});
  const std::vector<uint8_t> expected = {7, 7, 7, 7, 7, 7, 7, 7,  //
                                         7, 7, 1, 2, 3, 7, 7, 7,  //
                                         7, 7, 4, 5, 6, 7, 7, 7,  //
                                         7, 7, 7, 7, 7, 7, 7, 7};
  EXPECT_EQ(display.screen.pixels, expected);
  EXPECT_EQ(display.screen.palette[1], (PaletteEntry{10, 20, 30, 0}));

  // After the flip the back buffer holds the old front picture (all 0); a copy shows the new one.
  display.back->Blt(&whole, nullptr, &whole, DDBLT_COLORFILL | DDBLT_WAIT, 9);
  ASSERT_EQ(display.primary->BltFast(0, 0, display.back, &whole, DDBLTFAST_NOCOLORKEY), DD_OK);
  EXPECT_EQ(display.screen.pixels, std::vector<uint8_t>(32, 9));
}

TEST(EmulatedDirectDraw, TheFrameCopyIsClippedAtEveryEdgeAlsoFromNegativeOffsets) {
  Display display;
  display.Open(4, 3);
  std::vector<uint8_t> frame(6 * 5);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i + 1);
  display.Draw(-1, -1, 6, 5, frame.data(), 6);
  display.primary->Flip(nullptr, DDFLIP_WAIT);
  EXPECT_EQ(display.screen.pixels, (std::vector<uint8_t>{8, 9, 10, 11, 14, 15, 16, 17, 20, 21, 22, 23}));
  display.Draw(3, 2, 6, 5, frame.data(), 6);  // only its top left pixel lands
  display.Draw(4, 0, 6, 5, frame.data(), 6);  // wholly outside
  display.Draw(-6, 0, 6, 5, frame.data(), 6);
  display.primary->Flip(nullptr, DDFLIP_WAIT);
  EXPECT_EQ(display.screen.pixels, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST(EmulatedDirectDraw, NewPaletteEntriesShowAtOnceOnAStillPicture) {
  Display display;
  display.Open(2, 2);
  display.primary->Flip(nullptr, DDFLIP_WAIT);
  display.screen.events.clear();
  PaletteEntries entries{};
  entries[0] = PaletteEntry{255, 255, 255, 0};
  ASSERT_EQ(display.palette->SetEntries(0, 0, 256, entries.data()), DD_OK);
  EXPECT_EQ(display.screen.events, std::vector<std::string>{"show"});
  EXPECT_EQ(display.screen.palette[0], (PaletteEntry{255, 255, 255, 0}));
  EXPECT_EQ(display.palette->SetEntries(0, 200, 57, entries.data()), DDERR_INVALIDPARAMS) << "beyond entry 255";
}

TEST(EmulatedDirectDraw, TextGoesWithItsSurfaceAndAFillWipesIt) {
  Display display;
  display.Open(4, 4);
  SurfaceDC* dc = nullptr;
  display.back->GetDC(&dc);
  dc->TextOut(0, 0, "25", 0xFFFFFF);
  display.back->ReleaseDC(dc);
  display.primary->Flip(nullptr, DDFLIP_WAIT);
  ASSERT_EQ(display.screen.texts.size(), 1u);
  EXPECT_EQ(display.screen.texts[0].text, "25");
  display.back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, 0);
  display.primary->Flip(nullptr, DDFLIP_WAIT);
  EXPECT_TRUE(display.screen.texts.empty());
}

TEST(EmulatedDirectDraw, EveryStepCanBeMadeToFailAndASecondPrimaryIsRefused) {
  RecordingScreen screen;
  std::unique_ptr<DirectDraw> object;
  EXPECT_EQ(EmulatedDirectDrawCreate({{}, {EmulatedStep::Create}, false}, screen)(object), DDERR_GENERIC);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(EmulatedDirectDrawCreate({{}, {}, true}, screen)(object), DD_OK);
  EXPECT_EQ(object, nullptr) << "success without an object";

  Display display({StandardEightBitModes(), {EmulatedStep::SetEntries, EmulatedStep::EnumDisplayModes}, false});
  display.Open(320, 200);
  PaletteEntries entries{};
  EXPECT_EQ(display.palette->SetEntries(0, 0, 256, entries.data()), DDERR_GENERIC);
  EXPECT_EQ(display.object->EnumDisplayModes(0, [](const DisplayModeDesc&) { return DDENUMRET_OK; }), DDERR_GENERIC);
  DirectDrawSurface* second = nullptr;
  SurfaceDesc desc{108, DDSD_CAPS | DDSD_BACKBUFFERCOUNT, 1, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX};
  EXPECT_EQ(display.object->CreateSurface(desc, &second), DDERR_PRIMARYSURFACEALREADYEXISTS);
  display.primary->Release();
  EXPECT_EQ(display.object->CreateSurface(desc, &second), DD_OK) << "once the first is released";

  // Released with the mode still set, the display goes back by itself.
  display.object->Release();
  EXPECT_EQ(display.screen.events.back(), "restored");
}

}  // namespace
}  // namespace kt
