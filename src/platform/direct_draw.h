// The full-screen display interface the player drives: exclusive access, the
// display modes, a primary surface that flips with one back buffer, and the
// palette object of an 8-bit mode. Every call answers with a result code, 0
// for success, so the steps that test them can say which one failed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "colour/display_palette.h"

namespace kt::dd {

using HRESULT = int32_t;
inline constexpr HRESULT DD_OK = 0;
inline constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DDERR_INVALIDMODE = static_cast<HRESULT>(0x887600F0u);
inline constexpr HRESULT DDERR_NOEXCLUSIVEMODE = static_cast<HRESULT>(0x887601E1u);
inline constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = static_cast<HRESULT>(0x88760234u);
inline constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);

inline constexpr uint32_t DDSCL_FULLSCREEN = 0x01;
inline constexpr uint32_t DDSCL_ALLOWREBOOT = 0x02;
inline constexpr uint32_t DDSCL_EXCLUSIVE = 0x10;

inline constexpr uint32_t DDENUMRET_CANCEL = 0;
inline constexpr uint32_t DDENUMRET_OK = 1;

inline constexpr uint32_t DDSD_CAPS = 0x01;
inline constexpr uint32_t DDSD_BACKBUFFERCOUNT = 0x20;
inline constexpr uint32_t DDSCAPS_BACKBUFFER = 0x04;
inline constexpr uint32_t DDSCAPS_COMPLEX = 0x08;
inline constexpr uint32_t DDSCAPS_FLIP = 0x10;
inline constexpr uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;

inline constexpr uint32_t DDPCAPS_8BIT = 0x04;
inline constexpr uint32_t DDPCAPS_ALLOW256 = 0x40;

inline constexpr uint32_t DDBLT_COLORFILL = 0x400;
inline constexpr uint32_t DDBLT_WAIT = 0x01000000;
inline constexpr uint32_t DDFLIP_WAIT = 0x01;
inline constexpr uint32_t DDBLTFAST_NOCOLORKEY = 0x00;

// What the mode enumeration hands its callback of each mode.
struct DisplayModeDesc {
  uint32_t dwWidth = 0;
  uint32_t dwHeight = 0;
  uint32_t dwRGBBitCount = 0;
};

// The fields of a surface description the primary surface is made from.
struct SurfaceDesc {
  uint32_t dwSize = 108;
  uint32_t dwFlags = 0;
  uint32_t dwBackBufferCount = 0;
  uint32_t dwCaps = 0;
};

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// A drawing context on a surface, between GetDC and ReleaseDC.
class SurfaceDC {
 public:
  virtual ~SurfaceDC() = default;
  // A copy of a width x height 8-bit picture to (x, y), clipped to the surface.
  virtual void BitBlt(int x, int y, int width, int height, const uint8_t* source, int sourceStride) = 0;
  // Text in the given colour (0x00BBGGRR) with its top left corner at (x, y), transparent behind.
  virtual void TextOut(int x, int y, const std::string& text, uint32_t colour) = 0;
};

class DirectDrawPalette {
 public:
  virtual ~DirectDrawPalette() = default;
  virtual HRESULT SetEntries(uint32_t flags, uint32_t start, uint32_t count, const PaletteEntry* entries) = 0;
  virtual void Release() = 0;
};

class DirectDrawSurface {
 public:
  virtual ~DirectDrawSurface() = default;
  virtual HRESULT GetAttachedSurface(uint32_t caps, DirectDrawSurface** attached) = 0;
  virtual HRESULT SetPalette(DirectDrawPalette* palette) = 0;
  // Only colour fills: the destination rectangle (null: all) becomes fillColour.
  virtual HRESULT Blt(const Rect* destination, DirectDrawSurface* source, const Rect* sourceRect, uint32_t flags,
                      uint32_t fillColour) = 0;
  virtual HRESULT GetDC(SurfaceDC** dc) = 0;
  virtual HRESULT ReleaseDC(SurfaceDC* dc) = 0;
  virtual HRESULT Flip(DirectDrawSurface* target, uint32_t flags) = 0;
  virtual HRESULT BltFast(int x, int y, DirectDrawSurface* source, const Rect* sourceRect, uint32_t flags) = 0;
  // The primary surface takes its attached back buffer with it.
  virtual void Release() = 0;
};

class DirectDraw {
 public:
  virtual ~DirectDraw() = default;
  virtual HRESULT SetCooperativeLevel(const void* window, uint32_t flags) = 0;
  virtual HRESULT EnumDisplayModes(uint32_t flags, const std::function<uint32_t(const DisplayModeDesc&)>& callback) = 0;
  virtual HRESULT SetDisplayMode(uint32_t width, uint32_t height, uint32_t bitsPerPixel) = 0;
  virtual HRESULT RestoreDisplayMode() = 0;
  virtual HRESULT CreateSurface(const SurfaceDesc& desc, DirectDrawSurface** surface) = 0;
  virtual HRESULT CreatePalette(uint32_t flags, const PaletteEntry* entries, DirectDrawPalette** palette) = 0;
  virtual void Release() = 0;
};

// DirectDrawCreate for the default display driver. Success may come without an object.
using DirectDrawCreate = std::function<HRESULT(std::unique_ptr<DirectDraw>& object)>;

}  // namespace kt::dd
