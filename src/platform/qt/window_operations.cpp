#include "platform/qt/window_operations.h"

#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>

namespace kt {

namespace {

// Ends a local event loop when the window it watches goes away.
class HideWatcher : public QObject {
 public:
  explicit HideWatcher(QEventLoop& loop) : loop_(loop) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide || event->type() == QEvent::Close) loop_.quit();
    return QObject::eventFilter(watched, event);
  }

 private:
  QEventLoop& loop_;
};

// Places a window again when the window manager has framed it, or framed
// it anew after a change of border. Until then Qt counts the frame the
// window had before, or none, and a window centred or sized by its outer
// bounds would end up off by the difference.
//
// Nothing polls, so a window placed while a flic plays adds no wake-up
// between its frames: the window's own events and the X events about it
// (its frame extents, configure and reparent notices, which Qt takes in
// without passing on) look at the frame, and a one-shot timer looks again
// once it has had time to settle.
class FramePlacer : public QObject, public QAbstractNativeEventFilter {
 public:
  static constexpr const char* kName = "kinetrope-frame-placer";
  // A window manager frames a window within a few turns of the event loop;
  // the placement is watched for this long.
  static constexpr int kWatchMs = 2000;
  static constexpr int kSettleMs = 120;

  explicit FramePlacer(QWidget& window) : QObject(&window), window_(window) {
    setObjectName(kName);
    window.installEventFilter(this);
    settle_.setSingleShot(true);
    QObject::connect(&settle_, &QTimer::timeout, this, [this] { Check(); });
  }

  void Watch(std::function<void()> place, bool anyState = false) {
    place_ = std::move(place);
    anyState_ = anyState;
    usedMargins_ = Margins();
    seenMargins_ = usedMargins_;
    placed_ = window_.geometry();
    seenGeometry_ = placed_;
    corrected_ = false;
    settled_.start();
    WatchHandle();
    clock_.start();
    QCoreApplication::instance()->installNativeEventFilter(this);
    settle_.start(kSettleMs);
  }

  void Forget() {
    place_ = nullptr;
    settle_.stop();
    QCoreApplication::instance()->removeNativeEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &window_ && (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange)) WatchHandle();
    if (watched == &window_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) Check();
    if (watched == handle_ && event->type() == QEvent::Expose) {
      // Taken off the screen, as a change of border does: whatever frame it
      // comes back with, it is placed again.
      if (!handle_->isExposed()) usedMargins_ = QMargins(-1, -1, -1, -1);
      Check();
    }
    return QObject::eventFilter(watched, event);
  }

  // Runs before Qt takes the event in, so the look is queued behind it.
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    // A window without its native side has no events; asking its id would make one.
    if (eventType != "xcb_generic_event_t" || handle_ == nullptr || handle_->handle() == nullptr || checkQueued_) {
      return false;
    }
    if (AboutWindow(*static_cast<const xcb_generic_event_t*>(message), static_cast<uint32_t>(handle_->winId()))) {
      checkQueued_ = true;
      QMetaObject::invokeMethod(
          this,
          [this] {
            checkQueued_ = false;
            Check();
          },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  static bool AboutWindow(const xcb_generic_event_t& event, uint32_t window) {
    switch (event.response_type & 0x7F) {
      case XCB_PROPERTY_NOTIFY: return reinterpret_cast<const xcb_property_notify_event_t&>(event).window == window;
      case XCB_CONFIGURE_NOTIFY: return reinterpret_cast<const xcb_configure_notify_event_t&>(event).window == window;
      case XCB_REPARENT_NOTIFY: return reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window == window;
      default: return false;
    }
  }

  QMargins Margins() const {
    const QWindow* handle = window_.windowHandle();
    return handle != nullptr && handle->isExposed() ? handle->frameMargins() : QMargins(-1, -1, -1, -1);
  }

  // Places the window again once it is on the screen with a frame other
  // than the one placed with, and that frame has settled: a move while the
  // window manager is still taking the window over is lost. A window that
  // settles elsewhere than it was placed with the same frame is placed
  // again once: a window manager that placed it as it mapped it (openbox
  // moves a window taller than the screen) can have taken a later move with
  // the frame counted twice.
  void Check() {
    if (!place_) return;
    if (clock_.hasExpired(kWatchMs)) {
      Forget();
      return;
    }
    const QMargins margins = Margins();
    const QRect geometry = window_.geometry();
    if (margins != seenMargins_ || geometry != seenGeometry_) {
      seenMargins_ = margins;
      seenGeometry_ = geometry;
      settled_.start();
      settle_.start(kSettleMs);
      return;
    }
    if (margins.left() < 0) return;
    if (!settled_.hasExpired(kSettleMs)) {
      settle_.start(static_cast<int>(kSettleMs - settled_.elapsed()) + 1);
      return;
    }
    const bool misplaced = !anyState_ && !corrected_ && geometry != placed_;
    if (margins == usedMargins_ && !misplaced) return;
    if (margins == usedMargins_) corrected_ = true;
    usedMargins_ = margins;
    // A window maximised meanwhile belongs to the window manager's layout.
    if (anyState_ || IsNormalState(window_)) {
      const std::function<void()> place = place_;
      if (anyState_) Forget();
      place();
      placed_ = window_.geometry();
    }
  }

  void WatchHandle() {
    QWindow* handle = window_.windowHandle();
    if (handle == nullptr || handle == handle_) return;
    if (handle_) handle_->removeEventFilter(this);
    handle_ = handle;
    handle->installEventFilter(this);
  }

  QWidget& window_;
  QPointer<QWindow> handle_;
  std::function<void()> place_;
  bool anyState_ = false;
  QMargins usedMargins_;
  QMargins seenMargins_;
  QRect placed_;  // the client area the last placement asked for
  QRect seenGeometry_;
  bool corrected_ = false;
  bool checkQueued_ = false;
  QElapsedTimer settled_;
  QTimer settle_;  // wakes once when the frame and place seen last have settled
  QElapsedTimer clock_;
};

FramePlacer& PlacerOf(QWidget& window) {
  // Found by its name: only this file makes children of that name.
  if (auto* placer = window.findChild<QObject*>(FramePlacer::kName, Qt::FindDirectChildrenOnly)) {
    return *static_cast<FramePlacer*>(placer);
  }
  return *new FramePlacer(window);
}

// Runs the placement now, and again while the window manager (re)frames the window.
void PlaceFramed(QWidget& window, const std::function<void()>& place) {
  place();
  PlacerOf(window).Watch(place);
}

}  // namespace

