#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/emulated_direct_draw.h"
#include "playback/full_screen_output.h"

namespace kt {
namespace {

struct RecordingScreen : EmulatedScreen {
  std::vector<std::string>* log = nullptr;
  std::vector<uint8_t> pixels;
  int width = 0, height = 0;
  PaletteEntries palette{};
  std::vector<SurfaceText> texts;
  int shows = 0;
  void ModeSet(uint32_t w, uint32_t h) override {
    log->push_back("mode " + std::to_string(w) + "x" + std::to_string(h));
  }
  void Show(const ShownSurface& s) override {
    ++shows;
    width = s.width;
    height = s.height;
    pixels.assign(s.pixels, s.pixels + static_cast<size_t>(s.width) * s.height);
    if (s.palette != nullptr) palette = *s.palette;
    texts = *s.texts;
  }
  void ModeRestored() override { log->push_back("mode restored"); }
  uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

struct FakeHost : FullScreenHost {
  std::vector<std::string>* log = nullptr;
  bool autoMode = true, fps = false, oneSurface = false;
  int forceIndex = 0;
  std::vector<uint8_t> frame;  // the frame bitmap, rows padded to 4
  int frameWidth = 0, frameHeight = 0;
  std::function<bool(const PaletteEntries&)> setEntries;
  int panel = 0;

  bool AutoModeChecked() const override { return autoMode; }
  int ForceModeIndex() const override { return forceIndex; }
  bool ShowFpsChecked() const override { return fps; }
  bool OneSurfaceChecked() const override { return oneSurface; }
  const void* ControlPanelHandle() const override { return &panel; }
  IndexedFrame FrameBitmap() const override {
    return {frame.data(), frameWidth, frameHeight, (frameWidth + 3) / 4 * 4};
  }
  void ConnectPaletteEntries(std::function<bool(const PaletteEntries&)> f) override {
    log->push_back(f ? "palette connected" : "palette disconnected");
    setEntries = std::move(f);
  }
  void HideCursorCoverScreen() override { log->push_back("movie window full screen"); }
  void SetControlPanelVisible(bool visible) override { log->push_back(visible ? "panel shown" : "panel hidden"); }
  void RestoreMovieWindow() override { log->push_back("movie window restored"); }
  void RestorePanelClientSize() override { log->push_back("panel size"); }
};

class FullScreenTest : public ::testing::Test {
 protected:
  std::vector<std::string> log;
  RecordingScreen screen;
  FakeHost host;
  PlaybackState playback;
  ColourState colour;
  FlicHeader header;
  uint32_t clock = 1000;
  EmulatedDisplayConfig display;
  std::unique_ptr<DirectDrawFullScreen> output;

  FullScreenTest() {
    screen.log = &log;
    host.log = &log;
  }

  // A w x h frame whose pixel (x, y) holds 1 + (x + y * w) mod 255: never 0, the border's colour.
  void Frame(uint16_t w, uint16_t h) {
    header.width = w;
    header.height = h;
    host.frameWidth = w;
    host.frameHeight = h;
    const int stride = (w + 3) / 4 * 4;
    host.frame.assign(static_cast<size_t>(stride) * h, 0xFF);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        host.frame[static_cast<size_t>(y) * stride + x] = static_cast<uint8_t>(1 + (x + y * w) % 255);
    }
  }
  uint8_t FramePixel(int x, int y) const { return static_cast<uint8_t>(1 + (x + y * header.width) % 255); }

