#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/errors.h"
#include "fake_screen.h"
#include "playback/full_screen_output.h"

namespace kt {
namespace {

struct FakeHost : FullScreenHost {
  std::vector<std::string>* log = nullptr;
  bool autoMode = true, fps = false, oneSurface = false;
  int forceIndex = 0;

  bool AutoModeChecked() const override { return autoMode; }
  int ForceModeIndex() const override { return forceIndex; }
  bool ShowFpsChecked() const override { return fps; }
  bool OneSurfaceChecked() const override { return oneSurface; }
  void HideCursorCoverScreen() override { log->push_back("movie window full screen"); }
  void SetControlPanelVisible(bool visible) override { log->push_back(visible ? "panel shown" : "panel hidden"); }
  void RestoreMovieWindow() override { log->push_back("movie window restored"); }
  void RestorePanelClientSize() override { log->push_back("panel size"); }
};

class FullScreenTest : public ::testing::Test {
 protected:
  std::vector<std::string> log;
  test::FakeScreen screen;
  FakeHost host;
  std::vector<uint8_t> frame;  // the decoded frame, rows padded to 4 to see the stride kept
  int frameWidth = 0, frameHeight = 0;
  PlaybackState playback;
  ColourState colour;
  FlicHeader header;
  uint32_t clock = 1000;
  std::unique_ptr<FullScreen> output;

  FullScreenTest() {
    screen.log = &log;
    host.log = &log;
  }

  // A w x h frame whose pixel (x, y) holds 1 + (x + y * w) mod 255: never 0, the border's colour.
  void Frame(uint16_t w, uint16_t h) {
    header.width = w;
    header.height = h;
    frameWidth = w;
    frameHeight = h;
    const int stride = (w + 3) / 4 * 4;
    frame.assign(static_cast<size_t>(stride) * h, 0xFF);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        frame[static_cast<size_t>(y) * stride + x] = static_cast<uint8_t>(1 + (x + y * w) % 255);
    }
  }
  void Show(std::optional<ChangedLines> changed = std::nullopt) {
    output->ShowFrame(
        {frame.data(), frameWidth, frameHeight, (frameWidth + 3) / 4 * 4, ScreenPixels::Indexed8, {}, changed});
  }
  uint8_t FramePixel(int x, int y) const { return static_cast<uint8_t>(1 + (x + y * header.width) % 255); }

