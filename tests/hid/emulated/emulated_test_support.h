// Shared helpers for the emulated bus tests: a fake clock, a bus and a thin
// driver that moves the protocol's reports through the platform seam.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hid/emulated/emulated_bus.h"
#include "protocol/clock.h"
#include "protocol/reports.h"
#include "zentrel_config.h"

namespace zentrel::emulated::testing {

// The protocol's codes as the device must see them, written out here rather
// than taken from the tool's own definitions, so that a wrong byte on the
// tool's side is not mirrored by the device's tests.
inline constexpr std::uint8_t kReset = 0xCA, kStartBoot = 0x55, kAppId = 0xCC;
inline constexpr std::uint8_t kStatusOk = 0xAA, kPacketAck = 0xAD;

// A mode command: code in byte 1, the build's key in bytes 5..8.
inline CommandReport KeyedCommand(std::uint8_t code) {
  return {0x00, code, 0, 0, 0, ZENTREL_COMMAND_KEY_0, ZENTREL_COMMAND_KEY_1,
          ZENTREL_COMMAND_KEY_2, ZENTREL_COMMAND_KEY_3};
}

// CMD_IMAGE_KIND (code 0x00): the kind letter in byte 5, no key.
inline CommandReport ImageKindCommand(char kind) {
  return {0x00, 0x00, 0, 0, 0, static_cast<std::uint8_t>(kind), 0, 0, 0};
}

// A DataReport whose 32 payload bytes are first, first+1, ...
inline DataReport Packet(std::uint8_t first) {
  DataReport r{};
  for (std::size_t i = 0; i < 32; ++i) r[1 + i] = static_cast<std::uint8_t>(first + i);
  return r;
}

inline std::vector<HidCollection> ListAll(EmulatedBus& bus) {
  std::vector<HidCollection> seen;
  bus.Enumerate([&](const HidCollection& c) {
    seen.push_back(c);
    return true;
  });
  return seen;
}

inline std::string Field(const StringsReport& r, std::size_t offset, std::size_t length) {
  std::string s;
  for (std::size_t i = 0; i < length && r[offset + i] != 0; ++i) {
    s.push_back(static_cast<char>(r[offset + i]));
  }
  return s;
}

class EmulatedBusTest : public ::testing::Test {
 protected:
  EmulatedBootLoader& Add(BootLoaderConfig config = {}) {
    device_ = &bus_.AddBootLoader(config);
    return *device_;
  }
  // Adds a device in boot loader mode whose boot sequence has been started.
  EmulatedBootLoader& AddStarted(BootLoaderConfig config = {}) {
    config.StartInBootLoader = true;
    Add(config);
    OpenDevice();
    EXPECT_TRUE(Send(KeyedCommand(kStartBoot)));
    return *device_;
  }
  HidHandle OpenDevice() {
    handle_ = bus_.Open(device_->Path());
    return handle_;
  }
  bool Send(const CommandReport& r) { return bus_.SetFeature(handle_, r.data(), r.size()); }
  bool Write(const DataReport& r) { return bus_.WriteOutput(handle_, r.data(), r.size()); }
  // Byte 2 of the status, or none when the transfer failed.
  std::optional<std::uint8_t> Status() {
    StatusReport r{};
    if (!bus_.GetFeature(handle_, r.data(), r.size())) return std::nullopt;
    lastStatus_ = r;
    return r[2];
  }
  std::optional<StringsReport> Strings(int timeoutMs = 1000) {
    StringsReport r{};
    if (!bus_.ReadInput(handle_, r.data(), r.size(), timeoutMs)) return std::nullopt;
    return r;
  }
  // Erases and waits for the erase to end.
  void Erase(char kind = 'h') {
    ASSERT_TRUE(Send(ImageKindCommand(kind)));
    clock_.AdvanceUs(device_->Config().Latency.EraseUs);
    ASSERT_EQ(Status(), kStatusOk);
  }

  FakeClock clock_;
  EmulatedBus bus_{clock_};
  EmulatedBootLoader* device_ = nullptr;
  HidHandle handle_ = kNoHidHandle;
  StatusReport lastStatus_{};
};

}  // namespace zentrel::emulated::testing
