#include "playback/wav_accompaniment.h"

namespace kt {

void WavAccompaniment::Open(const std::string& wavFileName) {
  player_.FileName = wavFileName;
  player_.Open();
}

void WavAccompaniment::RestartSound() {
  if (player_.Mode() == MediaMode::Playing) player_.Stop();
  player_.Play();
}

void WavAccompaniment::Close() {
  if (player_.Mode() == MediaMode::Playing) player_.Stop();
  player_.Close();
}

}  // namespace kt
