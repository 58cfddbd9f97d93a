#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"

namespace zentrel::cli {
namespace {

struct RunResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

RunResult RunImage(std::vector<std::string> args) {
  args.insert(args.begin(), {"zentrel-flash", "image"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  RunResult result;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  result.ExitCode = RunCommandLine(static_cast<int>(argv.size()), argv.data());
  result.Out = testing::internal::GetCapturedStdout();
  result.Err = testing::internal::GetCapturedStderr();
  return result;
}

std::string Example(const char* name) {
  return std::string(ZENTREL_SOURCE_DIR) + "/examples/" + name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Named after the test too: ctest runs the cases side by side.
std::string TempPath(const char* name) {
  std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(test.begin(), test.end(), '/', '_');
  return testing::TempDir() + "zentrel_image_command_" + test + "_" + name;
}

// Both kinds of the example: the same bytes by address, the header of the
// memory image shown.
TEST(ImageCommand, ShowsEachKindAndWritesTheSameBytesByAddress) {
  const std::string hexOut = TempPath("demo_hex.bin");
  const std::string mvxOut = TempPath("demo_mvx.bin");
  const RunResult r = RunImage({Example("demo.hex"), "--output", hexOut});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Out.find("Kind:             Intel HEX ('h')"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Image length:     5096 bytes"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Pages to send:    8 of 128 bytes"), std::string::npos) << r.Out;
  const RunResult m = RunImage({Example("demo.mvx"), "--output", mvxOut});
  EXPECT_EQ(m.ExitCode, 0) << m.Err;
  EXPECT_NE(m.Out.find("Platform:         ZX-CORE\n"), std::string::npos) << m.Out;
  EXPECT_NE(m.Out.find("Hardware version: 1.x\n"), std::string::npos) << m.Out;
  const std::string bytes = ReadFile(hexOut);
  EXPECT_EQ(ReadFile(mvxOut), bytes);
  std::remove(hexOut.c_str());
  std::remove(mvxOut.c_str());
  ASSERT_EQ(bytes.size(), 5096u);
  EXPECT_EQ(bytes.substr(0, 4096), std::string(4096, '\0'));
  EXPECT_EQ(bytes.substr(0x1000, 4), std::string("\x00\x80\x00\x20", 4));
}

struct RefusedCase {
  const char* Name;
  const char* FileName;
  std::string Content;
  std::string Message;
  std::string Reason = "";  // a read error's line after the box
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.Name; }

class ImageCommandRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(ImageCommandRefuses, PrintsTheBoxAndFails) {
  const RefusedCase& c = GetParam();
  const std::string path = TempPath(c.FileName);
  std::ofstream(path, std::ios::binary) << c.Content;
  const std::string out = TempPath("refused.bin");
  std::remove(out.c_str());
  const RunResult r = RunImage({path, "--output", out});
  std::remove(path.c_str());
  EXPECT_EQ(r.ExitCode, 3);
  EXPECT_EQ(r.Err, c.Message + "\n" +
                       (c.Reason.empty() ? "" : "zentrel-flash: " + path + ": " + c.Reason + "\n"));
  EXPECT_EQ(r.Out, "");
  EXPECT_FALSE(std::ifstream(out).good()) << "no image may be written";
}

// The example ELF with its bytes changed: the firmware a build gets wrong.
std::string DemoElf(std::size_t cutTo = 0, std::uint32_t dataLoadAddress = 0) {
  std::string elf = ReadFile(Example("demo.elf"));
  // Program header 1's p_paddr (ELF32, little endian, headers from offset 52).
  for (int i = 0; dataLoadAddress != 0 && i < 4; ++i) {
    elf[52 + 32 + 12 + i] = static_cast<char>(dataLoadAddress >> (8 * i));
  }
  if (cutTo != 0) elf.resize(cutTo);
  return elf;
}

std::vector<RefusedCase> RefusedCases() {
  return {
      {"FormatError", "bad.hex", ":0100000001FF\r\n:00000001FF\r\n",
       "File Error: File format error in line 1: checksum mismatch"},
      {"Suffix", "app.txt", ":00000001FF\r\n", "File Error: File has unsupported suffix format"},
      {"Empty", "empty.mvx", "", "File Error: File read error", "empty"},
      // Only the boot area: a download would send nothing.
      {"NoPages", "boot_area.hex", ":00100000F0\r\n:00000001FF\r\n",
       "File info: File has no data to download"},
      {"SRecordChecksum", "fw.s19", "S1071000010203040E\nS9031000EC\n",
       "File Error: File format error in line 1: checksum mismatch"},
      {"ElfProgramHeadersCutShort", "fw.elf", DemoElf(100),
       "File Error: File format error: truncated program headers"},
      {"ElfSegmentBeyondTheImage", "fw.elf", DemoElf(0, 0x08040000),
       "File Error: File format error in program header 1: data beyond the 260000-byte image "
       "(address 0x08040000)"},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageCommandRefuses, testing::ValuesIn(RefusedCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

// The reader's choice that the command line refuses: exit 2, and how to choose.
TEST(ImageCommand, AddressIsRequiredForABinaryAndRefusedForAnythingElse) {
  const std::string bin = TempPath("app.bin");
  std::ofstream(bin, std::ios::binary) << "\x01\x02";
  const std::string hex = Example("demo.hex");
  const struct {
    std::vector<std::string> Args;
    std::string Err;
  } rows[] = {
      {{bin},
       "zentrel-flash: " + bin + " is read as raw binary (its extension .bin): give the flash "
       "address of its first byte with --address: 0 for a whole-flash dump, 0x1000 for an "
       "application built to run above the boot area\n"},
      {{hex, "--format", "bin"},
       "zentrel-flash: " + hex + " is read as raw binary (--format): give the flash address of "
       "its first byte with --address: 0 for a whole-flash dump, 0x1000 for an application "
       "built to run above the boot area\n"},
      {{hex, "--address", "0x1000"},
       "zentrel-flash: --address is only for a raw binary; " + hex + " is read as Intel HEX (the "
       "first letter of its extension, 'h')\n"},
      {{Example("demo.elf"), "--address", "4096"},
       "zentrel-flash: --address is only for a raw binary; " + Example("demo.elf") +
       " is read as ELF (its ELF magic bytes)\n"},
  };
  for (const auto& row : rows) {
    const RunResult r = RunImage(row.Args);
    EXPECT_EQ(r.ExitCode, 2) << row.Args[0];
    EXPECT_EQ(r.Err, row.Err);
    EXPECT_EQ(r.Out, "");
  }
  for (const char* bad : {"12zz", "-1", "0x", ""}) {
    EXPECT_EQ(RunImage({bin, "--address", bad}).ExitCode, 2) << bad;
  }
  EXPECT_EQ(RunImage({bin, "--format", "ihex"}).ExitCode, 2);
  std::remove(bin.c_str());
}

// What a user checks before flashing: the format and why, the segments at
// their load addresses, the data's run address.
TEST(ImageCommand, ShowsTheFormatAndEachSegment) {
  const std::string elf = Example("demo.elf");
  const RunResult r = RunImage({elf});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(r.Out,
            "File:             " + elf + "\n"
            "Format:           ELF (its ELF magic bytes)\n"
            "Kind:             flat image ('h')\n"
            "Image length:     5096 bytes\n"
            "Pages to send:    8 of 128 bytes from address 4096\n"
            "Origin:           0x08000000 is image address 0\n"
            "Segment 0:        0x08001000-0x08001257, 600 bytes, at image 0x1000\n"
            "Segment 1:        0x08001258-0x080013E7, 400 bytes, at image 0x1258; runs at "
            "0x20000000\n");
  const RunResult s = RunImage({Example("demo.s19")});
  EXPECT_NE(s.Out.find("Format:           Motorola S-record (its extension .s19)\n"
                       "Kind:             flat image ('h')\n"),
            std::string::npos)
      << s.Out;
  EXPECT_NE(s.Out.find("Range:            0x00001000-0x000013E7, 1000 bytes, at image 0x1000\n"),
            std::string::npos)
      << s.Out;
}

TEST(ImageCommand, JsonGivesTheSameAsFields) {
  const std::string elf = Example("demo.elf");
  const RunResult r = RunImage({elf, "--json"});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  const nlohmann::json result = nlohmann::json::parse(r.Out);
  EXPECT_EQ(result["event"], "result");
  EXPECT_EQ(result["command"], "image");
  EXPECT_EQ(result["exit_code"], 0);
  const nlohmann::json& file = result["file"];
  EXPECT_EQ(file["format"], "elf");
  EXPECT_EQ(file["format_reason"], "magic");
  EXPECT_EQ(file["kind"], "h");
  EXPECT_EQ(file["image_length"], 5096);
  EXPECT_EQ(file["pages"], 8);
  EXPECT_EQ(file["origin"], 0x08000000);
  EXPECT_EQ(file["boot_area_bytes"], 0);
  EXPECT_EQ(file["ranges"],
            nlohmann::json::parse(R"([{"address":134221824,"length":600,"image_address":4096,
                "run_address":134221824,"program_header":0},{"address":134222424,"length":400,
                "image_address":4696,"run_address":536870912,"program_header":1}])"));
  EXPECT_EQ(file["sha256"].get<std::string>().size(), 64u);
}

// An application binary given --address 0: its first 4096 bytes would be
// the boot loader's. Said, and the image stays what the file says.
TEST(ImageCommand, SaysHowManyBytesLieInTheBootArea) {
  const std::string bin = TempPath("app0.bin");
  std::ofstream(bin, std::ios::binary) << std::string(4096 + 200, '\x33');
  const std::string out = TempPath("app0.out");
  const RunResult r = RunImage({bin, "--address", "0", "--output", out});
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Err, "zentrel-flash: " + bin +
                       ": 4096 bytes lie in the boot loader's area (image addresses below 4096) "
                       "and are not sent\n");
  EXPECT_NE(r.Out.find("Pages to send:    2 of 128 bytes"), std::string::npos) << r.Out;
  EXPECT_EQ(ReadFile(out), std::string(4096 + 200, '\x33'));
  std::remove(bin.c_str());
  std::remove(out.c_str());
}

TEST(ImageCommand, UnwritableOutputIsRefusedBeforeTheFileIsRead) {
  const RunResult r =
      RunImage({Example("demo.hex"), "--output", TempPath("no_such_dir/out.bin")});
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_EQ(r.Out, "");
  EXPECT_NE(r.Err.find("cannot write"), std::string::npos) << r.Err;
}

}  // namespace
}  // namespace zentrel::cli
