// The playback state: what the play command and the handlers that steer it
// share. One instance for the run, owned by the control panel; every other
// command reaches a running playback only through these flags.
#pragma once

#include <cstdint>
#include <string>

namespace kt {

struct PlaybackState {
  std::string DiskFlicName;  // the flic to play from disk; empty: the Open dialog's last file
  std::string WavFileName;   // the sound for the next playback; cleared when one ends
  bool Playing = false;
  bool Paused = false;
  bool StopRequested = false;
  bool StepForwardRequested = false;
  bool RepositionRequested = false;
  int32_t JumpTarget = -1;  // the frame chosen on the frame bar; -1: one step back
  bool QuitAfterPlayback = false;
  bool KeepMovieWindowSize = false;  // the next start leaves the movie window's size alone, once
  bool MovieZoomed = false;
  bool CommandRunActive = false;
  uint16_t FrameDelay = 1000;
  int32_t CurrentFrame = 0;
  int32_t FramesPlayed = 0;
  uint32_t PlayStartTick = 0;
  uint32_t LastFrameTick = 0;
};

inline constexpr int kSpeedBarMax = 1000;  // the position that means the flic's own delay

}  // namespace kt