bool IsNormalState(const QWidget& window) { return (window.windowState() & kNotNormalStates) == 0; }

void SetNormalState(QWidget& window) { window.setWindowState(window.windowState() & ~kNotNormalStates); }

QMargins FrameMargins(const QWidget& window) {
  // The window's own, fresh after every change of frame; the widget's copy
  // may still hold the frame the window had before its border changed.
  const QWindow* handle = window.windowHandle();
  return handle != nullptr ? handle->frameMargins() : QMargins();
}

QRect OuterRect(const QWidget& window) { return window.geometry().marginsAdded(FrameMargins(window)); }

namespace {

// The client area goes where the frame around it puts its corner at `frameTopLeft`.
void SetFrameAndClient(QWidget& window, QPoint frameTopLeft, QSize clientSize) {
  const QMargins frame = FrameMargins(window);
  window.setGeometry(QRect(frameTopLeft + QPoint(frame.left(), frame.top()), clientSize));
}

}  // namespace

void RunWhenFramedAnew(QWidget& window, const std::function<void()>& action) { PlacerOf(window).Watch(action, true); }

void CentreOnScreen(QWidget& window, ScreenSize screen) {
  PlaceFramed(window, [&window, screen] {
    const QSize outer = OuterRect(window).size();
    SetFrameAndClient(window, QPoint((screen.width - outer.width()) / 2, (screen.height - outer.height()) / 2),
                      window.size());
  });
}

QSize FitInside(QSize picture, QSize room) {
  if (picture.width() <= room.width() && picture.height() <= room.height()) return picture;
  if (room.isEmpty() || picture.isEmpty()) return picture;
  const long long pw = picture.width(), ph = picture.height(), rw = room.width(), rh = room.height();
  // The side that meets the room first takes its full length; the other
  // follows the aspect, and rounding never takes it past the room.
  if (pw * rh >= ph * rw) return {room.width(), static_cast<int>(std::max(1LL, (ph * rw + pw / 2) / pw))};
  return {static_cast<int>(std::max(1LL, (pw * rh + ph / 2) / ph)), room.height()};
}

void FitAndCentreOnScreen(QWidget& window, QSize picture, ScreenSize screen, ScreenArea available) {
  PlaceFramed(window, [&window, picture, screen, available] {
    const QMargins frame = FrameMargins(window);
    const QSize client = FitInside(picture, QSize(available.width, available.height).shrunkBy(frame));
    const QSize outer = client.grownBy(frame);
    const QPoint corner = client == picture
                              ? QPoint((screen.width - outer.width()) / 2, (screen.height - outer.height()) / 2)
                              : QPoint(available.left + (available.width - outer.width()) / 2,
                                       available.top + (available.height - outer.height()) / 2);
    SetFrameAndClient(window, corner, client);
  });
}

