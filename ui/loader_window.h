// What the window controller needs of a main window: the sequencer's view,
// and the few toolkit calls that the load, the menu and closing make. The Qt
// and the Win32 main window each realise it.
#pragma once

#include <string>

#include "sequencer/sequencer_view.h"

namespace zentrel {

class LoaderWindow : public SequencerView {
 public:
  // The open-file dialog, modal, for existing files only, with the three
  // filter entries and the first one selected. true with the chosen path;
  // false when the user cancels or the dialog fails, path then untouched.
  virtual bool ChooseImageFile(std::string& path) = 0;
  // Replaces the whole text of the path field.
  virtual void SetPathText(const char* path) = 0;
  // The communication settings dialog, modal; OK stores into the
  // controller's DeviceIds.
  virtual void RunSettingsDialog() = 0;
  // Closes the window as its close box does; the window's close handling
  // then calls LoaderController::Close.
  virtual void CloseWindow() = 0;
  // The toolkit's timer: each time it fires, LoaderController::OnTimer.
  virtual void StartTickTimer(unsigned periodMs) = 0;
  virtual void StopTickTimer() = 0;
};

}  // namespace zentrel
