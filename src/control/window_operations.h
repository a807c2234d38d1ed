// What the control panel's options do to a top-level window: its border,
// stay-on-top, centring, minimising the whole application and the modal
// show of the about window.
#pragma once

#include "platform/qt/system_metrics.h"

class QWidget;

namespace kt {

// Normal: neither minimised, maximised nor full screen.
bool IsNormalState(const QWidget& window);

// Centres the window's outer frame on the screen; halves truncate towards zero.
void CentreOnScreen(QWidget& window, ScreenSize screen);

// A sizeable border with caption, or no border at all. Changing it re-creates
// the window: its state comes back as it was, and in the normal state its
// client size too, and it is centred. A minimised or maximised window is
// neither resized nor moved.
void SetWindowBorder(QWidget& window, bool withBorder, ScreenSize screen);

// Stay-on-top on or off; the window keeps its place, size, state and visibility.
void SetStayOnTop(QWidget& window, bool onTop);

// Every visible window of the application goes to the task bar.
void MinimizeApplication();

// Shows the window modally and returns when it has been hidden or closed.
void ShowModal(QWidget& window);

}  // namespace kt
