#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/indexed_present.h"

namespace kt {
namespace {

ScreenColours DistinctColours() {
  ScreenColours colours{};
  for (uint32_t i = 0; i < 256; ++i) colours[i] = 0xFF000000u | i << 16 | (i * 7 & 0xFF) << 8 | (255 - i);
  return colours;
}

uint32_t Expected(const ScreenColours& colours, uint8_t index) { return colours[index]; }

// An 8-bit picture with padded rows, every pixel different from its neighbours.
struct Source {
  int width, height, stride;
  std::vector<uint8_t> bytes;
  Source(int w, int h, int padding = 3) : width(w), height(h), stride(w + padding) {
    bytes.assign(static_cast<size_t>(stride) * h, 0xAB);  // the padding must never show
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) bytes[static_cast<size_t>(y) * stride + x] = static_cast<uint8_t>(x * 3 + y * 17);
    }
  }
  uint8_t At(int x, int y) const { return bytes[static_cast<size_t>(y) * stride + x]; }
};

// The plain way: for each target pixel, the source pixel at floor(t * size / span).
void ExpectLikeTheReference(const IndexedPresenter& presenter, const Source& source, const ScreenColours& colours,
                            PresentRect place) {
  for (int y = 0; y < presenter.Height(); ++y) {
    for (int x = 0; x < presenter.Width(); ++x) {
      const uint32_t got = presenter.Pixels()[static_cast<size_t>(y) * presenter.Width() + x];
      const bool inside = x >= place.x && x < place.x + place.width && y >= place.y && y < place.y + place.height;
      uint32_t want = kOpaqueBlack;
      if (inside) {
        const int sx = static_cast<int>(static_cast<int64_t>(x - place.x) * source.width / place.width);
        const int sy = static_cast<int>(static_cast<int64_t>(y - place.y) * source.height / place.height);
        want = Expected(colours, source.At(sx, sy));
      }
      ASSERT_EQ(got, want) << "at " << x << "," << y << " of " << presenter.Width() << "x" << presenter.Height();
    }
  }
}

TEST(IndexedPresent, OneToOneAndEveryScaleMatchTheStraightforwardConversion) {
  const ScreenColours colours = DistinctColours();
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {7, 5}, {321, 3}, {13, 11}}) {
    const Source source(w, h);
    // One to one, stretched by whole and broken factors in each direction, and shrunk.
    for (const auto& [tw, th] : std::vector<std::pair<int, int>>{{w, h},
                                                                 {2 * w, 2 * h},
                                                                 {3 * w, h},
                                                                 {w, 5 * h},
                                                                 {w * 5 / 2 + 1, h * 7 / 3 + 1},
                                                                 {(w + 1) / 2, (h + 1) / 2}}) {
      IndexedPresenter presenter;
      const PresentRect place{0, 0, tw, th};
      presenter.Configure(w, h, tw, th, place);
      presenter.Convert(source.bytes.data(), source.stride, colours);
      ExpectLikeTheReference(presenter, source, colours, place);
    }
  }
}

TEST(IndexedPresent, APlaceInsideALargerBufferLeavesBlackBarsAndAClippedPlaceStaysInside) {
  const ScreenColours colours = DistinctColours();
  const Source source(9, 5);
  IndexedPresenter presenter;
  const PresentRect place{4, 2, 27, 10};
  presenter.Configure(9, 5, 40, 15, place);
  presenter.Convert(source.bytes.data(), source.stride, colours);
  ExpectLikeTheReference(presenter, source, colours, place);

  // A place hanging over the edges: only its visible part is drawn, with the whole place's scale.
  IndexedPresenter over;
  over.Configure(9, 5, 10, 6, {-3, -2, 18, 10});
  over.Convert(source.bytes.data(), source.stride, colours);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 10; ++x) {
      const int sx = (x + 3) * 9 / 18;
      const int sy = (y + 2) * 5 / 10;
      ASSERT_EQ(over.Pixels()[static_cast<size_t>(y) * 10 + x], Expected(colours, source.At(sx, sy))) << x << "," << y;
    }
  }
}

TEST(IndexedPresent, NewColoursAndFramesNeedNoNewMemory) {
  const Source source(6, 4);
  ScreenColours colours = DistinctColours();
  IndexedPresenter presenter;
  presenter.Configure(6, 4, 12, 8, {0, 0, 12, 8});
  presenter.Convert(source.bytes.data(), source.stride, colours);
  const uint32_t* memory = presenter.Pixels();
  colours[source.At(0, 0)] = 0xFF030201u;
  presenter.Configure(6, 4, 12, 8, {0, 0, 12, 8});  // the same sizes: nothing is made again
  presenter.Convert(source.bytes.data(), source.stride, colours);
  EXPECT_EQ(presenter.Pixels(), memory);
  EXPECT_EQ(presenter.Pixels()[0], 0xFF030201u);
  EXPECT_EQ(presenter.Pixels()[13], 0xFF030201u) << "the stretched copy of the same pixel";
}

TEST(IndexedPresent, TheAspectIsKeptWithTheLargestPictureThatFits) {
  EXPECT_EQ(AspectFit(320, 200, 1024, 768), (PresentRect{0, 64, 1024, 640}));
  EXPECT_EQ(AspectFit(640, 480, 1024, 768), (PresentRect{0, 0, 1024, 768}));
  EXPECT_EQ(AspectFit(1280, 1024, 1024, 768), (PresentRect{32, 0, 960, 768}));
  EXPECT_EQ(AspectFit(320, 240, 1000, 700), (PresentRect{33, 0, 933, 700}));
  EXPECT_EQ(AspectFit(320, 200, 0, 768), PresentRect{});
}

}  // namespace
}  // namespace kt
