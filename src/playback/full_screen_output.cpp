#include "playback/full_screen_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/indexed_present.h"

namespace kt {

ModeSize ForcedModeSize(int itemIndex) {
  const std::vector<ModeSize>& modes = StandardModes();
  if (itemIndex < 0 || itemIndex >= static_cast<int>(modes.size())) return {};
  return modes[static_cast<size_t>(itemIndex)];
}

std::optional<ModeSize> ChooseDisplayMode(const std::vector<ModeSize>& modes, uint16_t width, uint16_t height) {
  // The first that fits, in the display's order: not the smallest, not the best refresh.
  for (const ModeSize& mode : modes) {
    if (mode.width >= width && mode.height >= height) return mode;
  }
  return std::nullopt;
}

Offset CentringOffset(uint32_t modeWidth, uint32_t modeHeight, uint16_t width, uint16_t height) {
  return {(static_cast<int>(modeWidth) - width) / 2, (static_cast<int>(modeHeight) - height) / 2};
}

std::optional<std::string> FullScreenFpsText(uint32_t elapsedMs, int32_t framesPlayed) {
  if (framesPlayed <= 0 || elapsedMs == 0) return std::nullopt;
  const long double perFrame = static_cast<long double>(elapsedMs) / framesPlayed;
  return std::to_string(std::llrint(1000.0L / perFrame));
}

FullScreen::FullScreen(FullScreenDisplay& display, FullScreenHost& host, PlaybackState& playback,
                       const ColourState& colour, const FlicHeader& header, std::function<uint32_t()> tick)
    : display_(display), host_(host), playback_(playback), colour_(colour), header_(header), tick_(std::move(tick)) {}

FullScreen::~FullScreen() {
  try {
    TearDown();
  } catch (...) {
  }
}

bool FullScreen::SetUp() {
  try {
    return RunSetUp();
  } catch (...) {
    // What the steps so far made is given back and the display restored, in
    // the tear-down's order, so the player stays usable after the message.
    TearDown();
    throw;
  }
}

bool FullScreen::RunSetUp() {
  TearDown();  // nothing may survive from a playback that never reached its end
  if (!display_.Open()) return false;

  if (host_.AutoModeChecked()) {
    displayModeList_ = display_.Modes();
    if (displayModeList_.size() > kDisplayModeListSize) displayModeList_.resize(kDisplayModeListSize);
    const std::optional<ModeSize> chosen = ChooseDisplayMode(displayModeList_, header_.width, header_.height);
    if (!chosen) throw ScreenRefused(ScreenStep::NoModeFits);
    mode_ = *chosen;
  } else {
    mode_ = ForcedModeSize(host_.ForceModeIndex());
  }
  // A mode refused outright was never set; one refused half way in is given back as well.
  modeEntered_ = true;
  try {
    display_.EnterMode(mode_);
  } catch (const ScreenRefused& refused) {
    if (refused.Step() == ScreenStep::SetMode) modeEntered_ = false;
    throw;
  }
  // A true-colour picture is drawn as 0xFFRRGGBB words, on black.
  const size_t size = static_cast<size_t>(mode_.width) * mode_.height * (header_.IsTrueColour() ? 4 : 1);
  front_.assign(size, 0);
  back_.assign(size, 0);
  behind_.reset();

  // The flic's own colours, without brightness or contrast until they next change.
  ColourTable table{};
  for (size_t i = 0; i < table.size(); ++i) {
    table[i] = RgbQuad{colour_.Base[i].blue, colour_.Base[i].green, colour_.Base[i].red, 0};
  }
  display_.SetColours(ToScreenColours(table));
  coloursConnected_ = true;

  windowsChanged_ = true;
  host_.HideCursorCoverScreen();
  if (!playback_.CommandRunActive) host_.SetControlPanelVisible(false);
  return true;
}

void FullScreen::ShowFrame(const ScreenFrame& frame) {
  if (!coloursConnected_ || frame.pixels == nullptr) return;
  const auto width = static_cast<int>(mode_.width);
  const auto height = static_cast<int>(mode_.height);
  const bool trueColour = frame.format == ScreenPixels::Rgb32;
  const size_t unit = trueColour ? 4 : 1;
  if (back_.size() != static_cast<size_t>(width) * height * unit) return;
  // The frame's part that lies on the mode.
  const Offset at = CentringOffset(mode_.width, mode_.height, header_.width, header_.height);
  const int frameWidth = std::min<int>(header_.width, frame.width);
  const int frameHeight = std::min<int>(header_.height, frame.height);
  const int left = std::max(0, -at.x);
  const int top = std::max(0, -at.y);
  const int right = std::min(frameWidth, width - at.x);
  const int bottom = std::min(frameHeight, height - at.y);
  // The frame's lines the picture behind must take: those that changed and,
  // while two pictures take turns, those the picture behind missed before.
  std::optional<ChangedLines> changed = frame.changed;
  if (!behind_ || frame.format != drawnFormat_) changed.reset();
  std::optional<ChangedLines> drawn = changed;
  if (drawn) drawn->Add(*behind_);
  auto copyLines = [&](std::vector<uint8_t>& into, int from, int to) {
    for (int y = std::max(from, top); y < std::min(to, bottom) && left < right; ++y) {
      std::memcpy(into.data() + (static_cast<size_t>(at.y + y) * width + at.x + left) * unit,
                  frame.pixels + static_cast<size_t>(y) * frame.stride + left * unit, (right - left) * unit);
    }
  };
  const bool oneSurface = host_.OneSurfaceChecked();
  if (!drawn) {
    if (trueColour) {
      auto* words = reinterpret_cast<uint32_t*>(back_.data());
      std::fill(words, words + back_.size() / 4, kOpaqueBlack);
    } else {
      std::fill(back_.begin(), back_.end(), uint8_t{0});
    }
    copyLines(back_, top, bottom);
    // Both pictures whole, so the next frame can draw only its changes behind.
    front_ = back_;
    behind_.emplace();
    drawnFormat_ = frame.format;
  } else {
    copyLines(back_, drawn->top, drawn->bottom);
    // "One Surface" copies what was drawn behind to the front; otherwise the two trade places.
    if (oneSurface) {
      copyLines(front_, drawn->top, drawn->bottom);
      behind_.emplace();
    } else {
      std::swap(front_, back_);
      behind_ = changed;
    }
  }
  ScreenFrame shown{front_.data(), width, height, static_cast<int>(width * unit), frame.format, {}, std::nullopt};
  if (host_.ShowFpsChecked()) {
    // The figure changes under the text, so the screen is painted whole.
    shown.cornerText = FullScreenFpsText(tick_() - playback_.PlayStartTick, playback_.FramesPlayed).value_or("");
  } else if (changed) {
    // In the mode's lines; the picture outside the frame's never changes.
    const int from = std::clamp(changed->top, top, std::max(top, bottom));
    const int to = std::clamp(changed->bottom, from, std::max(top, bottom));
    shown.changed = ChangedLines{from + at.y, to + at.y};
  }
  display_.ShowFrame(shown);
}

void FullScreen::SetColours(const ScreenColours& colours) {
  // A handler that runs while a playback is being torn down (the panel's
  // show, a key) finds nothing on the screen to change, which is no failure.
  if (coloursConnected_) display_.SetColours(colours);
}

void FullScreen::TearDown() {
  coloursConnected_ = false;
  if (modeEntered_) {
    modeEntered_ = false;
    display_.Leave();
  }
  front_.clear();
  back_.clear();
  behind_.reset();
  if (windowsChanged_) {
    windowsChanged_ = false;
    if (!playback_.CommandRunActive) host_.SetControlPanelVisible(true);
    host_.RestoreMovieWindow();
    host_.RestorePanelClientSize();
  }
}

}  // namespace kt
