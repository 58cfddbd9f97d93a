// The texts of the main window and its About box, shared by the Qt and the
// Win32 window. 8-bit ASCII; the Czech menu texts are each platform's own
// (UTF-8 in Qt, code page 1250 in the Win32 resources).
#pragma once

#include "sequencer/sequencer_view.h"

namespace zentrel {

inline constexpr const char* kWindowTitle = " Zentrel  0.0.4 02.07.2013";
inline constexpr const char* kInitialStatus = "BOOT sequence uninitialize";

// OpenFile, DownLoad, HW info, Application FW: the order of creation.
inline constexpr const char* kButtonTexts[4] = {"OpenFile", "DownLoad", "HW info",
                                                "Application FW"};

// Painted on the window's face, 20 px above each value field, in ValueField
// order; (X, Y) in pixels of the client area.
struct WindowCaption {
  const char* Text;
  int X;
  int Y;
};
inline constexpr WindowCaption kCaptions[6] = {
    {FieldCaption(ValueField::PlatformField), 20, 20},
    {FieldCaption(ValueField::HwVersionField), 200, 20},
    {FieldCaption(ValueField::BootVersionField), 380, 20},
    {FieldCaption(ValueField::AppInfoField), 20, 100},
    {FieldCaption(ValueField::FwVersionField), 200, 100},
    {FieldCaption(ValueField::DeviceIdField), 380, 100},
};

inline constexpr const char* kAboutCaption = "About ";
inline constexpr const char* kAboutText =
    "Zentrel loader\n"
    "\n"
    "   Zentrel firmware team\n"
    "\n"
    "    Ver 0.0.4 02.07.2013\n"
    "\n"
    "     Flash with care.";

}  // namespace zentrel
