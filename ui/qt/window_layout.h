// Where the main window's controls sit, in pixels of its client area (the
// part below the menu bar), and the size of that client area.
#pragma once

#include <QRect>

namespace zentrel::qt {

// The window is a fixed-frame 550 x 400 window with a caption and a
// one-line menu bar. At 96 DPI the fixed frame takes 3 px on each side, the
// caption 23 px and the menu bar 20 px, so the client area is
// 550 - 2*3 = 544 px wide and 400 - 23 - 20 - 2*3 = 351 px high. Qt draws
// its own menu bar inside the window, so our window is the client area plus
// whatever height Qt's menu bar takes; the frame belongs to the window manager.
inline constexpr int kClientWidth = 544;
inline constexpr int kClientHeight = 351;
inline constexpr int kWindowX = 100;
inline constexpr int kWindowY = 100;

inline constexpr QRect kPathFieldRect{20, 200, 500, 20};
inline constexpr QRect kValueFieldRects[6] = {
    {20, 40, 140, 20},  {200, 40, 140, 20},  {380, 40, 140, 20},
    {20, 120, 140, 20}, {200, 120, 140, 20}, {380, 120, 140, 20},
};
inline constexpr QRect kButtonRects[4] = {
    {20, 260, 100, 25}, {150, 260, 100, 25}, {280, 260, 100, 25}, {410, 260, 100, 25},
};

}  // namespace zentrel::qt
