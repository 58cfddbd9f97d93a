// The USB capture read back field by field, for what a download that goes
// well does not show (tshark reads such a capture in capture_matches_trace):
// a short fetch, a timeout, a failure, a second board.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

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

std::vector<std::uint8_t> ReadAll(std::FILE* file) {
  std::rewind(file);
  std::vector<std::uint8_t> b;
  for (int c; (c = std::fgetc(file)) != EOF;) b.push_back(static_cast<std::uint8_t>(c));
  return b;
}

// Each usbmon packet of the file's enhanced packet blocks as one line.
std::vector<std::string> ReadCapture(std::FILE* file) {
  const std::vector<std::uint8_t> b = ReadAll(file);
  // Section header (little-endian, version 1.0), interface of link type 220.
  EXPECT_EQ(Hex(b, 0, 16), "0A 0D 0D 0A 1C 00 00 00 4D 3C 2B 1A 01 00 00 00");
  EXPECT_EQ(Hex(b, 28, 12), "01 00 00 00 14 00 00 00 DC 00 00 00");
  std::vector<std::string> packets;
  for (std::size_t at = 48; at + 28 <= b.size(); at += Le(b, at + 4, 4)) {
    const std::size_t p = at + 28, captured = Le(b, at + 20, 4);
    std::string line = std::string(1, static_cast<char>(b[p + 8])) + " type " +
                       std::to_string(b[p + 9]) + " ep " + Hex(b, p + 10, 1) + " dev " +
                       std::to_string(b[p + 11]) + " status " +
                       std::to_string(static_cast<std::int32_t>(Le(b, p + 28, 4))) + " len " +
                       std::to_string(Le(b, p + 32, 4));
    if (b[p + 14] == 0) line += " setup " + Hex(b, p + 40, 8);
    if (captured > 64) line += " data " + Hex(b, p + 64, captured - 64);
    packets.push_back(line);
  }
  return packets;
}

// The enhanced packet blocks' times, in microseconds.
std::vector<std::uint64_t> PacketTimes(std::FILE* file) {
  const std::vector<std::uint8_t> b = ReadAll(file);
  std::vector<std::uint64_t> times;
  for (std::size_t at = 48; at + 28 <= b.size(); at += Le(b, at + 4, 4)) {
    times.push_back(Le(b, at + 12, 4) << 32 | Le(b, at + 16, 4));
  }
  return times;
}

constexpr std::array<std::uint8_t, 9> kStartBoot = {0x00, 0x55, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54};

// CMD_START_BOOT sent to board, from atUs for durationUs.
TraceRecord StartBoot(const char* board, std::uint64_t atUs = 0, std::uint64_t durationUs = 0) {
  TraceRecord r;
  r.Call = TraceCall::SetFeature;
  r.Board = board;
  r.Data = kStartBoot.data();
  r.Length = r.Moved = kStartBoot.size();
  r.AtUs = atUs;
  r.DurationUs = durationUs;
  return r;
}

TEST(UsbCaptureSink, TimesNeverGoBackWhenBoardsOverlap) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  UsbCaptureSink sink(file, false, 1'000'000);
  sink.Write(StartBoot("emu-1", 100, 50));  // returns last
  sink.Write(StartBoot("emu-2", 120, 10));  // began and ended inside the first
  sink.Write(StartBoot("emu-1", 160, 5));
  const std::vector<std::uint64_t> expected = {1'000'100, 1'000'150, 1'000'150,
                                               1'000'150, 1'000'160, 1'000'165};
  EXPECT_EQ(PacketTimes(file), expected);
  std::fclose(file);
}

#ifndef _WIN32
// A disk that fills inside the 4th packet: a file limit of 398 bytes (the
// headers 48, each command report a 104-byte submission and a 96-byte
// completion). The capture ends after the 3rd packet, where a reader stops.
TEST(UsbCaptureSink, AFullDiskLeavesOnlyWholeBlocks) {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("zentrel_full_disk_" + std::to_string(getpid()) + ".pcapng"))
                               .string();
  std::vector<std::string> told;
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto xfsz = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = before;
  limit.rlim_cur = 398;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  {
    UsbCaptureSink sink(std::fopen(path.c_str(), "wb"), true, 0,
                        [&told](const std::string& reason) { told.push_back(reason); }, path);
    for (int i = 0; i < 3; ++i) sink.Write(StartBoot("1-1.4"));
  }
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, xfsz);
  EXPECT_EQ(told, std::vector<std::string>{"File too large"});
  EXPECT_EQ(std::filesystem::file_size(path), 352u);
  std::filesystem::remove(path);
}
#endif

TEST(UsbCaptureSink, EachReportIsASubmissionAndACompletionOfItsTransfer) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  UsbCaptureSink sink(file, false, 0);
  auto record = [](TraceCall call, const std::uint8_t* data, std::size_t length,
                   HidError::Kind failure, std::size_t moved, const char* board) {
    TraceRecord r;
    r.Call = call;
    r.Board = board;
    r.Data = data;
    r.Length = length;
    r.Moved = moved;
    r.Ok = failure == HidError::Kind::Unknown;
    r.Error.What = failure;
    return r;
  };
  const auto ok = HidError::Kind::Unknown;
  const std::array<std::uint8_t, 9> status = {0x00, 0x00, 0xAA, 0x00, 0x01, 0, 0, 0, 0};
  const std::array<std::uint8_t, 5> data = {0x00, 0x11, 0x22, 0x33, 0x44};  // a short stand-in
  sink.Write(StartBoot("1-1.4"));
  sink.Write(record(TraceCall::GetFeature, status.data(), 9, HidError::Kind::Short, 5, "1-1.4"));
  sink.Write(record(TraceCall::WriteOutput, data.data(), 5, ok, 5, "1-1.4"));
  sink.Write(record(TraceCall::ReadInput, data.data(), 5, HidError::Kind::TimedOut, 0, "1-1.4"));
  sink.Write(record(TraceCall::SetFeature, kStartBoot.data(), 9, HidError::Kind::Failed, 9, "1-2"));
  const std::vector<std::string> expected = {
      // SET_REPORT of feature report 0: 8 bytes on the bus, without the ID.
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
  EXPECT_EQ(ReadCapture(file), expected);
  std::fclose(file);
}

}  // namespace
}  // namespace zentrel::trace
