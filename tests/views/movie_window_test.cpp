#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QIcon>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <algorithm>

#include "base/bytes.h"
#include "platform/qt/window_operations.h"
#include "screen_override.h"
#include "views/movie_window.h"
#include "views/resources.h"

namespace kt {
namespace {

using test::CentredOn;
using test::ScreenOverride;

// A close request as the window system delivers it (close box, Alt+F4).
bool UserClose(QWidget& window) {
  QCloseEvent event;
  QCoreApplication::sendEvent(window.windowHandle(), &event);
  return event.isAccepted();
}

TEST(CloseRequestClientSize, HalfTheScreenWideWithTheFlicsAspect) {
  EXPECT_EQ(CloseRequestClientSize(1024, 320, 200), (ClientSize{512, 320}));
  EXPECT_EQ(CloseRequestClientSize(1280, 640, 480), (ClientSize{640, 480}));
  // Halves go to the even neighbour: 1.5 -> 2, 2.5 -> 2.
  EXPECT_EQ(CloseRequestClientSize(1024, 1024, 3), (ClientSize{512, 2}));
  EXPECT_EQ(CloseRequestClientSize(1024, 1024, 5), (ClientSize{512, 2}));
  // An odd screen width: the width is the truncated half, the height belongs to 511.5.
  EXPECT_EQ(CloseRequestClientSize(1023, 320, 200), (ClientSize{511, 320}));
  EXPECT_EQ(CloseRequestClientSize(1023, 2, 1), (ClientSize{511, 256}));
  // A height beyond 16 bits stops at the largest, rather than wrapping to a sliver.
  EXPECT_EQ(CloseRequestClientSize(1024, 1, 4000), (ClientSize{512, 65535}));
}

struct MovieRig {
  ScreenOverride screen{1024, 768};
  FlicState flic;
  PlaybackState playback;
  MovieWindow movie;

  MovieRig() {
    flic.Header.width = 320;
    flic.Header.height = 200;
    movie.SetLinks({&flic, &playback, nullptr, {}});
    movie.show();
  }
};

TEST(MovieWindow, StartsCentredWithItsCaptionAndPictureArea) {
  MovieRig rig;
  EXPECT_EQ(rig.movie.windowTitle(), "Kinetrope");
  EXPECT_EQ(rig.movie.size(), QSize(320, 240));
  EXPECT_EQ(rig.movie.DisplayImage().geometry(), QRect(0, 0, 320, 240));
  EXPECT_EQ(rig.movie.frameGeometry().topLeft(), CentredOn(rig.movie, 1024, 768));

  rig.movie.SetCaption("/home/someone/flics/Über.flc");
  EXPECT_EQ(rig.movie.windowTitle(), QString::fromUtf8("/home/someone/flics/Über.flc"));
  rig.movie.SetCaption("");
  EXPECT_EQ(rig.movie.windowTitle(), "");

  // The picture keeps filling the client area.
  rig.movie.resize(500, 300);
  EXPECT_EQ(rig.movie.DisplayImage().geometry(), QRect(0, 0, 500, 300));
}

TEST(MovieWindow, IconIsItsOwn32By32In16Colours) {
  MovieRig rig;
  EXPECT_TRUE(rig.movie.windowIcon().availableSizes().contains(QSize(32, 32)));
  QFile file(kMovieIconPath);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), 22 + 40);
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  EXPECT_EQ(ReadU16(data + 2), 1);  // an icon
  EXPECT_EQ(ReadU16(data + 4), 1);  // one image
  EXPECT_EQ(data[6], 32);           // 32 wide
  EXPECT_EQ(data[7], 32);           // 32 high
  EXPECT_EQ(data[8], 16);           // 16 colours
  const uint32_t offset = ReadU32(data + 18);
  ASSERT_LE(offset + 40, static_cast<uint32_t>(bytes.size()));
  EXPECT_EQ(ReadU16(data + offset + 14), 4);  // 4 bits a pixel
}

TEST(MovieWindow, CloseWithNothingLoadedLeavesItAsItWas) {
  MovieRig rig;
  const QRect before = rig.movie.frameGeometry();
  EXPECT_FALSE(UserClose(rig.movie));
  EXPECT_TRUE(rig.movie.isVisible());
  EXPECT_EQ(rig.movie.frameGeometry(), before);

  // Playing, but zoomed: the zoom stays.
  rig.playback.Playing = true;
  rig.playback.MovieZoomed = true;
  EXPECT_FALSE(UserClose(rig.movie));
  EXPECT_TRUE(rig.playback.MovieZoomed);
  EXPECT_EQ(rig.movie.frameGeometry(), before);
}

