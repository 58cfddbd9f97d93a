#include "cli/options.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "hid/emulated/fault_kind.h"
#include "image/output_place.h"
#include "image/whole_file_writer.h"

namespace zentrel::cli {

bool ParseUsbId(const std::string& text, std::uint32_t& value) {
  const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* first = text.data() + (prefixed ? 2 : 0);
  const char* last = text.data() + text.size();
  std::uint32_t v = 0;
  // from_chars alone would take a sign or stop at the first stray character.
  if (first == last || last - first > 8 || *first == '-' || *first == '+' ||
      std::from_chars(first, last, v, 16).ptr != last || v == 0 || v > 0xFFFF) {
    return false;
  }
  value = v;
  return true;
}

bool ParseAddress(const std::string& text, std::uint64_t& value) {
  const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* first = text.data() + (prefixed ? 2 : 0);
  const char* last = text.data() + text.size();
  std::uint64_t v = 0;
  if (first == last || *first == '-' || *first == '+') return false;
  const auto [end, error] = std::from_chars(first, last, v, prefixed ? 16 : 10);
  if (error != std::errc() || end != last) return false;
  value = v;
  return true;
}

namespace {

// Compares files, not names: another spelling, a link, or a file not made yet.
bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (a == b) return true;
  const std::string fa = OutputFileOf(a);
  return (!fa.empty() && fa == OutputFileOf(b)) || (fs::exists(a, ec) && fs::equivalent(a, b, ec));
}

}  // namespace

std::string CheckOutputFiles(const DeviceOptions& o, const std::string& dump) {
  const std::pair<const char*, std::string> files[] = {
      {"--trace", o.TraceFile == "-" ? "" : o.TraceFile},
      {"--capture", o.CaptureFile},
      {"--emulate-dump", dump}};
  for (std::size_t i = 0; i < std::size(files); ++i) {
    for (std::size_t j = i + 1; j < std::size(files); ++j) {
      if (!files[i].second.empty() && !files[j].second.empty() &&
          SameFile(files[i].second, files[j].second)) {
        return std::string(files[i].first) + " and " + files[j].first + " name the same file";
      }
    }
  }
  for (const auto& [option, file] : files) {
    if (file.empty()) continue;
    if (const std::string error = CheckOutputPath(file, o.InputPath); !error.empty()) {
      return std::string(option) + ": " + error;
    }
  }
  return "";
}

std::string CheckDeviceOptions(const DeviceOptions& o) {
  std::vector<emulated::FaultRequest> faults;
  const std::string error = emulated::CheckFaultRequests(o.EmuFaults, &faults);
  if (!error.empty()) return "--emulate-fault: " + error;
  for (std::size_t i = 0; i < faults.size(); ++i) {
    if (faults[i].Device > o.EmuDevices) {
      return "--emulate-fault: '" + o.EmuFaults[i] + "': board " +
             std::to_string(faults[i].Device) + " is beyond --emulate-devices " +
             std::to_string(o.EmuDevices);
    }
  }
  // With --all each board's FILE.PORT is checked once the boards are known.
  return o.All ? "" : CheckOutputFiles(o, o.EmuDump);
}

std::FILE* ConsoleOut(const std::string& file) { return IsStandardOutput(file) ? stderr : stdout; }

std::string DumpPath(const DeviceOptions& o, const DeviceIdentity& board) {
  if (o.EmuDump.empty() || !o.All) return o.EmuDump;
  return o.EmuDump + "." + (board.Port.empty() ? board.Serial : board.Port);
}

std::string FilterText(const DeviceFilter& filter) {
  std::string text;
  if (!filter.Serial.empty()) text += " --serial " + filter.Serial;
  if (!filter.Port.empty()) text += " --port " + filter.Port;
  return text;
}

}  // namespace zentrel::cli