  DirectDrawFullScreen& Make() {
    output = std::make_unique<DirectDrawFullScreen>(EmulatedDirectDrawCreate(display, screen), host, playback, colour,
                                                    header, [this] { return clock; });
    return *output;
  }
  static std::vector<dd::DisplayModeDesc> Modes(std::vector<std::array<uint32_t, 3>> modes) {
    std::vector<dd::DisplayModeDesc> list;
    for (auto [w, h, bits] : modes) list.push_back({w, h, bits});
    return list;
  }
  std::string SetUpError() {
    try {
      Make().SetUp();
    } catch (const PlayerError& error) {
      return error.what();
    }
    return "";
  }
};

TEST_F(FullScreenTest, TheFirstListedModeThatFitsIsChosenNotTheSmallest) {
  Frame(320, 200);
  display.modes = Modes({{640, 480, 8}, {320, 200, 8}, {800, 600, 8}});
  ASSERT_TRUE(Make().SetUp());
  EXPECT_EQ(output->ScreenMode(), (ModeSize{640, 480}));
  output->TearDown();
  // A second playback enumerates again and chooses the same.
  ASSERT_TRUE(output->SetUp());
  EXPECT_EQ(output->ScreenMode(), (ModeSize{640, 480}));
  EXPECT_EQ(output->DisplayModeList(), (std::vector<ModeSize>{{640, 480}, {320, 200}, {800, 600}}));

  EXPECT_EQ(ChooseDisplayMode({{320, 240}, {320, 200}}, 320, 200), (ModeSize{320, 240}));
  EXPECT_EQ(ChooseDisplayMode({{800, 600}, {640, 480}}, 641, 480), (ModeSize{800, 600}));
  EXPECT_EQ(ChooseDisplayMode({}, 1, 1), std::nullopt);
}

TEST_F(FullScreenTest, OnlyEightBitModesCountAndAtMostAHundredOfThem) {
  Frame(1000, 700);
  std::vector<std::array<uint32_t, 3>> modes = {{1024, 768, 16}, {1024, 768, 32}};
  for (uint32_t i = 0; i < 100; ++i) modes.push_back({320 + i, 200, 8});
  modes.push_back({1024, 768, 8});  // the 101st 8-bit mode is not recorded
  display.modes = Modes(modes);
  EXPECT_EQ(SetUpError(), "Flic doesn't fit in screen.");
  EXPECT_EQ(output->DisplayModeList().size(), 100u);

  display.modes = Modes({{1024, 768, 16}, {1280, 1024, 32}});
  Frame(320, 200);
  EXPECT_EQ(SetUpError(), "Flic doesn't fit in screen.") << "no 8-bit mode at all";
  display.modes = Modes({{320, 200, 8}, {1280, 1024, 8}});
  Frame(1281, 200);
  EXPECT_EQ(SetUpError(), "Flic doesn't fit in screen.") << "larger than every mode";
}

TEST_F(FullScreenTest, AForcedModeIsTakenAsItIsAndAnUnknownItemSetsNoMode) {
  Frame(640, 480);
  host.autoMode = false;
  host.forceIndex = 0;
  ASSERT_TRUE(Make().SetUp());
  EXPECT_EQ(output->ScreenMode(), (ModeSize{320, 200}));
  output->TearDown();
  host.forceIndex = 9;
  EXPECT_EQ(SetUpError(), "Unable to set new display mode");
  const ModeSize expected[] = {{320, 200}, {320, 240},  {512, 384},  {640, 400},  {640, 480},
                               {800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(ForcedModeSize(i), expected[i]) << i;
  EXPECT_EQ(ForcedModeSize(-1), ModeSize{});
}

TEST_F(FullScreenTest, TheFrameIsCentredOnColourZeroAndASmallerModeShowsItsMiddle) {
  Frame(301, 199);  // odd sizes: the spare room's halves are truncated
  host.autoMode = false;
  host.forceIndex = 1;  // 320 x 240
  ASSERT_TRUE(Make().SetUp());
  output->ShowFrame();
  const Offset at = CentringOffset(320, 240, 301, 199);
  EXPECT_EQ(at, (Offset{9, 20}));
  ASSERT_EQ(screen.width, 320);
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const bool inside = x >= 9 && x < 9 + 301 && y >= 20 && y < 20 + 199;
      ASSERT_EQ(screen.At(x, y), inside ? FramePixel(x - 9, y - 20) : 0) << x << "," << y;
    }
  }
  output->TearDown();

  // 640 x 480 in 320 x 200: the middle, cut evenly.
  Frame(640, 480);
  host.forceIndex = 0;
  ASSERT_TRUE(Make().SetUp());
  output->ShowFrame();
  EXPECT_EQ(CentringOffset(320, 200, 640, 480), (Offset{-160, -140}));
  for (int y = 0; y < 200; y += 7) {
    for (int x = 0; x < 320; x += 3) ASSERT_EQ(screen.At(x, y), FramePixel(x + 160, y + 140)) << x << "," << y;
  }
  EXPECT_EQ(CentringOffset(320, 200, 641, 201), (Offset{-160, 0})) << "towards zero, not down";
}

TEST_F(FullScreenTest, FlipOrOneSurfaceIsReadAtEveryFrame) {
  Frame(4, 2);
  host.autoMode = false;
  ASSERT_TRUE(Make().SetUp());
  output->ShowFrame();
  const int afterFlip = screen.shows;
  EXPECT_EQ(screen.At(158, 99), FramePixel(0, 0));
  host.oneSurface = true;
  host.frame[0] = 0x42;
  output->ShowFrame();
  EXPECT_GT(screen.shows, afterFlip);
  EXPECT_EQ(screen.At(158, 99), 0x42) << "copied to the screen without a flip";
}

TEST_F(FullScreenTest, TheFrameRateFigureComesFromTheSecondFrameOnRoundedHalvesToEven) {
  EXPECT_EQ(FullScreenFpsText(1000, 0), std::nullopt);
  EXPECT_EQ(FullScreenFpsText(0, 5), std::nullopt);
  EXPECT_EQ(FullScreenFpsText(1000, 25), "25");
  EXPECT_EQ(FullScreenFpsText(80, 1), "12");  // 12.5: even
  EXPECT_EQ(FullScreenFpsText(40, 1), "25");
  EXPECT_EQ(FullScreenFpsText(400, 1), "2");   // 2.5: even
  EXPECT_EQ(FullScreenFpsText(2000, 7), "4");  // 3.5: even
  EXPECT_EQ(FullScreenFpsText(3, 1), "333");

  Frame(4, 2);
  host.fps = true;
  ASSERT_TRUE(Make().SetUp());
  playback.PlayStartTick = 1000;
  playback.FramesPlayed = 0;
  output->ShowFrame();
  EXPECT_TRUE(screen.texts.empty()) << "the first frame carries no figure";
  playback.FramesPlayed = 3;
  clock = 1000 + 120;
  output->ShowFrame();
  ASSERT_EQ(screen.texts.size(), 1u);
  EXPECT_EQ(screen.texts[0].text, "25");
  EXPECT_EQ(screen.texts[0].x, 0);
  EXPECT_EQ(screen.texts[0].y, 0);
  EXPECT_EQ(screen.texts[0].colour, 0xFFFFFFu);
  host.fps = false;
  output->ShowFrame();
  EXPECT_TRUE(screen.texts.empty()) << "\"Show FPS\" is read at every frame";
}

TEST_F(FullScreenTest, TheStepsRunInOrderAndTheTearDownGivesEverythingBack) {
  Frame(320, 200);
  ASSERT_TRUE(Make().SetUp());
  EXPECT_EQ(
      log, (std::vector<std::string>{"mode 320x200", "palette connected", "movie window full screen", "panel hidden"}));
  log.clear();
  output->TearDown();
  EXPECT_EQ(log, (std::vector<std::string>{"palette disconnected", "mode restored", "panel shown",
                                           "movie window restored", "panel size"}));
}

TEST_F(FullScreenTest, WordsRunningLeaveTheControlPanelAlone) {
  Frame(320, 200);
  playback.CommandRunActive = true;
  ASSERT_TRUE(Make().SetUp());
  output->TearDown();
  for (const std::string& entry : log) EXPECT_EQ(entry.find("panel hidden"), std::string::npos);
  for (const std::string& entry : log) EXPECT_EQ(entry.find("panel shown"), std::string::npos);
}

TEST_F(FullScreenTest, ThePaletteStartsBlackAndNewEntriesReachTheScreen) {
  Frame(4, 2);
  colour.Base.fill(RgbColour{});
  ASSERT_TRUE(Make().SetUp());
  output->ShowFrame();
  EXPECT_EQ(screen.palette[1], (PaletteEntry{0, 0, 0, 0}));
  ASSERT_TRUE(host.setEntries);
  PaletteEntries entries{};
  entries[1] = PaletteEntry{90, 80, 70, 0};
  const int shows = screen.shows;
  EXPECT_TRUE(host.setEntries(entries));
  EXPECT_EQ(screen.shows, shows + 1) << "a still picture shows the new colours at once";
  EXPECT_EQ(screen.palette[1], (PaletteEntry{90, 80, 70, 0}));
}

// Each set-up step made to fail: its message, and everything made before it
// released in the tear-down's order, the display mode given back; then the
// same output sets up again.
TEST_F(FullScreenTest, EveryFailingStepHasItsMessageAndUnwinds) {
  Frame(320, 200);
  const std::pair<EmulatedStep, const char*> steps[] = {
      {EmulatedStep::Create, "Failed to create IDirectDraw object"},
      {EmulatedStep::CooperativeLevel, "Unable to acquire exclusive full-screen access"},
      {EmulatedStep::EnumDisplayModes, "Unable to get modes"},
      {EmulatedStep::SetDisplayMode, "Unable to set new display mode"},
      {EmulatedStep::CreateSurface, "CreateSurface failed"},
      {EmulatedStep::GetAttachedSurface, "Failed to get background surface"},
      {EmulatedStep::CreatePalette, "DirectDraw.CreatePalette failed"},
      {EmulatedStep::SetPalette, "Unable to assign DirectDraw palette"},
  };
  for (const auto& [step, text] : steps) {
    output = nullptr;
    log.clear();
    display.failing = {step};
    EXPECT_EQ(SetUpError(), text);
    // Nothing reached the windows; a mode that was set is given back.
    std::vector<std::string> expected;
    if (step > EmulatedStep::SetDisplayMode) expected = {"mode 320x200", "mode restored"};
    EXPECT_EQ(log, expected) << text;
    display.failing.clear();
    log.clear();
    output = nullptr;
    ASSERT_TRUE(Make().SetUp()) << "after " << text;
    output->ShowFrame();
    output->TearDown();
    EXPECT_EQ(log.back(), "panel size");
  }
}

TEST_F(FullScreenTest, ADisplayThatGivesNoObjectEndsTheSetUpWithoutAMessage) {
  Frame(320, 200);
  display.createWithoutObject = true;
  EXPECT_FALSE(Make().SetUp());
  output->TearDown();
  EXPECT_EQ(std::count(log.begin(), log.end(), "movie window full screen"), 0);
}

}  // namespace
}  // namespace kt
