// The play command with everything it is handed, as the control panel
// holds it: the state, a host that shows nothing and frames drawn into
// plain memory, so a test plays flics in no real time and looks at what
// reached the "screen".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flic_writer.h"
#include "playback/load_command.h"
#include "playback/play_command.h"
#include "quiet_playback_host.h"
#include "scripted_window_services.h"

namespace kt::test {

// Each frame paints its own index into every pixel, so what is on screen
// says which frame was decoded last; the ring frame paints 0xEE.
inline FlicSpec NumberedFlic(int frames, uint16_t width = 4, uint16_t height = 2) {
  FlicSpec spec;
  spec.width = width;
  spec.height = height;
  spec.speed = 40;
  for (int f = 0; f < frames; ++f) {
    Bytes pixels(static_cast<size_t>(width) * height, static_cast<uint8_t>(f));
    spec.records.push_back(f == 0 ? Frame({Color256({{10, 20, 30}, {40, 50, 60}}), FliCopy(pixels)})
                                  : Frame({FliCopy(pixels)}));
  }
  spec.records.push_back(Frame({FliCopy(Bytes(static_cast<size_t>(width) * height, 0xEE))}));
  return spec;
}

// Frames into memory; keeps what was painted and lets a test act as it happens.
class RecordingFrameOutput : public FrameOutput {
 public:
  Bytes buffer;
  uint16_t width = 0, height = 0;
  uint8_t pixelBits = 8;
  ScreenColours colours{};
  int coloursSet = 0;        // each palette the decoder or a bar put in
  std::vector<int> painted;  // pixel 0 of each painted frame
  std::vector<Bytes> shown;  // each painted picture followed by the colour table installed for it
  // The lines changed since the frame painted before, of each painted frame; none: any.
  std::vector<std::optional<ChangedLines>> changes;
  std::optional<ChangedLines> unshown;
  int prepared = 0, finalPaints = 0, tearDowns = 0;
  std::function<void()> onBitmapCreated;
  std::function<void(size_t)> onPainted;  // with the number of frames painted so far

  void PrepareFrameBuffer(uint16_t w, uint16_t h, uint8_t bits) override {
    width = w;
    height = h;
    pixelBits = bits;
    buffer.assign(static_cast<size_t>(w) * h * (bits == 8 ? 1 : bits == 24 ? 3 : 2), 0);
    ++prepared;
  }
  void CreateFrameBitmap() override {
    unshown.reset();
    if (onBitmapCreated) onBitmapCreated();
  }
  uint8_t* FrameBuffer() override { return buffer.data(); }
  void Changed(std::optional<ChangedLines> lines) override {
    if (unshown && lines) unshown->Add(*lines);
    if (!lines) unshown.reset();
  }
  ScreenFrame Picture() override {
    return {buffer.data(), width, height, width, ScreenPixels::Indexed8, {}, std::nullopt};
  }
  void PaintFrame() override {
    painted.push_back(buffer[0]);
    Bytes screen = buffer;
    const auto* table = reinterpret_cast<const uint8_t*>(colours.data());
    screen.insert(screen.end(), table, table + sizeof colours);
    shown.push_back(std::move(screen));
    changes.push_back(unshown);
    unshown.emplace();
    if (onPainted) onPainted(painted.size());
  }
  void PaintFinalFrame() override { ++finalPaints; }
  void TearDown() override { ++tearDowns; }
  void SetColours(const ScreenColours& shown) override {
    colours = shown;
    ++coloursSet;
  }
};

// The state the play command works on; Parts hands it over with the host,
// output and sound given, and the window services' clock as the tick unless
// another is given.
struct PlayerState {
  FlicState flic;
  OpenDialogState dialog;
  PlaybackState state;
  RecordingState recording;
  ColourState colour;
  ScriptedWindowServices services;
  FullScreenOutput fullScreen;

  PlayerParts Parts(PlaybackHost& host, FrameOutput& output, SoundAccompaniment& sound,
                    std::function<uint32_t()> tick = {}) {
    if (!tick) tick = [this] { return services.clock; };
    return {flic, dialog, state, recording, colour, services, host, output, fullScreen, sound, std::move(tick)};
  }
};

template <class Sound = SoundAccompaniment>
struct PlayerRig : PlayerState {
  QuietPlaybackHost host;
  RecordingFrameOutput output;
  Sound sound;
  PlayCommand play{Parts(host, output, sound)};

  // The Load button on the given file.
  void LoadIntoMemory(const std::string& path) {
    flic.LoadFlicName = path;
    bool keep = false;
    LoadContext context{flic, dialog, services, host, keep};
    LoadFlicIntoMemory(context);
  }
};

}  // namespace kt::test
