#include "cli/options.h"

#include <filesystem>

#include "hid/emulated/fault_kind.h"
#include "image/whole_file_writer.h"

namespace zentrel::cli {

bool ParseHexOption(const std::string& text, std::uint32_t& value) {
  std::size_t i = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) i = 2;
  if (i == text.size() || text.size() - i > 8) return false;
  std::uint32_t v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    const int d = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  value = v;
  return true;
}

bool ParseUsbId(const std::string& text, std::uint32_t& value) {
  std::uint32_t v = 0;
  if (!ParseHexOption(text, v) || v == 0 || v > 0xFFFF) return false;
  value = v;
  return true;
}

namespace {

// Neither may be the firmware file, nor may they be one file.
std::string CheckTraceFiles(const TraceOptions& o, const std::string& inputPath) {
  namespace fs = std::filesystem;
  const bool traceToFile = !o.TraceFile.empty() && o.TraceFile != "-";
  std::error_code ec;
  if (traceToFile && !o.CaptureFile.empty() &&
      (o.TraceFile == o.CaptureFile ||
       (fs::exists(o.TraceFile, ec) && fs::equivalent(o.TraceFile, o.CaptureFile, ec)))) {
    return "--trace and --capture name the same file";
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

}  // namespace

std::string CheckDeviceOptions(const DeviceOptions& o, DeviceIds& ids) {
  if (const std::string error = CheckTraceFiles(o.Trace, o.InputPath); !error.empty()) {
    return error;
  }
  if ((!o.VendorId.empty() && !ParseUsbId(o.VendorId, ids.VendorId)) ||
      (!o.ProductId.empty() && !ParseUsbId(o.ProductId, ids.ProductId))) {
    return "--vid and --pid take a USB ID, hexadecimal 0x1 to 0xFFFF";
  }
  if (const std::string error = emulated::CheckFaultRequests(o.EmuFaults); !error.empty()) {
    return "--emulate-fault: " + error;
  }
  // With --all each board's FILE.PORT is checked once the boards are known.
  if (!o.EmuDump.empty() && !o.All) {
    if (const std::string error = CheckOutputPath(o.EmuDump, o.InputPath); !error.empty()) {
      return "--emulate-dump: " + error;
    }
  }
  return "";
}

DeviceFilter FilterOf(const DeviceOptions& o) { return DeviceFilter{o.Serial, o.Port}; }

std::string FilterText(const DeviceFilter& filter) {
  std::string text;
  if (!filter.Serial.empty()) text += " --serial " + filter.Serial;
  if (!filter.Port.empty()) text += " --port " + filter.Port;
  return text;
}

}  // namespace zentrel::cli
