#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "colour/display_palette.h"
#include "flic/true_colour_decoder.h"
#include "playback/true_colour_shown.h"
#include "player_rig.h"

namespace kt {
namespace {

// Each depth played from memory, with kept pictures and without: paused at
// frame 4, a step back shows frame 3 exactly as it was first shown, and the
// recording of frames 0 to 4 is byte for byte the 24-bit bitmaps export writes.
TEST(TrueColourPlayback, RecordingAndStepBackGiveTheFramesExportDecodes) {
  for (const size_t budget : {kDefaultKeyImageBudget, size_t{0}}) {
    for (const char* name : {"chunks_15.flh", "chunks_16.flh", "runs_24.flh", "tempra_15.flx"}) {
      SCOPED_TRACE(std::string(name) + (budget > 0 ? " with kept pictures" : " replayed from frame 0"));
      test::PlayerRig<> rig;
      test::TempDir dir;
      const std::string path = std::string(KINETROPE_TRUE_COLOUR_FLICS) + "/" + name;
      const std::string exported = (dir / "export").string();
      ASSERT_EQ(
          std::system(("'" + std::string(KINETROPE_CLI_PATH) + "' export '" + path + "' '" + exported + "' >/dev/null")
                          .c_str()),
          0);
      ArmRecording(rig.recording, (dir / "rec").string());
      rig.play.SetKeyImageBudget(budget);
      int step = 0;
      rig.services.onMessages = [&] {
        if (step == 0 && rig.output.shown.size() == 5) {
          ++step;
          rig.play.PauseOrResume();
        } else if (step == 1 && rig.services.holding) {
          ++step;
          rig.play.StepBack();
        } else if (step == 2 && rig.services.holding) {
          ++step;
          rig.play.PauseOrResume();
        }
      };
      rig.LoadIntoMemory(path);
      rig.play.PlayFromMemory();
      EXPECT_EQ(step, 3);
      ASSERT_GE(rig.output.shown.size(), 7u);
      EXPECT_EQ(rig.output.shown[5], rig.output.shown[3]) << "the step back shows frame 3 again";
      for (int f = 0; f < 5; ++f) {
        EXPECT_EQ(test::ReadFileBytes(RecordFileName((dir / "rec").string(), f)),
                  test::ReadFileBytes(RecordFileName(exported, f)))
            << "frame " << f;
      }
    }
  }
}

// Brightness and contrast reach each channel of a true-colour pixel through
// the palette's own formula, after 5 and 6-bit components are widened.
TEST(TrueColourPlayback, LevelsApplyThePalettesFormulaToEachChannel) {
  PaletteAdjustment adjustment;
  SetBrightness(adjustment, 7);
  SetContrast(adjustment, 15);
  const ChannelLevels levels = MakeChannelLevels(adjustment);
  const uint8_t pixels[] = {0x10, 0x80, 0xFF, 0x34, 0x12};
  for (const uint8_t bits : {15, 16, 24}) {
    TrueColourShown shown;
    shown.SetLevels(bits, levels);
    uint32_t plain = 0, adjusted = 0;
    TrueColourToArgb32(pixels, 1, bits, &plain);
    shown.Convert(pixels, 1, &adjusted);
    uint32_t expected = 0xFF000000u;
    for (const int shift : {16, 8, 0}) {
      expected |= uint32_t{AdjustedChannel(static_cast<uint8_t>(plain >> shift), adjustment.ContrastFactor, 7)}
                  << shift;
    }
    EXPECT_EQ(adjusted, expected) << int{bits} << "-bit";
  }
}

}  // namespace
}  // namespace kt
