// zentrel-flash's usage errors, in-process: every option that it refuses
// before it touches a device, a file or the bus (exit code 2), and the line
// that says why. The program as a process keeps the rows that run a command.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace zentrel::cli {
namespace {

namespace fs = std::filesystem;

const std::string kInstant = "--emulate-latency=instant";

struct Row {
  const char* Name;
  // "@demo" is a copy of examples/demo.mvx, "@/" a scratch folder.
  std::vector<std::string> Args;
  int Code;
  const char* Stderr;  // must contain once; "" for nothing on stderr
  const char* Stdout;  // must contain
};

struct CommandRun {
  int Code = -1;
  std::string Out, Err;
};

std::string ReadBack(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  std::fclose(file);
  return text;
}

// RunCommandLine as main runs it, with stdout and stderr caught in files.
CommandRun RunInProcess(std::vector<std::string> args) {
  args.insert(args.begin(), "zentrel-flash");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  if (out == nullptr || err == nullptr) return {};
  std::fflush(stdout);
  std::fflush(stderr);
  const int savedOut = dup(1), savedErr = dup(2);
  dup2(fileno(out), 1);
  dup2(fileno(err), 2);
  CommandRun run;
  run.Code = RunCommandLine(static_cast<int>(argv.size() - 1), argv.data());
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(savedOut, 1);
  dup2(savedErr, 2);
  close(savedOut);
  close(savedErr);
  run.Out = ReadBack(out);
  run.Err = ReadBack(err);
  return run;
}

class UsageErrors : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zentrel_usage_" + std::to_string(getpid()) + "_" + GetParam().Name);
    fs::create_directories(dir_);
    fs::copy_file(fs::path(ZENTREL_SOURCE_DIR) / "examples/demo.mvx", dir_ / "demo.mvx",
                  fs::copy_options::overwrite_existing);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
};

TEST_P(UsageErrors, EachIsRefusedWithItsCodeAndOneLineThatSaysWhy) {
  std::vector<std::string> args;
  for (std::string a : GetParam().Args) {
    if (const std::size_t at = a.find("@/"); at != std::string::npos) {
      a.replace(at, 2, dir_.string() + "/");
    }
    args.push_back(a == "@demo" ? (dir_ / "demo.mvx").string() : a);
  }
  const CommandRun run = RunInProcess(args);
  EXPECT_EQ(run.Code, GetParam().Code) << run.Err;
  if (std::string(GetParam().Stderr).empty()) {
    EXPECT_EQ(run.Err, "");
  } else {
    const std::size_t at = run.Err.find(GetParam().Stderr);
    EXPECT_NE(at, std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find(GetParam().Stderr, at + 1), std::string::npos) << run.Err;
  }
  EXPECT_NE(run.Out.find(GetParam().Stdout), std::string::npos) << run.Out;
}

