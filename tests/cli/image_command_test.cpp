#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

std::string TempPath(const char* name) {
  return testing::TempDir() + "zentrel_image_command_" + name;
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

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageCommandRefuses,
    testing::Values(
        RefusedCase{"FormatError", "bad.hex", ":0100000001FF\r\n:00000001FF\r\n",
                    "File Error: File format error in line 1: checksum mismatch"},
        RefusedCase{"Suffix", "app.bin", ":00000001FF\r\n",
                    "File Error: File has unsupported suffix format"},
        RefusedCase{"Empty", "empty.mvx", "", "File Error: File read error", "empty"},
        // Only the boot area: a download would send nothing.
        RefusedCase{"NoPages", "boot_area.hex", ":00100000F0\r\n:00000001FF\r\n",
                    "File info: File has no data to download"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ImageCommand, UnwritableOutputIsRefusedBeforeTheFileIsRead) {
  const RunResult r =
      RunImage({Example("demo.hex"), "--output", TempPath("no_such_dir/out.bin")});
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_EQ(r.Out, "");
  EXPECT_NE(r.Err.find("cannot write"), std::string::npos) << r.Err;
}

}  // namespace
}  // namespace zentrel::cli
