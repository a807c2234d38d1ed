#include "platform/emulated_direct_draw.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace kt {

using namespace dd;

std::vector<DisplayModeDesc> StandardEightBitModes() {
  return {{320, 200, 8}, {320, 240, 8},  {512, 384, 8},  {640, 400, 8},  {640, 480, 8},
          {800, 600, 8}, {1024, 768, 8}, {1152, 864, 8}, {1280, 1024, 8}};
}

namespace {

class Emulation;

class Palette : public DirectDrawPalette {
 public:
  Palette(Emulation& owner, const PaletteEntry* entries) : owner_(owner) {
    std::copy(entries, entries + entries_.size(), entries_.begin());
  }
  HRESULT SetEntries(uint32_t flags, uint32_t start, uint32_t count, const PaletteEntry* entries) override;
  void Release() override { released_ = true; }
  const PaletteEntries& Entries() const { return entries_; }

 private:
  Emulation& owner_;
  PaletteEntries entries_{};
  bool released_ = false;
};

class Surface;

// The context of a surface: it draws straight into the surface's memory.
class Context : public SurfaceDC {
 public:
  explicit Context(Surface& surface) : surface_(surface) {}
  void BitBlt(int x, int y, int width, int height, const uint8_t* source, int sourceStride) override;
  void TextOut(int x, int y, const std::string& text, uint32_t colour) override;

 private:
  Surface& surface_;
};

class Surface : public DirectDrawSurface {
 public:
  Surface(Emulation& owner, int width, int height, bool primary)
      : owner_(owner),
        width_(width),
        height_(height),
        primary_(primary),
        context_(*this),
        pixels_(static_cast<size_t>(width) * height, 0) {}

  HRESULT GetAttachedSurface(uint32_t caps, DirectDrawSurface** attached) override;
  HRESULT SetPalette(DirectDrawPalette* palette) override;
  HRESULT Blt(const Rect* destination, DirectDrawSurface* source, const Rect* sourceRect, uint32_t flags,
              uint32_t fillColour) override;
  HRESULT GetDC(SurfaceDC** dc) override;
  HRESULT ReleaseDC(SurfaceDC* dc) override;
  HRESULT Flip(DirectDrawSurface* target, uint32_t flags) override;
  HRESULT BltFast(int x, int y, DirectDrawSurface* source, const Rect* sourceRect, uint32_t flags) override;
  void Release() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::vector<uint8_t>& Pixels() { return pixels_; }
  std::vector<SurfaceText>& Texts() { return texts_; }
  Palette* AttachedPalette() const { return palette_; }
  bool IsPrimary() const { return primary_; }
  void AttachBack(Surface* back) { back_ = back; }

 private:
  Emulation& owner_;
  int width_;
  int height_;
  bool primary_;
  Context context_;
  bool contextOut_ = false;
  std::vector<uint8_t> pixels_;
  std::vector<SurfaceText> texts_;
  Surface* back_ = nullptr;
  Palette* palette_ = nullptr;
};

class Emulation : public DirectDraw {
 public:
  Emulation(const EmulatedDisplayConfig& config, EmulatedScreen& screen) : config_(config), screen_(screen) {}
  ~Emulation() override { Release(); }

  HRESULT SetCooperativeLevel(const void* window, uint32_t flags) override {
    if (Fails(EmulatedStep::CooperativeLevel)) return DDERR_GENERIC;
    if (window == nullptr) return DDERR_INVALIDPARAMS;
    exclusive_ = (flags & (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)) == (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    return DD_OK;
  }

  HRESULT EnumDisplayModes(uint32_t, const std::function<uint32_t(const DisplayModeDesc&)>& callback) override {
    if (Fails(EmulatedStep::EnumDisplayModes)) return DDERR_GENERIC;
    for (const DisplayModeDesc& mode : config_.modes) {
      if (callback(mode) == DDENUMRET_CANCEL) break;
    }
    return DD_OK;
  }

  HRESULT SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel) override {
    if (Fails(EmulatedStep::SetDisplayMode)) return DDERR_GENERIC;
    if (!exclusive_) return DDERR_NOEXCLUSIVEMODE;
    const bool listed = std::any_of(config_.modes.begin(), config_.modes.end(), [&](const DisplayModeDesc& mode) {
      return mode.dwWidth == width && mode.dwHeight == height && mode.dwRGBBitCount == bitsPerPixel;
    });
    if (!listed || width == 0 || height == 0) return DDERR_INVALIDMODE;
    modeWidth_ = static_cast<int>(width);
    modeHeight_ = static_cast<int>(height);
    modeSet_ = true;
    screen_.ModeSet(width, height);
    return DD_OK;
  }