TEST(MovieWindow, CloseWithAFlicInMemoryFitsItToHalfTheScreen) {
  MovieRig rig;
  rig.flic.FlicInMemory = true;
  rig.playback.MovieZoomed = true;  // in memory the zoom does not protect it
  rig.movie.showMaximized();
  EXPECT_FALSE(UserClose(rig.movie));
  EXPECT_TRUE(rig.movie.isVisible());
  EXPECT_EQ(rig.movie.windowState() & Qt::WindowMaximized, Qt::WindowNoState);
  EXPECT_EQ(rig.movie.size(), QSize(512, 320));
  EXPECT_EQ(rig.movie.frameGeometry().topLeft(), CentredOn(rig.movie, 1024, 768));
  EXPECT_FALSE(rig.playback.MovieZoomed);
}

TEST(MovieWindow, CloseWhilePlayingFromDiskFitsItToo) {
  MovieRig rig;
  rig.playback.Playing = true;
  EXPECT_FALSE(UserClose(rig.movie));
  EXPECT_EQ(rig.movie.size(), QSize(512, 320));
}

TEST(MovieWindow, TheProgramsOwnCloseAtItsEndGoesThrough) {
  MovieRig rig;
  rig.flic.FlicInMemory = true;
  EXPECT_TRUE(rig.movie.close());
  EXPECT_FALSE(rig.movie.isVisible());
}

using KeyDown = std::pair<int, int>;  // Qt key, modifier set
constexpr int kShift = Qt::ShiftModifier, kAlt = Qt::AltModifier, kCtrl = Qt::ControlModifier,
              kPad = Qt::KeypadModifier;

// What the window handed on. A test's key with modifiers first presses the
// modifier keys themselves, as a keyboard does; those are left out.
struct KeySpies {
  explicit KeySpies(MovieWindow& movie)
      : down(&movie, &MovieWindow::keyDown), typed(&movie, &MovieWindow::keyPressed) {}
  QSignalSpy down;
  QSignalSpy typed;
  std::vector<KeyDown> Downs() const {
    std::vector<KeyDown> keys;
    for (const QList<QVariant>& call : down) {
      const int key = call.at(0).toInt();
      if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt)
        keys.emplace_back(key, call.at(1).toInt());
    }
    return keys;
  }
  std::string Typed() const {
    std::string text;
    for (const QList<QVariant>& call : typed) text += call.at(0).value<char>();
    return text;
  }
};

TEST(MovieWindow, HandsEveryKeyOnAsAKeyAndACharacter) {
  MovieRig rig;
  KeySpies spies(rig.movie);
  QTest::keyClick(&rig.movie, Qt::Key_C);
  // Esc types character 27; Tab stays in the window as a key.
  QTest::keyClick(&rig.movie, Qt::Key_Escape);
  QTest::keyClick(&rig.movie, Qt::Key_Tab);
  QTest::keyClick(&rig.movie, Qt::Key_BracketRight);
  EXPECT_EQ(spies.Downs(),
            (std::vector<KeyDown>{{Qt::Key_C, 0}, {Qt::Key_Escape, 0}, {Qt::Key_Tab, 0}, {Qt::Key_BracketRight, 0}}));
  EXPECT_EQ(spies.Typed(), "c\x1b\t]");
}

TEST(MovieWindow, AltCombinationsTypeNoCharacter) {
  MovieRig rig;
  KeySpies spies(rig.movie);
  QTest::keyClick(&rig.movie, Qt::Key_X, Qt::AltModifier);
  QTest::keyClick(&rig.movie, Qt::Key_Return, Qt::AltModifier);
  QTest::keyClick(&rig.movie, Qt::Key_1, Qt::AltModifier);
  EXPECT_EQ(spies.Downs(), (std::vector<KeyDown>{{Qt::Key_X, kAlt}, {Qt::Key_Return, kAlt}, {Qt::Key_1, kAlt}}));
  EXPECT_EQ(spies.Typed(), "");
}

