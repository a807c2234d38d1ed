#include "platform/qt/x_picture_put.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <bit>
#include <cstdlib>

namespace kt {

namespace {

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 == nullptr ? nullptr : x11->connection();
}

// The answer to an X request, freed with it.
template <typename Reply>
std::unique_ptr<Reply, decltype(&std::free)> Own(Reply* reply) {
  return {reply, &std::free};
}

// Whether pixels of `depth` through `visual` are 32-bit words 0x..RRGGBB
// that the server reads in this machine's byte order.
bool TakesOurWords(xcb_connection_t* connection, uint8_t depth, xcb_visualid_t visual) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const bool ourOrder =
      (setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) == (std::endian::native == std::endian::little);
  bool words = false;
  for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem > 0; xcb_format_next(&format)) {
    if (format.data->depth == depth) words = format.data->bits_per_pixel == 32 && format.data->scanline_pad == 32;
  }
  if (!ourOrder || !words) return false;
  for (auto screen = xcb_setup_roots_iterator(setup); screen.rem > 0; xcb_screen_next(&screen)) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen.data); depths.rem > 0; xcb_depth_next(&depths)) {
      if (depths.data->depth != depth) continue;
      for (auto type = xcb_depth_visuals_iterator(depths.data); type.rem > 0; xcb_visualtype_next(&type)) {
        if (type.data->visual_id != visual) continue;
        return (type.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR ||
                type.data->_class == XCB_VISUAL_CLASS_DIRECT_COLOR) &&
               type.data->red_mask == 0xFF0000u && type.data->green_mask == 0xFF00u && type.data->blue_mask == 0xFFu;
      }
    }
  }
  return false;
}

}  // namespace

struct XPicturePut::Shared {
  uint32_t segment = 0;  // the server's name for it
  uint32_t* memory = nullptr;
  size_t pixels = 0;
};

bool XPicturePut::OnX() { return Connection() != nullptr; }

std::unique_ptr<XPicturePut> XPicturePut::ForWindow(QWidget& widget) {
  xcb_connection_t* connection = Connection();
  if (connection == nullptr || xcb_connection_has_error(connection)) return nullptr;
  const auto window = static_cast<xcb_window_t>(widget.winId());
  // Asked once per window; both answers come in one round trip.
  const xcb_get_geometry_cookie_t geometryAsked = xcb_get_geometry(connection, window);
  const xcb_get_window_attributes_cookie_t attributesAsked = xcb_get_window_attributes(connection, window);
  const auto geometry = Own(xcb_get_geometry_reply(connection, geometryAsked, nullptr));
  const auto attributes = Own(xcb_get_window_attributes_reply(connection, attributesAsked, nullptr));
  if (!geometry || !attributes || !TakesOurWords(connection, geometry->depth, attributes->visual)) return nullptr;
  const uint32_t gc = xcb_generate_id(connection);
  xcb_create_gc(connection, gc, window, 0, nullptr);
  // A request carries its 24-byte head and the pixels; an X window is at
  // most 32767 pixels wide, so a row always fits.
  const size_t mostRequestPixels = (static_cast<size_t>(xcb_get_maximum_request_length(connection)) * 4 - 24) / 4;
  const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
  return std::unique_ptr<XPicturePut>(
      new XPicturePut(connection, window, gc, geometry->depth, mostRequestPixels, shm != nullptr && shm->present));
}

XPicturePut::XPicturePut(xcb_connection_t* connection, uint32_t window, uint32_t gc, uint8_t depth,
                         size_t mostRequestPixels, bool shared)
    : connection_(connection),
      window_(window),
      gc_(gc),
      depth_(depth),
      mostRequestPixels_(mostRequestPixels),
      canShare_(shared) {}

XPicturePut::~XPicturePut() {
  // Everything on the server went with the application's connection otherwise.
  const bool connected = Connection() == connection_;
  if (!connected && shared_) {
    shared_->segment = 0;
    fences_.clear();
  }
  Unshare();
  if (connected) {
    xcb_free_gc(connection_, gc_);
    xcb_flush(connection_);
  }
}

void XPicturePut::AskFence() {
  fences_.push_back({xcb_get_input_focus(connection_).sequence, written_});
  fenced_ = written_;
}

void XPicturePut::AwaitRead(uint64_t position) {
  while (read_ < position) {
    if (fences_.empty()) {
      AskFence();
      xcb_flush(connection_);
    }
    const Fence fence = fences_.front();
    fences_.pop_front();
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus_cookie_t{fence.sequence}, nullptr));
    read_ = fence.position;
  }
}

