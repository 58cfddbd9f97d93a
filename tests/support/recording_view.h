// A SequencerView that records what the sequencer shows, in order, and for
// every message box the sequencer's state and whether a device was open.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hid/device_access.h"
#include "sequencer/boot_sequencer.h"
#include "sequencer/sequencer_view.h"

namespace zentrel::testing {

struct ViewEvent {
  enum Kind { Status, Box, Field, Buttons } What = Status;
  std::string Text;
  std::string Caption;
  MessageIcon Icon = MessageIcon::Error;
  ValueField Which = ValueField::PlatformField;
  bool Enabled = false;
  // For boxes: what the nested ticks of a modal box would find.
  int StateAtBox = -1;
  bool DeviceOpenAtBox = false;
};

class RecordingView final : public SequencerView {
 public:
  void Watch(const BootSequencer& sequencer, const DeviceAccess& device) {
    sequencer_ = &sequencer;
    device_ = &device;
  }

  void SetStatusText(const char* text) override {
    ViewEvent e;
    e.What = ViewEvent::Status;
    e.Text = text;
    Events.push_back(e);
    StatusText = text;
  }
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override {
    ViewEvent e;
    e.What = ViewEvent::Box;
    e.Text = text;
    e.Caption = caption;
    e.Icon = icon;
    if (sequencer_ != nullptr) e.StateAtBox = sequencer_->SequencerState;
    if (device_ != nullptr) e.DeviceOpenAtBox = device_->IsOpen();
    Events.push_back(e);
  }
  void SetFieldText(ValueField field, const char* text) override {
    ViewEvent e;
    e.What = ViewEvent::Field;
    e.Text = text;
    e.Which = field;
    Events.push_back(e);
    Fields[static_cast<int>(field)] = text;
  }
  void EnableCommandButtons(bool enabled) override {
    ViewEvent e;
    e.What = ViewEvent::Buttons;
    e.Enabled = enabled;
    Events.push_back(e);
    ButtonsEnabled = enabled;
  }

  std::vector<std::string> Statuses() const { return Of(ViewEvent::Status); }
  std::vector<ViewEvent> Boxes() const {
    std::vector<ViewEvent> boxes;
    for (const ViewEvent& e : Events) {
      if (e.What == ViewEvent::Box) boxes.push_back(e);
    }
    return boxes;
  }
  const std::string& Field(ValueField field) const { return Fields[static_cast<int>(field)]; }

  std::vector<ViewEvent> Events;
  std::string StatusText;
  std::string Fields[6];
  bool ButtonsEnabled = true;

 private:
  std::vector<std::string> Of(ViewEvent::Kind kind) const {
    std::vector<std::string> texts;
    for (const ViewEvent& e : Events) {
      if (e.What == kind) texts.push_back(e.Text);
    }
    return texts;
  }

  const BootSequencer* sequencer_ = nullptr;
  const DeviceAccess* device_ = nullptr;
};

// The one box of a failed road: its text, caption "BOOT info", the error
// icon, and the road already Idle with the device closed when it opened (the
// ticks that run inside a modal box must find nothing to do).
inline ::testing::AssertionResult IsRoadFailureBox(const std::vector<ViewEvent>& boxes,
                                                   const std::string& text) {
  if (boxes.size() != 1) {
    return ::testing::AssertionFailure() << boxes.size() << " boxes, expected one";
  }
  const ViewEvent& box = boxes[0];
  if (box.Text != text || box.Caption != "BOOT info" || box.Icon != MessageIcon::Error) {
    return ::testing::AssertionFailure() << "box \"" << box.Text << "\" caption \""
                                         << box.Caption << "\" icon "
                                         << static_cast<int>(box.Icon);
  }
  if (box.StateAtBox != Idle || box.DeviceOpenAtBox) {
    return ::testing::AssertionFailure() << "box opened in state " << box.StateAtBox
                                         << (box.DeviceOpenAtBox ? " with" : " without")
                                         << " the device open";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace zentrel::testing
