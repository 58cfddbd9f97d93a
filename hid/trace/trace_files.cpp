#include "hid/trace/trace_files.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "hid/trace/text_trace_sink.h"
#include "hid/trace/tracing_platform.h"
#include "hid/trace/usb_capture_sink.h"

namespace zentrel::trace {

std::unique_ptr<HidPlatform> TracePlatform(std::unique_ptr<HidPlatform> platform,
                                           const TraceFiles& f, Clock& clock) {
  if (f.Text.empty() && f.Capture.empty()) return platform;
  auto open = [&f](const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr && f.CannotWrite) f.CannotWrite(path, std::strerror(errno));
    return file;
  };
  // The sinks outlive f: each keeps its own copy of the callback.
  auto failed = [&f](const std::string& path) -> WriteFailed {
    if (!f.CannotWrite) return {};
    return [told = f.CannotWrite, path](const std::string& reason) { told(path, reason); };
  };
  auto tracer = std::make_unique<TracingPlatform>(std::move(platform), clock);
  if (f.Text == "-") {
    tracer->AddSink(std::make_unique<TextTraceSink>(stderr, false, f.SeveralBoards, f.StderrPrefix));
  } else if (!f.Text.empty()) {
    if (std::FILE* file = open(f.Text)) {
      tracer->AddSink(
          std::make_unique<TextTraceSink>(file, true, f.SeveralBoards, "", failed(f.Text), f.Text));
    }
  }
  if (!f.Capture.empty()) {
    if (std::FILE* file = open(f.Capture)) {
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      const auto epochUs = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
      tracer->AddSink(std::make_unique<UsbCaptureSink>(
          file, true, static_cast<std::uint64_t>(epochUs), failed(f.Capture), f.Capture));
    }
  }
  return tracer;
}

}  // namespace zentrel::trace
