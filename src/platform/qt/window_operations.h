// What the player does to its top-level windows: its border,
// stay-on-top, centring, minimising the whole application and the modal
// show of the about window.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>
#include <functional>
#include <vector>

#include "platform/qt/system_metrics.h"

class QWidget;

namespace kt {

// Normal: neither minimised, maximised nor full screen.
inline constexpr Qt::WindowStates kNotNormalStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
bool IsNormalState(const QWidget& window);
// Leaves minimised, maximised and full screen.
void SetNormalState(QWidget& window);

// The frame the window manager gives the window now, and the window's outer
// rectangle, frame included. No frame before the window is on the screen.
QMargins FrameMargins(const QWidget& window);
QRect OuterRect(const QWidget& window);

// Centres the window's outer frame on the screen; halves truncate towards
// zero. A window not framed yet is centred again once it is.
void CentreOnScreen(QWidget& window, ScreenSize screen);

// The picture's size when it fits the room; else the largest size of the
// picture's aspect that does, each side rounded to the nearest pixel.
QSize FitInside(QSize picture, QSize room);

// Gives the window a client area of the picture's size and centres it on the
// screen as CentreOnScreen does, when the framed window fits the available
// area. A picture too large for that gets the largest client area of its
// aspect that fits, and the window is centred in the available area: no
// window grows past the screen over the desktop's bars. Again once framed.
void FitAndCentreOnScreen(QWidget& window, QSize picture, ScreenSize screen, ScreenArea available);

// Gives the window these outer bounds, frame included; again once framed.
void SetOuterBounds(QWidget& window, QRect bounds);

// Gives the window this client area (its geometry, frame excluded); again
// once framed, as a window leaving full screen is framed anew.
void SetClientBounds(QWidget& window, QRect bounds);

// Runs `action` once the window manager has framed the window anew, after
// a change of border: what was asked of the window manager while it was
// taking the window over may have been lost.
void RunWhenFramedAnew(QWidget& window, const std::function<void()>& action);

// A sizeable border with caption, or no border at all, changed on the window
// as it stands: its state stays, and in the normal state its client size
// too, and it is centred. A minimised or maximised window is
// neither resized nor moved.
void SetWindowBorder(QWidget& window, bool withBorder, ScreenSize screen);

// How much of a window's caption strip must show on some screen for the
// user to reach it with the mouse.
inline constexpr int kCaptionStripHeight = 20;
inline constexpr int kCaptionGripWidth = 64;

// Where a window whose outer frame would stand at `topLeft` goes so that its caption
// can be reached: unchanged when enough of the caption strip lies on one of
// the screens, else moved the least distance that puts the whole window, or
// its top left part when it is larger, onto the nearest screen.
QPoint KeepCaptionOnScreen(QPoint topLeft, QSize outerSize, const std::vector<ScreenArea>& screens);

// Stay-on-top on or off; the window keeps its place, size, state and visibility.
void SetStayOnTop(QWidget& window, bool onTop);

// Every visible window of the application goes to the task bar.
void MinimizeApplication();

// A window in the task bar comes back in the state it had before, maximised or normal.
void RestoreFromTaskBar(QWidget& window);

// Shows the window modally and returns when it has been hidden or closed.
void ShowModal(QWidget& window);

}  // namespace kt
