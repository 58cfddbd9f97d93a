// A SequencerView that records the message boxes of a load.
#pragma once

#include <string>
#include <vector>

#include "sequencer/sequencer_view.h"

namespace zentrel::test {

struct RecordedBox {
  std::string Text;
  std::string Caption;
  MessageIcon Icon;
};

class RecordingView final : public SequencerView {
 public:
  void SetStatusText(const char*) override {}
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override {
    Boxes.push_back({text, caption, icon});
  }
  void SetFieldText(ValueField, const char*) override {}
  void EnableCommandButtons(bool) override {}

  std::vector<RecordedBox> Boxes;
};

}  // namespace zentrel::test
