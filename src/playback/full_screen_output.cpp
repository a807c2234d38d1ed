#include "playback/full_screen_output.h"

#include <cmath>

#include "base/errors.h"

namespace kt {

using namespace dd;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

void Check(HRESULT result, const char* text) {
  if (result != DD_OK) throw PlayerError(text);
}

}  // namespace

ModeSize ForcedModeSize(int itemIndex) {
  static constexpr ModeSize kModes[] = {{320, 200}, {320, 240},  {512, 384},  {640, 400},  {640, 480},
                                        {800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}};
  if (itemIndex < 0 || itemIndex >= static_cast<int>(std::size(kModes))) return {};
  return kModes[itemIndex];
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

DirectDrawFullScreen::DirectDrawFullScreen(DirectDrawCreate create, FullScreenHost& host, PlaybackState& playback,
                                           ColourState& colour, const FlicHeader& header,
                                           std::function<uint32_t()> tick)
    : create_(std::move(create)),
      host_(host),
      playback_(playback),
      colour_(colour),
      header_(header),
      tick_(std::move(tick)) {}

DirectDrawFullScreen::~DirectDrawFullScreen() {
  try {
    TearDown();
  } catch (...) {
  }
}

bool DirectDrawFullScreen::SetUp() {
  try {
    return RunSetUp();
  } catch (...) {
    // What the steps so far made is released and the display restored, in
    // the tear-down's order, so the player stays usable after the message.
    TearDown();
    throw;
  }
}

bool DirectDrawFullScreen::RunSetUp() {
  TearDown();  // nothing may survive from a playback that never reached its end
  Check(create_(directDraw_), kCreateFailedText);
  if (!directDraw_) return false;
  Check(directDraw_->SetCooperativeLevel(host_.ControlPanelHandle(),
                                         DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT),
        kCooperativeLevelFailedText);

  if (host_.AutoModeChecked()) {
    displayModeList_.clear();
    Check(
        directDraw_->EnumDisplayModes(0,
                                      [this](const DisplayModeDesc& mode) {
                                        if (mode.dwRGBBitCount == 8 && displayModeList_.size() < kDisplayModeListSize) {
                                          displayModeList_.push_back({mode.dwWidth, mode.dwHeight});
                                        }
                                        return DDENUMRET_OK;
                                      }),
        kEnumModesFailedText);
    const std::optional<ModeSize> chosen = ChooseDisplayMode(displayModeList_, header_.width, header_.height);
    if (!chosen) throw PlayerError(kFlicDoesNotFitText);
    screenModeWidth_ = chosen->width;
    screenModeHeight_ = chosen->height;
  } else {
    const ModeSize forced = ForcedModeSize(host_.ForceModeIndex());
    screenModeWidth_ = forced.width;
    screenModeHeight_ = forced.height;
  }
  Check(directDraw_->SetDisplayMode(screenModeWidth_, screenModeHeight_, 8), kSetDisplayModeFailedText);

  SurfaceDesc desc;
  desc.dwSize = 108;
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  Check(directDraw_->CreateSurface(desc, &primary_), kCreateSurfaceFailedText);
  Check(primary_->GetAttachedSurface(DDSCAPS_BACKBUFFER, &back_), kBackSurfaceFailedText);

  PaletteEntries& entries = colour_.Display.FullScreenPaletteEntries;
  for (size_t i = 0; i < entries.size(); ++i) {
    entries[i] = PaletteEntry{colour_.Base[i].red, colour_.Base[i].green, colour_.Base[i].blue, 0};
  }
  Check(directDraw_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries.data(), &palette_),
        kCreatePaletteFailedText);
  Check(primary_->SetPalette(palette_), kSetPaletteFailedText);
  paletteConnected_ = true;
  host_.ConnectPaletteEntries([this](const PaletteEntries& shown) {
    return palette_ != nullptr &&
           palette_->SetEntries(0, 0, static_cast<uint32_t>(shown.size()), shown.data()) == DD_OK;
  });

  windowsChanged_ = true;
  host_.HideCursorCoverScreen();
  if (!playback_.CommandRunActive) host_.SetControlPanelVisible(false);
  return true;
}

void DirectDrawFullScreen::ShowFrame() {
  if (primary_ == nullptr || back_ == nullptr) return;
  const auto width = static_cast<int32_t>(screenModeWidth_);
  const auto height = static_cast<int32_t>(screenModeHeight_);
  const Rect whole{0, 0, width, height};
  // The calls' results are not looked at: a frame that fails to show is simply not seen.
  back_->Blt(&whole, nullptr, &whole, DDBLT_COLORFILL | DDBLT_WAIT, 0);
  SurfaceDC* dc = nullptr;
  if (back_->GetDC(&dc) == DD_OK && dc != nullptr) {
    const IndexedFrame frame = host_.FrameBitmap();
    const Offset at = CentringOffset(screenModeWidth_, screenModeHeight_, header_.width, header_.height);
    dc->BitBlt(at.x, at.y, std::min<int>(header_.width, frame.width), std::min<int>(header_.height, frame.height),
               frame.bits, frame.stride);
    if (host_.ShowFpsChecked()) {
      const std::optional<std::string> fps =
          FullScreenFpsText(tick_() - playback_.PlayStartTick, playback_.FramesPlayed);
      if (fps) dc->TextOut(0, 0, *fps, kWhite);
    }
    back_->ReleaseDC(dc);
  }
  if (host_.OneSurfaceChecked()) {
    primary_->BltFast(0, 0, back_, &whole, DDBLTFAST_NOCOLORKEY);
  } else {
    primary_->Flip(nullptr, DDFLIP_WAIT);
  }
}

void DirectDrawFullScreen::TearDown() {
  if (paletteConnected_) {
    paletteConnected_ = false;
    host_.ConnectPaletteEntries(nullptr);
  }
  if (palette_ != nullptr) {
    palette_->Release();
    palette_ = nullptr;
  }
  if (primary_ != nullptr) {
    primary_->Release();
    primary_ = nullptr;
  }
  back_ = nullptr;
  if (directDraw_) {
    directDraw_->RestoreDisplayMode();
    directDraw_->Release();
    directDraw_.reset();
  }
  if (windowsChanged_) {
    windowsChanged_ = false;
    if (!playback_.CommandRunActive) host_.SetControlPanelVisible(true);
    host_.RestoreMovieWindow();
    host_.RestorePanelClientSize();
  }
}

}  // namespace kt