INSTANTIATE_TEST_SUITE_P(
    Table, UsageErrors,
    ::testing::Values(
        Row{"NoCommand", {}, 2, "A subcommand is required", ""},
        Row{"MistypedCommand", {"flsh", "x.hex"}, 2, "did you mean 'flash'?", ""},
        Row{"UnknownOption", {"info", "--bogus"}, 2, "--bogus", ""},
        Row{"BadPace", {"info", "--pace", "slow"}, 2, "--pace", ""},
        Row{"VendorIdAbove16Bits", {"info", "--vid", "0x1FFFF"}, 2, "not a USB ID", ""},
        Row{"VendorIdZero", {"info", "--pid", "0"}, 2, "not a USB ID", ""},
        Row{"VendorIdNotHex", {"info", "--emulate", "--vid", "xyz"}, 2, "--vid", ""},
        Row{"RepeatedOption", {"info", "--pace", "fast", "--pace", "window"}, 2, "--pace", ""},
        Row{"EmulateOptionWithoutEmulate", {"flash", "@demo", "--emulate-dump", "d.bin"}, 2,
            "--emulate-dump requires --emulate", ""},
        Row{"FaultWithoutEmulate", {"info", "--emulate-fault", "vanish"}, 2,
            "--emulate-fault requires --emulate", ""},
        Row{"FaultCountNotANumber", {"info", "--emulate", "--emulate-fault", "fail-output:1x"},
            2, "N must be a whole number", ""},
        Row{"FaultCountNegative", {"info", "--emulate", "--emulate-fault", "vanish:-7"}, 2,
            "N must be a whole number", ""},
        Row{"FaultCountZero", {"info", "--emulate", "--emulate-fault", "fail-output:0"}, 2,
            "'fail-output:0': N counts from 1 for fail-output", ""},
        Row{"FaultNameUnknown", {"info", "--emulate", "--emulate-fault", "nope:3"}, 2,
            "unknown fault 'nope'", ""},
        Row{"FaultTwice",
            {"info", "--emulate", "--emulate-fault", "fail-output", "--emulate-fault",
             "fail-output:2"},
            2, "given twice", ""},
        Row{"EmptyOutputPath", {"image", "@demo", "--output", ""}, 2,
            "--output: an empty path names no file", ""},
        Row{"EmptyDumpPath", {"flash", "@demo", "--emulate", "--emulate-dump", ""}, 2,
            "--emulate-dump: an empty path names no file", ""},
        // An empty value is no default and no "any device".
        Row{"EmptyPort", {"info", "--emulate", "--port", ""}, 2,
            "--port: an empty port names no device\n", ""},
        Row{"EmptySerial", {"info", "--emulate", "--serial", ""}, 2,
            "--serial: an empty serial number names no device\n", ""},
        Row{"EmptyPlatform", {"info", "--emulate", "--emulate-platform", ""}, 2,
            "--emulate-platform: an empty name is no platform\n", ""},
        Row{"EmptyHwVersion", {"info", "--emulate", "--emulate-hw-version", ""}, 2,
            "--emulate-hw-version: an empty version is no hardware version\n", ""},
        Row{"OutputIsTheInput", {"image", "@demo", "--output", "@demo"}, 2,
            "is the firmware file itself", ""},
        Row{"DumpIsTheInput", {"flash", "@demo", "--emulate", "--emulate-dump", "@demo"}, 2,
            "is the firmware file itself", ""},
        Row{"DumpNotWritable",
            {"flash", "@demo", "--emulate", "--emulate-dump", "/nonexistent/dir/d.bin"}, 2,
            "cannot write /nonexistent/dir/d.bin", ""},
        Row{"CaptureIsTheInput", {"flash", "@demo", "--emulate", "--capture", "@demo"}, 2,
            "zentrel-flash: --capture: ", ""},
        Row{"DumpIsTheTrace",
            {"flash", "@demo", "--emulate", "--emulate-dump", "@/same.x", "--trace=@/same.x"}, 2,
            "zentrel-flash: --trace and --emulate-dump name the same file\n", ""},
        // Another spelling of a file not made yet.
        Row{"DumpIsTheCapture",
            {"flash", "@demo", "--emulate", "--emulate-dump", "@/same.x", "--capture",
             "@/./same.x"},
            2, "zentrel-flash: --capture and --emulate-dump name the same file\n", ""},
        // With --all, a board's own dump FILE.PORT.
        Row{"BoardDumpIsTheTrace",
            {"flash", "@demo", "--all", "--emulate", "--emulate-dump", "@/d", "--trace=@/d.emu-1"},
            2, "zentrel-flash: --trace and --emulate-dump name the same file\n", ""},
        Row{"TraceIsTheCapture", {"info", "--emulate", "--trace=@/t", "--capture", "@/t"}, 2,
            "zentrel-flash: --trace and --capture name the same file\n", ""},
        Row{"TraceNotWritable", {"info", "--emulate", "--trace=/nonexistent/dir/t.txt"}, 2,
            "--trace: cannot write /nonexistent/dir/t.txt", ""},
        Row{"EmptyCapturePath", {"info", "--emulate", "--capture", ""}, 2,
            "--capture: an empty path names no file", ""},
        Row{"EmptyTracePath", {"info", "--emulate", "--trace="}, 2,
            "--trace: an empty path names no file", ""},
        Row{"TracePathNotJoined", {"info", "--emulate", "--trace", "t.txt"}, 2,
            "--trace takes its file joined to it: --trace=t.txt", ""},
        Row{"WaitNotANumber", {"info", "--emulate", "--wait", "nan"}, 2,
            "--wait: SECONDS must be a number, 0 to 1000000\n", ""},
        Row{"WaitAWord", {"info", "--emulate", "--wait", "abc"}, 2,
            "--wait: SECONDS must be a number, 0 to 1000000\n", ""},
        Row{"AllExcludesPort", {"flash", "@demo", "--all", "--port", "1-1"}, 2, "excludes", ""},
        Row{"FaultBoardZero", {"info", "--emulate", "--emulate-fault", "0:vanish"}, 2,
            "the board is a whole number, 1 or more", ""},
        Row{"FaultOnABoardNotThere", {"info", "--emulate", "--emulate-fault", "4:vanish"}, 2,
            "zentrel-flash: --emulate-fault: '4:vanish': board 4 is beyond --emulate-devices 1\n",
            ""},
        Row{"FaultTwiceOnABoard",
            {"info", "--emulate", "--emulate-fault", "2:vanish", "--emulate-fault",
             "2:vanish:3"},
            2, "given twice; each fault once per board", ""},
        Row{"TwoBoardsNeedAChoice",
            {"info", "--emulate", "--emulate-devices", "2", kInstant}, 2,
            "zentrel-flash: 2 devices with IDs 1D50:61A7 are attached; choose one with --port "
            "or --serial:\n  --port emu-1  --serial "
            "ZB-000001  emulated-hid-0\n  --port emu-2  --serial ZB-000002  emulated-hid-1\n",
            ""}),
    [](const auto& info) { return std::string(info.param.Name); });

void PrintTo(const Row& row, std::ostream* os) { *os << row.Name; }

}  // namespace
}  // namespace zentrel::cli
