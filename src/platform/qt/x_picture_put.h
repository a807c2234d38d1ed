// Pictures put straight into a widget's own X window on Qt's connection,
// past Qt's backing store: its every paint waits for the X server to answer
// before it may write, and it keeps a copy of the whole window where a frame
// changed a few tiles. Here the pieces of a paint go into memory shared with
// the server, and the answer that says it has read them is only looked at
// before the next paint, long after it came; nothing waits, nothing is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class QWidget;
struct xcb_connection_t;

namespace kt {

class XPicturePut {
 public:
  // Whether the application runs on an X server at all.
  static bool OnX();
  // For the widget's native window, when its pixels are 32-bit words
  // 0x..RRGGBB in this machine's byte order; null otherwise, and then the
  // widget paints through Qt.
  static std::unique_ptr<XPicturePut> ForWindow(QWidget& widget);
  ~XPicturePut();
  XPicturePut(const XPicturePut&) = delete;
  XPicturePut& operator=(const XPicturePut&) = delete;

  // A paint of at most `pixels` pixels in all begins; the pieces of the
  // paint before it are free again once the server has read them.
  void Begin(size_t pixels);
  // Memory for the next piece: `width` x `height` pixels, rows one after
  // another. At most MostPieceRows() rows of that width.
  uint32_t* Piece(int width, int height);
  int MostPieceRows(int width) const;
  // The piece last given goes to the window at (x, y).
  void Put(int x, int y);
  // Sends the paint.
  void Finish();

 private:
  struct Shared;
  XPicturePut(xcb_connection_t* connection, uint32_t window, uint32_t gc, uint8_t depth, size_t mostRequestPixels,
              bool shared);
  // Waits for the server to have read what was put; it has, in all but a rare case.
  void AwaitRead();
  // Memory shared with the server for `pixels`; false when there can be none.
  bool Share(size_t pixels);
  void Unshare();

  xcb_connection_t* connection_;
  uint32_t window_;
  uint32_t gc_;
  uint8_t depth_;
  size_t mostRequestPixels_;  // for pixels sent in the request itself
  bool canShare_;
  std::unique_ptr<Shared> shared_;
  std::vector<uint32_t> local_;  // a piece sent in the request, where nothing is shared
  uint32_t* piece_ = nullptr;
  size_t used_ = 0;  // of the shared memory, by this paint's pieces
  int pieceWidth_ = 0;
  int pieceHeight_ = 0;
  bool awaitingRead_ = false;
  unsigned int readSequence_ = 0;  // of the request whose answer says the server has read the pieces
};

}  // namespace kt
