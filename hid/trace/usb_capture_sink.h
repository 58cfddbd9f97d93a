// The trace's report transfers as USB transfers in a pcapng file, as Linux
// usbmon would show them to Wireshark: feature reports as control transfers
// (SET_REPORT, GET_REPORT), the output report as an interrupt OUT transfer on
// endpoint 0x01 and the input report as an interrupt IN on 0x81, each as a
// submission and a completion. Each board has its own device address, 1, 2,
// ... in the order the trace meets them. Unnumbered reports go without their
// report ID byte, as on the bus.
//
// Wireshark knows an interface is HID only from its descriptors, which the
// tool never reads: when a board's IDs are first read, the capture gets the
// device and configuration descriptors of a HID interface with these IDs and
// two 64-byte interrupt endpoints.
//
// Packet times never decrease: with boards side by side, a transfer is written
// when it returns, and one that began before the last packet written is
// stamped with that packet's time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "hid/trace/pcapng_file.h"
#include "hid/trace/trace_record.h"

namespace zentrel::trace {

class UsbCaptureSink final : public TraceSink {
 public:
  // epochUs is the wall time of the trace's start, in microseconds since
  // 1970; with own, out is closed with the sink; failed is told of the
  // first block that cannot be written; path names out's file (see
  // TraceOutput).
  UsbCaptureSink(std::FILE* out, bool own, std::uint64_t epochUs, WriteFailed failed = {},
                 std::string path = {});
  void Write(const TraceRecord& record) override;

 private:
  struct Urb {
    std::uint8_t Transfer = 0;  // usbmon: 1 interrupt, 2 control
    std::uint8_t Endpoint = 0;
    std::uint8_t Device = 0;
    std::vector<std::uint8_t> Setup;  // control transfers: 8 bytes
    std::uint32_t Length = 0;         // asked for
  };

  std::uint8_t AddressOf(const std::string& board);
  void Describe(std::uint8_t device, std::uint64_t timeUs, std::uint16_t vendorId,
                std::uint16_t productId);
  void Exchange(const Urb& urb, std::uint64_t submitUs, const std::vector<std::uint8_t>& sent,
                std::uint64_t completeUs, std::int32_t status, std::uint32_t moved,
                const std::vector<std::uint8_t>& came);
  void Packet(std::uint64_t id, char type, const Urb& urb, std::uint64_t timeUs,
              std::int32_t status, std::uint32_t length, const std::vector<std::uint8_t>& data);

  TraceOutput out_;  // before file_, which writes to it from its start
  PcapngFile file_;
  std::uint64_t epochUs_;
  std::uint64_t lastUs_ = 0;  // the latest packet's time: none is written before it
  std::uint64_t nextUrb_ = 1;
  std::map<std::string, std::uint8_t> addresses_;
  std::map<std::uint8_t, bool> described_;
};

}  // namespace zentrel::trace
