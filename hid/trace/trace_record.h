// One call through the platform seam as a trace sees it, and the sinks that
// write such records down (a text trace, a USB capture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "hid/hid_platform.h"

namespace zentrel::trace {

enum class TraceCall {
  Enumerate,
  Open,
  Attributes,
  ProductString,
  SerialNumber,
  SetFeature,
  GetFeature,
  WriteOutput,
  ReadInput,
  Close,
};

struct TraceRecord {
  TraceCall Call = TraceCall::Enumerate;
  std::uint64_t AtUs = 0;        // when the call began, since the trace began
  std::uint64_t DurationUs = 0;
  // The device's board: its port, else its path. Empty for an enumeration.
  std::string Board;
  bool Ok = true;
  HidError Error;  // why, when not Ok
  // A report: the bytes asked for (Length), the buffer (Data) and how many
  // of them moved: all of a sent report, what came of a fetched one.
  const std::uint8_t* Data = nullptr;
  std::size_t Length = 0;
  std::size_t Moved = 0;
  int TimeoutMs = 0;    // a read's time limit
  std::string Detail;   // the path opened, the string read, the IDs, the counts
  std::string Meaning;  // the report in the protocol's words
  std::uint16_t VendorId = 0, ProductId = 0;  // attributes
};

class TraceSink {
 public:
  virtual ~TraceSink() = default;
  // Written down, and flushed, before the call returns to its caller.
  virtual void Write(const TraceRecord& record) = 0;
};

}  // namespace zentrel::trace
