// zentrel-hidraw-device: puts the emulated boot loader behind a mocked
// /dev/hidrawN and runs a command against it, unmodified (zentrel-flash, or
// Wine with the Windows programs). Run it under umockdev-wrapper:
//
//   umockdev-wrapper zentrel-hidraw-device [options] -- COMMAND [ARGS...]
//
// It exits with the command's exit code, or 125 when it cannot set up the
// device (never 0 without a device).
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

#include "tests/hidraw/hidraw_boot_loader.h"

namespace {

using zentrel::hidraw::HidrawBootLoader;
using zentrel::hidraw::HidrawDeviceConfig;

constexpr int kSetupFailed = 125;

void Usage(std::FILE* out) {
  std::fprintf(out,
               "usage: umockdev-wrapper zentrel-hidraw-device [options] -- COMMAND [ARGS...]\n"
               "  --product TEXT         product string (UTF-8)\n"
               "  --platform TEXT        boot loader platform name\n"
               "  --hw-version TEXT      hardware version\n"
               "  --app-info TEXT        application information\n"
               "  --flash-kib N          flash size in KiB\n"
               "  --reenumerate-ms N     time off the bus after a reset\n"
               "  --fault NAME[:N]       fault of the emulated device\n"
               "  --transport-fault NAME[:N]  short-feature, short-input, eio, epipe\n"
               "  --node-missing         sysfs lists the device, /dev has no node\n"
               "  --dump FILE            write the device's flash here afterwards\n"
               "  --report FILE          write what the device saw (nodes, resets) here\n"
               "It exits with the command's exit code, or 125 when it cannot set up the\n"
               "device (not under umockdev-wrapper, bad options).\n");
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

// NAME or NAME:N, N a positive decimal number.
bool SplitFault(const std::string& text, std::string& name, int& n) {
  const auto colon = text.find(':');
  name = text.substr(0, colon);
  n = 1;
  if (colon == std::string::npos) return true;
  const std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 6 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  n = std::atoi(digits.c_str());
  return n > 0;
}

}  // namespace

int main(int argc, char** argv) {
  HidrawDeviceConfig config;
  config.Behaviour.ReenumerateUs = 300'000;
  std::vector<std::string> faults, transportFaults;
  std::string dump, report;
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
    } else if (opt == "--reenumerate-ms") {
      config.Behaviour.ReenumerateUs = std::strtoull(value.c_str(), nullptr, 10) * 1000u;
    } else if (opt == "--fault") {
      faults.push_back(value);
    } else if (opt == "--transport-fault") {
      transportFaults.push_back(value);
    } else if (opt == "--dump") {
      dump = value;
    } else if (opt == "--report") {
      report = value;
    } else {
      Usage(stderr);
      return kSetupFailed;
    }
  }
  if (i >= argc) {
    Usage(stderr);
    return kSetupFailed;
  }

  HidrawBootLoader device(config);
  std::string error;
  if (!device.Start(error)) {
    std::fprintf(stderr, "zentrel-hidraw-device: %s\n", error.c_str());
    return kSetupFailed;
  }
  for (const std::string& text : faults) {
    std::string name;
    int n = 1;
    auto kind = SplitFault(text, name, n) ? zentrel::emulated::ParseFaultKind(name)
                                          : std::nullopt;
    if (!kind) {
      std::fprintf(stderr, "zentrel-hidraw-device: bad --fault %s\n", text.c_str());
      return kSetupFailed;
    }
    device.InjectFault(*kind, n);
  }
  for (const std::string& text : transportFaults) {
    std::string name;
    int n = 1;
    auto kind = SplitFault(text, name, n) ? zentrel::hidraw::ParseTransportFault(name)
                                          : std::nullopt;
    if (!kind) {
      std::fprintf(stderr, "zentrel-hidraw-device: bad --transport-fault %s\n", text.c_str());
      return kSetupFailed;
    }
    device.InjectTransportFault(*kind, n);
  }

  // The command inherits umockdev's preload and the testbed's location.
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    std::perror("zentrel-hidraw-device: fork");
    return kSetupFailed;
  }
  if (child == 0) {
    execvp(argv[i], argv + i);
    std::fprintf(stderr, "zentrel-hidraw-device: cannot run %s: %s\n", argv[i],
                 std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);

  if (!dump.empty()) {
    const std::vector<std::uint8_t> flash = device.Flash();
    std::ofstream out(dump, std::ios::binary);
    out.write(reinterpret_cast<const char*>(flash.data()),
              static_cast<std::streamsize>(flash.size()));
    if (!out) {
      std::fprintf(stderr, "zentrel-hidraw-device: cannot write %s\n", dump.c_str());
      return kSetupFailed;
    }
  }
  if (!report.empty()) {
    std::ofstream out(report);
    out << "resets " << device.ResetCount() << "\n";
    out << "data-reports " << device.DataReportCount() << "\n";
    for (const std::string& node : device.DevNodes()) out << "node " << node << "\n";
  }
  return code;
}
