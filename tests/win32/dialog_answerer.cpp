#include "tests/win32/dialog_answerer.h"

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

}  // namespace

void PostCommand(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
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
    Seen.push_back(seen);
    if (SettingsScript) {
      SettingsScript(dialog);
    } else {
      PostCommand(dialog, IDOK);
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
  SetWindowTextA(name, FileToChoose.c_str());
  PostCommand(dialog, IDOK);
}

}  // namespace zentrel::win32::testing
