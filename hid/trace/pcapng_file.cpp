#include "hid/trace/pcapng_file.h"

namespace zentrel::trace {

namespace {

constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr std::uint32_t kInterfaceDescription = 1;
constexpr std::uint32_t kEnhancedPacket = 6;
constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;

}  // namespace

void PutLe(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

PcapngFile::PcapngFile(TraceOutput& out, std::uint16_t linkType) : out_(out) {
  std::vector<std::uint8_t> section;
  PutLe(section, kByteOrderMagic, 4);
  PutLe(section, 1, 2);                       // version 1.0
  PutLe(section, 0, 2);
  PutLe(section, 0xFFFFFFFFFFFFFFFFull, 8);  // section length not known
  WriteBlock(kSectionHeader, section);
  std::vector<std::uint8_t> interface;
  PutLe(interface, linkType, 2);
  PutLe(interface, 0, 2);
  PutLe(interface, 0, 4);  // no snapshot limit
  WriteBlock(kInterfaceDescription, interface);
}

void PcapngFile::WritePacket(std::uint64_t timeUs, const std::vector<std::uint8_t>& packet) {
  std::vector<std::uint8_t> body;
  PutLe(body, 0, 4);  // interface 0
  PutLe(body, timeUs >> 32, 4);
  PutLe(body, timeUs & 0xFFFFFFFFu, 4);
  PutLe(body, packet.size(), 4);  // captured
  PutLe(body, packet.size(), 4);  // on the wire
  body.insert(body.end(), packet.begin(), packet.end());
  WriteBlock(kEnhancedPacket, body);
}

void PcapngFile::WriteBlock(std::uint32_t type, const std::vector<std::uint8_t>& body) {
  std::vector<std::uint8_t> block;
  const std::size_t padded = (body.size() + 3) / 4 * 4;
  const std::uint64_t total = 12 + padded;
  PutLe(block, type, 4);
  PutLe(block, total, 4);
  block.insert(block.end(), body.begin(), body.end());
  block.resize(8 + padded, 0);
  PutLe(block, total, 4);
  out_.Write(block.data(), block.size());
}

}  // namespace zentrel::trace
