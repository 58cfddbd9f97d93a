// What an emulated boot loader looks like on the bus and how it behaves.
#pragma once

#include <cstdint>
#include <string>

#include "hid/emulated/latency_profile.h"
#include "zentrel_config.h"

namespace zentrel::emulated {

// Status codes the emulated device uses besides STATUS_OK and
// STATUS_PACKET_ACK.
inline constexpr std::uint8_t kStatusIdle = 0x00;       // nothing going on
inline constexpr std::uint8_t kStatusBusy = 0x01;       // erase or write running
inline constexpr std::uint8_t kStatusBootFailed = 0xE1; // its own check failed

// The boot area below this address is never written by a download.
inline constexpr std::uint32_t kFirstWriteAddress = 4096;
inline constexpr std::uint32_t kBytesPerDataReport = 32;
inline constexpr std::uint32_t kBytesPerPage = 128;

struct BootLoaderConfig {
  std::uint16_t VendorId = ZENTREL_VENDOR_ID;
  std::uint16_t ProductId = ZENTREL_PRODUCT_ID;
  std::u16string ProductString = u"ZENTREL BOOT";
  std::u16string Serial = u"ZB-000001";
  std::uint16_t UsagePage = 0xFF00;
  std::uint16_t Usage = 0x0001;
  std::string Path;  // empty: the bus gives it one
  // The USB port it is plugged into, the same across its resets. Empty: the
  // bus names it "emu-N", N counting the boot loaders added so far.
  std::string Port;

  // Boot loader mode StringsReport fields (16, 8, 8 bytes, zero-padded,
  // longer texts cut).
  std::string Platform = "ZX-CORE";
  std::string HwVersion = "1.2";
  std::string BootVersion = "BL 2.05";
  // Application mode StringsReport fields (16, 8 bytes).
  std::string AppInfo = "ZENTREL DEMO APP";
  std::string FwVersion = "3.1.4";

  std::uint16_t FlashSizeKiB = 256;
  std::uint64_t ReenumerateUs = 1'000'000;  // off the bus after CMD_RESET
  std::uint64_t AppAnswerUs = 100'000;      // CMD_APP_ID until strings come
  int InvalidStringsReads = 3;     // first boot strings after CMD_START_BOOT
  int InvalidAppStringsReads = 0;  // first app strings after CMD_APP_ID
  bool StartInBootLoader = false;  // application mode at power-up
  LatencyProfile Latency = LatencyProfile::Instant();
};

}  // namespace zentrel::emulated