  FullScreen& Make() {
    output = std::make_unique<FullScreen>(screen, host, playback, colour, header, [this] { return clock; });
    return *output;
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
  screen.modes = {{640, 480}, {320, 200}, {800, 600}};
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

TEST_F(FullScreenTest, AtMostAHundredModesCount) {
  Frame(1000, 700);
  screen.modes.clear();
  for (uint32_t i = 0; i < 100; ++i) screen.modes.push_back({320 + i, 200});
  screen.modes.push_back({1024, 768});  // the 101st is not recorded
  EXPECT_EQ(SetUpError(), "Flic doesn't fit in screen.");
  EXPECT_EQ(output->DisplayModeList().size(), 100u);

  Frame(1281, 200);
  screen.modes = StandardModes();
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
  Show();
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
  Show();
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
  Show();
  const int afterFlip = screen.shows;
  EXPECT_EQ(screen.At(158, 99), FramePixel(0, 0));
  host.oneSurface = true;
  frame[0] = 0x42;
  Show();
  EXPECT_GT(screen.shows, afterFlip);
  EXPECT_EQ(screen.At(158, 99), 0x42) << "copied to the screen without a flip";
}

// Frames that changed in a band of lines are drawn behind only there (and
// where the picture behind lagged), yet every picture shown is the whole
// frame centred, and the screen is told the mode's lines that changed: in a
// larger mode and a smaller one, flipping and with one surface.
TEST_F(FullScreenTest, FramesChangedInPartShowWholeAndNameTheirLines) {
  for (const int forced : {1, 0}) {  // 320 x 240 around the frame, 320 x 200 inside it
    for (const bool oneSurface : {false, true}) {
      SCOPED_TRACE(forced * 2 + oneSurface);
      Frame(301, 219);
      host.autoMode = false;
      host.forceIndex = forced;
      host.oneSurface = oneSurface;
      ASSERT_TRUE(Make().SetUp());
      const Offset at = CentringOffset(320, forced == 1 ? 240 : 200, 301, 219);
      const int stride = (frameWidth + 3) / 4 * 4;
      for (int f = 0; f < 8; ++f) {
        // A block that moves down the frame: this frame's lines and the last one's change.
        const ChangedLines lines{f * 25, f * 25 + 30};
        for (int y = lines.top; y < lines.bottom; ++y) frame[static_cast<size_t>(y) * stride + 7 + f] ^= 0x5A;
        Show(f == 0 ? std::nullopt : std::optional<ChangedLines>(lines));
        for (int y = 0; y < screen.height; ++y) {
          for (int x = 0; x < screen.width; ++x) {
            const int fx = x - at.x, fy = y - at.y;
            const bool inside = fx >= 0 && fx < frameWidth && fy >= 0 && fy < frameHeight;
            ASSERT_EQ(screen.At(x, y), inside ? frame[static_cast<size_t>(fy) * stride + fx] : 0) << x << "," << y;
          }
        }
        const int top = std::clamp(lines.top + at.y, 0, screen.height);
        EXPECT_EQ(screen.changed,
                  f == 0 ? std::nullopt
                         : std::optional<ChangedLines>({top, std::clamp(lines.bottom + at.y, top, screen.height)}));
      }
      host.fps = true;
      Show(ChangedLines{0, 1});
      EXPECT_EQ(screen.changed, std::nullopt) << "the figure is painted with the whole screen";
      host.fps = false;
      output->TearDown();
    }
  }
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
  Show();
  EXPECT_EQ(screen.cornerText, "") << "the first frame carries no figure";
  playback.FramesPlayed = 3;
  clock = 1000 + 120;
  Show();
  EXPECT_EQ(screen.cornerText, "25");
  host.fps = false;
  Show();
  EXPECT_EQ(screen.cornerText, "") << "\"Show FPS\" is read at every frame";
}

TEST_F(FullScreenTest, TheStepsRunInOrderAndTheTearDownGivesEverythingBack) {
  Frame(320, 200);
  ASSERT_TRUE(Make().SetUp());
  EXPECT_EQ(log, (std::vector<std::string>{"mode 320x200", "movie window full screen", "panel hidden"}));
  log.clear();
  output->TearDown();
  EXPECT_EQ(log, (std::vector<std::string>{"mode restored", "panel shown", "movie window restored", "panel size"}));
}

TEST_F(FullScreenTest, WordsRunningLeaveTheControlPanelAlone) {
  Frame(320, 200);
  playback.CommandRunActive = true;
  ASSERT_TRUE(Make().SetUp());
  output->TearDown();
  for (const std::string& entry : log) EXPECT_EQ(entry.find("panel hidden"), std::string::npos);
  for (const std::string& entry : log) EXPECT_EQ(entry.find("panel shown"), std::string::npos);
}

TEST_F(FullScreenTest, TheColoursStartAsTheFlicsAndLaterOnesReachTheScreenUntilTheTearDown) {
  Frame(4, 2);
  colour.Base.fill(RgbColour{});
  colour.Base[1] = {90, 80, 70};
  ASSERT_TRUE(Make().SetUp());
  EXPECT_EQ(screen.colours[1], 0xFF5A5046u);
  ScreenColours later{};
  later[1] = 0xFF010203u;
  output->SetColours(later);
  EXPECT_EQ(screen.colours[1], 0xFF010203u);

  // Refused: the message a palette refused has.
  screen.failing = {ScreenStep::SetColours};
  EXPECT_THROW(
      {
        try {
          output->SetColours(later);
        } catch (const PlayerError& error) {
          EXPECT_STREQ(error.what(), "DirectDraw.CreatePalette failed");
          throw;
        }
      },
      ScreenRefused);
  // Torn down, there is nothing to change and no error for it.
  output->TearDown();
  EXPECT_NO_THROW(output->SetColours(later));
}

// Each set-up step made to fail: its message, and everything made before it
// released in the tear-down's order, the display mode given back; then the
// same output sets up again.
TEST_F(FullScreenTest, EveryFailingStepHasItsMessageAndUnwinds) {
  Frame(320, 200);
  const std::pair<ScreenStep, const char*> steps[] = {
      {ScreenStep::Open, "Failed to create IDirectDraw object"},
      {ScreenStep::TakeOver, "Unable to acquire exclusive full-screen access"},
      {ScreenStep::ListModes, "Unable to get modes"},
      {ScreenStep::SetMode, "Unable to set new display mode"},
      {ScreenStep::FrontBuffer, "CreateSurface failed"},
      {ScreenStep::BackBuffer, "Failed to get background surface"},
      {ScreenStep::MakeColours, "DirectDraw.CreatePalette failed"},
      {ScreenStep::AttachColours, "Unable to assign DirectDraw palette"},
  };
  for (const auto& [step, text] : steps) {
    output = nullptr;
    log.clear();
    screen.failing = {step};
    EXPECT_EQ(SetUpError(), text);
    // Nothing reached the windows; a mode that was set is given back.
    std::vector<std::string> expected;
    if (step > ScreenStep::SetMode) expected = {"mode 320x200", "mode restored"};
    EXPECT_EQ(log, expected) << text;
    screen.failing.clear();
    log.clear();
    output = nullptr;
    ASSERT_TRUE(Make().SetUp()) << "after " << text;
    Show();
    output->TearDown();
    EXPECT_EQ(log.back(), "panel size");
  }
}

TEST_F(FullScreenTest, ADisplayThatGivesNoObjectEndsTheSetUpWithoutAMessage) {
  Frame(320, 200);
  screen.noDisplay = true;
  EXPECT_FALSE(Make().SetUp());
  output->TearDown();
  EXPECT_EQ(std::count(log.begin(), log.end(), "movie window full screen"), 0);
}

}  // namespace
}  // namespace kt
