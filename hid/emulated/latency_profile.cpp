#include "hid/emulated/latency_profile.h"

namespace zentrel::emulated {

LatencyProfile LatencyProfile::Instant() {
  LatencyProfile p;
  p.EraseUs = 1'000;
  p.PageWriteUs = 200;
  p.PacketWriteUs = 20;
  return p;
}

LatencyProfile LatencyProfile::FullSpeed() {
  LatencyProfile p;
  // A feature report is a control transfer (setup, data, status); the host
  // completes it within about one 1 ms frame.
  p.FeatureUs = 1'000;
  // Interrupt endpoints polled every frame (bInterval 1).
  p.OutputUs = 1'000;
  p.InputUs = 1'000;
  // 63 sectors of 4 KiB above the boot area at about 20 ms each.
  p.EraseUs = 1'260'000;
  // Programming a 128-byte page; the other packets are only buffered.
  p.PageWriteUs = 2'000;
  p.PacketWriteUs = 50;
  return p;
}

}  // namespace zentrel::emulated
