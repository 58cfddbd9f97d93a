// What the trace tests share: a sink that keeps the lines, and the lines
// with their times masked.
#pragma once

#include <regex>
#include <string>
#include <vector>

#include "hid/trace/text_trace_sink.h"
#include "hid/trace/trace_record.h"

namespace zentrel::trace::testing {

// "   412.031 ms  +0.84  rest" -> "T  rest": times depend on pacing and
// latency, the rest of a line does not.
inline std::string MaskTimes(const std::string& line) {
  static const std::regex kTimes("^ *[0-9]+\\.[0-9]{3} ms  \\+[0-9]+\\.[0-9]{2}  ");
  return std::regex_replace(line, kTimes, "T  ");
}

class LineSink final : public TraceSink {
 public:
  explicit LineSink(std::vector<std::string>& lines) : lines_(lines) {}
  void Write(const TraceRecord& record) override {
    lines_.push_back(MaskTimes(FormatTraceLine(record, false)));
  }

 private:
  std::vector<std::string>& lines_;
};

}  // namespace zentrel::trace::testing
