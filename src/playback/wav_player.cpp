#include "playback/wav_player.h"

namespace kt {

void WavPlayer::Open() { device_.Open(FileName); }

MediaMode WavPlayer::Mode() const {
  if (!device_.IsOpen()) return MediaMode::NotOpen;
  return device_.Playing() ? MediaMode::Playing : MediaMode::Stopped;
}

void WavPlayer::Play() { device_.Play(); }

void WavPlayer::Stop() { device_.Stop(); }

void WavPlayer::Close() { device_.Close(); }

}  // namespace kt
