#include "cli/options.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

#include "hid/emulated/fault_kind.h"
#include "image/whole_file_writer.h"

namespace zentrel::cli {

bool ParseHexOption(const std::string& text, std::uint32_t& value) {
  const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* first = text.data() + (prefixed ? 2 : 0);
  const char* last = text.data() + text.size();
  std::uint32_t v = 0;
  // from_chars alone would take a sign or stop at the first stray character.
  if (first == last || last - first > 8 || *first == '-' || *first == '+' ||
      std::from_chars(first, last, v, 16).ptr != last) {
    return false;
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

std::string CheckTraceOptions(const TraceOptions& o, const std::string& inputPath) {
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

std::string CheckDeviceOptions(const DeviceOptions& o, DeviceIds& ids) {
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

std::string IdsText(const DeviceIds& ids) {
  char text[24];
  std::snprintf(text, sizeof text, "%04X:%04X", static_cast<unsigned>(ids.VendorId),
                static_cast<unsigned>(ids.ProductId));
  return text;
}

DeviceFilter FilterOf(const DeviceOptions& o) { return DeviceFilter{o.Serial, o.Port}; }

std::string FilterText(const DeviceFilter& filter) {
  std::string text;
  if (!filter.Serial.empty()) text += " --serial " + filter.Serial;
  if (!filter.Port.empty()) text += " --port " + filter.Port;
  return text;
}

}  // namespace zentrel::cli
