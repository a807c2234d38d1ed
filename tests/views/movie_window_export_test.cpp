// The movie window's context menu: "Export animation…" of the flic in memory
// or of one chosen from disk, answered through the window services.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <filesystem>

#include "flic/frame_reader.h"
#include "flic_writer.h"
#include "scripted_window_services.h"
#include "views/movie_window.h"

namespace kt {
namespace {

// Cancels at the given update; counts the updates.
class ProgressAnswers : public test::ScriptedWindowServices {
 public:
  int cancelAt = -1;
  int updates = 0;
  std::unique_ptr<ProgressBox> ShowProgressBox(const std::string&, const std::string&) override {
    struct Box : ProgressBox {
      ProgressAnswers& owner;
      explicit Box(ProgressAnswers& o) : owner(o) {}
      bool Update(int, int) override { return ++owner.updates == owner.cancelAt; }
    };
    return std::make_unique<Box>(*this);
  }
};

test::Bytes EightFrames() {
  test::FlicSpec spec;
  spec.width = 8;
  spec.height = 4;
  for (int f = 0; f <= 8; ++f) {
    std::vector<test::ChunkSpec> chunks = {test::FliCopy(test::Bytes(32, static_cast<uint8_t>(f % 8)))};
    if (f % 8 == 0) chunks.insert(chunks.begin(), test::Color256({{0, 0, 0}, {255, 0, 0}, {0, 255, 0}}));
    spec.records.push_back(test::Frame(chunks));
  }
  return test::BuildFlic(spec);
}

TEST(MovieWindowExport, ExportsTheFlicInMemoryOrFromDiskAndCancelsCleanly) {
  test::TempDir dir;
  test::WriteFile(dir / "eight.flc", EightFrames());
  FlicState flic;
  PlaybackState playback;
  MovieWindow movie;
  ProgressAnswers services;
  movie.SetLinks({&flic, &playback, nullptr, {}});
  movie.SetWindowServices(&services);

  // Nothing in memory: the flic comes from the Open dialog.
  services.openAnswers = {(dir / "eight.flc").string()};
  services.saveAnswers = {(dir / "disk.webp").string()};
  movie.ExportAnimation();
  ASSERT_EQ(services.saveDialogs.size(), 1u);
  EXPECT_EQ(services.saveDialogs[0].fileName, "eight.gif");
  EXPECT_TRUE(std::filesystem::file_size(dir / "disk.webp") > 0);
  EXPECT_EQ(services.updates, 8);

  // In memory, as the Load button leaves it.
  OrWhyNot<OpenedFlic> opened = OpenFlic((dir / "eight.flc").string());
  ASSERT_TRUE(opened);
  flic.Header = opened->header;
  ReadWholeFlic(opened->file, flic.Header, flic.Store);
  flic.FlicInMemory = true;
  movie.SetCaption((dir / "eight.flc").string());
  services.saveAnswers = {(dir / "memory.gif").string(), (dir / "cancelled.gif").string(), (dir / "bad.txt").string()};
  movie.ExportAnimation();
  EXPECT_EQ(test::ReadFileBytes(dir / "memory.gif").size() > 6, true);
  EXPECT_EQ(services.openDialogs.size(), 1u) << "no Open dialog for a flic in memory";
  services.cancelAt = services.updates + 3;
  movie.ExportAnimation();
  EXPECT_FALSE(std::filesystem::exists(dir / "cancelled.gif"));
  EXPECT_TRUE(services.boxes.empty()) << "a cancel is no error";
  movie.ExportAnimation();
  ASSERT_EQ(services.boxes.size(), 1u);
  EXPECT_NE(services.boxes[0].text.find("bad.txt"), std::string::npos) << services.boxes[0].text;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3) << "flic, WebP and GIF only";

  // The menu offers it, but not while a flic plays.
  QMenu* menu = movie.BuildContextMenu();
  ASSERT_EQ(menu->actions().size(), 1);
  EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("Export animation\u2026"));
  EXPECT_TRUE(menu->actions()[0]->isEnabled());
  playback.Playing = true;
  EXPECT_FALSE(movie.BuildContextMenu()->actions()[0]->isEnabled());
  FreeFrameRange(flic.Store, flic.Header.frames);
}

}  // namespace
}  // namespace kt
