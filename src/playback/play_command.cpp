#include "playback/play_command.h"

#include <cmath>
#include <cstdlib>

#include "base/errors.h"
#include "flic/frame_decoder.h"
#include "flic/frame_reader.h"
#include "flic/key_images.h"
#include "flic/true_colour_decoder.h"
#include "platform/tick.h"

namespace kt {

namespace {

// Statistics round with extended precision, halves to even.
long long Round(long double value) { return std::llrint(value); }

// The decoder's calls back into the player: the palette after each colour
// chunk, and the question about an unknown chunk.
class PlayerDecodeEvents : public DecodeEvents {
 public:
  PlayerDecodeEvents(PlayCommand& command, WindowServices& services, PlaybackHost& host)
      : command_(command), services_(services), host_(host) {}

  void ApplyPalette() override { command_.ApplyPalette(); }

  // Counted so that the key pictures know a frame lost none of its data.
  void DataClipped(int /*chunkIndex*/, uint16_t /*type*/) override { ++clipped; }
  int clipped = 0;

  void UnknownChunk(uint16_t type) override {
    const std::string text = "Unknown chunk type! (" + std::to_string(type) + ") continue?";
    if (ShowErrorBox(services_, text, true) == BoxButton::Abort) {
      host_.HaltProgram();
      // Only a test's host comes back from halting; nothing more may be decoded.
      throw ProgramHalted();
    }
  }

 private:
  PlayCommand& command_;
  WindowServices& services_;
  PlaybackHost& host_;
};

}  // namespace

struct PlayCommand::Session {
  std::optional<FlicFile> file;  // playing from disk
  int32_t frames = 0;            // N
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t pixelBits = 8;  // 15, 16, 24: a true-colour flic
  bool fullScreen = false;
  // What the start has set up, so that the end releases exactly that, also after an error.
  bool outputPrepared = false;
  bool soundOpen = false;
  bool fullScreenSetUp = false;
  std::optional<PlayerDecodeEvents> events;
  std::optional<KeyImages> keys;  // taken as the frames pass, for rebuilds
  std::vector<uint8_t> bgr;       // a true-colour frame as its bitmap is written

  bool TrueColour() const { return pixelBits != 8; }

