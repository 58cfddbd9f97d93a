// --trace on the command line's road runner, in-process on virtual time: the
// trace of an information road and of a 2-page download, line by line, and
// a trace that changes nothing else in the run.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tests/hid/trace/trace_test_support.h"

namespace zentrel::cli {
namespace {

using trace::testing::MaskTimes;

struct TracedRun {
  int Code = -1;
  std::uint64_t ElapsedUs = 0;
  std::string Output;               // what the console showed
  std::vector<std::string> Lines;   // the trace, times masked, repeats counted
  std::vector<std::uint8_t> Flash;  // the emulated device's, after the run
};

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Runs a road on an emulated device, with a trace into a file when traced.
TracedRun RunRoadTraced(RoadKind road, ImageStore& image, bool traced) {
  // Tests run side by side: each its own files.
  const auto dir = std::filesystem::temp_directory_path();
  const std::string name = std::string("zentrel_trace_") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                           (traced ? "_traced" : "_plain");
  const auto tracePath = dir / (name + ".txt");
  const auto dumpPath = dir / (name + ".bin");
  const auto outPath = dir / (name + ".out");
  DeviceOptions options;
  options.Emulate = true;
  options.Pacing = Pace::Window;
  options.EmuDump = dumpPath.string();
  if (traced) options.TraceFile = tracePath.string();
  FakeClock clock;
  TracedRun run;
  {
    std::FILE* out = std::fopen(outPath.string().c_str(), "wb");
    ConsoleView view(out, out);
    run.Code = RunDeviceCommand(road, options, view, image, clock);
    std::fclose(out);
  }
  run.ElapsedUs = clock.NowUs();
  run.Output = ReadAll(outPath);
  const std::string dump = ReadAll(dumpPath);
  run.Flash.assign(dump.begin(), dump.end());
  std::ifstream in(tracePath);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(MaskTimes(line));
  in.close();
  // A poll repeated is one line with its count.
  for (std::size_t i = 0, j; i < lines.size(); i = j) {
    for (j = i; j < lines.size() && lines[j] == lines[i];) ++j;
    run.Lines.push_back(lines[i] + (j - i > 1 ? "  x" + std::to_string(j - i) : ""));
  }
  for (const auto& path : {tracePath, dumpPath, outPath}) std::filesystem::remove(path);
  return run;
}

// Up to the valid strings, an information road and a download are the same.
const std::vector<std::string> kUpToTheStrings = {
    // The board is chosen first: its identity is read once.
    "T  enumerate  1 collection, 1 qualified",
    "T  open  emulated-hid-0",
    "T  attributes  1D50:61A7",
    "T  product string  \"ZENTREL BOOT\"",
    "T  serial number  \"ZB-000001\"",
    "T  close",
    "T  enumerate  1 collection, 1 qualified",
    "T  open  emulated-hid-0",
    "T  attributes  1D50:61A7",
    "T  set feature  9 B  00 CA 00 00 00 5A 45 4E 54  CMD_RESET key ok",
    "T  close",
    // The reset delay (31 ticks of 10 ms), then the search until the
    // device is back after 1 s.
    "T  enumerate  0 collections, 0 qualified  x69",
    "T  enumerate  1 collection, 1 qualified",
    "T  open  emulated-hid-0",
    "T  attributes  1D50:61A7",
    "T  product string  \"ZENTREL BOOT\"",
    "T  set feature  9 B  00 55 00 00 00 5A 45 4E 54  CMD_START_BOOT key ok",
    "T  get feature  9 B  00 00 AA 00 01 00 00 00 00  STATUS_OK flash 256 KiB",
    "T  read input  64 B  limit 1000 ms  [64 zeros]  strings not valid (byte 1 0x00)  x3",
    "T  read input  64 B  limit 1000 ms  00 5A 58 2D 43 4F 52 45 00 00 00 00 00 00 00 00 00 31 "
    "2E 32 00 00 00 00 00 42 4C 20 32 2E 30 35 [32 zeros]  strings valid \"ZX-CORE\" \"1.2\" "
    "\"BL 2.05\"",
};

std::vector<std::string> Joined(std::vector<std::string> head,
                                const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST(TraceWiring, InfoShowsEveryCallDecoded) {
  auto image = std::make_unique<ImageStore>();
  const TracedRun run = RunRoadTraced(RoadKind::Info, *image, true);
  ASSERT_EQ(run.Code, 0);
  EXPECT_EQ(run.Lines, Joined(kUpToTheStrings, {"T  close"}));
}

// 200 bytes above the boot area, byte i of the image being i: 2 pages.
std::unique_ptr<ImageStore> TwoPageImage() {
  auto image = std::make_unique<ImageStore>();
  for (std::uint32_t i = 0; i < 4296; ++i) image->ImageBuffer[i] = static_cast<std::uint8_t>(i);
  image->ImageLength = 4296;
  image->ImageKind = 'h';
  image->ImageLoaded = 1;
  return image;
}

TEST(TraceWiring, TwoPageDownloadShowsEveryReportDecoded) {
  auto image = TwoPageImage();
  const TracedRun run = RunRoadTraced(RoadKind::Download, *image, true);
  ASSERT_EQ(run.Code, 0);
  const std::string ack = "T  get feature  9 B  00 00 AD 00 00 00 00 00 00  STATUS_PACKET_ACK";
  const std::vector<std::string> download = {
      "T  set feature  9 B  00 00 00 00 00 68 00 00 00  CMD_IMAGE_KIND 'h'",
      // The erase takes 1.26 s, polled every 10 ms.
      "T  get feature  9 B  00 00 01 00 00 00 00 00 00  not ready (0x01)  x114",
      "T  get feature  9 B  00 00 AA 00 00 00 00 00 00  STATUS_OK",
      "T  write output  64 B  00 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 "
      "15 16 17 18 19 1A 1B 1C 1D 1E 1F [31 zeros]  data 0x1000 page 1 packet 1/4",
      ack,
      "T  write output  64 B  00 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F 30 31 32 33 34 "
      "35 36 37 38 39 3A 3B 3C 3D 3E 3F [31 zeros]  data 0x1020 page 1 packet 2/4",
      ack,
      "T  write output  64 B  00 40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53 54 "
      "55 56 57 58 59 5A 5B 5C 5D 5E 5F [31 zeros]  data 0x1040 page 1 packet 3/4",
      ack,
      "T  write output  64 B  00 60 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70 71 72 73 74 "
      "75 76 77 78 79 7A 7B 7C 7D 7E 7F [31 zeros]  data 0x1060 page 1 packet 4/4",
      ack,
      "T  write output  64 B  00 80 81 82 83 84 85 86 87 88 89 8A 8B 8C 8D 8E 8F 90 91 92 93 94 "
      "95 96 97 98 99 9A 9B 9C 9D 9E 9F [31 zeros]  data 0x1080 page 2 packet 1/4",
      ack,
      "T  write output  64 B  00 A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF B0 B1 B2 B3 B4 "
      "B5 B6 B7 B8 B9 BA BB BC BD BE BF [31 zeros]  data 0x10A0 page 2 packet 2/4",
      ack,
      // The image ends at 0x10C8; the rest of the page is the buffer's zeros.
      "T  write output  64 B  00 C0 C1 C2 C3 C4 C5 C6 C7 [55 zeros]  data 0x10C0 page 2 packet 3/4",
      ack,
      "T  write output  64 B  [64 zeros]  data 0x10E0 page 2 packet 4/4",
      ack,
      "T  close",
  };
  EXPECT_EQ(run.Lines, Joined(kUpToTheStrings, download));
}

TEST(TraceWiring, ATraceChangesNothingElseInTheRun) {
  auto image = TwoPageImage();
  const TracedRun traced = RunRoadTraced(RoadKind::Download, *image, true);
  const TracedRun plain = RunRoadTraced(RoadKind::Download, *image, false);
  EXPECT_TRUE(plain.Lines.empty());
  EXPECT_EQ(traced.Code, plain.Code);
  EXPECT_EQ(traced.ElapsedUs, plain.ElapsedUs);  // not one virtual microsecond more
  EXPECT_EQ(traced.Output, plain.Output);
  EXPECT_EQ(traced.Flash, plain.Flash);
  EXPECT_EQ(traced.Flash.size(), 256u * 1024);
}

}  // namespace
}  // namespace zentrel::cli