void SetOuterBounds(QWidget& window, QRect bounds) {
  PlaceFramed(window, [&window, bounds] {
    const QMargins frame = FrameMargins(window);
    SetFrameAndClient(window, bounds.topLeft(), bounds.size().shrunkBy(frame));
  });
}

void SetClientBounds(QWidget& window, QRect bounds) {
  PlaceFramed(window, [&window, bounds] { window.setGeometry(bounds); });
}

void SetWindowBorder(QWidget& window, bool withBorder, ScreenSize screen) {
  // The client size is noted as the 16-bit figures it always was.
  const auto clientWidth = static_cast<uint16_t>(window.width());
  const auto clientHeight = static_cast<uint16_t>(window.height());
  const Qt::WindowStates state = window.windowState();
  const bool visible = window.isVisible();

  // The border changes in place: Qt's own way takes the window off the
  // screen and maps it anew, and a window manager taking it over again
  // loses its maximised state and the moves asked for meanwhile.
  Qt::WindowFlags flags = window.windowFlags();
  flags.setFlag(Qt::FramelessWindowHint, !withBorder);
  window.overrideWindowFlags(flags);
  if (QWindow* handle = window.windowHandle()) handle->setFlags(flags);
  window.setWindowState(state);
  if (visible && !window.isVisible()) window.show();

  if ((state & kNotNormalStates) == 0) {
    window.resize(clientWidth, clientHeight);
    CentreOnScreen(window, screen);
  }
}

QPoint KeepCaptionOnScreen(QPoint topLeft, QSize outerSize, const std::vector<ScreenArea>& screens) {
  // Stored places can be anything a 32-bit number holds: the sums are taken in 64 bits.
  const long long left = topLeft.x();
  const long long top = topLeft.y();
  const long long width = outerSize.width();
  const long long height = outerSize.height();
  const long long grip = std::min<long long>(kCaptionGripWidth, width);
  const ScreenArea* nearest = nullptr;
  long long nearestDistance = LLONG_MAX;
  for (const ScreenArea& screen : screens) {
    const long long screenRight = static_cast<long long>(screen.left) + screen.width;
    const long long screenBottom = static_cast<long long>(screen.top) + screen.height;
    const long long shownWidth = std::min(left + width, screenRight) - std::max<long long>(left, screen.left);
    const bool stripInside = top >= screen.top && top + kCaptionStripHeight <= screenBottom;
    if (stripInside && shownWidth >= grip) return topLeft;
    // How far the caption strip lies from the screen, zero along an axis where they overlap.
    const long long dx = std::max({0LL, screen.left - (left + width), left - screenRight});
    const long long dy = std::max({0LL, screen.top - (top + kCaptionStripHeight), top - screenBottom});
    const long long distance = std::min<long long>(dx, 1LL << 31) * std::min<long long>(dx, 1LL << 31) +
                               std::min<long long>(dy, 1LL << 31) * std::min<long long>(dy, 1LL << 31);
    if (distance < nearestDistance) {
      nearestDistance = distance;
      nearest = &screen;
    }
  }
  if (nearest == nullptr) return topLeft;
  const long long newLeft = std::max<long long>(nearest->left, std::min(left, nearest->left + nearest->width - width));
  const long long newTop = std::max<long long>(nearest->top, std::min(top, nearest->top + nearest->height - height));
  return {static_cast<int>(newLeft), static_cast<int>(newTop)};
}

void SetStayOnTop(QWidget& window, bool onTop) {
  if (window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  const QRect geometry = window.geometry();
  const Qt::WindowStates state = window.windowState();
  const bool visible = window.isVisible();
  window.setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  window.setWindowState(state);
  if ((state & kNotNormalStates) == 0) window.setGeometry(geometry);
  if (visible && !window.isVisible()) window.show();
}

void MinimizeApplication() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible()) window->showMinimized();
  }
}

void RestoreFromTaskBar(QWidget& window) {
  window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.show();
}

void ShowModal(QWidget& window) {
  if (auto* dialog = qobject_cast<QDialog*>(&window)) {
    dialog->exec();
    return;
  }
  QEventLoop loop;
  HideWatcher watcher(loop);
  QPointer<QWidget> guard(&window);
  window.installEventFilter(&watcher);
  const Qt::WindowModality modality = window.windowModality();
  window.setWindowModality(Qt::ApplicationModal);
  window.show();
  if (window.isVisible()) loop.exec(QEventLoop::DialogExec);
  if (guard) {
    window.removeEventFilter(&watcher);
    window.setWindowModality(modality);
  }
}

}  // namespace kt
