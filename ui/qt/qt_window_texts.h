// The Czech menu of the Qt window, in UTF-8; the other texts are shared.
#pragma once

#include "ui/loader_window_texts.h"

namespace zentrel::qt {

inline constexpr const char* kMenuFile = "Soubor";
inline constexpr const char* kMenuFileExit = "Konec";
inline constexpr const char* kMenuSettings = "Nastaven\xC3\xAD";
inline constexpr const char* kMenuSettingsCommunication = "Komunikace";
inline constexpr const char* kMenuHelp = "N\xC3\xA1pov\xC4\x9B" "da";
inline constexpr const char* kMenuHelpAbout = "O programu";

}  // namespace zentrel::qt
