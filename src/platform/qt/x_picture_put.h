// Pictures put straight into a widget's own X window on Qt's connection,
// past Qt's backing store: its every paint waits for the X server to answer
// before it may write, and it keeps a copy of the whole window where a frame
// changed a few tiles. Here the pieces of a paint go one after another round
// a ring of memory shared with the server; now and then a request asks for
// an answer that says the server has read what came before it, and that
// answer is looked at only when the ring comes round to that memory again,
// long after it came: nothing waits, nothing is copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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

  // A paint of at most `pixels` pixels in all begins.
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
  // Everything put from the ring before `position` has been read once the
  // answer to request `sequence` has come.
  struct Fence {
    unsigned int sequence;
    uint64_t position;
  };
  XPicturePut(xcb_connection_t* connection, uint32_t window, uint32_t gc, uint8_t depth, size_t mostRequestPixels,
              bool shared);
  // Waits until the server has read everything put from the ring before
  // `position`; it has, in all but rare cases, and then nothing waits.
  void AwaitRead(uint64_t position);
  void AskFence();
  // A ring of `pixels` shared with the server; false when there can be none.
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
  int pieceWidth_ = 0;
  int pieceHeight_ = 0;
  // Positions count pixels handed out from the ring since it was made.
  uint64_t written_ = 0;
  uint64_t read_ = 0;    // everything before it has surely been read
  uint64_t fenced_ = 0;  // of the last fence asked
  std::deque<Fence> fences_;
};

}  // namespace kt
