// The USB capture, read back block by block and field by field as Wireshark
// reads a usbmon pcapng file.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "hid/trace/usb_capture_sink.h"

namespace zentrel::trace {
namespace {

std::uint64_t Le(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t n) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v |= std::uint64_t{b[at + i]} << (8 * i);
  return v;
}

std::string Hex(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t n) {
  std::string text;
  char pair[4];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", b[at + i]);
    text += pair;
  }
  return text;
}

// One usbmon packet as the fields that tell a transfer.
struct Seen {
  std::string Line;
  std::uint64_t TimeUs;
};

std::vector<Seen> ReadCapture(std::FILE* file) {
  std::rewind(file);
  std::vector<std::uint8_t> b;
  for (int c; (c = std::fgetc(file)) != EOF;) b.push_back(static_cast<std::uint8_t>(c));
  std::vector<Seen> packets;
  // Section header: little-endian byte-order magic, version 1.0.
  EXPECT_EQ(Hex(b, 0, 16), "0A 0D 0D 0A 1C 00 00 00 4D 3C 2B 1A 01 00 00 00");
  // Interface: link type 220, LINKTYPE_USB_LINUX_MMAPPED.
  EXPECT_EQ(Hex(b, 28, 12), "01 00 00 00 14 00 00 00 DC 00 00 00");
  for (std::size_t at = 48; at + 12 <= b.size();) {
    const std::size_t total = Le(b, at + 4, 4);
    EXPECT_EQ(Le(b, at, 4), 6u);  // enhanced packet block
    EXPECT_EQ(Le(b, at + total - 4, 4), total);
    const std::size_t p = at + 28;  // the usbmon packet
    const std::size_t captured = Le(b, at + 20, 4);
    EXPECT_EQ(captured, 64 + Le(b, p + 36, 4));
    std::string line = std::string(1, static_cast<char>(b[p + 8])) + " type " +
                       std::to_string(b[p + 9]) + " ep " + Hex(b, p + 10, 1) + " dev " +
                       std::to_string(b[p + 11]) + " status " +
                       std::to_string(static_cast<std::int32_t>(Le(b, p + 28, 4))) + " len " +
                       std::to_string(Le(b, p + 32, 4));
    if (b[p + 14] == 0) line += " setup " + Hex(b, p + 40, 8);
    if (captured > 64) line += " data " + Hex(b, p + 64, captured - 64);
    packets.push_back({line, Le(b, at + 12, 4) << 32 | Le(b, at + 16, 4)});
    at += total;
  }
  return packets;
}

TEST(UsbCaptureSink, EachReportIsASubmissionAndACompletionOfItsTransfer) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  UsbCaptureSink sink(file, false, 1'700'000'000'000'000);
  auto record = [](TraceCall call, const std::uint8_t* data, std::size_t length, bool ok) {
    TraceRecord r;
    r.Call = call;
    r.Board = "1-1.4";
    r.AtUs = 1000;
    r.DurationUs = 250;
    r.Data = data;
    r.Length = r.Moved = length;
    r.Ok = ok;
    return r;
  };
  TraceRecord ids = record(TraceCall::Attributes, nullptr, 0, true);
  ids.VendorId = 0x1D50;
  ids.ProductId = 0x61A7;
  sink.Write(ids);
  const std::array<std::uint8_t, 9> command = {0x00, 0x55, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54};
  sink.Write(record(TraceCall::SetFeature, command.data(), 9, true));
  const std::array<std::uint8_t, 9> status = {0x00, 0x00, 0xAA, 0x00, 0x01, 0, 0, 0, 0};
  TraceRecord shortStatus = record(TraceCall::GetFeature, status.data(), 9, false);
  shortStatus.Moved = 5;
  shortStatus.Error = {HidError::Kind::Short, 5, ""};
  sink.Write(shortStatus);
  std::array<std::uint8_t, 5> data = {0x00, 0x11, 0x22, 0x33, 0x44};  // a short stand-in
  sink.Write(record(TraceCall::WriteOutput, data.data(), 5, true));
  TraceRecord timedOut = record(TraceCall::ReadInput, data.data(), 5, false);
  timedOut.Moved = 0;
  timedOut.Error = {HidError::Kind::TimedOut, 0, ""};
  sink.Write(timedOut);
  TraceRecord other = record(TraceCall::SetFeature, command.data(), 9, false);
  other.Board = "1-2";
  other.Error = {HidError::Kind::Failed, 0, "Broken pipe"};
  sink.Write(other);

  const std::vector<Seen> seen = ReadCapture(file);
  const std::vector<std::string> expected = {
      "S type 2 ep 80 dev 1 status -115 len 18 setup 80 06 00 01 00 00 12 00",
      "C type 2 ep 80 dev 1 status 0 len 18 data 12 01 00 02 00 00 00 40 50 1D A7 61 00 01 00 "
      "00 00 01",
      "S type 2 ep 80 dev 1 status -115 len 41 setup 80 06 00 02 00 00 29 00",
      "C type 2 ep 80 dev 1 status 0 len 41 data 09 02 29 00 01 01 00 80 32 09 04 00 00 02 03 "
      "00 00 00 09 21 11 01 00 01 22 00 00 07 05 81 03 40 00 01 07 05 01 03 40 00 01",
      // SET_REPORT, feature report 0, 8 bytes on the bus.
      "S type 2 ep 00 dev 1 status -115 len 8 setup 21 09 00 03 00 00 08 00 data 55 00 00 00 "
      "5A 45 4E 54",
      "C type 2 ep 00 dev 1 status 0 len 8",
      // GET_REPORT that brought 4 of 8 bytes.
      "S type 2 ep 80 dev 1 status -115 len 8 setup A1 01 00 03 00 00 08 00",
      "C type 2 ep 80 dev 1 status 0 len 4 data 00 AA 00 01",
      "S type 1 ep 01 dev 1 status -115 len 4 data 11 22 33 44",
      "C type 1 ep 01 dev 1 status 0 len 4",
      "S type 1 ep 81 dev 1 status -115 len 4",
      "C type 1 ep 81 dev 1 status -110 len 0",
      // Another board, another address; a failure is a protocol error.
      "S type 2 ep 00 dev 2 status -115 len 8 setup 21 09 00 03 00 00 08 00 data 55 00 00 00 "
      "5A 45 4E 54",
      "C type 2 ep 00 dev 2 status -71 len 0",
  };
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].Line, expected[i]) << i;
  // Submission when the call began, completion when it returned, on the wall clock.
  EXPECT_EQ(seen[4].TimeUs, 1'700'000'000'001'000u);
  EXPECT_EQ(seen[5].TimeUs, 1'700'000'000'001'250u);
  std::fclose(file);
}

}  // namespace
}  // namespace zentrel::trace