  HRESULT RestoreDisplayMode() override {
    if (modeSet_) {
      modeSet_ = false;
      screen_.ModeRestored();
    }
    return DD_OK;
  }

  HRESULT CreateSurface(const SurfaceDesc& desc, DirectDrawSurface** surface) override {
    if (surface == nullptr) return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (Fails(EmulatedStep::CreateSurface)) return DDERR_GENERIC;
    if (!modeSet_) return DDERR_NOEXCLUSIVEMODE;
    const uint32_t caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    if (desc.dwSize != 108 || desc.dwFlags != (DDSD_CAPS | DDSD_BACKBUFFERCOUNT) || desc.dwBackBufferCount != 1 ||
        desc.dwCaps != caps) {
      return DDERR_INVALIDPARAMS;
    }
    if (primary_ != nullptr) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    // Both buffers are made here, once; the frames only write into them.
    surfaces_.push_back(std::make_unique<Surface>(*this, modeWidth_, modeHeight_, true));
    primary_ = surfaces_.back().get();
    surfaces_.push_back(std::make_unique<Surface>(*this, modeWidth_, modeHeight_, false));
    primary_->AttachBack(surfaces_.back().get());
    *surface = primary_;
    return DD_OK;
  }

  HRESULT CreatePalette(uint32_t flags, const PaletteEntry* entries, DirectDrawPalette** palette) override {
    if (palette == nullptr) return DDERR_INVALIDPARAMS;
    *palette = nullptr;
    if (Fails(EmulatedStep::CreatePalette)) return DDERR_GENERIC;
    if (entries == nullptr || (flags & DDPCAPS_8BIT) == 0) return DDERR_INVALIDPARAMS;
    palettes_.push_back(std::make_unique<Palette>(*this, entries));
    *palette = palettes_.back().get();
    return DD_OK;
  }

  void Release() override {
    // Released with the mode still set, the display goes back by itself.
    RestoreDisplayMode();
    primary_ = nullptr;
    surfaces_.clear();
    palettes_.clear();
    exclusive_ = false;
  }

  bool Fails(EmulatedStep step) const { return config_.failing.count(step) != 0; }

  void PrimaryReleased(Surface* surface) {
    if (surface == primary_) primary_ = nullptr;
  }

  // What the primary surface shows has changed.
  void Present(Surface& surface) {
    if (!modeSet_ || &surface != primary_) return;
    ShownSurface shown;
    shown.pixels = surface.Pixels().data();
    shown.width = surface.Width();
    shown.height = surface.Height();
    shown.palette = surface.AttachedPalette() != nullptr ? &surface.AttachedPalette()->Entries() : nullptr;
    shown.texts = &surface.Texts();
    screen_.Show(shown);
  }

  void PaletteChanged(const Palette& palette) {
    if (primary_ != nullptr && primary_->AttachedPalette() == &palette) Present(*primary_);
  }

