// A pcapng file of one interface, written block by block and flushed after
// each, so that a capture of a run that is stopped is readable up to then.
// Little-endian throughout: the section header says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "hid/trace/trace_output.h"

namespace zentrel::trace {

// Linux usbmon packets with the 64-byte header (LINKTYPE_USB_LINUX_MMAPPED).
inline constexpr std::uint16_t kLinkTypeUsbLinuxMmapped = 220;

class PcapngFile {
 public:
  // Writes the section header and the interface description to out, which
  // must outlive this.
  PcapngFile(TraceOutput& out, std::uint16_t linkType);
  // One enhanced packet block: a packet seen at timeUs (microseconds since
  // 1970, the interface's default resolution).
  void WritePacket(std::uint64_t timeUs, const std::vector<std::uint8_t>& packet);

 private:
  void WriteBlock(std::uint32_t type, const std::vector<std::uint8_t>& body);

  TraceOutput& out_;
};

// Little-endian appends, for blocks and packet headers.
void PutLe(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t bytes);

}  // namespace zentrel::trace
