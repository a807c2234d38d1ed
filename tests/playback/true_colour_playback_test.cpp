#include <gtest/gtest.h>

#include <cstdlib>

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
      const std::string command = "'" + std::string(KINETROPE_CLI_PATH) + "' export '" + path + "' " + exported;
      ASSERT_EQ(std::system((command + " > /dev/null").c_str()), 0);
      ArmRecording(rig.recording, (dir / "rec").string());
      rig.play.SetKeyImageBudget(budget);
      int step = 0;
      rig.services.onMessages = [&] {
        if (step == 0 ? rig.output.shown.size() == 5 : step < 3 && rig.services.holding) {
          if (step++ == 1)
            rig.play.StepBack();
          else
            rig.play.PauseOrResume();
        }
      };
      rig.LoadIntoMemory(path);
      rig.play.PlayFromMemory();
      ASSERT_EQ(step, 3);
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

}  // namespace
}  // namespace kt
