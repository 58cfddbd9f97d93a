// Layouts and codes of the four HID reports that the tool and the boot
// loader exchange. All reports are unnumbered: byte 0 is the report ID, 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "zentrel_config.h"

namespace zentrel {

// The boot loader's HID top-level collection: vendor-defined usage page,
// usage 1.
inline constexpr std::uint16_t kBootUsagePage = 0xFF00;
inline constexpr std::uint16_t kBootUsage = 0x0001;

inline constexpr std::size_t kCommandReportSize = 9;  // feature, tool -> device
inline constexpr std::size_t kStatusReportSize = 9;   // feature, device -> tool
inline constexpr std::size_t kDataReportSize = 64;    // output, tool -> device
inline constexpr std::size_t kStringsReportSize = 64; // input, device -> tool

using CommandReport = std::array<std::uint8_t, kCommandReportSize>;
using StatusReport = std::array<std::uint8_t, kStatusReportSize>;
using DataReport = std::array<std::uint8_t, kDataReportSize>;
using StringsReport = std::array<std::uint8_t, kStringsReportSize>;

// Command codes, byte 1 of a CommandReport.
inline constexpr std::uint8_t CMD_RESET = 0xCA;
inline constexpr std::uint8_t CMD_START_BOOT = 0x55;
inline constexpr std::uint8_t CMD_IMAGE_KIND = 0x00;
inline constexpr std::uint8_t CMD_APP_ID = 0xCC;

// Status codes, byte 2 of a StatusReport.
inline constexpr std::uint8_t STATUS_OK = 0xAA;
inline constexpr std::uint8_t STATUS_PACKET_ACK = 0xAD;

// Accompanies the commands that change the device's mode (bytes 5..8). Shared
// with the boot loader at build time (CMake cache variable ZENTREL_COMMAND_KEY).
inline constexpr std::array<std::uint8_t, 4> CommandKey = {
    ZENTREL_COMMAND_KEY_0, ZENTREL_COMMAND_KEY_1, ZENTREL_COMMAND_KEY_2,
    ZENTREL_COMMAND_KEY_3};

// Layout of the StringsReport fields (boot loader mode / application mode).
inline constexpr std::size_t kPlatformOffset = 1;     // or application info
inline constexpr std::size_t kPlatformLength = 16;
inline constexpr std::size_t kHwVersionOffset = 17;   // or firmware version
inline constexpr std::size_t kHwVersionLength = 8;
inline constexpr std::size_t kBootVersionOffset = 25;
inline constexpr std::size_t kBootVersionLength = 8;

// A StringsReport is valid once the device has put its strings in place,
// which it shows by an upper-case ASCII letter in byte 1.
inline constexpr bool IsUpperAsciiLetter(std::uint8_t c) {
  return c >= 'A' && c <= 'Z';
}

// Builds a mode command: code in byte 1, bytes 2..4 zero, key in bytes 5..8.
inline void BuildKeyedCommand(CommandReport& report, std::uint8_t code) {
  report[0] = 0;
  report[1] = code;
  report[2] = report[3] = report[4] = 0;
  for (std::size_t i = 0; i < CommandKey.size(); ++i) report[5 + i] = CommandKey[i];
}

// Builds CMD_IMAGE_KIND: the kind letter replaces the key.
inline void BuildImageKindCommand(CommandReport& report, char kind) {
  report[0] = 0;
  report[1] = CMD_IMAGE_KIND;
  report[2] = report[3] = report[4] = 0;
  report[5] = static_cast<std::uint8_t>(kind);
  report[6] = report[7] = report[8] = 0;
}

}  // namespace zentrel
