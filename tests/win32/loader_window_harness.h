// The real main window, created in this process over an emulated boot loader
// with virtual time, and driven with its own messages: WM_TIMER for each
// tick (the clock advances 10 ms), BM_CLICK on the buttons, WM_COMMAND for
// the menu.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "image/image_store.h"
#include "sequencer/clock.h"
#include "sequencer/device_ids.h"
#include "tests/win32/dialog_answerer.h"
#include "ui/win32/main_window.h"

namespace zentrel::win32::testing {

class LoaderWindowTest : public ::testing::Test {
 protected:
  ~LoaderWindowTest() override;

  // Puts one boot loader on the bus and opens the window (one Tick runs).
  void Start(const emulated::BootLoaderConfig& config = emulated::BootLoaderConfig{});

  void Tick();
  // Ticks until the sequencer is Idle; the status texts seen on the way.
  std::vector<std::string> RunUntilIdle(int limit = 20000);
  void Click(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }
  void Menu(int command) { SendMessageA(Main(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }
  // Chooses a file through OpenFile and its dialog.
  void OpenFile(const std::string& windowsPath);

  HWND Main() const { return context_->Window.Window; }
  const MainWindow& Window() const { return context_->Window; }
  LoaderContext& Context() { return *context_; }
  std::string Status() const { return TextOf(Window().StatusBar); }
  bool ButtonsEnabled() const;

  FakeClock clock_;
  emulated::EmulatedBus bus_{clock_};
  emulated::EmulatedBootLoader* device_ = nullptr;
  DeviceAccess access_{bus_};
  std::unique_ptr<ImageStore> image_ = std::make_unique<ImageStore>();
  DeviceIds ids_;
  DialogAnswerer answerer_;

 private:
  std::unique_ptr<LoaderContext> context_;
};

// A file of the examples folder, as a Windows path.
std::string ExamplePath(const char* name);

}  // namespace zentrel::win32::testing
