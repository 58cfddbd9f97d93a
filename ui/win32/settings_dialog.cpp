#include "ui/win32/settings_dialog.h"

#include <cstdio>

#include "ui/settings_parse.h"
#include "ui/win32/main_window.h"
#include "ui/win32/resource_ids.h"

namespace zentrel::win32 {
namespace {

DeviceIds* IdsOf(HWND dialog) {
  LoaderContext* context = ContextOf(GetWindow(dialog, GW_OWNER));
  return context != nullptr ? &context->Controller.Ids() : nullptr;
}

void ShowId(HWND dialog, int item, std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  SetDlgItemTextA(dialog, item, text);
}

void OnInit(HWND dialog) {
  const DeviceIds* ids = IdsOf(dialog);
  if (ids == nullptr) return;
  ShowId(dialog, ZENTREL_VENDOR_EDIT, ids->VendorId);
  ShowId(dialog, ZENTREL_PRODUCT_EDIT, ids->ProductId);
}

void OnOk(HWND dialog) {
  DeviceIds* ids = IdsOf(dialog);
  if (ids != nullptr) {
    char vendor[kIdEditBufferChars] = "";
    char product[kIdEditBufferChars] = "";
    // A longer entry is cut to its first nine characters here; an entry
    // without a number leaves its ID as it was.
    GetDlgItemTextA(dialog, ZENTREL_VENDOR_EDIT, vendor, kIdEditBufferChars);
    GetDlgItemTextA(dialog, ZENTREL_PRODUCT_EDIT, product, kIdEditBufferChars);
    ParseHexId(vendor, ids->VendorId);
    ParseHexId(product, ids->ProductId);
  }
  EndDialog(dialog, 1);
}

}  // namespace

void RunSettingsDialog(HINSTANCE instance, HWND mainWindow) {
  DialogBoxParamA(instance, MAKEINTRESOURCEA(ZENTREL_SETTINGS_DIALOG), mainWindow,
                  SettingsDialogProc, 0);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    OnInit(dialog);
  } else if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    OnOk(dialog);
  }
  // Cancel (Esc, the close box) is not handled: only OK ends the dialog.
  return 0;
}

}  // namespace zentrel::win32
