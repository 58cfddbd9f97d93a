// zentrel-flash as a user runs it: the real program as a process, its exit
// code, stdout and stderr, against the emulated device; signals sent to a
// running download; a download whose stdout is closed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "tests/image/hex_text_builder.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int Code = -1;
  std::string Out, Err;
};

// Starts the program with args; stdout and stderr are pipes unless closeOut.
pid_t Spawn(const std::vector<std::string>& args, int& outFd, int& errFd, bool closeOut) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    if (closeOut) close(1);  // writes to stdout then fail
    std::vector<char*> argv;
    std::string program = ZENTREL_FLASH_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  outFd = out[0];
  errFd = err[0];
  return pid;
}

// Reads both pipes to their end, then the exit code.
Outcome Finish(pid_t pid, int outFd, int errFd, std::string out = {}) {
  Outcome run;
  run.Out = std::move(out);
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  int open = 2;
  while (open > 0 && poll(fds, 2, -1) > 0) {
    for (pollfd& f : fds) {
      if (f.fd < 0 || f.revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(f.fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(f.fd);
        f.fd = -1;
        --open;
      } else {
        (f.fd == outFd ? run.Out : run.Err).append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

Outcome RunProgram(const std::vector<std::string>& args, bool closeOut = false) {
  int outFd = -1, errFd = -1;
  const pid_t pid = Spawn(args, outFd, errFd, closeOut);
  return Finish(pid, outFd, errFd);
}

class ZentrelFlashProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("zentrel_flash_process_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    fs::copy_file(fs::path(ZENTREL_SOURCE_DIR) / "examples/demo.mvx", Path("demo.mvx"));
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  // An Intel HEX file of `pages` pages of a byte pattern from 0x1000.
  std::string WriteHex(int pages, std::vector<std::uint8_t>& bytes) {
    bytes = zentrel::test::Pattern(static_cast<std::size_t>(pages) * 128, 0x5A);
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
      std::vector<std::uint8_t> record(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 16));
      text += zentrel::test::Data(static_cast<std::uint16_t>(0x1000 + at), record) + "\r\n";
    }
    text += zentrel::test::EndOfFile() + "\r\n";
    const std::string path = Path("app.hex");
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  fs::path dir_;
};

struct Row {
  const char* Name;
  std::vector<std::string> Args;  // "@demo" is the copy of examples/demo.mvx
  int Code;
  const char* Stderr;  // must contain; "" for nothing on stderr
  const char* Stdout;  // must contain
};

class ExitCodes : public ZentrelFlashProcess, public ::testing::WithParamInterface<Row> {};

TEST_P(ExitCodes, EachOutcomeHasItsCodeAndOneLineThatSaysWhy) {
  std::vector<std::string> args;
  for (const std::string& a : GetParam().Args) args.push_back(a == "@demo" ? Path("demo.mvx") : a);
  const Outcome run = RunProgram(args);
  EXPECT_EQ(run.Code, GetParam().Code) << run.Err;
  if (std::string(GetParam().Stderr).empty()) {
    EXPECT_EQ(run.Err, "");
  } else {
    EXPECT_NE(run.Err.find(GetParam().Stderr), std::string::npos) << run.Err;
  }
  EXPECT_NE(run.Out.find(GetParam().Stdout), std::string::npos) << run.Out;
}

const std::string kInstant = "--emulate-latency=instant";

INSTANTIATE_TEST_SUITE_P(
    Table, ExitCodes,
    ::testing::Values(
        Row{"NoCommand", {}, 2, "A subcommand is required", ""},
        Row{"MistypedCommand", {"flsh", "x.hex"}, 2, "did you mean 'flash'?", ""},
        Row{"UnknownOption", {"info", "--bogus"}, 2, "--bogus", ""},
        Row{"BadPace", {"info", "--pace", "slow"}, 2, "--pace", ""},
        Row{"VendorIdAbove16Bits", {"info", "--vid", "0x1FFFF"}, 2, "not a USB ID", ""},
        Row{"VendorIdZero", {"info", "--pid", "0"}, 2, "not a USB ID", ""},
        Row{"RepeatedOption", {"info", "--pace", "fast", "--pace", "window"}, 2, "--pace", ""},
        Row{"EmulateOptionWithoutEmulate", {"flash", "@demo", "--emulate-dump", "d.bin"}, 2,
            "--emulate-dump requires --emulate", ""},
        Row{"FaultWithoutEmulate", {"info", "--emulate-fault", "vanish"}, 2,
            "--emulate-fault requires --emulate", ""},
        Row{"FaultCountNotANumber", {"info", "--emulate", "--emulate-fault", "fail-output:1x"},
            2, "N must be a whole number", ""},
        Row{"FaultCountNegative", {"info", "--emulate", "--emulate-fault", "vanish:-7"}, 2,
            "N must be a whole number", ""},
        Row{"FaultNameUnknown", {"info", "--emulate", "--emulate-fault", "nope:3"}, 2,
            "unknown fault 'nope'", ""},
        Row{"FaultTwice",
            {"info", "--emulate", "--emulate-fault", "fail-output", "--emulate-fault",
             "fail-output:2"},
            2, "given twice", ""},
        Row{"Version", {"--version"}, 0, "", "default device IDs: vendor 0x1D50, product 0x61A7"},
        Row{"InfoDone", {"info", "--emulate", kInstant}, 0, "", "HW platform:      ZX-CORE"},
        Row{"NoDevice", {"info", "--emulate", "--emulate-fault", "never-returns", kInstant}, 5,
            "BOOT info: No HID device detect", ""},
        Row{"AppInfoNoDevice", {"app-info", "--emulate", "--emulate-fault", "cannot-open"}, 5,
            "cannot be opened", ""},
        Row{"RoadEndsWithoutBox",
            {"info", "--emulate", "--emulate-fault", "fail-set-feature:2", kInstant}, 1,
            "zentrel-flash: HID device start boot sequence fail", ""},
        Row{"FileMissing", {"flash", "no-such.hex", "--emulate"}, 3, "File", ""},
        Row{"PlatformMismatch", {"flash", "@demo", "--emulate", "--emulate-platform", "OTHER"},
            4, "HW is uncompatible with selected SW image File", ""},
        Row{"FlashTooSmall", {"flash", "@demo", "--emulate", "--emulate-flash-kib", "4"}, 4,
            "Device Flash size is smaller than SW image", ""},
        Row{"OutputIsTheInput", {"image", "@demo", "--output", "@demo"}, 2,
            "is the firmware file itself", ""},
        Row{"DumpIsTheInput", {"flash", "@demo", "--emulate", "--emulate-dump", "@demo"}, 2,
            "is the firmware file itself", ""},
        Row{"DumpNotWritable",
            {"flash", "@demo", "--emulate", "--emulate-dump", "/nonexistent/dir/d.bin"}, 2,
            "cannot write /nonexistent/dir/d.bin", ""},
        Row{"ListEmulated", {"list", "--emulate"}, 0, "",
            "[boot loader candidate] [has the IDs]"},
        Row{"CaptureIsTheInput", {"flash", "@demo", "--emulate", "--capture", "@demo"}, 2,
            "zentrel-flash: --capture: ", ""},
        Row{"TraceNotWritable", {"info", "--emulate", "--trace=/nonexistent/dir/t.txt"}, 2,
            "--trace: cannot write /nonexistent/dir/t.txt", ""},
        // The trace on stderr, and nothing else changed on stdout.
        Row{"ListTraced", {"list", "--emulate", "--trace"}, 0,
            "  serial number  \"ZB-000001\"\n",
            "[boot loader candidate] [has the IDs]"},
        Row{"WaitRunsOut", {"info", "--emulate", "--emulate-fault", "cannot-open", "--wait", "1"},
            5, "no device with IDs 1D50:61A7 appeared within 1 s", ""},
        Row{"RepeatThreeDevices",
            {"flash", "@demo", "--emulate", "--repeat", "--emulate-devices", "3", kInstant,
             "--pace", "fast"},
            0, "", "3 passed, 0 failed"},
        Row{"AllExcludesPort", {"flash", "@demo", "--all", "--port", "1-1"}, 2, "excludes", ""},
        Row{"FaultBoardZero", {"info", "--emulate", "--emulate-fault", "0:vanish"}, 2,
            "the board is a whole number, 1 or more", ""},
        Row{"FaultTwiceOnABoard",
            {"info", "--emulate", "--emulate-fault", "2:vanish", "--emulate-fault",
             "2:vanish:3"},
            2, "given twice; each fault once per board", ""},
        // Boards side by side, all but the chosen one broken: only the filter
        // makes the road pass.
        Row{"PortPicksTheBoard",
            {"info", "--emulate", "--emulate-devices", "3", "--port", "emu-2", "--emulate-fault",
             "1:wrong-boot-status", "--emulate-fault", "3:wrong-boot-status", kInstant},
            0, "", "HW platform:      ZX-CORE"},
        Row{"SerialPicksTheBoard",
            {"info", "--emulate", "--emulate-devices", "3", "--serial", "ZB-000003",
             "--emulate-fault", "1:wrong-boot-status", "--emulate-fault", "2:wrong-boot-status",
             kInstant},
            0, "", "HW platform:      ZX-CORE"},
        Row{"PortMatchesNothing",
            {"info", "--emulate", "--emulate-devices", "2", "--port", "emu-7", kInstant}, 5,
            "no device with IDs 1D50:61A7 matches --port emu-7", ""},
        Row{"ListNarrowedByPort", {"list", "--emulate", "--emulate-devices", "3", "--port", "emu-3"},
            0, "", "emulated-hid-2  port emu-3  1D50:61A7  usage FF00:0001  \"ZENTREL BOOT\"  "
                   "serial \"ZB-000003\"  [boot loader candidate] [has the IDs]\n1 collections"},
        Row{"AllWithoutDevice", {"flash", "@demo", "--all", "--emulate", "--emulate-fault",
                                 "cannot-open"},
            5, "BOOT info: No HID device detect", ""},
        Row{"RepeatAllFail",
            {"flash", "@demo", "--emulate", "--repeat", "--emulate-devices", "2", kInstant,
             "--emulate-platform", "OTHER"},
            4, "HW is uncompatible", "0 passed, 2 failed"}),
    [](const auto& info) { return std::string(info.param.Name); });

void PrintTo(const Row& row, std::ostream* os) { *os << row.Name; }

// zentrel-flash on a pseudo-terminal, as a person sees it: all it drew there.
struct TerminalRun {
  int Code = -1;
  std::string Screen;
};

TerminalRun RunOnTerminal(std::vector<std::string> args) {
  args.insert(args.begin(), ZENTREL_FLASH_PROGRAM);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  TerminalRun run;
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid < 0) return run;
  if (pid == 0) {
    execv(ZENTREL_FLASH_PROGRAM, argv.data());
    _exit(127);
  }
  char buffer[512];
  // Ends with EIO once the program has ended.
  for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) {
    run.Screen.append(buffer, static_cast<std::size_t>(n));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(terminal);
  run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST_F(ZentrelFlashProcess, JsonEndsWithOneResultObjectForTheRecord) {
  const Outcome run = RunProgram({"flash", Path("demo.mvx"), "--emulate", kInstant, "--json"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const std::string body = run.Out.substr(0, run.Out.size() - 1);  // without the last \n
  const std::string last = body.substr(body.rfind('\n') + 1);
  for (const char* part :
       {"\"event\":\"result\"", "\"exit_code\":0", "\"command\":\"flash\"",
        "\"platform\":\"ZX-CORE\"", "\"kind\":\"m\"", "\"image_length\":5096", "\"pages\":8",
        "\"pages_written\":8", "\"sha256\":\""}) {
    EXPECT_NE(last.find(part), std::string::npos) << part << " in " << last;
  }
  // Every line is one object.
  std::size_t lines = 0;
  for (std::size_t at = 0; at < run.Out.size(); at = run.Out.find('\n', at) + 1, ++lines) {
    EXPECT_EQ(run.Out[at], '{');
  }
  EXPECT_GT(lines, 8u);
}

// A signal during a download: the road stops, the device is closed and the
// user learns what the device holds.
class Interrupted : public ZentrelFlashProcess, public ::testing::WithParamInterface<int> {};

TEST_P(Interrupted, DownloadStopsAndSaysWhatTheDeviceHolds) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(200, bytes);
  int outFd = -1, errFd = -1;
  const pid_t pid = Spawn({"flash", hex, "--emulate"}, outFd, errFd, false);
  ASSERT_GT(pid, 0);
  // Wait for the second page to be written, then signal.
  std::string out;
  char buffer[256];
  while (out.find("Write page 1\n") == std::string::npos) {
    const ssize_t n = read(outFd, buffer, sizeof buffer);
    ASSERT_GT(n, 0) << out;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  kill(pid, GetParam());
  const Outcome run = Finish(pid, outFd, errFd, out);
  EXPECT_EQ(run.Code, 130) << run.Err;
  EXPECT_NE(run.Err.find("download interrupted after page "), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find(" of 201: the device holds an incomplete image; flash it again"),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(run.Out.find("Boot successful finished"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupted, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) {
                           return std::string(info.param == SIGINT    ? "Int"
                                              : info.param == SIGTERM ? "Term"
                                                                      : "Hup");
                         });

std::vector<std::string> LinesOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Has(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// Ctrl-C after the third page: the trace, written as it happened, ends with
// the last transfer before the interruption and the close.
TEST_F(ZentrelFlashProcess, TraceOfAnInterruptedDownloadEndsWithItsLastTransferAndTheClose) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(200, bytes);
  const std::string trace = Path("trace.txt");
  int outFd = -1, errFd = -1;
  const pid_t pid = Spawn({"flash", hex, "--emulate", "--trace=" + trace}, outFd, errFd, false);
  ASSERT_GT(pid, 0);
  std::string out;
  char buffer[256];
  // Shown once the third page is acknowledged.
  while (out.find("Write page 2\n") == std::string::npos) {
    const ssize_t n = read(outFd, buffer, sizeof buffer);
    ASSERT_GT(n, 0) << out;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  // Written as it happened: the third page's last packet is in the file
  // while the program still runs, and the file ends with a whole line.
  std::ifstream early(trace, std::ios::binary);
  const std::string sofar{std::istreambuf_iterator<char>(early), {}};
  EXPECT_TRUE(Has(sofar, "  data 0x1160 page 3 packet 4/4\n")) << sofar.size();
  EXPECT_EQ(sofar.back(), '\n');
  kill(pid, SIGINT);
  const Outcome run = Finish(pid, outFd, errFd, out);
  EXPECT_EQ(run.Code, 130) << run.Err;
  const std::vector<std::string> lines = LinesOf(trace);
  ASSERT_GT(lines.size(), 100u);
  EXPECT_TRUE(Has(lines.back(), " ms  +") && Has(lines.back(), "  close")) << lines.back();
  const std::string& last = lines[lines.size() - 2];
  EXPECT_TRUE(Has(last, "  get feature  9 B  00 00 ") || Has(last, "  write output  64 B  "))
      << last;
  // The third page went out whole, and was acknowledged.
  const auto page3 = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return Has(l, "  data 0x1160 page 3 packet 4/4");
  });
  ASSERT_NE(page3, lines.end());
  EXPECT_NE(std::find_if(page3, lines.end(),
                         [](const std::string& l) { return Has(l, "STATUS_PACKET_ACK"); }),
            lines.end());
  // One close: the device's, at the end.
  EXPECT_EQ(std::count_if(page3, lines.end(),
                          [](const std::string& l) { return Has(l, "  close"); }),
            1);
}

// Boards side by side in one trace: each line names its board.
TEST_F(ZentrelFlashProcess, TraceOfAllNamesEachLinesBoard) {
  const std::string trace = Path("trace.txt");
  const Outcome run = RunProgram({"flash", Path("demo.mvx"), "--all", "--emulate",
                                  "--emulate-devices", "2", kInstant, "--pace", "fast",
                                  "--trace=" + trace});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const std::regex named("^ *[0-9]+\\.[0-9]{3} ms  \\+[0-9]+\\.[0-9]{2}  (emu-1|emu-2|-)  .*");
  int lastPages[2] = {0, 0};
  for (const std::string& line : LinesOf(trace)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, named)) << line;
    EXPECT_EQ(m[1] == "-", Has(line, "  -  enumerate  ")) << line;
    if (Has(line, "data 0x13E0 page 8 packet 4/4")) ++lastPages[m[1] == "emu-1" ? 0 : 1];
  }
  EXPECT_EQ(lastPages[0], 1);
  EXPECT_EQ(lastPages[1], 1);
}

TEST_F(ZentrelFlashProcess, ClosedStdoutNeverStopsTheDownload) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(20, bytes);
  const std::string dump = Path("flash.bin");
  const Outcome run = RunProgram(
      {"flash", hex, "--emulate", kInstant, "--pace", "fast", "--emulate-dump", dump}, true);
  // The road succeeded; only the output failed, and that is said.
  EXPECT_EQ(run.Code, 1);
  EXPECT_NE(run.Err.find("writing to standard output failed"), std::string::npos) << run.Err;
  std::ifstream in(dump, std::ios::binary);
  const std::vector<std::uint8_t> flash{std::istreambuf_iterator<char>(in), {}};
  ASSERT_EQ(flash.size(), 256u * 1024);
  // 20 pages, then one more page of zeros (the length is a page multiple).
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin() + 4096));
  EXPECT_TRUE(std::all_of(flash.begin() + 4096 + 20 * 128, flash.begin() + 4096 + 21 * 128,
                          [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(flash[4096 + 21 * 128], 0xFF);
}

TEST_F(ZentrelFlashProcess, OnATerminalALiveLineCountsThePagesToTheLast) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(30, bytes);
  const TerminalRun run = RunOnTerminal({"flash", hex, "--emulate"});
  const std::string& screen = run.Screen;
  EXPECT_EQ(run.Code, 0) << screen;
  // 30 pages and one of zeros; the last one counted too.
  EXPECT_NE(screen.find("writing  page 0 of 31  0 of 3968 bytes"), std::string::npos) << screen;
  EXPECT_NE(screen.find("writing  page 31 of 31  3968 of 3968 bytes"), std::string::npos);
  EXPECT_NE(screen.find("ETA "), std::string::npos);
  EXPECT_NE(screen.find("erasing "), std::string::npos);
  // The page texts are the live line's on a terminal, not lines of their own.
  EXPECT_EQ(screen.find("BOOTLoader, Write page"), std::string::npos);
  EXPECT_NE(screen.find("Flashed 31 pages (3968 bytes) in "), std::string::npos);
}

// Several boards at once: three side by side, the second vanishing after
// its 5th data report. The others are flashed byte for byte; the run fails.
TEST_F(ZentrelFlashProcess, AllFlashesThreeBoardsSideBySideOneFailing) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(24, bytes);
  const std::string dump = Path("flash.bin");
  const Outcome run = RunProgram({"flash", hex, "--all", "--emulate", "--emulate-devices", "3",
                                  "--emulate-fault", "2:vanish:5", kInstant, "--pace", "fast",
                                  "--emulate-dump", dump});
  EXPECT_EQ(run.Code, 1) << run.Err;
  for (const char* line : {"Flashing 3 devices side by side\n",
                           "emu-1 ZB-000001: passed (25 pages, ",
                           "emu-3 ZB-000003: passed (25 pages, ",
                           "emu-2 ZB-000002: FAILED: Boot data write Ack error (",
                           "\n2 passed, 1 failed in "}) {
    EXPECT_NE(run.Out.find(line), std::string::npos) << line << " in " << run.Out;
  }
  auto flashOf = [&](const char* port) {
    std::ifstream in(dump + "." + port, std::ios::binary);
    return std::vector<std::uint8_t>{std::istreambuf_iterator<char>(in), {}};
  };
  for (const char* port : {"emu-1", "emu-3"}) {
    const std::vector<std::uint8_t> flash = flashOf(port);
    ASSERT_EQ(flash.size(), 256u * 1024) << port;
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin() + 4096)) << port;
    EXPECT_TRUE(std::all_of(flash.begin() + 4096 + 24 * 128, flash.begin() + 4096 + 25 * 128,
                            [](std::uint8_t b) { return b == 0; }))
        << port;
    EXPECT_EQ(flash[4096 + 25 * 128], 0xFF) << port;
  }
  // The vanished board got its first data reports only.
  const std::vector<std::uint8_t> broken = flashOf("emu-2");
  ASSERT_EQ(broken.size(), 256u * 1024);
  EXPECT_EQ(broken[4096], bytes[0]);
  EXPECT_EQ(broken[4096 + 24 * 128 - 1], 0xFF);
}

TEST_F(ZentrelFlashProcess, AllWithJsonGivesOneObjectPerDeviceAndTheirCount) {
  const Outcome run =
      RunProgram({"flash", Path("demo.mvx"), "--all", "--emulate", "--emulate-devices", "2",
                  "--emulate-fault", "1:wrong-boot-status", kInstant, "--json"});
  EXPECT_EQ(run.Code, 1) << run.Err;
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = run.Out.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(run.Out.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), 3u) << run.Out;
  std::string first = lines[0], second = lines[1];
  if (first.find("\"port\":\"emu-2\"") != std::string::npos) std::swap(first, second);
  for (const char* part : {"\"event\":\"device_result\"", "\"port\":\"emu-1\"",
                           "\"serial\":\"ZB-000001\"", "\"passed\":false", "\"exit_code\":1"}) {
    EXPECT_NE(first.find(part), std::string::npos) << part << " in " << first;
  }
  for (const char* part : {"\"port\":\"emu-2\"", "\"serial\":\"ZB-000002\"",
                           "\"passed\":true", "\"pages_written\":8",
                           "\"platform\":\"ZX-CORE\""}) {
    EXPECT_NE(second.find(part), std::string::npos) << part << " in " << second;
  }
  for (const char* part : {"\"event\":\"result\"", "\"all\":true", "\"devices\":2",
                           "\"passed\":1", "\"failed\":1", "\"exit_code\":1", "\"sha256\":\""}) {
    EXPECT_NE(lines[2].find(part), std::string::npos) << part << " in " << lines[2];
  }
}

TEST_F(ZentrelFlashProcess, AllOnATerminalDrawsOneRowPerDevice) {
  const TerminalRun run =
      RunOnTerminal({"flash", Path("demo.mvx"), "--all", "--emulate", "--emulate-devices", "2"});
  const std::string& screen = run.Screen;
  EXPECT_EQ(run.Code, 0) << screen;
  EXPECT_NE(screen.find("PORT         SERIAL         STAGE"), std::string::npos) << screen;
  // A row while the pages go out, and each row at the end; drawn in place.
  EXPECT_NE(screen.find(" writing                  "), std::string::npos) << screen;
  for (const char* row : {"emu-1        ZB-000001      done                     8 of 8        passed",
                          "emu-2        ZB-000002      done                     8 of 8        passed"}) {
    EXPECT_NE(screen.find(row), std::string::npos) << row << " in " << screen;
  }
  EXPECT_NE(screen.find("\033[3A"), std::string::npos);
  EXPECT_NE(screen.find("2 passed, 0 failed in "), std::string::npos);
}

}  // namespace
