// The main window's logic, the same under every toolkit: the records of the
// run, what the four buttons and the menu items do, one Tick per timer event
// and per other command, and what closing does. A window keeps its widgets
// and its toolkit's calls, and routes its events here.
#pragma once

#include <cstdint>
#include <memory>

#include "hid/device_access.h"
#include "hid/hid_platform.h"
#include "image/image_store.h"
#include "protocol/clock.h"
#include "protocol/device_ids.h"
#include "sequencer/boot_sequencer.h"
#include "ui/loader_window.h"

namespace zentrel {

// In the order of creation.
enum class CommandButton : std::uint8_t { OpenFile, Download, HwInfo, AppFw };

// Konec, Komunikace, O programu.
enum class MenuItem : std::uint8_t { Exit, Settings, About };

class LoaderController {
 public:
  // The tick's period: the stages count their waits in ticks of 10 ms.
  static constexpr unsigned kTickPeriodMs = 10;

  // Fresh records: the sequencer Idle, no image loaded, the default IDs.
  // The window and the platform must outlive the controller; nothing is
  // called on the window here.
  LoaderController(LoaderWindow& window, HidPlatform& platform, const Clock& clock);
  LoaderController(const LoaderController&) = delete;
  LoaderController& operator=(const LoaderController&) = delete;

  // The window is up: the tick timer starts, and the first Tick runs before
  // the window is handed over.
  void Open();
  // A button starts its operation, and nothing else runs.
  void Press(CommandButton button);
  // A menu item does its action, then one Tick as any command does.
  void Choose(MenuItem item);
  // Any other command (the path field's notifications): one Tick.
  void OnOtherCommand();
  // A timer event: one Tick.
  void OnTimer();
  // The window closes: a running road is stopped (device closed, nothing
  // shown); in Idle no device is touched; then the timer stops. From then on
  // nothing runs.
  void Close();
  bool Closed() const { return closed_; }

  // Read by the settings dialog and written by its OK.
  DeviceIds& Ids() { return ids_; }
  const BootSequencer& Sequencer() const { return sequencer_; }
  const ImageStore& Image() const { return *image_; }
  DeviceAccess& Device() { return device_; }

 private:
  void LoadImageFile();

  LoaderWindow& window_;
  // Its buffers take some 4 MiB: one on the heap per run.
  std::unique_ptr<ImageStore> image_;
  DeviceIds ids_;
  DeviceAccess device_;
  BootSequencer sequencer_;
  bool closed_ = false;
};

}  // namespace zentrel
