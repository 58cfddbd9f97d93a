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
