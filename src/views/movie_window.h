// The movie window: the surface the frames appear on. The user cannot close
// it: in window output a close request fits it to the flic at half the
// screen's width instead. Its keys and double-clicks lead back to the control panel.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "flic/flic_state.h"
#include "platform/qt/key_press.h"
#include "platform/qt/qt_window_services.h"
#include "platform/screen.h"
#include "playback/playback_state.h"
#include "views/display_image.h"

class QMenu;

namespace kt {

// What the movie window reads of the player and reaches in the control
// panel. The control panel fills it in; everything in it outlives the window.
struct MovieWindowLinks {
  const FlicState* flic = nullptr;    // FlicInMemory and the frame size
  PlaybackState* playback = nullptr;  // Playing and MovieZoomed
  QWidget* controlPanel = nullptr;
  std::function<bool()> directXChecked;  // "Play in Direct-X mode"
};

// The client size a close request gives: half the screen's width, and the
// height that keeps the flic's aspect at that width, rounded halves to even.
// The height takes the screen's width halved exactly, the width the
// truncated half, so on an odd screen width the two differ by half a pixel.
struct ClientSize {
  uint16_t width = 0;
  uint16_t height = 0;
  bool operator==(const ClientSize&) const = default;
};
ClientSize CloseRequestClientSize(int screenWidth, uint16_t flicWidth, uint16_t flicHeight);

class MovieWindow : public QWidget, public Screen {
  Q_OBJECT

 public:
  static constexpr const char* kInitialCaption = "Kinetrope";

  explicit MovieWindow(QWidget* parent = nullptr);

  void SetLinks(MovieWindowLinks links) { links_ = std::move(links); }
  // A flic's file name, path included; empty after a flic in memory is released.
  void SetCaption(const std::string& caption);

  DisplayImageControl& DisplayImage() { return *displayImage_; }
  // Whether the window has been on the screen, and so has a place of its own.
  bool ShownBefore() const { return shownBefore_; }

  // The boxes and dialogs of the context menu's commands; the window's own
  // Qt ones unless set.
  void SetWindowServices(WindowServices* services) { services_ = services != nullptr ? services : &ownServices_; }
  // The right button's menu: "Export animation…", not while a flic plays.
  QMenu* BuildContextMenu();
  // Converts the flic in memory, or else one chosen from disk, into a file
  // chosen in the Save dialog, the format by its extension, with a progress
  // box that can cancel it. Failures are shown in the general error box.
  void ExportAnimation();

  // The window's placement of the screen: a frame at its own size in the
  // top left corner when the client area has that size, stretched over it
  // otherwise; on leaving, the last frame stays as the window's picture.
  void SetColours(const ScreenColours& colours) override { displayImage_->SetColours(colours); }
  void EnterMode(ModeSize) override { displayImage_->Enter(DisplayImageControl::Placement::Window); }
  void ShowFrame(const ScreenFrame& frame) override {
    displayImage_->ShowFrame(frame, size() == QSize(frame.width, frame.height));
  }
  void Leave() override { displayImage_->Leave(); }

  // Runs for the user's close requests; answers whether the window may
  // close, which it never may.
  bool FormCloseQuery();
  void FormKeyPress(char key) { emit keyPressed(key); }
  void FormKeyDown(const KeyDown& key) { emit keyDown(key.key, key.modifiers.toInt()); }
  void DisplayImageDblClick();

 signals:
  // Every key, handed on unchanged to the control panel's key handlers.
  void keyPressed(char character);
  void keyDown(int key, int modifiers);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Tab is a key like any other here, not a move between controls.
  bool focusNextPrevChild(bool) override { return false; }

 private:
  DisplayImageControl* displayImage_;
  MovieWindowLinks links_;
  bool shownBefore_ = false;
  QtWindowServices ownServices_{this};
  WindowServices* services_ = &ownServices_;
};

// Fits the movie window to a picture of width x height: any zoom is left,
// the window state becomes normal, the client area gets the size and the
// whole window is centred on the screen. A picture too large for the
// screen's available area is shown scaled down, its aspect kept: the window
// never covers the desktop's bars or reaches past the screen.
void SizeMovieWindow(QWidget& movieWindow, bool& movieZoomed, uint16_t width, uint16_t height);

}  // namespace kt
