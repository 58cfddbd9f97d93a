// The size of the Qt window's client area (the part below the menu bar); the
// controls' places are shared with the Win32 window.
#pragma once

#include <QRect>

#include "ui/loader_window_layout.h"

namespace zentrel::qt {

// The window is a fixed-frame 550 x 400 window with a caption and a
// one-line menu bar. At 96 DPI the fixed frame takes 3 px on each side, the
// caption 23 px and the menu bar 20 px, so the client area is
// 550 - 2*3 = 544 px wide and 400 - 23 - 20 - 2*3 = 351 px high. Qt draws
// its own menu bar inside the window, so our window is the client area plus
// whatever height Qt's menu bar takes; the frame belongs to the window manager.
inline constexpr int kClientWidth = kWindowWidth - 2 * 3;
inline constexpr int kClientHeight = kWindowHeight - 23 - 20 - 2 * 3;

inline constexpr QRect ToQRect(const ControlRect& r) {
  return QRect(r.X, r.Y, r.Width, r.Height);
}

}  // namespace zentrel::qt