  bool FromDisk() const { return file.has_value(); }
};

void PlayCommand::ApplyPalette() {
  if (trueColourPlaying_) {
    // No palette: the picture itself is shown again through the new levels.
    p_.output.SetLevels(MakeChannelLevels(p_.colour.Adjustment));
    if (!WindowOutputInUse()) p_.fullScreen.ShowFrame(p_.output.Picture());
    return;
  }
  BuildPalette(p_.colour.Base, p_.colour.Adjustment, p_.colour.Display);
  const ScreenColours colours = ToScreenColours(p_.colour.Display.colourTable);
  if (WindowOutputInUse()) {
    p_.output.SetColours(colours);
  } else {
    p_.fullScreen.SetColours(colours);
  }
}

bool PlayCommand::WindowOutputInUse() const { return !(p_.host.DirectXChecked() && p_.fullScreen.Available()); }

std::string StatisticsSetFigure(uint16_t frameDelay) {
  return frameDelay > 0 ? std::to_string(Round(1000.0L / frameDelay)) : "Max";
}

std::string CurrentFpsText(uint32_t elapsedMs, int32_t framesPlayed, uint16_t frameDelay) {
  const long double perFrame = static_cast<long double>(elapsedMs) / framesPlayed;
  return "Current [" + std::to_string(Round(1000.0L / perFrame)) + "], Set to [" + StatisticsSetFigure(frameDelay) +
         "]";
}

std::string ActualDelayText(uint32_t elapsedMs, int32_t framesPlayed) {
  return std::to_string(Round(static_cast<long double>(elapsedMs) / framesPlayed));
}

void PlayCommand::PlayFromDisk() {
  PlaybackState& state = p_.playback;
  FlicState& flic = p_.flic;
  Session session;

  if (!flic.FlicInMemory) {
    if (state.DiskFlicName.empty()) state.DiskFlicName = p_.openDialog.FileName;
    if (state.DiskFlicName.empty()) {
      // Nothing chosen and nothing in memory: a load error naming no file would not say what to do.
      ++flic.FilesRefused;
      ShowErrorBox(p_.services, kNoFlicChosenText, false);
      return;
    }
    OrWhyNot<OpenedFlic> opened = OpenFlic(state.DiskFlicName);
    if (!opened) {
      // Nothing of a refused file is kept, its figures included.
      flic.Header = FlicHeader{};
      ++flic.FilesRefused;
      ShowErrorBox(p_.services, "There was an error while attempting to load " + state.DiskFlicName + ".", false,
                   state.DiskFlicName + ": " + opened.Reason());
      state.DiskFlicName.clear();
      return;
    }
    flic.Header = opened->header;
    session.file = std::move(opened->file);
    // From here on the name is the file's own spelling, which the caption
    // shows and a later Play opens again, not a case-blind guess.
    state.DiskFlicName = session.file->Path();
    // The frame bar and the frame store cannot take such a header; say why
    // before anything changes.
    try {
      CheckFlicIsPlayable(flic.Header, true);
    } catch (const DamagedFlicError& error) {
      state.DiskFlicName.clear();
      throw DamagedFlicError(session.file->Path() + ": " + error.what());
    }
  }
  const FlicHeader& header = flic.Header;
  session.frames = header.frames;
  session.width = header.width;
  session.height = header.height;
  session.pixelBits = header.IsTrueColour() ? header.pixelBits : 8;

  p_.host.SetFrameBarRange(0, session.frames - 1, session.frames / 10);
  if (state.KeepMovieWindowSize) {
    state.KeepMovieWindowSize = false;
  } else if (!state.MovieZoomed) {
    p_.host.SizeMovieWindow(session.width, session.height);
  }
  p_.host.ShowFlicInfo();
  if (session.FromDisk()) {
    p_.host.SetMovieCaption(state.DiskFlicName);
    session.file->Seek(header.oframe1);
  }

  state.Playing = true;
  p_.host.SetPlayingControls(true);
  p_.host.FocusMovieWindowIfVisible();
  session.events.emplace(*this, p_.services, p_.host);
  try {
    // The flic's palette starts empty; the shown colours stay as they were until its first colour chunk.
    p_.colour.Base.fill(RgbColour{});
    session.outputPrepared = true;
    p_.output.PrepareFrameBuffer(session.width, session.height, session.pixelBits);
    if (!state.WavFileName.empty()) {
      session.soundOpen = true;
      p_.sound.Open(state.WavFileName);
    }
    p_.output.CreateFrameBitmap();
    trueColourPlaying_ = session.TrueColour();
    state.FramesPlayed = 0;
    state.CurrentFrame = 0;
    if (p_.host.SpeedBarPosition() == kSpeedBarMax) state.FrameDelay = header.DelayMs();
    state.PlayStartTick = p_.tick();
    state.LastFrameTick = p_.tick();
    session.fullScreen = !WindowOutputInUse();
    bool displayGiven = true;
    if (session.fullScreen) {
      session.fullScreenSetUp = true;
      // A display that gives no object ends the playback at once, without a word.
      displayGiven = p_.fullScreen.SetUp();
    }
    if (displayGiven && framesShown_) RunFrameLoop(session);
  } catch (const DamagedFlicError& error) {
    EndPlayback(session, true);
    // Only a frame read from disk can be damaged here: the load checked every frame of a flic in memory.
    if (!session.FromDisk()) throw;
    throw DamagedFlicError(session.file->Path() + ": " + error.what());
  } catch (...) {
    EndPlayback(session, true);
    throw;
  }
  EndPlayback(session, false);
}

void PlayCommand::RunFrameLoop(Session& session) {
  PlaybackState& state = p_.playback;
  const int32_t n = session.frames;
  do {
    ShowOneFrame(session);
    WaitOutFrameDelay();
    HandlePause(session);

    state.LastFrameTick = p_.tick();
    state.FramesPlayed += 1;
    state.CurrentFrame += 1;
    if (state.CurrentFrame == n && !p_.host.LoopChecked()) {
      state.StopRequested = true;
    } else if (state.CurrentFrame == n + 1) {
      if (p_.host.LoopChecked()) {
        state.CurrentFrame = 1;
        if (session.FromDisk()) session.file->Seek(p_.flic.Header.oframe2);
        if (!state.WavFileName.empty()) p_.sound.RestartSound();
      } else {
        state.StopRequested = true;
      }
    }
    if (p_.host.StatPanelVisible()) UpdateStatistics();
  } while (!state.StopRequested);
}

void PlayCommand::DecodeCurrentFrame(Session& session, bool fromReplay) {
  PlaybackState& state = p_.playback;
  FlicState& flic = p_.flic;
  if (!session.keys) {
    session.keys.emplace(session.width, session.height, session.frames, keyImageBudget_, session.pixelBits);
  }
  if (session.FromDisk()) {
    const uint64_t offset = session.file->Offset();
    ReadFrame(*session.file, flic.Header, flic.Store, state.CurrentFrame,
              flic.ReadBigFrames ? ReadMode::BigFrames : ReadMode::ChunkByChunk);
    session.keys->FrameRead(state.CurrentFrame, offset, session.file->Offset());
  }
  FrameTarget target;
  target.pixels = p_.output.FrameBuffer();
  target.width = session.width;
  target.height = session.height;
  target.palette = &p_.colour.Base;
  target.optimize = p_.host.OptimizeChecked();
  ChangedLines changed;
  target.changed = &changed;
  try {
    const FrameSlot& slot = flic.Store.Slot(state.CurrentFrame);
    const int clippedBefore = session.events->clipped;
    if (session.TrueColour()) {
      DecodeTrueColourFrame(slot, {target.pixels, target.width, target.height, session.pixelBits, &changed},
                            *session.events);
    } else {
      DecodeFrame(slot, target, *session.events);
    }
    p_.output.Changed(changed);
    session.keys->FrameDecoded(state.CurrentFrame, slot, target.pixels, p_.colour.Base,
                               session.events->clipped == clippedBefore);
  } catch (...) {
    if (session.FromDisk()) FreeFrameChunks(flic.Store, state.CurrentFrame);
    throw;
  }
  if (fromReplay && session.FromDisk()) FreeFrameChunks(flic.Store, state.CurrentFrame);
}

void PlayCommand::ShowOneFrame(Session& session) {
  PlaybackState& state = p_.playback;
  if (state.CurrentFrame == 0 && !state.WavFileName.empty()) p_.sound.RestartSound();
  DecodeCurrentFrame(session, false);
  p_.services.ProcessMessages();
  p_.host.ShowMovieWindowIfHidden();
  if (p_.recording.Recording && state.FramesPlayed <= session.frames - 1) {
    if (session.TrueColour()) {
      // The flic's own colours, as an 8-bit recording keeps its palette's.
      const uint32_t count = static_cast<uint32_t>(session.width) * session.height;
      session.bgr.resize(static_cast<size_t>(count) * 3);
      TrueColourToBgr(p_.output.FrameBuffer(), count, session.pixelBits, session.bgr.data());
      SaveTrueColourFrameBitmap(p_.recording, session.bgr.data(), session.width, session.height);
    } else {
      SaveFrameBitmap(p_.recording, p_.output.FrameBuffer(), session.width, session.height, p_.colour.Base);
    }
  }
  if (p_.host.OnTopChecked()) p_.host.BringControlPanelToTop();
  if (session.fullScreen) {
    p_.fullScreen.ShowFrame(p_.output.Picture());
  } else {
    p_.output.PaintFrame();
  }
  if (session.FromDisk()) FreeFrameChunks(p_.flic.Store, state.CurrentFrame);
}

void PlayCommand::WaitOutFrameDelay() {
  PlaybackState& state = p_.playback;
  // The delay counts from the end of the previous frame's wait, so a frame's
  // own work is part of it; a late frame is simply late.
  while (state.FrameDelay > 0 && !state.Paused) {
    const int32_t passed = static_cast<int32_t>(p_.tick() - state.LastFrameTick);
    const uint32_t elapsed = static_cast<uint32_t>(std::abs(static_cast<int64_t>(passed)));
    if (elapsed >= state.FrameDelay) break;
    p_.services.WaitForMessages(state.FrameDelay - elapsed);
  }
}

void PlayCommand::HandlePause(Session& session) {
  PlaybackState& state = p_.playback;
  const int32_t n = session.frames;
  // A pause never holds on the ring frame; it takes hold one frame later.
  if (!state.Paused || state.CurrentFrame == n) return;
  state.StepForwardRequested = false;
  state.RepositionRequested = false;
  p_.host.ShowFrameControls(true);
  p_.host.SetFrameBarPosition(state.CurrentFrame);
  p_.host.SetFrameLabel(std::to_string(state.CurrentFrame + 1) + "/" + std::to_string(n));
  while (state.Paused && !state.StopRequested && !state.StepForwardRequested && !state.RepositionRequested) {
    p_.services.WaitForMessages(kWaitForever);
  }
  if (!state.StepForwardRequested && !state.RepositionRequested) p_.host.ShowFrameControls(false);
  if (state.RepositionRequested) {
    if (session.FromDisk()) session.file->Seek(p_.flic.Header.oframe1);
    if (state.JumpTarget == -1) {
      const int32_t from = state.CurrentFrame;
      if (from >= 2) ReplayFromStart(session, from - 1);
      state.CurrentFrame = from - 2;
    } else {
      const int32_t target = state.JumpTarget;
      if (target >= 1) ReplayFromStart(session, target);
      state.CurrentFrame = target - 1;
      state.JumpTarget = -1;
    }
  }
  if (state.StopRequested) state.Paused = false;
}

// The rebuild's reads and decodes are the play command's own, so a rebuilt
// frame is read, decoded, reported and released exactly as a replayed one.
class PlayCommand::Rebuild : public RebuildSteps {
 public:
  Rebuild(PlayCommand& command, Session& session) : command_(command), session_(session) {}
  uint8_t* Pixels() override { return command_.p_.output.FrameBuffer(); }
  BasePalette& Palette() override { return command_.p_.colour.Base; }
  void PositionAt(uint64_t offset) override { session_.file->Seek(offset); }
  void DecodeFrames(int32_t first, int32_t last) override {
    PlaybackState& state = command_.p_.playback;
    for (state.CurrentFrame = first; state.CurrentFrame <= last; ++state.CurrentFrame) {
      command_.DecodeCurrentFrame(session_, true);
    }
  }
  void InstallPalette() override { session_.events->ApplyPalette(); }

