#include "hid/trace/text_trace_sink.h"

namespace zentrel::trace {

namespace {

constexpr std::size_t kZeroRunShown = 8;

const char* CallName(TraceCall call) {
  switch (call) {
    case TraceCall::Enumerate: return "enumerate";
    case TraceCall::Open: return "open";
    case TraceCall::Attributes: return "attributes";
    case TraceCall::ProductString: return "product string";
    case TraceCall::SerialNumber: return "serial number";
    case TraceCall::SetFeature: return "set feature";
    case TraceCall::GetFeature: return "get feature";
    case TraceCall::WriteOutput: return "write output";
    case TraceCall::ReadInput: return "read input";
    case TraceCall::Close: return "close";
  }
  return "?";
}

bool IsTransfer(TraceCall call) {
  return call == TraceCall::SetFeature || call == TraceCall::GetFeature ||
         call == TraceCall::WriteOutput || call == TraceCall::ReadInput;
}

// How a call that did not succeed ended; length is what was asked for.
std::string Result(const HidError& error, std::size_t length) {
  std::string text;
  switch (error.What) {
    case HidError::Kind::Short:
      text = "short by " + std::to_string(length > error.Moved ? length - error.Moved : 0) + " B";
      break;
    case HidError::Kind::TimedOut: text = "timed out"; break;
    default: text = "failed"; break;
  }
  return error.Text.empty() ? text : text + ": " + error.Text;
}

}  // namespace

std::string HexBytes(const std::uint8_t* data, std::size_t length) {
  std::size_t shown = length;
  while (shown > 0 && data[shown - 1] == 0) --shown;
  if (length - shown < kZeroRunShown) shown = length;
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) text += ' ';
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 0xF];
  }
  if (shown < length) {
    text += (shown > 0 ? " [" : "[") + std::to_string(length - shown) + " zeros]";
  }
  return text;
}

std::string FormatTraceLine(const TraceRecord& r, bool withBoard) {
  char head[64];
  std::snprintf(head, sizeof head, "%10.3f ms  +%.2f  ", static_cast<double>(r.AtUs) / 1000.0,
                static_cast<double>(r.DurationUs) / 1000.0);
  std::string line = head;
  if (withBoard) line += (r.Board.empty() ? "-" : r.Board) + "  ";
  line += CallName(r.Call);
  if (IsTransfer(r.Call)) {
    line += "  " + std::to_string(r.Length) + " B";
    if (r.Call == TraceCall::ReadInput) line += "  limit " + std::to_string(r.TimeoutMs) + " ms";
    // A fetch that failed brought nothing worth showing.
    if (r.Moved > 0 && r.Data != nullptr) line += "  " + HexBytes(r.Data, r.Moved);
  }
  if (!r.Detail.empty()) line += "  " + r.Detail;
  if (!r.Meaning.empty()) line += "  " + r.Meaning;
  if (!r.Ok) line += "  " + Result(r.Error, r.Length);
  return line;
}

void TextTraceSink::Write(const TraceRecord& record) {
  const std::string line = prefix_ + FormatTraceLine(record, withBoard_) + "\n";
  out_.Write(line.data(), line.size());
}

}  // namespace zentrel::trace
