// The trace as text: one line per call, written and flushed as it happens,
// so that the trace of a run that hangs or is stopped is complete up to then.
//
//   <ms since the start> ms  +<ms the call took>  [<board>  ]<call>  <what it moved>  [<meaning>]  [<result>]
//      412.031 ms  +0.84  set feature  9 B  00 55 00 00 00 5A 45 4E 54  CMD_START_BOOT key ok
//
// A call that succeeded has no result column; one that did not ends in
// "failed: <the platform's reason>", "short by N B" or "timed out".
#pragma once

#include <cstdio>
#include <string>

#include "hid/trace/trace_output.h"
#include "hid/trace/trace_record.h"

namespace zentrel::trace {

// The line of one record, without its line end. Boards are named only when
// withBoard (several boards in one trace).
std::string FormatTraceLine(const TraceRecord& record, bool withBoard);

// The bytes as hex pairs; a run of at least 8 zero bytes at the end as
// "[N zeros]".
std::string HexBytes(const std::uint8_t* data, std::size_t length);

class TextTraceSink final : public TraceSink {
 public:
  // prefix comes before each line (a terminal's "clear the live line");
  // with own, out is closed with the sink; failed is told of the first line
  // that cannot be written; path names out's file (see TraceOutput).
  TextTraceSink(std::FILE* out, bool own, bool withBoard, std::string prefix = {},
                WriteFailed failed = {}, std::string path = {})
      : out_(out, own, std::move(failed), std::move(path)),
        withBoard_(withBoard),
        prefix_(std::move(prefix)) {}
  void Write(const TraceRecord& record) override;

 private:
  TraceOutput out_;
  bool withBoard_;
  std::string prefix_;
};

}  // namespace zentrel::trace
