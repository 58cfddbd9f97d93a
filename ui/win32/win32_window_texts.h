// The Win32 window's own names; the texts are shared with the Qt window.
#pragma once

#include "ui/loader_window_texts.h"

namespace zentrel::win32 {

inline constexpr const char* kMainClassName = "WinAPIMainClass";

}  // namespace zentrel::win32
