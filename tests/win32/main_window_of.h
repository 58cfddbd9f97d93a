// A started loader process's main window, found by its window class.
#pragma once

#include <windows.h>

namespace zentrel::test {

// nullptr while the process shows none.
inline HWND MainWindowOf(DWORD processId) {
  struct Search {
    DWORD ProcessId;
    HWND Found;
  } search{processId, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        if (owner != s->ProcessId || lstrcmpA(name, "WinAPIMainClass") != 0) return TRUE;
        s->Found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

}  // namespace zentrel::test
