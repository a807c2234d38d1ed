// The project's collection of real flics: every one that loads decodes with
// no clipped data, both DELTA_FLC ways agree frame by frame, and the ring
// frame of an Animator-made flic brings the image back to frame 0.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "base/errors.h"
#include "decode_harness.h"
#include "flic/flic_header.h"
#include "flic/frame_reader.h"
#include "flic_writer.h"

namespace kt {
namespace {

TEST(RealFlicsDecode, CleanAndRingFrameReturnsToTheFirstImage) {
  int decoded = 0;
  int ringsChecked = 0;
  for (const auto& path : test::TestFlics()) {
    SCOPED_TRACE(path.string());
    OrWhyNot<OpenedFlic> opened = OpenFlic(path.string());
    if (!opened) continue;
    const FlicHeader& header = opened->header;
    auto store = std::make_unique<FrameStore>();
    try {
      ReadWholeFlic(opened->file, header, *store);
    } catch (const PlayerError&) {
      continue;  // damaged on purpose; the reader's tests cover these
    }
    test::Canvas fast(header.width, header.height);
    test::Canvas plain(header.width, header.height);
    plain.target.optimize = false;
    test::RecordingEvents fastEvents;
    test::RecordingEvents plainEvents;
    std::vector<uint8_t> first;
    for (int f = 0; f <= header.frames; ++f) {
      DecodeFrame(store->Slot(f), fast.target, fastEvents);
      DecodeFrame(store->Slot(f), plain.target, plainEvents);
      ASSERT_EQ(fast.pixels, plain.pixels) << "frame " << f;
      if (f == 0) first = fast.pixels;
    }
    EXPECT_EQ(fast.pixels, first) << "after the ring frame";
    ++ringsChecked;
    EXPECT_TRUE(fastEvents.clipped.empty());
    EXPECT_TRUE(fastEvents.unknown.empty());
    EXPECT_GT(fastEvents.palettesApplied, 0);
    ++decoded;
  }
  EXPECT_GT(decoded, 5);  // every clean one of tests/data/flics
  EXPECT_GT(ringsChecked, 5);
}

}  // namespace
}  // namespace kt
