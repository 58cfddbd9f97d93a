// zentrel-hidraw-device: puts one or more emulated boot loaders behind
// mocked /dev/hidrawN nodes and runs a command against them, unmodified
// (zentrel-flash, or Wine with the Windows programs). Run it under
// umockdev-wrapper:
//
//   umockdev-wrapper zentrel-hidraw-device [options] -- COMMAND [ARGS...]
//
// It exits with the command's exit code, or 125 when it cannot set up the
// device (never 0 without a device), or 124 when the command outran its time
// limit (then it is killed: a fault that makes the program wait fails the
// test instead of hanging it).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/hidraw/hidraw_testbed.h"

namespace {

using zentrel::hidraw::HidrawBootLoader;
using zentrel::hidraw::HidrawDeviceConfig;
using zentrel::hidraw::HidrawTestbed;

constexpr int kSetupFailed = 125;
constexpr int kTimedOut = 124;
// Long enough for Wine to start the Windows programs more than once.
constexpr int kDefaultLimitS = 120;
constexpr int kMaxDevices = 9;

void Usage(std::FILE* out) {
  std::fprintf(out,
               "usage: umockdev-wrapper zentrel-hidraw-device [options] -- COMMAND [ARGS...]\n"
               "  --product TEXT         product string (UTF-8)\n"
               "  --platform TEXT        boot loader platform name\n"
               "  --hw-version TEXT      hardware version\n"
               "  --app-info TEXT        application information\n"
               "  --flash-kib N          flash size in KiB\n"
               "  --reenumerate-ms N     time off the bus after a reset\n"
               "  --devices N            N devices (1 to 9, default 1): device k on USB\n"
               "                         port 1-k with serial number ZB-00000k, on\n"
               "                         /dev/hidraw(k-1) until it resets\n"
               "  --fault [K:]NAME[:N]   fault of the emulated device K, or of every\n"
               "                         device without K; not cannot-open,\n"
               "                         lower-case-product or fail-input, which no\n"
               "                         node passes on\n"
               "  --transport-fault [K:]NAME[:N]  short-feature, short-input, eio, epipe\n"
               "  --node-missing         sysfs lists the devices, /dev has no nodes\n"
               "  --linger-ms N          a device's node stays N ms after it left the\n"
               "                         bus, answering nothing\n"
               "  --arrive-ms [K:]N      device K (or every device) is plugged in N ms\n"
               "                         after the start\n"
               "  --dump FILE            write the device's flash here afterwards\n"
               "  --report FILE          write what the device saw (nodes, resets) here\n"
               "  --limit-s N            kill the command after N seconds (default 120)\n"
               "Every other option is for every device. With more than one device,\n"
               "--dump and --report write one file per device, FILE.PORT (FILE.1-1,\n"
               "FILE.1-2, ...).\n"
               "It exits with the command's exit code, or 125 when it cannot set up the\n"
               "devices (not under umockdev-wrapper, bad options), or 124 when the\n"
               "command ran out of time.\n");
}

std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    std::uint32_t cp = b;
    std::size_t extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra > 0) cp = b & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra && i + k < utf8.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += 1 + extra;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

// A positive decimal number of at most six digits; 0 when text is none.
int PositiveNumber(const std::string& text) {
  if (text.empty() || text.size() > 6 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return 0;
  }
  return std::atoi(text.c_str());
}

// Faults of the emulated bus's own calls, which no hidraw node passes on,
// and what shows the same through one.
constexpr std::pair<const char*, const char*> kNotThroughANode[] = {
    {"cannot-open", "preload libzentrel_deny_hidraw_open.so"},
    {"lower-case-product", "give --product in lower case"},
    {"fail-input", "give --transport-fault eio or short-input"}};

// [K:]NAME[:N], K a positive and N a whole decimal number (names have no
// digits first). device 0: every device.
bool SplitFault(std::string text, int& device, std::string& name, int& n) {
  device = 0;
  n = 1;
  if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
    const auto colon = text.find(':');
    if (colon == std::string::npos) return false;
    device = PositiveNumber(text.substr(0, colon));
    if (device == 0) return false;
    text = text.substr(colon + 1);
  }
  const auto colon = text.find(':');
  name = text.substr(0, colon);
  if (colon == std::string::npos) return true;
  n = PositiveNumber(text.substr(colon + 1));
  return n > 0 || text.substr(colon + 1) == "0";
}

