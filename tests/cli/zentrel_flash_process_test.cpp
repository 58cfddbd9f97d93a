// zentrel-flash as a user runs it, against the emulated device: exit codes
// and the line that says why, JSON, signals sent to a running download, a
// download whose stdout is closed, the live line on a terminal.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "tests/cli/process_runner.h"

namespace zentrel::test {
namespace {

bool Has(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

struct Row {
  const char* Name;
  // "@demo" is the copy of examples/demo.mvx, "@/" the scratch folder;
  // "@no-stdout" closes stdout, "@full" makes files full at 100 bytes.
  std::vector<std::string> Args;
  int Code;
  const char* Stderr;  // must contain once; "" for nothing on stderr
  const char* Stdout;  // must contain
  // Fields of the last record of the same run with --json, by JSON pointer.
  nlohmann::json Record = nlohmann::json::object();
};

class ExitCodes : public ZentrelFlashProcess, public ::testing::WithParamInterface<Row> {
 protected:
  // The row's arguments, its placeholders made real.
  std::vector<std::string> Args(SpawnOptions& options) {
    std::vector<std::string> args;
    for (std::string a : GetParam().Args) {
      if (a == "@no-stdout" || a == "@full") {
        options.CloseOut = options.CloseOut || a == "@no-stdout";
        options.FileSizeLimit = a == "@full" ? 100 : options.FileSizeLimit;
        continue;
      }
      if (const std::size_t at = a.find("@/"); at != std::string::npos) a.replace(at, 2, Path(""));
      if (a == "@empty" || a == "@large") {
        const std::string file = Path(a == "@empty" ? "empty.hex" : "large.hex");
        std::ofstream(file).close();
        // One byte more than the largest file that is read.
        std::filesystem::resize_file(file, a == "@large" ? 4194305 : 0);
        args.push_back(file);
        continue;
      }
      args.push_back(a == "@demo" ? Path("demo.mvx") : a);
    }
    return args;
  }
  void ExpectItsCodeAndLine(const Outcome& run) {
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
};

TEST_P(ExitCodes, EachOutcomeHasItsCodeAndOneLineThatSaysWhy) {
  SpawnOptions options;
  const std::vector<std::string> args = Args(options);
  std::vector<std::string> jsonArgs = args;
  jsonArgs.push_back("--json");
  const auto runJson = [&] {
    return RunProgram(jsonArgs, {.FileSizeLimit = options.FileSizeLimit});
  };
  // The --json twin runs beside the plain run, unless both would write the
  // same file of the scratch folder: the same checks, one wait instead of two.
  const bool writesHere = std::any_of(GetParam().Args.begin(), GetParam().Args.end(),
                                      [](const std::string& a) { return Has(a, "@/"); });
  std::future<Outcome> beside;
  if (!GetParam().Record.empty() && !writesHere) beside = std::async(std::launch::async, runJson);
  ExpectItsCodeAndLine(RunProgram(args, options));
  if (GetParam().Record.empty()) return;
  const Outcome json = beside.valid() ? beside.get() : runJson();
  EXPECT_EQ(json.Code, GetParam().Code) << json.Err;
  const nlohmann::json last = JsonLines(json.Out).back();
  for (const auto& [pointer, value] : GetParam().Record.items()) {
    EXPECT_EQ(last[nlohmann::json::json_pointer(pointer)], value) << pointer;
  }
}

// What zentrel-flash refuses before it touches a device, a file or the bus
// (exit code 2), with the line that says why: in-process, through the
// RunCommandLine that main calls, as no program needs to start for it.
class UsageErrors : public ExitCodes {};

TEST_P(UsageErrors, EachIsRefusedWithItsCodeAndOneLineThatSaysWhy) {
  SpawnOptions none;
  ExpectItsCodeAndLine(RunInProcess(Args(none)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExitCodes,
    ::testing::Values(
        // The goal was reached, but its report is lost: never exit 0.
        Row{"ListWithoutStdout", {"list", "--emulate", "--json", "@no-stdout"}, 1,
            "the command reached its goal, but writing to standard output failed\n", ""},
        Row{"ImageWithoutStdout", {"image", "@demo", "@no-stdout"}, 1,
            "the command reached its goal, but writing to standard output failed\n", ""},
        Row{"Version", {"--version"}, 0, "", "default device IDs: vendor 0x1D50, product 0x61A7"},
        Row{"InfoDone", {"info", "--emulate", kInstant}, 0, "", "HW platform:      ZX-CORE",
            {{"/event", "result"}, {"/exit_code", 0}, {"/fields/platform", "ZX-CORE"},
             {"/port", "emu-1"}, {"/serial", "ZB-000001"}, {"/failure", ""},
             {"/stage", "reading the boot loader"}}},
        Row{"NoDevice", {"info", "--emulate", "--emulate-fault", "never-returns", kInstant}, 5,
            "BOOT info: No HID device detect\nzentrel-flash: searched for IDs 1D50:61A7: 0 HID "
            "collections, 0 boot loader candidates, 0 with the IDs now; `zentrel-flash list` "
            "shows them\n",
            "",
            {{"/failure", "no_device"}, {"/box", "No HID device detect"}, {"/stage", "searching"}}},
        Row{"NoDeviceNamedLikeABootLoader",
            {"info", "--emulate", "--emulate-fault", "lower-case-product", kInstant}, 5,
            "1 with the IDs now; `zentrel-flash list` shows them; emulated-hid-0 names itself "
            "\"zentrel boot\", not a boot loader's name, which begins with a capital letter\n",
            ""},
        Row{"AppInfoNoDevice", {"app-info", "--emulate", "--emulate-fault", "cannot-open"}, 5,
            "cannot be opened", "",
            {{"/failure", "no_device"}, {"/box", "Application ID request fail"}}},
        Row{"BootStatusNotOk",
            {"info", "--emulate", "--emulate-fault", "wrong-boot-status", kInstant}, 1,
            "Boot CRC error", "", {{"/failure", "device_failed"}, {"/box", "Boot CRC error"}}},
        Row{"PacketNotWritten",
            {"flash", "@demo", "--emulate", "--emulate-fault", "fail-output:3", kInstant}, 1,
            "Boot data write error", "",
            {{"/failure", "device_failed"}, {"/box", "Boot data write error"}, {"/stage", "writing"}}},
        Row{"RoadEndsWithoutBox",
            {"info", "--emulate", "--emulate-fault", "fail-set-feature:2", kInstant}, 1,
            "zentrel-flash: HID device start boot sequence fail", "",
            {{"/message", "HID device start boot sequence fail"}}},
        // A file that cannot be read: the box text, then the path as given
        // and why.
        Row{"FileMissing", {"flash", "no-such.hex", "--emulate"}, 3,
            "File Error: File read error\nzentrel-flash: no-such.hex: No such file or directory\n",
            ""},
        Row{"FileIsADirectory", {"image", "/"}, 3, "zentrel-flash: /: Is a directory\n", ""},
        Row{"FileIsADevice", {"flash", "/dev/null", "--emulate"}, 3,
            "zentrel-flash: /dev/null: not a regular file\n", ""},
        Row{"FileEmpty", {"image", "@empty"}, 3, "empty.hex: empty\n", ""},
        Row{"FileTooLarge", {"image", "@large"}, 3,
            "large.hex: larger than 4194304 bytes\n", ""},
        Row{"FileNameTooLong", {"image", std::string(300, 'n') + ".hex"}, 3,
            ": File name too long\n", ""},
        Row{"PlatformMismatch", {"flash", "@demo", "--emulate", "--emulate-platform", "OTHER"},
            4,
            "HW is uncompatible with selected SW image File\nzentrel-flash: the file is for "
            "ZX-CORE, hardware 1.x, its image of 5096 bytes is written up to address 5120; the "
            "device is OTHER, hardware 1.2, 256 KiB of flash\n",
            "",
            {{"/failure", "does_not_fit"},
             {"/box", "HW is uncompatible with selected SW image File"},
             {"/pages_written", 0}}},
        // The road passed, the board's flash could not be saved: said, and failed.
        Row{"DumpNotWritten",
            {"flash", "@demo", "--emulate", kInstant, "--emulate-dump", "/dev/full"}, 1,
            "zentrel-flash: cannot write /dev/full: No space left on device\n", "",
            {{"/passed", false}, {"/failure", "device_failed"}, {"/pages_written", 8},
             {"/advice", "the road on the board completed; only what followed it failed"}}},
        Row{"FlashTooSmall", {"flash", "@demo", "--emulate", "--emulate-flash-kib", "4"}, 4,
            "Device Flash size is smaller than SW image", ""},
        // A trace or capture that fills its disk: said once, and never exit 0.
        Row{"TraceFillsItsDisk", {"info", "--emulate", "--trace=@/t.txt", "@full", kInstant}, 1,
            "/t.txt: File too large\n", "HW platform:      ZX-CORE", {{"/exit_code", 1}}},
        Row{"CaptureFillsItsDisk", {"list", "--emulate", "--capture", "@/c.pcapng", "@full"}, 1,
            "/c.pcapng: File too large\n", "[has the IDs]"},
        // The trace on stderr, and nothing else changed on stdout.
        Row{"ListTraced", {"list", "--emulate", "--trace"}, 0,
            "  serial number  \"ZB-000001\"\n",
            "[boot loader candidate] [has the IDs]"},
        // Runs that end before any board's road end in a record too.
        Row{"WaitRunsOut", {"info", "--emulate", "--emulate-fault", "cannot-open", "--wait", "1"},
            5, "no device with IDs 1D50:61A7 appeared within 1 s", "",
            {{"/failure", "no_device"},
             {"/message", "no device with IDs 1D50:61A7 appeared within 1 s"}}},
        Row{"WaitForAPortRunsOut",
            {"info", "--emulate", "--emulate-devices", "2", "--port", "emu-7", "--wait", "1"}, 5,
            "no device with IDs 1D50:61A7 matching --port emu-7 appeared within 1 s\n", ""},
        Row{"ListNamesThePortOfANodeItCannotOpen",
            {"list", "--emulate", "--emulate-fault", "cannot-open"}, 0,
            "but it cannot be opened: Permission denied (emulated)\n",
            "emulated-hid-0  port emu-1  cannot be opened: Permission denied (emulated)\n"},
        Row{"AllFindsNone", {"flash", "@demo", "--all", "--emulate", "--pid", "0x1234"}, 5,
            "BOOT info: No HID device detect\nzentrel-flash: no device with IDs 1D50:1234 is "
            "attached\n",
            "", {{"/event", "result"}, {"/failure", "no_device"}}},
        // A board that cannot be opened is one that failed, never one left out.
        Row{"AllNamesTheBoardItCannotOpen",
            {"flash", "@demo", "--all", "--emulate", "--emulate-devices", "2", "--emulate-fault",
             "2:cannot-open", kInstant},
            5, "emulated-hid-1 is a device with IDs 1D50:61A7, but it cannot be opened",
            "emu-2 ?: FAILED: cannot be opened: Permission denied (emulated) (0 pages",
            {{"/exit_code", 5}, {"/passed", 1}, {"/failed", 1}, {"/devices", 2}}},
        // --repeat: --wait bounds the wait for the first board.
        Row{"RepeatWaitRunsOut",
            {"flash", "@demo", "--repeat", "--emulate", "--pid", "0x1234", "--wait", "1"}, 5,
            "no device with IDs 1D50:1234 appeared within 1 s", ""},
        // A capture on stdout has it alone; the fields go to stderr.
        Row{"CaptureOnStdout", {"info", "--emulate", kInstant, "--capture", "/dev/stdout"}, 0,
            "HW platform:      ZX-CORE", "\n\r\r\n\x1c"},
        Row{"ListCapturedOnStdout", {"list", "--emulate", "--capture", "/dev/stdout"}, 0,
            "[has the IDs]", "\n\r\r\n\x1c"},
        Row{"RepeatThreeDevices",
            {"flash", "@demo", "--emulate", "--repeat", "--emulate-devices", "3", kInstant,
             "--pace", "fast"},
            0, "", "3 passed, 0 failed"},
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
        Row{"AllOfOneBoardItCannotOpen",
            {"flash", "@demo", "--all", "--emulate", "--emulate-fault", "cannot-open"}, 5,
            "emulated-hid-0 is a device with IDs 1D50:61A7, but it cannot be opened",
            "emu-1 ?: FAILED: cannot be opened: Permission denied (emulated) (0 pages",
            {{"/exit_code", 5}, {"/passed", 0}, {"/failed", 1}, {"/devices", 1}}},
        // After the box, one line with what failed and what to do.
        Row{"UnpluggedMidDownload",
            {"flash", "@demo", "--emulate", "--emulate-fault", "vanish:5", kInstant}, 1,
            "zentrel-flash: failed while writing page 2 of 8; the device has left the bus; the "
            "device holds an incomplete image; flash it again",
            ""},
        // A hung device and one that ignores the reset: the command was sent,
        // but nothing shows a reset.
        Row{"StopsAnswering",
            {"flash", "@demo", "--emulate", "--emulate-fault", "stop-answering", kInstant}, 1,
            "BOOT info: Boot CRC error\nzentrel-flash: failed while reading the boot loader; the "
            "device is still attached; the reset command was sent but no boot loader has "
            "answered since; the flash is unchanged; what answered",
            ""},
        Row{"IgnoresReset", {"info", "--emulate", "--emulate-fault", "ignores-reset", kInstant}, 1,
            "BOOT info: Boot CRC error\nzentrel-flash: failed while reading the boot loader; the "
            "device is still attached; the reset command was sent but no boot loader has "
            "answered since; the flash is unchanged; what answered after the reset was not a "
            "boot loader, or the old device was still there: check that IDs 1D50:61A7 are the "
            "boot loader's and that the firmware expects this program's command key\n",
            ""},
        Row{"SilentMidDownload",
            {"flash", "@demo", "--emulate", "--emulate-fault", "ack-never-comes:5", kInstant},
            1, "failed while writing page 2 of 8; the device is still attached", ""},
        Row{"RepeatAllFail",
            {"flash", "@demo", "--emulate", "--repeat", "--emulate-devices", "2", kInstant,
             "--emulate-platform", "OTHER"},
            4,
            "HW is uncompatible with selected SW image File\nzentrel-flash: the file is for "
            "ZX-CORE, hardware 1.x, its image of 5096 bytes is written up to address 5120; the "
            "device is OTHER, hardware 1.2, 256 KiB of flash\nzentrel-flash: 0 passed, 2 failed",
            "0 passed, 2 failed"}),
    [](const auto& info) { return std::string(info.param.Name); });

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

TEST_F(ZentrelFlashProcess, JsonEndsWithOneResultObjectForTheRecord) {
  const std::string dump = Path("flash.bin");
  const Outcome run = RunProgram({"flash", Path("demo.mvx"), "--emulate", kInstant, "--json",
                                  "--emulate-dump", dump});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const std::vector<nlohmann::json> lines = JsonLines(run.Out);
  ASSERT_GT(lines.size(), 8u);
  const nlohmann::json& r = lines.back();
  EXPECT_EQ(r["event"], "result");
  EXPECT_EQ(r["command"], "flash");
  EXPECT_EQ(r["exit_code"], 0);
  EXPECT_EQ(r["port"], "emu-1");
  EXPECT_EQ(r["serial"], "ZB-000001");
  EXPECT_EQ(r["fields"]["platform"], "ZX-CORE");
  EXPECT_EQ(r["file"]["kind"], "m");
  EXPECT_EQ(r["file"]["image_length"], 5096);
  EXPECT_EQ(r["file"]["pages"], 8);
  EXPECT_EQ(r["pages_written"], 8);
  // The record names the file that is really there and the image the
  // device really holds.
  EXPECT_EQ(r["file"]["sha256"], Sha256Sum(Path("demo.mvx")));
  // Every line names its run and the machine; another run is another id.
  for (const nlohmann::json& line : lines) {
    EXPECT_EQ(line["run"], r["run"]) << line;
    EXPECT_EQ(line["host"], HostName()) << line;
  }
  const Outcome again = RunProgram({"info", "--emulate", kInstant, "--json"});
  EXPECT_NE(JsonLines(again.Out).back()["run"], r["run"]);
  // The image alone on stdout, its summary on stderr.
  const Outcome image = RunProgram({"image", Path("demo.mvx"), "--output", "/dev/stdout"});
  ASSERT_EQ(image.Code, 0) << image.Err;
  EXPECT_NE(image.Err.find("Pages to send:    8 of 128"), std::string::npos) << image.Err;
  ASSERT_EQ(image.Out.size(), 5096u);
  ExpectFlashed(ReadFile(dump), {image.Out.begin() + 4096, image.Out.end()});
}

// A signal during a download: the road stops, the device is closed and the
// user learns what the device holds.
class Interrupted : public ZentrelFlashProcess, public ::testing::WithParamInterface<int> {};

TEST_P(Interrupted, DownloadStopsAndSaysWhatTheDeviceHolds) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(200, bytes);
  Child child({"flash", hex, "--emulate"});
  ASSERT_TRUE(child.Started());
  // Wait for the second page to be written, then signal.
  ASSERT_TRUE(child.ReadOutUntil("Write page 1\n")) << child.Out();
  kill(child.Pid(), GetParam());
  const Outcome run = child.Finish();
  EXPECT_EQ(run.Code, 130) << run.Err;
  EXPECT_NE(run.Err.find("download interrupted after page "), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find(" of 201: the device holds an incomplete image; flash it again"),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(run.Out.find("Boot successful finished"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupted,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

std::vector<std::string> LinesOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}


// Ctrl-C after the third page: the trace, written as it happened, ends with
// the last transfer before the interruption and the close.
TEST_F(ZentrelFlashProcess, TraceOfAnInterruptedDownloadEndsWithItsLastTransferAndTheClose) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(200, bytes);
  const std::string trace = Path("trace.txt");
  Child child({"flash", hex, "--emulate", "--trace=" + trace});
  ASSERT_TRUE(child.Started());
  // Shown once the third page is acknowledged.
  ASSERT_TRUE(child.ReadOutUntil("Write page 2\n")) << child.Out();
  // Written as it happened: the third page's last packet is in the file
  // while the program still runs, and the file ends with a whole line.
  std::ifstream early(trace, std::ios::binary);
  const std::string sofar{std::istreambuf_iterator<char>(early), {}};
  EXPECT_TRUE(Has(sofar, "  data 0x1160 page 3 packet 4/4\n")) << sofar.size();
  EXPECT_EQ(sofar.back(), '\n');
  kill(child.Pid(), SIGINT);
  const Outcome run = child.Finish();
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

// Boards side by side, or one after another, in one trace: each line names
// its board.
TEST_F(ZentrelFlashProcess, TraceOfSeveralBoardsNamesEachLinesBoard) {
  for (const char* boards : {"--all", "--repeat"}) {
    const std::string trace = Path("trace.txt");
    const Outcome run = RunProgram({"flash", Path("demo.mvx"), boards, "--emulate",
                                    "--emulate-devices", "2", kInstant, "--pace", "fast",
                                    "--trace=" + trace});
    ASSERT_EQ(run.Code, 0) << boards << run.Err;
    const std::regex named("^ *[0-9]+\\.[0-9]{3} ms  \\+[0-9]+\\.[0-9]{2}  (emu-1|emu-2|-)  .*");
    int lastPages[2] = {0, 0};
    for (const std::string& line : LinesOf(trace)) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(line, m, named)) << boards << line;
      EXPECT_EQ(m[1] == "-", Has(line, "  -  enumerate  ")) << line;
      if (Has(line, "data 0x13E0 page 8 packet 4/4")) ++lastPages[m[1] == "emu-1" ? 0 : 1];
    }
    EXPECT_EQ(lastPages[0], 1) << boards;
    EXPECT_EQ(lastPages[1], 1) << boards;
  }
}

TEST_F(ZentrelFlashProcess, ClosedStdoutNeverStopsTheDownload) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(20, bytes);
  const std::string dump = Path("flash.bin");
  const Outcome run = RunProgram(
      {"flash", hex, "--emulate", kInstant, "--pace", "fast", "--emulate-dump", dump},
      {.CloseOut = true});
  // The road succeeded; only the output failed, and that is said.
  EXPECT_EQ(run.Code, 1);
  EXPECT_NE(run.Err.find("writing to standard output failed"), std::string::npos) << run.Err;
  // 20 pages, then one more page of zeros (the length is a page multiple).
  ExpectFlashed(ReadFile(dump), bytes);
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

}  // namespace
}  // namespace zentrel::test
