// SequencerView for the console: each new status text becomes a line on
// stdout, a message box becomes the final message (stderr unless it reports
// success), fields are kept for the summary at the end.
#pragma once

#include <array>
#include <cstdio>
#include <string>

#include "sequencer/sequencer_view.h"

namespace zentrel::cli {

struct MessageBoxRecord {
  std::string Text;
  std::string Caption;
  MessageIcon Icon = MessageIcon::Error;
};

class ConsoleView final : public SequencerView {
 public:
  explicit ConsoleView(std::FILE* out = stdout, std::FILE* err = stderr)
      : out_(out), err_(err) {}

  void SetStatusText(const char* text) override;
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override;
  void SetFieldText(ValueField field, const char* text) override;
  void EnableCommandButtons(bool) override {}

  const std::string& Field(ValueField field) const {
    return fields_[static_cast<std::size_t>(field)];
  }
  const std::string& LastStatus() const { return status_; }
  bool HasBox() const { return hasBox_; }
  const MessageBoxRecord& LastBox() const { return box_; }

 private:
  std::FILE* out_;
  std::FILE* err_;
  std::string status_;
  bool statusShown_ = false;
  std::array<std::string, 6> fields_;
  bool hasBox_ = false;
  MessageBoxRecord box_;
};

}  // namespace zentrel::cli
