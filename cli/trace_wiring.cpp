#include "cli/trace_wiring.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "cli/terminal.h"
#include "cli/output_path.h"
#include "hid/trace/text_trace_sink.h"
#include "hid/trace/tracing_platform.h"
#include "hid/trace/usb_capture_sink.h"

namespace zentrel::cli {

namespace {

constexpr const char* kStandardError = "-";
// Clears a live progress line that a terminal may show before a trace line.

// A file of the trace's; each line or packet is flushed as it is written.
std::FILE* OpenForTrace(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::fprintf(stderr, "zentrel-flash: cannot write %s\n", path.c_str());
  return file;
}

}  // namespace

std::string CheckTraceOptions(const TraceOptions& o, const std::string& inputPath) {
  namespace fs = std::filesystem;
  const bool traceToFile = !o.TraceFile.empty() && o.TraceFile != kStandardError;
  if (traceToFile && !o.CaptureFile.empty()) {
    std::error_code ec;
    if (o.TraceFile == o.CaptureFile ||
        (fs::exists(o.TraceFile, ec) && fs::equivalent(o.TraceFile, o.CaptureFile, ec))) {
      return "--trace and --capture name the same file";
    }
  }
  if (traceToFile) {
    if (std::string error = CheckOutputPath(o.TraceFile, inputPath); !error.empty()) {
      return "--trace: " + error;
    }
  }
  if (!o.CaptureFile.empty()) {
    if (std::string error = CheckOutputPath(o.CaptureFile, inputPath); !error.empty()) {
      return "--capture: " + error;
    }
  }
  return "";
}

std::unique_ptr<HidPlatform> WrapPlatformForTrace(std::unique_ptr<HidPlatform> platform,
                                                  const TraceOptions& o, Clock& clock,
                                                  bool severalBoards) {
  if (!o.Wanted()) return platform;
  auto tracer = std::make_unique<trace::TracingPlatform>(std::move(platform), clock);
  if (o.TraceFile == kStandardError) {
    const bool terminal = IsTerminal(stderr);
    tracer->AddSink(
        std::make_unique<trace::TextTraceSink>(stderr, false, severalBoards, terminal ? kClearLine : ""));
  } else if (!o.TraceFile.empty()) {
    if (std::FILE* file = OpenForTrace(o.TraceFile)) {
      tracer->AddSink(std::make_unique<trace::TextTraceSink>(file, true, severalBoards));
    }
  }
  if (!o.CaptureFile.empty()) {
    if (std::FILE* file = OpenForTrace(o.CaptureFile)) {
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      const auto epochUs = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
      tracer->AddSink(
          std::make_unique<trace::UsbCaptureSink>(file, true, static_cast<std::uint64_t>(epochUs)));
    }
  }
  return tracer;
}

}  // namespace zentrel::cli
