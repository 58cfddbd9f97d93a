#include "hid/trace/protocol_decoder.h"

#include <algorithm>
#include <cstdio>

#include "protocol/download_accounting.h"
#include "protocol/reports.h"

namespace zentrel::trace {

namespace {

std::string Hex2(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(b));
  return text;
}

const char* CommandName(std::uint8_t code) {
  switch (code) {
    case CMD_RESET: return "CMD_RESET";
    case CMD_START_BOOT: return "CMD_START_BOOT";
    case CMD_IMAGE_KIND: return "CMD_IMAGE_KIND";
    case CMD_APP_ID: return "CMD_APP_ID";
    default: return nullptr;
  }
}

// A fixed-width field up to its first zero, quoted; bytes outside printable
// ASCII as \xNN.
std::string Quoted(const std::uint8_t* field, std::size_t width) {
  std::string text = "\"";
  for (std::size_t i = 0; i < width && field[i] != 0; ++i) {
    const std::uint8_t c = field[i];
    if (c == '"' || c == '\\') {
      text += '\\';
      text += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
      text += escaped;
    }
  }
  return text + "\"";
}

}  // namespace

std::string DescribeCommand(const std::uint8_t* report, std::size_t length) {
  if (length < kCommandReportSize) return "shorter than a command report";
  const char* name = CommandName(report[1]);
  if (name == nullptr) return "unknown command " + Hex2(report[1]);
  if (report[1] == CMD_IMAGE_KIND) {
    const std::uint8_t kind = report[5];
    if (kind >= 0x20 && kind < 0x7F) return std::string(name) + " '" + char(kind) + "'";
    return std::string(name) + " kind " + Hex2(kind);
  }
  const bool keyOk = std::equal(CommandKey.begin(), CommandKey.end(), report + 5);
  return std::string(name) + (keyOk ? " key ok" : " key WRONG");
}

std::string DescribeStatus(const std::uint8_t* report, std::size_t length,
                           const Conversation& conversation) {
  if (length < kStatusReportSize) return "shorter than a status report";
  const std::uint8_t status = report[2];
  const bool bootStatus = conversation.LastCommand == CMD_START_BOOT;
  if (status == STATUS_OK && bootStatus) {
    const unsigned kib = report[3] | static_cast<unsigned>(report[4]) << 8;
    return "STATUS_OK flash " + std::to_string(kib) + " KiB";
  }
  if (status == STATUS_OK) return "STATUS_OK";
  if (status == STATUS_PACKET_ACK) return "STATUS_PACKET_ACK";
  // The boot status has no second chance: anything else is its failure.
  return (bootStatus ? "boot check failed (" : "not ready (") + Hex2(status) + ")";
}

std::string DescribeData(const Conversation& conversation) {
  if (!conversation.ImageKindSent) return "data, no CMD_IMAGE_KIND before it";
  const std::uint32_t n = conversation.DataReports;
  char text[80];
  std::snprintf(text, sizeof text, "data 0x%X page %u packet %u/%u",
                static_cast<unsigned>(kBootAreaSize + n * kPacketSize),
                static_cast<unsigned>(n / kPacketsPerPage + 1),
                static_cast<unsigned>(n % kPacketsPerPage + 1),
                static_cast<unsigned>(kPacketsPerPage));
  return text;
}

std::string DescribeStrings(const std::uint8_t* report, std::size_t length) {
  if (length < kBootVersionOffset + kBootVersionLength) return "shorter than a strings report";
  if (!IsUpperAsciiLetter(report[kPlatformOffset])) {
    return "strings not valid (byte 1 " + Hex2(report[kPlatformOffset]) + ")";
  }
  return "strings valid " + Quoted(report + kPlatformOffset, kPlatformLength) + " " +
         Quoted(report + kHwVersionOffset, kHwVersionLength) + " " +
         Quoted(report + kBootVersionOffset, kBootVersionLength);
}

void NoteCommand(Conversation& conversation, const std::uint8_t* report, std::size_t length) {
  if (length < 2) return;
  conversation.LastCommand = report[1];
  if (report[1] == CMD_IMAGE_KIND) {
    conversation.ImageKindSent = true;
    conversation.DataReports = 0;
  }
}

void NoteData(Conversation& conversation) { ++conversation.DataReports; }

}  // namespace zentrel::trace
