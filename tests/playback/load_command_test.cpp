#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "flic/flic_info.h"
#include "flic_writer.h"
#include "playback/load_command.h"
#include "scripted_window_services.h"

namespace kt {
namespace {

using test::FlicSpec;
using test::Frame;

class RecordingWindowSteps : public LoadWindowSteps {
 public:
  std::vector<std::string> calls;
  void SetMovieCaption(const std::string& caption) override { calls.push_back("caption:" + caption); }
  void SizeMovieWindow(int w, int h) override {
    calls.push_back("size:" + std::to_string(w) + "x" + std::to_string(h));
  }
  void ShowFlicInfo() override { calls.push_back("info"); }
  void EnablePlayAndRecordButtons() override { calls.push_back("enable"); }
  void SetLoadingControls(bool loading) override { calls.push_back(loading ? "loading" : "loaded"); }
  bool EndRequested() const override { return ending; }
  bool ending = false;
};

class LoadTest : public ::testing::Test {
 protected:
  FlicState flic;
  OpenDialogState dialog;
  test::ScriptedWindowServices services;
  RecordingWindowSteps windows;
  bool keepSize = false;
  LoadContext context{flic, dialog, services, windows, keepSize};
  test::TempDir dir;

  std::string WriteFlic(const std::string& name, const FlicSpec& spec) { return test::SaveFlic(dir / name, spec); }