TEST(MovieWindow, NumericPadAndModifiersKeepTheirOwnCodes) {
  MovieRig rig;
  KeySpies spies(rig.movie);
  QTest::keyClick(&rig.movie, Qt::Key_Plus, Qt::KeypadModifier);
  QTest::keyClick(&rig.movie, Qt::Key_Minus, Qt::KeypadModifier | Qt::ShiftModifier);
  QTest::keyClick(&rig.movie, Qt::Key_Plus, Qt::KeypadModifier | Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(&rig.movie, Qt::Key_Plus, Qt::ShiftModifier);  // the main keyboard's +
  EXPECT_EQ(spies.Downs(), (std::vector<KeyDown>{{Qt::Key_Plus, kPad},
                                                 {Qt::Key_Minus, kPad | kShift},
                                                 {Qt::Key_Plus, kPad | kShift | kCtrl},
                                                 {Qt::Key_Plus, kShift}}));
  // With Ctrl the pad's + types nothing.
  EXPECT_EQ(spies.Typed(), "+-+");
}

TEST(MovieWindow, KeysThatTypeNothingOnlyGoDown) {
  MovieRig rig;
  KeySpies spies(rig.movie);
  QTest::keyClick(&rig.movie, Qt::Key_Shift);
  ASSERT_EQ(spies.down.count(), 1);
  EXPECT_EQ(spies.down.at(0).at(0).toInt(), Qt::Key_Shift);
  EXPECT_EQ(spies.down.at(0).at(1).toInt(), kShift);
  QTest::keyClick(&rig.movie, Qt::Key_Left);
  QTest::keyClick(&rig.movie, Qt::Key_F5);
  QTest::keyClick(&rig.movie, Qt::Key_Delete);
  QTest::keyClick(&rig.movie, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(spies.Downs(),
            (std::vector<KeyDown>{{Qt::Key_Left, 0}, {Qt::Key_F5, 0}, {Qt::Key_Delete, 0}, {Qt::Key_A, kCtrl}}));
  // Only Ctrl+A types: control code 1.
  EXPECT_EQ(spies.Typed(), "\x01");
}

TEST(MovieWindow, DoubleClickBringsTheControlPanelForwardInWindowOutputOnly) {
  MovieRig rig;
  QWidget panel;
  panel.show();
  bool directX = true;
  rig.movie.SetLinks({&rig.flic, &rig.playback, &panel, [&] { return directX; }});
  rig.movie.activateWindow();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), &rig.movie);

  QTest::mouseDClick(&rig.movie.DisplayImage(), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), &rig.movie);

  directX = false;
  QTest::mouseDClick(&rig.movie.DisplayImage(), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), &panel);
}

TEST(SizeMovieWindow, CentresTheWindowAroundTheClientSize) {
  ScreenOverride screen(1024, 768);
  MovieWindow movie;
  movie.show();
  bool zoomed = true;
  SizeMovieWindow(movie, zoomed, 320, 200);
  EXPECT_FALSE(zoomed);
  EXPECT_EQ(movie.size(), QSize(320, 200));
  EXPECT_EQ(movie.frameGeometry().topLeft(), CentredOn(movie, 1024, 768));
  const QSize border = movie.frameGeometry().size() - movie.size();

  // Larger than the screen: scaled down to fit it, the aspect kept, each side
  // rounded to the nearest pixel, and centred.
  const QSize room = QSize(1024, 768) - border;
  for (const QSize picture : {QSize(1280, 1024), QSize(4096, 4096), QSize(4096, 2048), QSize(100, 5000)}) {
    SizeMovieWindow(movie, zoomed, static_cast<uint16_t>(picture.width()), static_cast<uint16_t>(picture.height()));
    const QSize shown = movie.size();
    EXPECT_TRUE(shown.width() == room.width() || shown.height() == room.height()) << picture.width();
    EXPECT_LE(shown.width(), room.width());
    EXPECT_LE(shown.height(), room.height());
    EXPECT_NEAR(double(shown.width()) / shown.height(), double(picture.width()) / picture.height(),
                1.0 / std::min(shown.width(), shown.height()));
    EXPECT_EQ(movie.frameGeometry().topLeft(), CentredOn(movie, 1024, 768));
  }
  EXPECT_EQ(FitInside(QSize(1280, 1024), QSize(1024, 768)), QSize(960, 768));
  EXPECT_EQ(FitInside(QSize(1023, 769), QSize(1024, 768)), QSize(1022, 768)) << "1021.67 rounds to the nearest pixel";
  EXPECT_EQ(FitInside(QSize(1024, 768), QSize(1024, 768)), QSize(1024, 768)) << "what fits stays";
}

TEST(SizeMovieWindow, LeavesTheMaximisedState) {
  ScreenOverride screen(1024, 768);
  MovieWindow movie;
  movie.showMaximized();
  bool zoomed = false;
  SizeMovieWindow(movie, zoomed, 200, 100);
  EXPECT_EQ(movie.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized), Qt::WindowNoState);
  EXPECT_EQ(movie.size(), QSize(200, 100));
  EXPECT_EQ(movie.frameGeometry().topLeft(), CentredOn(movie, 1024, 768));
}

}  // namespace
}  // namespace kt
