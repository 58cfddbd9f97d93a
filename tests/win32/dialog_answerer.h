// Answers the modal dialogs that the window opens on this thread: message
// boxes are read and closed, the settings dialog is read and then filled by
// the test's script, the open-file dialog is given a path (or cancelled). A
// hook sees each dialog once its WM_INITDIALOG has run and posts the answer,
// which the dialog's own message loop then takes; nothing waits.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace zentrel::win32::testing {

enum class DialogKind { MessageBox, Settings, OpenFile };

struct SeenDialog {
  DialogKind Kind;
  std::string Caption;
  std::string Text;   // message boxes: the message
  UINT Icon = 0;      // message boxes: MB_ICONERROR, _WARNING, _INFORMATION or 0
  std::string VendorShown, ProductShown;  // settings: the edits at opening
  // settings: the texts of the labels that do not fit their rectangle in
  // the font they are shown in
  std::vector<std::string> ClippedLabels;
};

class DialogAnswerer {
 public:
  DialogAnswerer();
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  std::vector<SeenDialog> Seen;
  // The path typed into the open-file dialog, in UTF-8; empty: the dialog
  // is cancelled.
  std::string FileToChoose;
  // What to do with the settings dialog; by default OK is clicked.
  std::function<void(HWND dialog)> SettingsScript;

  // Message boxes only, in order.
  std::vector<SeenDialog> Boxes() const;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  void Answer(HWND dialog);
  HHOOK hook_ = nullptr;
};

// Posts a command to a dialog as its button (or key) would.
void PostCommand(HWND dialog, int id);
// Sends a left click at a point of the screen as the mouse gives it; the
// thread's message loop then delivers it.
void SendLeftClick(POINT point);
// Clicks the centre of a dialog's item once the dialog is on screen (its
// message loop has gone idle); the item must be the window found there.
void ClickItemOnceShown(HWND dialog, int id);
std::string TextOf(HWND window);
std::string ItemText(HWND dialog, int id);

}  // namespace zentrel::win32::testing
