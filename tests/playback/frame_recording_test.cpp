#include "playback/frame_recording.h"

#include <gtest/gtest.h>

#include "scripted_window_services.h"

namespace kt {
namespace {

TEST(FrameRecording, RecordButtonArmsFromZeroAndCancelKeepsEverything) {
  test::ScriptedWindowServices services;
  RecordingState state;
  state.RecordBaseName = "/old/base";
  state.RecordFrameNumber = 17;

  EXPECT_FALSE(RecordFrames(state, services));  // the queue is empty: cancel
  EXPECT_FALSE(state.Recording);
  EXPECT_EQ(state.RecordBaseName, "/old/base");
  EXPECT_EQ(state.RecordFrameNumber, 17);
  ASSERT_EQ(services.saveDialogs.size(), 1u);
  EXPECT_EQ(services.saveDialogs[0].filter, kBitmapSaveFilter);

  services.saveAnswers.push_back("/home/user/Anim.BMP");
  EXPECT_TRUE(RecordFrames(state, services));
  EXPECT_TRUE(state.Recording);
  EXPECT_EQ(state.RecordBaseName, "/home/user/Anim");
  EXPECT_EQ(state.RecordFrameNumber, 0);
}

}  // namespace
}  // namespace kt