  static FlicSpec TwoFrames(uint16_t width = 8) {
    FlicSpec spec;
    spec.width = width;
    spec.height = 2;
    spec.records = {Frame({test::Black()}), Frame({}), Frame({test::Black()})};
    return spec;
  }
};

TEST_F(LoadTest, LoadsWholeFlicThroughTheDialog) {
  const std::string path = WriteFlic("anim.flc", TwoFrames());
  services.openAnswers.push_back(path);
  LoadFlicIntoMemory(context);

  ASSERT_TRUE(flic.FlicInMemory);
  EXPECT_EQ(flic.Store.Slot(2).chunks, 1) << "ring frame loaded";
  EXPECT_TRUE(flic.LoadFlicName.empty());
  EXPECT_EQ(dialog.InitialDir, dir.Path().string());
  EXPECT_EQ(windows.calls, (std::vector<std::string>{"size:8x2", "caption:" + path, "enable", "info"}));
  EXPECT_EQ(services.busyChanges, (std::vector<bool>{true, false}));
  ASSERT_EQ(services.openDialogs.size(), 1u);
  EXPECT_EQ(services.openDialogs[0].filter, kFlicOpenFilter);
  EXPECT_EQ(MakeFlicInfo(flic.Header, flic.FlicInMemory, "").status, "In Memory");
  FreeFlicMemory(flic, windows);
  EXPECT_FALSE(flic.FlicInMemory);
  EXPECT_EQ(windows.calls.back(), "caption:");
}

TEST_F(LoadTest, CancellingKeepsTheFlicInMemory) {
  services.openAnswers.push_back(WriteFlic("a.flc", TwoFrames()));
  LoadFlicIntoMemory(context);
  windows.calls.clear();
  LoadFlicIntoMemory(context);  // the dialog answers cancel
  EXPECT_TRUE(flic.FlicInMemory);
  EXPECT_TRUE(windows.calls.empty());
}

TEST_F(LoadTest, NamedLoadSkipsTheDialogAndKeepsAMaximisedWindow) {
  flic.LoadFlicName = WriteFlic("b.flc", TwoFrames(16));
  keepSize = true;
  LoadFlicIntoMemory(context);
  EXPECT_TRUE(flic.FlicInMemory);
  EXPECT_TRUE(services.openDialogs.empty());
  EXPECT_FALSE(keepSize) << "the flag serves one load";
  EXPECT_EQ(windows.calls.front().rfind("caption:", 0), 0u) << "no SizeMovieWindow";
}

TEST_F(LoadTest, HeaderFailureShowsTheErrorBoxAndReleasesTheOldFlic) {
  services.openAnswers.push_back(WriteFlic("good.flc", TwoFrames()));
  LoadFlicIntoMemory(context);
  FlicSpec bad = TwoFrames();
  bad.magic = 0x1234;
  services.openAnswers.push_back(WriteFlic("bad.flc", bad));
  LoadFlicIntoMemory(context);

  EXPECT_FALSE(flic.FlicInMemory);
  EXPECT_TRUE(flic.LoadFlicName.empty());
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_EQ(services.boxes[0].caption, "Error");
  EXPECT_EQ(services.boxes[0].text, kLoadErrorText);
  EXPECT_EQ(services.boxes[0].buttons, std::vector<BoxButton>{BoxButton::Abort});

  // The next click asks again.
  LoadFlicIntoMemory(context);
  EXPECT_EQ(services.openDialogs.size(), 3u);
}

TEST_F(LoadTest, ReadFailureRaisesAfterReleasingEverything) {
  FlicSpec noRing = TwoFrames();
  noRing.declaredFrames = 3;
  services.openAnswers.push_back(WriteFlic("short.flc", noRing));
  try {
    LoadFlicIntoMemory(context);
    FAIL() << "no error raised";
  } catch (const InOutError& error) {
    EXPECT_EQ(GeneralErrorText(error.what()), "Read beyond end of file.");
  }
  EXPECT_FALSE(flic.FlicInMemory);
  EXPECT_TRUE(flic.LoadFlicName.empty());
  EXPECT_FALSE(services.busy);
  EXPECT_EQ(windows.calls.back(), "caption:");
  for (int f = 0; f <= 3; ++f) {
    for (const ChunkRef& c : flic.Store.Slot(f).chunkTable) EXPECT_EQ(c.data, nullptr);
  }
}

TEST_F(LoadTest, HeaderThatCannotBePlayedIsRefusedWithItsReason) {
  FlicSpec empty;
  empty.records = {Frame({})};
  empty.declaredFrames = 0;
  services.openAnswers.push_back(WriteFlic("empty.flc", empty));
  EXPECT_THROW(LoadFlicIntoMemory(context), DamagedFlicError);
  EXPECT_FALSE(flic.FlicInMemory);
}

TEST_F(LoadTest, DamagedFrameIsNamedWithItsFile) {
  FlicSpec spec = TwoFrames();
  spec.records[1].declaredSize = 10;  // less than its own header
  const std::string path = WriteFlic("cut.flc", spec);
  flic.LoadFlicName = path;
  try {
    LoadFlicIntoMemory(context);
    FAIL() << "no error raised";
  } catch (const DamagedFlicError& error) {
    EXPECT_EQ(std::string(error.what()).rfind(path + ": Frame 1 is damaged", 0), 0u) << error.what();
  }
  EXPECT_EQ(flic.FilesRefused, 0) << "a damaged flic is no refused file: its error stops the words itself";
}

// A load of more than the progress threshold: the box and the controls come
// and go with it; Cancel, or the program's end, leaves nothing in memory.
TEST_F(LoadTest, LongLoadShowsItsProgressAndStopsWhenCancelled) {
  FlicSpec spec;
  spec.width = 4096;
  spec.height = 2048;
  const test::Bytes pixels(size_t{4096} * 2048, 7);
  spec.records = {Frame({test::FliCopy(pixels)}), Frame({test::FliCopy(pixels)})};
  const std::string path = WriteFlic("big.flc", spec);
  ASSERT_GE(std::filesystem::file_size(path), kLoadProgressFromBytes);

  services.cancelAt = 2;
  flic.LoadFlicName = path;
  LoadFlicIntoMemory(context);
  EXPECT_FALSE(flic.FlicInMemory);
  EXPECT_EQ(flic.Store.BytesHeld(), 0u);
  EXPECT_EQ(services.progressBoxes, std::vector<std::string>{"Loading " + path});
  EXPECT_EQ(windows.calls,
            (std::vector<std::string>{"size:4096x2048", "caption:" + path, "loading", "loaded", "caption:"}));
  EXPECT_TRUE(services.boxes.empty()) << "a cancel says nothing";
  EXPECT_FALSE(services.busy);

  windows.ending = true;
  services.cancelAt = 0;
  flic.LoadFlicName = path;
  LoadFlicIntoMemory(context);
  EXPECT_FALSE(flic.FlicInMemory);

  windows.ending = false;
  windows.calls.clear();
  flic.LoadFlicName = path;
  LoadFlicIntoMemory(context);
  ASSERT_TRUE(flic.FlicInMemory);
  EXPECT_EQ(flic.Store.Slot(1).chunkTable.at(0).data[0], 7);
  EXPECT_EQ(windows.calls,
            (std::vector<std::string>{"size:4096x2048", "caption:" + path, "loading", "loaded", "enable", "info"}));
}

TEST(DialogDirectory, KeepsTheRootOnly) {
  EXPECT_EQ(DialogDirectory("/home/ann/anim.flc"), "/home/ann");
  EXPECT_EQ(DialogDirectory("/anim.flc"), "/");
  EXPECT_EQ(DialogDirectory("anim.flc"), "");
}

TEST(FlicInfo, FiguresAndStatus) {
  FlicHeader header;
  header.magic = kFliMagic;
  header.frames = 80;
  header.size = 0xFFFFFFFF;
  header.speed = FliSpeedToMilliseconds(5);
  FlicInfoTexts info = MakeFlicInfo(header, false, "x.fli");
  EXPECT_EQ(info.frames, "80");
  EXPECT_EQ(info.size, "-1") << "shown as a signed number";
  EXPECT_EQ(info.type, "Old FLI Format");
  EXPECT_EQ(info.delay, "71ms");
  EXPECT_EQ(info.speed, "14fps");
  EXPECT_EQ(info.status, "File selected");

  header.magic = kFlcMagic;
  header.speed = 0x10000 + 1500;  // only the low word counts
  info = MakeFlicInfo(header, true, "");
  EXPECT_EQ(info.type, "New FLC Format");
  EXPECT_EQ(info.delay, "1500ms");
  EXPECT_EQ(info.speed, "0fps");
  EXPECT_EQ(info.status, "In Memory");

  header.speed = 0;
  EXPECT_EQ(MakeFlicInfo(header, true, "").speed, "Max");

  info = MakeFlicInfo(header, false, "");
  EXPECT_FALSE(info.hasFigures);
  EXPECT_EQ(info.status, "None");
}

}  // namespace
}  // namespace kt
