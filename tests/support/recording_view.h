// A SequencerView that records what the sequencer shows, in order, and with
// every event the sequencer's state and whether a device was open.
#pragma once

#include <cstddef>
#include <optional>
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
  // What the sequencer was at when it showed this (for a box: what the
  // nested ticks of a modal box would find).
  std::optional<SequencerStage> StateAt;
  bool DeviceOpen = false;
};

class RecordingView final : public SequencerView {
 public:
  void Watch(const BootSequencer& sequencer, const DeviceAccess& device) {
    sequencer_ = &sequencer;
    device_ = &device;
  }

  void SetStatusText(const char* text) override {
    Record(ViewEvent::Status, text);
    StatusText = text;
  }
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override {
    ViewEvent& e = Record(ViewEvent::Box, text);
    e.Caption = caption;
    e.Icon = icon;
  }
  void SetFieldText(ValueField field, const char* text) override {
    Record(ViewEvent::Field, text).Which = field;
    Fields[static_cast<int>(field)] = text;
  }
  void EnableCommandButtons(bool enabled) override {
    Record(ViewEvent::Buttons, "").Enabled = enabled;
    ButtonsEnabled = enabled;
  }

  // Status texts and boxes in order, each marked with what held when it was
  // shown: "open status:Device CRC OK", "Idle box:Boot CRC error (BOOT info,
  // error)". One list shows the order of a text, Idle, CloseDevice and a box.
  std::vector<std::string> Sequence() const {
    static const char* const kIcons[] = {"error", "warning", "information"};
    std::vector<std::string> sequence;
    for (const ViewEvent& e : Events) {
      if (e.What != ViewEvent::Status && e.What != ViewEvent::Box) continue;
      std::string s = e.StateAt == SequencerStage::Idle ? "Idle " : "";
      if (e.DeviceOpen) s += "open ";
      s += e.What == ViewEvent::Status ? "status:" + e.Text
                                       : "box:" + e.Text + " (" + e.Caption + ", " +
                                             kIcons[static_cast<int>(e.Icon)] + ")";
      sequence.push_back(s);
    }
    return sequence;
  }
  // The last n entries of Sequence() (all of it when shorter).
  std::vector<std::string> SequenceEnd(std::size_t n) const {
    std::vector<std::string> all = Sequence();
    if (all.size() > n) all.erase(all.begin(), all.end() - static_cast<std::ptrdiff_t>(n));
    return all;
  }

  std::vector<std::string> Statuses() const { return Of(ViewEvent::Status); }
  std::vector<std::string> BoxTexts() const { return Of(ViewEvent::Box); }
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

  ViewEvent& Record(ViewEvent::Kind kind, const char* text) {
    ViewEvent e;
    e.What = kind;
    e.Text = text;
    if (sequencer_ != nullptr) e.StateAt = sequencer_->SequencerState();
    if (device_ != nullptr) e.DeviceOpen = device_->IsOpen();
    Events.push_back(e);
    return Events.back();
  }

  const BootSequencer* sequencer_ = nullptr;
  const DeviceAccess* device_ = nullptr;
};

}  // namespace zentrel::testing