// Applies each fault text to its device (or to all); false, with a message
// on stderr, for one that does not parse, names no device, or has an N below
// lowestN.
template <typename Parse, typename Inject>
bool ApplyFaults(const std::vector<std::string>& texts, const char* option, int lowestN,
                 const std::vector<HidrawBootLoader*>& devices, Parse parse, Inject inject) {
  for (const std::string& text : texts) {
    int device = 0, n = 1;
    std::string name;
    const auto kind = SplitFault(text, device, name, n) ? parse(name) : std::nullopt;
    if (!kind || n < lowestN || device > static_cast<int>(devices.size())) {
      std::fprintf(stderr, "zentrel-hidraw-device: bad %s %s\n", option, text.c_str());
      return false;
    }
    for (const auto& [fault, instead] : kNotThroughANode) {
      if (name == fault) {
        std::fprintf(stderr, "zentrel-hidraw-device: %s %s is not seen through a node; %s\n",
                     option, text.c_str(), instead);
        return false;
      }
    }
    for (std::size_t k = 0; k < devices.size(); ++k) {
      if (device == 0 || static_cast<std::size_t>(device) == k + 1) inject(*devices[k], *kind, n);
    }
  }
  return true;
}

// What reached one device: its flash into dump, its nodes and resets into
// report (each when named).
bool WriteOutcome(const HidrawBootLoader& device, const std::string& dump,
                  const std::string& report) {
  if (!dump.empty()) {
    const std::vector<std::uint8_t> flash = device.Flash();
    std::ofstream out(dump, std::ios::binary);
    out.write(reinterpret_cast<const char*>(flash.data()),
              static_cast<std::streamsize>(flash.size()));
    if (!out) {
      std::fprintf(stderr, "zentrel-hidraw-device: cannot write %s\n", dump.c_str());
      return false;
    }
  }
  if (!report.empty()) {
    std::ofstream out(report);
    out << "port " << device.Config().Port << "\n";
    out << "resets " << device.ResetCount() << "\n";
    out << "data-reports " << device.DataReportCount() << "\n";
    for (const std::string& node : device.DevNodes()) out << "node " << node << "\n";
    if (!out) {
      std::fprintf(stderr, "zentrel-hidraw-device: cannot write %s\n", report.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  HidrawDeviceConfig config;
  config.Behaviour.ReenumerateUs = 300'000;
  std::vector<std::string> faults, transportFaults, arrivals;
  std::string dump, report;
  int deviceCount = 1;
  int limitS = kDefaultLimitS;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string opt = argv[i];
    if (opt == "--") {
      ++i;
      break;
    }
    if (opt == "--help" || opt == "-h") {
      Usage(stdout);
      return 0;
    }
    if (opt == "--node-missing") {
      config.NodeMissing = true;
      continue;
    }
    if (i + 1 >= argc) {
      Usage(stderr);
      return kSetupFailed;
    }
    const std::string value = argv[++i];
    if (opt == "--product") {
      config.Behaviour.ProductString = Utf16(value);
    } else if (opt == "--platform") {
      config.Behaviour.Platform = value;
    } else if (opt == "--hw-version") {
      config.Behaviour.HwVersion = value;
    } else if (opt == "--app-info") {
      config.Behaviour.AppInfo = value;
    } else if (opt == "--flash-kib") {
      config.Behaviour.FlashSizeKiB = static_cast<std::uint16_t>(std::atoi(value.c_str()));
    } else if (opt == "--linger-ms") {
      config.LingerMs = std::atoi(value.c_str());
    } else if (opt == "--arrive-ms") {
      arrivals.push_back(value);
    } else if (opt == "--reenumerate-ms") {
      config.Behaviour.ReenumerateUs = std::strtoull(value.c_str(), nullptr, 10) * 1000u;
    } else if (opt == "--devices") {
      deviceCount = PositiveNumber(value);
      if (deviceCount == 0 || deviceCount > kMaxDevices) {
        std::fprintf(stderr, "zentrel-hidraw-device: --devices takes 1 to %d\n", kMaxDevices);
        return kSetupFailed;
      }
    } else if (opt == "--fault") {
      faults.push_back(value);
    } else if (opt == "--transport-fault") {
      transportFaults.push_back(value);
    } else if (opt == "--dump") {
      dump = value;
    } else if (opt == "--report") {
      report = value;
    } else if (opt == "--limit-s") {
      limitS = PositiveNumber(value);
      if (limitS == 0) {
        std::fprintf(stderr, "zentrel-hidraw-device: --limit-s takes a whole number of seconds\n");
        return kSetupFailed;
      }
    } else {
      Usage(stderr);
      return kSetupFailed;
    }
  }
  if (i >= argc) {
    Usage(stderr);
    return kSetupFailed;
  }

  // Device faults follow zentrel-flash's --emulate-fault rules (N = 0 only
  // where it means at once, each fault once); a transport fault counts from 1.
  if (const std::string bad = zentrel::emulated::CheckFaultRequests(faults); !bad.empty()) {
    std::fprintf(stderr, "zentrel-hidraw-device: --fault: %s\n", bad.c_str());
    return kSetupFailed;
  }

  HidrawTestbed bed;
  std::vector<HidrawBootLoader*> devices;
  for (int k = 1; k <= deviceCount; ++k) {
    HidrawDeviceConfig numbered = zentrel::hidraw::NumberedDevice(k, config);
    for (const std::string& text : arrivals) {
      const auto colon = text.find(':');
      const int device = colon == std::string::npos ? 0 : PositiveNumber(text.substr(0, colon));
      const int ms = PositiveNumber(colon == std::string::npos ? text : text.substr(colon + 1));
      if (ms == 0 || (colon != std::string::npos && device == 0) || device > deviceCount) {
        std::fprintf(stderr, "zentrel-hidraw-device: bad --arrive-ms %s\n", text.c_str());
        return kSetupFailed;
      }
      if (device == 0 || device == k) numbered.ArriveMs = ms;
    }
    devices.push_back(&bed.Add(numbered));
  }
  std::string error;
  if (!bed.Start(error)) {
    std::fprintf(stderr, "zentrel-hidraw-device: %s\n", error.c_str());
    return kSetupFailed;
  }
  if (!ApplyFaults(faults, "--fault", 0, devices, zentrel::emulated::ParseFaultKind,
                   [](HidrawBootLoader& d, auto kind, int n) { d.InjectFault(kind, n); }) ||
      !ApplyFaults(transportFaults, "--transport-fault", 1, devices,
                   zentrel::hidraw::ParseTransportFault,
                   [](HidrawBootLoader& d, auto kind, int n) { d.InjectTransportFault(kind, n); })) {
    return kSetupFailed;
  }

  // The command inherits umockdev's preload and the testbed's location.
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    std::perror("zentrel-hidraw-device: fork");
    return kSetupFailed;
  }
  if (child == 0) {
    // Its own group, so that the time limit ends whatever it started (Wine).
    setpgid(0, 0);
    execvp(argv[i], argv + i);
    std::fprintf(stderr, "zentrel-hidraw-device: cannot run %s: %s\n", argv[i],
                 std::strerror(errno));
    _exit(127);
  }
  setpgid(child, child);
  int status = 0;
  bool timedOut = false;
  for (int waitedMs = 0;; waitedMs += 20) {
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child || (ended < 0 && errno != EINTR)) break;
    if (waitedMs >= limitS * 1000) {
      std::fprintf(stderr, "zentrel-hidraw-device: %s still ran after %d s; killed\n", argv[i],
                   limitS);
      kill(-child, SIGKILL);
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
      timedOut = true;
      break;
    }
    usleep(20'000);
  }
  const int code = timedOut             ? kTimedOut
                   : WIFEXITED(status) ? WEXITSTATUS(status)
                                       : 128 + WTERMSIG(status);

  for (const HidrawBootLoader* device : devices) {
    // One device keeps the names as given.
    const std::string suffix = devices.size() > 1 ? "." + device->Config().Port : "";
    if (!WriteOutcome(*device, dump.empty() ? dump : dump + suffix,
                      report.empty() ? report : report + suffix)) {
      return kSetupFailed;
    }
  }
  return code;
}
