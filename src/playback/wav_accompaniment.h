// The sound steps of a playback: its WAV file opened at the set-up, started
// with frame 0 and again at each loop point, stopped and closed at the end.
// Once started the sound runs at its own rate; pauses and steps of the
// picture do not touch it.
#pragma once

#include <string>

#include "playback/frame_output.h"
#include "playback/wav_player.h"

namespace kt {

class WavAccompaniment : public SoundAccompaniment {
 public:
  // Sound set-up: throws SoundError when the file cannot be played.
  void Open(const std::string& wavFileName) override;
  // Plays on when the sound is still playing, starts it again once it has ended.
  void RestartSound() override;
  // Sound end.
  void Close() override;

  const WavPlayer& Player() const { return player_; }

 private:
  WavPlayer player_;
};

}  // namespace kt
