// The boot protocol's reports in words, for a trace: command and status
// names, whether the key is the build's, the flash size, the strings as text
// and where a data report lands. Reports are read in the context of what was
// sent before them on the same handle (Conversation).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zentrel::trace {

// What one handle's conversation has shown so far.
struct Conversation {
  int LastCommand = -1;           // byte 1 of the last command sent; -1: none yet
  bool ImageKindSent = false;     // a CMD_IMAGE_KIND went out on this handle
  std::uint32_t DataReports = 0;  // data reports since that CMD_IMAGE_KIND
};

// "CMD_START_BOOT key ok", "CMD_IMAGE_KIND 'm'", "unknown command 0x12".
std::string DescribeCommand(const std::uint8_t* report, std::size_t length);
// "STATUS_OK flash 256 KiB" (the answer to CMD_START_BOOT), "STATUS_PACKET_ACK",
// "not ready (0x01)".
std::string DescribeStatus(const std::uint8_t* report, std::size_t length,
                           const Conversation& conversation);
// "data 0x1000 page 1 packet 1/4" for the next data report.
std::string DescribeData(const Conversation& conversation);
// "strings valid \"ZX-CORE\" \"1.2\" \"BL 2.05\"", "strings not valid (byte 1 0x00)".
std::string DescribeStrings(const std::uint8_t* report, std::size_t length);

// What a report that reached the device changes in its conversation.
void NoteCommand(Conversation& conversation, const std::uint8_t* report, std::size_t length);
void NoteData(Conversation& conversation);

}  // namespace zentrel::trace