 private:
  PlayCommand& command_;
  Session& session_;
};

void PlayCommand::ReplayFromStart(Session& session, int32_t count) {
  // Rebuilds the image of an earlier frame: decoded, not shown, recorded or
  // counted. The file, when playing from disk, stands at frame 0.
  if (!session.keys) {
    session.keys.emplace(session.width, session.height, session.frames, keyImageBudget_, session.pixelBits);
  }
  Rebuild steps(*this, session);
  RebuildThrough(*session.keys, count - 1, session.FromDisk(), steps);
  // A key picture copied in changed lines no decoder counted: the next frame is shown whole.
  p_.output.Changed(std::nullopt);
  p_.playback.CurrentFrame = count;
}

void PlayCommand::UpdateStatistics() {
  PlaybackState& state = p_.playback;
  const uint32_t elapsed = p_.tick() - state.PlayStartTick;
  if (elapsed != 0) p_.host.SetFpsLabel(CurrentFpsText(elapsed, state.FramesPlayed, state.FrameDelay));
  p_.host.SetActualDelayLabel(ActualDelayText(elapsed, state.FramesPlayed));
  if (state.FramesPlayed % 16 == 0 || state.StopRequested) {
    p_.host.SetFramesPlayedLabel(std::to_string(state.FramesPlayed));
    p_.host.SetPlayingTimeLabel(std::to_string(elapsed / 1000) + "s");
  }
}

void PlayCommand::EndPlayback(Session& session, bool afterError) {
  PlaybackState& state = p_.playback;
  // After an error every step still runs, so the player is left as a normal
  // end leaves it; the first error is the one the user sees.
  auto step = [afterError](auto&& action) {
    if (!afterError) {
      action();
      return;
    }
    try {
      action();
    } catch (...) {
    }
  };
  if (session.outputPrepared) {
    if (!session.fullScreen) step([&] { p_.output.PaintFinalFrame(); });
  }
  if (session.file) session.file->Close();
  if (session.soundOpen) step([&] { p_.sound.Close(); });
  if (p_.host.SpeedBarPosition() == kSpeedBarMax) state.FrameDelay = 1000;
  if (session.fullScreenSetUp) step([&] { p_.fullScreen.TearDown(); });
  if (session.outputPrepared) {
    step([&] { p_.output.TearDown(); });
  }
  trueColourPlaying_ = false;
  // A frame read from disk is released after it is shown; one that an error
  // interrupted is released here.
  if (session.FromDisk() && afterError && state.CurrentFrame >= 0 && state.CurrentFrame <= session.frames) {
    FreeFrameChunks(p_.flic.Store, state.CurrentFrame);
  }
  state.WavFileName.clear();
  p_.host.SetPlayingControls(false);
  state.StopRequested = false;
  state.Playing = false;
  p_.recording.Recording = false;
  step([&] { ReportRecordingGaps(p_.recording, p_.services); });
  if (afterError) {
    state.Paused = false;
    state.StepForwardRequested = false;
    state.RepositionRequested = false;
    state.JumpTarget = -1;
    p_.host.ShowFrameControls(false);
    // The user sees the error; ending the program under it would hide it.
    state.QuitAfterPlayback = false;
    return;
  }
  if (state.QuitAfterPlayback) {
    // Asked once, acted on once: a later playback must not end the program again.
    state.QuitAfterPlayback = false;
    Exit();
  }
}

void PlayCommand::PlayFromMemory() {
  if (p_.flic.FlicInMemory) p_.playback.DiskFlicName.clear();
  PlayFromDisk();
}

bool PlayCommand::SelectPlayFile() {
  if (!p_.playback.DiskFlicName.empty()) return true;
  const std::optional<std::string> chosen =
      p_.services.ShowOpenDialog({kFlicOpenFilter, p_.openDialog.InitialDir, p_.openDialog.FileName});
  if (!chosen) return false;
  p_.openDialog.FileName = *chosen;
  return true;
}

void PlayCommand::ChooseAndPlayFromDisk() {
  p_.playback.DiskFlicName.clear();
  if (!SelectPlayFile()) return;
  SetPlayFile(p_.openDialog.FileName);
}

void PlayCommand::SetPlayFile(const std::string& fileName) {
  p_.playback.DiskFlicName.clear();
  p_.openDialog.FileName = fileName;
  p_.openDialog.InitialDir = DialogDirectory(fileName);
  p_.host.EnablePlayAndRecordButtons();
  FreeFlicMemory(p_.flic, p_.host);
}

void PlayCommand::Stop() { p_.playback.StopRequested = true; }

void PlayCommand::PauseOrResume() { p_.playback.Paused = !p_.playback.Paused; }

void PlayCommand::StepForward() {
  if (p_.playback.CurrentFrame < p_.flic.Header.frames - 1) p_.playback.StepForwardRequested = true;
}

void PlayCommand::StepBack() {
  if (p_.playback.CurrentFrame > 0) p_.playback.RepositionRequested = true;
}

void PlayCommand::GoToFrame(int position) {
  p_.playback.RepositionRequested = true;
  p_.playback.JumpTarget = position;
}

std::string PlayCommand::SetDelay(int position) {
  PlaybackState& state = p_.playback;
  state.FrameDelay = static_cast<uint16_t>(position);
  if (position == 0) return "None";
  if (position == kSpeedBarMax) {
    state.FrameDelay = p_.flic.Header.DelayMs();
    return "Original";
  }
  return std::to_string(position) + "ms";
}

void PlayCommand::Exit() {
  if (!p_.playback.Playing) {
    p_.host.CloseControlPanel();
    return;
  }
  Stop();
  p_.playback.QuitAfterPlayback = true;
}

}  // namespace kt
