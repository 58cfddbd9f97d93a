// What the sequencer (and the image load) needs of a front end: a status
// line, modal message boxes, six value fields and the four command buttons.
#pragma once

namespace zentrel {

enum class MessageIcon { Error, Warning, Information };

enum class ValueField {
  PlatformField,
  HwVersionField,
  BootVersionField,
  AppInfoField,
  FwVersionField,
  DeviceIdField,
};

// The caption each field has in the window, and in every front end's
// printout of it.
inline constexpr const char* FieldCaption(ValueField field) {
  constexpr const char* kCaptions[6] = {"HW platform",      "HW version", "BOOT SW version",
                                        "Application info", "FW version", "HID Device ID"};
  return kCaptions[static_cast<int>(field)];
}

class SequencerView {
 public:
  virtual ~SequencerView() = default;
  virtual void SetStatusText(const char* text) = 0;
  // Modal: returns when the user has closed the box. Tick may run inside it.
  virtual void ShowMessageBox(const char* text, const char* caption,
                              MessageIcon icon) = 0;
  virtual void SetFieldText(ValueField field, const char* text) = 0;
  // OpenFile, DownLoad, HW info, Application FW, in that order, together.
  virtual void EnableCommandButtons(bool enabled) = 0;
};

}  // namespace zentrel