bool XPicturePut::Share(size_t pixels) {
  Unshare();
  const size_t bytes = pixels * sizeof(uint32_t);
  const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (id < 0) return false;
  void* memory = shmat(id, nullptr, 0);
  if (memory == reinterpret_cast<void*>(-1)) {
    shmctl(id, IPC_RMID, nullptr);
    return false;
  }
  const uint32_t segment = xcb_generate_id(connection_);
  // The server must hold it before it may go from the system's list, so
  // that it goes when both have let it go, whatever ends the program.
  auto failure = Own(xcb_request_check(connection_, xcb_shm_attach_checked(connection_, segment, id, 1)));
  shmctl(id, IPC_RMID, nullptr);
  if (failure) {
    shmdt(memory);
    return false;
  }
  shared_ = std::make_unique<Shared>(Shared{segment, static_cast<uint32_t*>(memory), pixels});
  written_ = read_ = fenced_ = 0;
  return true;
}

void XPicturePut::Unshare() {
  if (!shared_) return;
  // Nothing the server has still to read may go.
  if (shared_->segment != 0) {
    AwaitRead(written_);
    xcb_shm_detach(connection_, shared_->segment);
  }
  fences_.clear();
  shmdt(shared_->memory);
  shared_.reset();
}

void XPicturePut::Begin(size_t pixels) {
  // The ring holds two paints, so that a fence asked after one is answered
  // before the next comes round; a small picture's ring holds many.
  constexpr size_t kLeastRing = size_t{1} << 20;
  if (!canShare_ || (shared_ && shared_->pixels >= 2 * pixels)) return;
  // A remote server shares no memory: the pixels go in the requests then.
  canShare_ = Share(std::max(2 * pixels, kLeastRing));
}

int XPicturePut::MostPieceRows(int width) const {
  if (width <= 0) return 1;
  return static_cast<int>(std::max<size_t>(1, (shared_ ? shared_->pixels / 2 : mostRequestPixels_) / width));
}

uint32_t* XPicturePut::Piece(int width, int height) {
  const size_t pixels = static_cast<size_t>(std::max(width, 0)) * std::max(height, 0);
  pieceWidth_ = width;
  pieceHeight_ = height;
  if (shared_ && pixels <= shared_->pixels) {
    // A piece is one run of the ring; what is left at its end stays unused.
    const size_t ring = shared_->pixels;
    if (written_ % ring + pixels > ring) written_ += ring - written_ % ring;
    AwaitRead(written_ + pixels - std::min<uint64_t>(ring, written_ + pixels));
    piece_ = shared_->memory + written_ % ring;
    written_ += pixels;
  } else {
    local_.resize(pixels);
    piece_ = local_.data();
  }
  return piece_;
}

void XPicturePut::Put(int x, int y) {
  if (piece_ == nullptr || pieceWidth_ <= 0 || pieceHeight_ <= 0) return;
  const auto width = static_cast<uint16_t>(pieceWidth_);
  if (piece_ != local_.data()) {
    const auto offset = static_cast<uint32_t>((piece_ - shared_->memory) * sizeof(uint32_t));
    xcb_shm_put_image(connection_, window_, gc_, width, static_cast<uint16_t>(pieceHeight_), 0, 0, width,
                      static_cast<uint16_t>(pieceHeight_), static_cast<int16_t>(x), static_cast<int16_t>(y), depth_,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, shared_->segment, offset);
  } else {
    const int rows = std::clamp(static_cast<int>(mostRequestPixels_ / pieceWidth_), 1, pieceHeight_);
    for (int top = 0; top < pieceHeight_; top += rows) {
      const int count = std::min(rows, pieceHeight_ - top);
      xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, width, static_cast<uint16_t>(count),
                    static_cast<int16_t>(x), static_cast<int16_t>(y + top), 0, depth_,
                    static_cast<uint32_t>(static_cast<size_t>(pieceWidth_) * count * 4),
                    reinterpret_cast<const uint8_t*>(piece_ + static_cast<size_t>(pieceWidth_) * top));
    }
  }
  piece_ = nullptr;
}

void XPicturePut::Finish() {
  // A fence every quarter of the ring: answered once the server has done
  // every request before it, the puts included.
  if (shared_ && written_ - fenced_ >= shared_->pixels / 4) AskFence();
  xcb_flush(connection_);
}

}  // namespace kt
