// How long the emulated device takes for each transfer and for its flash
// work. The bus spends transfer times on the clock (Clock::SleepUs); erase and
// write times decide how long the device reports itself busy.
#pragma once

#include <cstdint>

namespace zentrel::emulated {

struct LatencyProfile {
  std::uint64_t FeatureUs = 0;      // each SetFeature / GetFeature
  std::uint64_t OutputUs = 0;       // each output report (DataReport)
  std::uint64_t InputUs = 0;        // each input report delivered
  std::uint64_t EraseUs = 0;        // CMD_IMAGE_KIND until STATUS_OK
  std::uint64_t PageWriteUs = 0;    // a DataReport that completes a 128-byte page
  std::uint64_t PacketWriteUs = 0;  // any other DataReport

  // Transfers cost nothing; erase and writes take a little time, so that
  // every busy poll of the tool is exercised.
  static LatencyProfile Instant();
  // A full-speed USB device: 1 ms frames for control and interrupt transfers,
  // a sector-wise erase of the application area and a 128-byte page program.
  static LatencyProfile FullSpeed();
};

}  // namespace zentrel::emulated