 private:
  EmulatedDisplayConfig config_;
  EmulatedScreen& screen_;
  bool exclusive_ = false;
  bool modeSet_ = false;
  int modeWidth_ = 0;
  int modeHeight_ = 0;
  Surface* primary_ = nullptr;
  // Objects live until the DirectDraw object goes, as a released palette
  // still attached to a surface would.
  std::vector<std::unique_ptr<Surface>> surfaces_;
  std::vector<std::unique_ptr<Palette>> palettes_;
};

HRESULT Palette::SetEntries(uint32_t, uint32_t start, uint32_t count, const PaletteEntry* entries) {
  if (owner_.Fails(EmulatedStep::SetEntries)) return DDERR_GENERIC;
  if (released_ || entries == nullptr || start > entries_.size() || count > entries_.size() - start) {
    return DDERR_INVALIDPARAMS;
  }
  std::copy(entries, entries + count, entries_.begin() + start);
  // An 8-bit display shows new colours at once, also on a picture that stands still.
  owner_.PaletteChanged(*this);
  return DD_OK;
}

// Clips a width x height block at (x, y) to a surface; false when nothing is left.
bool Clip(int surfaceWidth, int surfaceHeight, int& x, int& y, int& width, int& height, int& skipX, int& skipY) {
  skipX = x < 0 ? -x : 0;
  skipY = y < 0 ? -y : 0;
  x += skipX;
  y += skipY;
  width = std::min(width - skipX, surfaceWidth - x);
  height = std::min(height - skipY, surfaceHeight - y);
  return width > 0 && height > 0;
}

void Context::BitBlt(int x, int y, int width, int height, const uint8_t* source, int sourceStride) {
  int skipX = 0;
  int skipY = 0;
  if (source == nullptr || !Clip(surface_.Width(), surface_.Height(), x, y, width, height, skipX, skipY)) return;
  uint8_t* target = surface_.Pixels().data();
  for (int row = 0; row < height; ++row) {
    std::memcpy(target + static_cast<size_t>(y + row) * surface_.Width() + x,
                source + static_cast<size_t>(skipY + row) * sourceStride + skipX, static_cast<size_t>(width));
  }
}

void Context::TextOut(int x, int y, const std::string& text, uint32_t colour) {
  surface_.Texts().push_back(SurfaceText{x, y, text, colour});
}

HRESULT Surface::GetAttachedSurface(uint32_t caps, DirectDrawSurface** attached) {
  if (attached == nullptr) return DDERR_INVALIDPARAMS;
  *attached = nullptr;
  if (owner_.Fails(EmulatedStep::GetAttachedSurface)) return DDERR_GENERIC;
  if (caps != DDSCAPS_BACKBUFFER || back_ == nullptr) return DDERR_NOTFOUND;
  *attached = back_;
  return DD_OK;
}

HRESULT Surface::SetPalette(DirectDrawPalette* palette) {
  if (owner_.Fails(EmulatedStep::SetPalette)) return DDERR_GENERIC;
  palette_ = static_cast<Palette*>(palette);
  if (back_ != nullptr) back_->palette_ = palette_;
  owner_.Present(*this);
  return DD_OK;
}

HRESULT Surface::Blt(const Rect* destination, DirectDrawSurface*, const Rect*, uint32_t flags, uint32_t fillColour) {
  if ((flags & DDBLT_COLORFILL) == 0) return DDERR_INVALIDPARAMS;
  Rect area{0, 0, width_, height_};
  if (destination != nullptr) area = *destination;
  int x = area.left;
  int y = area.top;
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  int skipX = 0;
  int skipY = 0;
  if (!Clip(width_, height_, x, y, width, height, skipX, skipY)) return DD_OK;
  for (int row = 0; row < height; ++row) {
    std::memset(pixels_.data() + static_cast<size_t>(y + row) * width_ + x, static_cast<int>(fillColour & 0xFF),
                static_cast<size_t>(width));
  }
  if (x == 0 && y == 0 && width == width_ && height == height_) texts_.clear();
  owner_.Present(*this);
  return DD_OK;
}

HRESULT Surface::GetDC(SurfaceDC** dc) {
  if (dc == nullptr) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  if (contextOut_) return DDERR_GENERIC;
  contextOut_ = true;
  *dc = &context_;
  return DD_OK;
}

HRESULT Surface::ReleaseDC(SurfaceDC* dc) {
  if (dc != &context_ || !contextOut_) return DDERR_INVALIDPARAMS;
  contextOut_ = false;
  owner_.Present(*this);
  return DD_OK;
}

HRESULT Surface::Flip(DirectDrawSurface*, uint32_t) {
  if (!primary_ || back_ == nullptr) return DDERR_NOTFOUND;
  // The buffers trade places: what was drawn behind is now shown.
  std::swap(pixels_, back_->pixels_);
  std::swap(texts_, back_->texts_);
  owner_.Present(*this);
  return DD_OK;
}

HRESULT Surface::BltFast(int x, int y, DirectDrawSurface* source, const Rect* sourceRect, uint32_t) {
  auto* from = static_cast<Surface*>(source);
  if (from == nullptr) return DDERR_INVALIDPARAMS;
  Rect area{0, 0, from->width_, from->height_};
  if (sourceRect != nullptr) area = *sourceRect;
  area.left = std::max(area.left, 0);
  area.top = std::max(area.top, 0);
  area.right = std::min(area.right, from->width_);
  area.bottom = std::min(area.bottom, from->height_);
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  int skipX = 0;
  int skipY = 0;
  if (width > 0 && height > 0 && Clip(width_, height_, x, y, width, height, skipX, skipY)) {
    for (int row = 0; row < height; ++row) {
      std::memcpy(pixels_.data() + static_cast<size_t>(y + row) * width_ + x,
                  from->pixels_.data() + static_cast<size_t>(area.top + skipY + row) * from->width_ + area.left + skipX,
                  static_cast<size_t>(width));
    }
  }
  texts_ = from->texts_;
  owner_.Present(*this);
  return DD_OK;
}

void Surface::Release() { owner_.PrimaryReleased(this); }

}  // namespace

DirectDrawCreate EmulatedDirectDrawCreate(EmulatedDisplayConfig config, EmulatedScreen& screen) {
  return [config = std::move(config), &screen](std::unique_ptr<DirectDraw>& object) -> HRESULT {
    object.reset();
    if (config.failing.count(EmulatedStep::Create) != 0) return DDERR_GENERIC;
    if (config.createWithoutObject) return DD_OK;
    object = std::make_unique<Emulation>(config, screen);
    return DD_OK;
  };
}

}  // namespace kt
