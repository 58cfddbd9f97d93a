// The real main window, created in this process over an emulated boot loader
// with virtual time. The test owns the time: the window's own timer is
// stopped and each tick is a WM_TIMER (the clock advances 10 ms). The user's
// part is played with the mouse: clicks at the visible centre of a control
// or on the close box, so that hit-testing and focus changes take part;
// only the menu is driven by its WM_COMMAND.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "protocol/clock.h"
#include "tests/support/example_files.h"
#include "tests/support/tick_until.h"
#include "tests/ui/counting_platform.h"
#include "tests/win32/dialog_answerer.h"
#include "ui/win32/main_window.h"

namespace zentrel::win32::testing {

class LoaderWindowTest : public ::testing::Test {
 protected:
  ~LoaderWindowTest() override;

  // Puts one boot loader on the bus and opens the window (one Tick runs).
  void SetUp() override;

  void Tick();
  // Ticks until the sequencer is in state; false if it never got there.
  bool TickUntil(SequencerStage state) {
    return zentrel::testing::TickUntil(Controller().Sequencer(), state, [this] { Tick(); });
  }
  // A left click at the centre of the control as it shows on screen; the
  // control must be the window found at that point. Dispatches what the
  // click brings (focus changes, the command, modal windows).
  void Click(HWND control);
  // A left click on the main window's close box.
  void ClickCloseBox();
  void Menu(int command) { SendMessageA(Main(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }
  // Chooses a file through OpenFile and its dialog.
  void OpenFile(const std::string& windowsPath);

  HWND Main() const { return context_->Window.Window; }
  const MainWindow& Window() const { return context_->Window; }
  LoaderController& Controller() { return context_->Controller; }
  std::string Status() const { return TextOf(Window().StatusBar); }
  bool ButtonsEnabled() const;

  FakeClock clock_;
  // Every call that reaches the device side, counted.
  zentrel::testing::CountingPlatform platform_{clock_};
  emulated::EmulatedBus& bus_ = platform_.Bus();
  emulated::EmulatedBootLoader* device_ = nullptr;
  DialogAnswerer answerer_;

 private:
  std::unique_ptr<LoaderContext> context_;
};

// A key as the keyboard gives it, pressed while a modifier (VK_CONTROL,
// VK_SHIFT) is held, or none.
struct Key {
  WORD VirtualKey;
  WORD Modifier = 0;
};
// Presses and releases each key in turn through SendInput, into whatever
// has the focus, and dispatches what they bring.
void TypeKeys(std::initializer_list<Key> keys);

using zentrel::testing::ExamplePath;

}  // namespace zentrel::win32::testing
