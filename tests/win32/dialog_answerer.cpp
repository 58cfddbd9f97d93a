#include "tests/win32/dialog_answerer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ui/win32/resource_ids.h"

namespace zentrel::win32::testing {
namespace {

// The hook procedure has no context of its own.
DialogAnswerer* g_answerer = nullptr;

// The static that a message box shows its text in.
constexpr int kMessageBoxTextId = 0xFFFF;
// The file name field of the open-file dialog, in its two layouts.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;

UINT IconOfBox(HWND box) {
  struct Known {
    LPCSTR Id;
    UINT Flag;
  };
  const Known known[] = {{IDI_HAND, MB_ICONERROR},
                         {IDI_EXCLAMATION, MB_ICONWARNING},
                         {IDI_ASTERISK, MB_ICONINFORMATION}};
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    const auto shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    for (const Known& k : known) {
      if (shown != nullptr && shown == LoadIconA(nullptr, k.Id)) return k.Flag;
    }
  }
  return 0;
}

// Texts of the dialog's static controls that are wider or taller than the
// control in the font it draws them with.
std::vector<std::string> ClippedLabels(HWND dialog) {
  std::vector<std::string> clipped;
  HDC dc = GetDC(dialog);
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    char className[16] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0) continue;
    const std::string text = TextOf(child);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    RECT r;
    GetClientRect(child, &r);
    if (size.cx > r.right || size.cy > r.bottom) clipped.push_back(text);
  }
  ReleaseDC(dialog, dc);
  return clipped;
}

HWND g_clickDialog = nullptr;
int g_clickItem = 0;

void CALLBACK ClickPendingItem(HWND, UINT, UINT_PTR timer, DWORD) {
  // The dialog manager shows the dialog once its queue is empty: wait for it.
  if (!IsWindowVisible(g_clickDialog)) return;
  KillTimer(nullptr, timer);
  HWND item = GetDlgItem(g_clickDialog, g_clickItem);
  RECT r;
  GetWindowRect(item, &r);
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  EXPECT_EQ(WindowFromPoint(centre), item);
  SendLeftClick(centre);
}

}  // namespace

void PostCommand(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void SendLeftClick(POINT point) {
  // Each event carries the point itself, in the 0..65535 scale of the
  // screen: the cursor may still be on its way from an earlier move.
  const LONG x = MulDiv(point.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  const LONG y = MulDiv(point.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  const DWORD kinds[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  INPUT events[3]{};
  for (int i = 0; i < 3; ++i) {
    events[i].type = INPUT_MOUSE;
    events[i].mi.dx = x;
    events[i].mi.dy = y;
    events[i].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | kinds[i];
  }
  EXPECT_EQ(SendInput(3, events, sizeof(INPUT)), 3u);
}

void ClickItemOnceShown(HWND dialog, int id) {
  g_clickDialog = dialog;
  g_clickItem = id;
  // A timer event comes only when nothing else is queued.
  SetTimer(nullptr, 0, 0, ClickPendingItem);
}

std::string TextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ItemText(HWND dialog, int id) {
  char text[1024] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

DialogAnswerer::DialogAnswerer() {
  g_answerer = this;
  hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, Hook, nullptr, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  g_answerer = nullptr;
}

std::vector<SeenDialog> DialogAnswerer::Boxes() const {
  std::vector<SeenDialog> boxes;
  for (const SeenDialog& d : Seen) {
    if (d.Kind == DialogKind::MessageBox) boxes.push_back(d);
  }
  return boxes;
}

LRESULT CALLBACK DialogAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG && g_answerer != nullptr) {
    char className[64] = "";
    GetClassNameA(call->hwnd, className, sizeof className);
    // Only top-level dialogs; the open-file dialog may hold child dialogs.
    if (std::strcmp(className, "#32770") == 0 &&
        (GetWindowLongA(call->hwnd, GWL_STYLE) & WS_CHILD) == 0) {
      g_answerer->Answer(call->hwnd);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogAnswerer::Answer(HWND dialog) {
  SeenDialog seen{};
  seen.Caption = TextOf(dialog);
  if (GetDlgItem(dialog, ZENTREL_VENDOR_EDIT) != nullptr) {
    seen.Kind = DialogKind::Settings;
    seen.VendorShown = ItemText(dialog, ZENTREL_VENDOR_EDIT);
    seen.ProductShown = ItemText(dialog, ZENTREL_PRODUCT_EDIT);
    seen.ClippedLabels = ClippedLabels(dialog);
    Seen.push_back(seen);
    if (SettingsScript) {
      SettingsScript(dialog);
    } else {
      ClickItemOnceShown(dialog, IDOK);
    }
    return;
  }
  if (GetDlgItem(dialog, kMessageBoxTextId) != nullptr) {
    seen.Kind = DialogKind::MessageBox;
    seen.Text = ItemText(dialog, kMessageBoxTextId);
    seen.Icon = IconOfBox(dialog);
    Seen.push_back(seen);
    PostCommand(dialog, IDOK);
    return;
  }
  seen.Kind = DialogKind::OpenFile;
  Seen.push_back(seen);
  if (FileToChoose.empty()) {
    PostCommand(dialog, IDCANCEL);
    return;
  }
  HWND name = GetDlgItem(dialog, kFileNameCombo);
  if (name == nullptr) name = GetDlgItem(dialog, kFileNameEdit);
  // Typed as the keyboard would: any letter, whatever the 8-bit code page.
  wchar_t typed[1024] = L"";
  MultiByteToWideChar(CP_UTF8, 0, FileToChoose.c_str(), -1, typed, 1024);
  SetWindowTextW(name, typed);
  PostCommand(dialog, IDOK);
}

}  // namespace zentrel::win32::testing
