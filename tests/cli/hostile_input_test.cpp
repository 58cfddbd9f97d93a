// zentrel-flash against what a device, a file or the disk may do: bytes
// that are not UTF-8 in its JSON, an image that ends at the flash's end, a
// FIFO for a firmware file, an output that leads to the firmware file, a
// disk that fills up.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/process_runner.h"

namespace zentrel::test {
namespace {

namespace fs = std::filesystem;

// Erased flash reads 0xFF; 0xE9 is a Latin-1 é.
const std::string kOddPlatform = "ZX\xE9\xFF";
const char* const kOddPlatformInJson = "ZX\u00E9\u00FF";

TEST_F(ZentrelFlashProcess, JsonKeepsEveryByteOfDeviceStringsAndFileNames) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(4, bytes, "\xE9" "app.hex");
  const Outcome run = RunProgram(
      {"flash", hex, "--emulate", "--emulate-platform", kOddPlatform, kInstant, "--json"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  const std::vector<nlohmann::json> records = JsonLines(run.Out);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back()["event"], "result");
  EXPECT_EQ(records.back()["fields"]["platform"], kOddPlatformInJson);
  EXPECT_EQ(records.back()["file"]["path"], dir_.string() + "/\u00E9app.hex");
}

TEST_F(ZentrelFlashProcess, AllWithJsonKeepsEveryBoardsRecordWhateverItsBytes) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(24, bytes);
  const std::string dump = Path("flash.bin");
  const Outcome run = RunProgram({"flash", hex, "--all", "--emulate", "--emulate-devices", "3",
                                  "--emulate-platform", kOddPlatform, kInstant, "--json",
                                  "--emulate-dump", dump});
  ASSERT_EQ(run.Code, 0) << run.Err;
  std::vector<std::string> ports;
  for (const nlohmann::json& record : JsonLines(run.Out)) {
    if (record["event"] != "device_result") continue;
    EXPECT_EQ(record["exit_code"], 0);
    EXPECT_EQ(record["fields"]["platform"], kOddPlatformInJson);
    ports.push_back(record["port"]);
  }
  std::sort(ports.begin(), ports.end());
  ASSERT_EQ(ports, (std::vector<std::string>{"emu-1", "emu-2", "emu-3"})) << run.Out;
  for (const std::string& port : ports) {
    SCOPED_TRACE(port);
    ExpectFlashed(ReadFile(dump + "." + port), bytes);
  }
}

// 32 pages from 4096 end at 8192, and the download sends a 33rd: beyond an
// 8 KiB flash.
TEST_F(ZentrelFlashProcess, AnImageEndingAtTheFlashEndIsRefused) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(32, bytes);
  const Outcome run =
      RunProgram({"flash", hex, "--emulate", "--emulate-flash-kib", "8", kInstant});
  EXPECT_EQ(run.Code, 4) << run.Err;
  EXPECT_NE(run.Err.find("BOOT info: Device Flash size is smaller than SW image\n"),
            std::string::npos)
      << run.Err;
}

// Opening a FIFO for reading waits for a writer. Should the program wait,
// the test becomes that writer after a while, so that it still ends.
TEST_F(ZentrelFlashProcess, AFifoIsRefusedWithoutWaitingForAWriter) {
  const std::string fifo = Path("fifo.hex");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Child child({"image", fifo});
  ASSERT_TRUE(child.Started());
  const bool waited = child.QuietFor(10'000);
  if (waited) close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
  const Outcome run = child.Finish();
  EXPECT_FALSE(waited);
  EXPECT_EQ(run.Code, 3);
  EXPECT_EQ(run.Err, "File Error: File read error\nzentrel-flash: " + fifo +
                         ": not a regular file\n");
}

// A file whose mode forbids reading it. Root reads any file, so from root
// the program runs as nobody.
TEST_F(ZentrelFlashProcess, AFileThatMayNotBeReadSaysPermissionDenied) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(1, bytes);
  fs::permissions(hex, fs::perms::none);
  const Outcome run = RunProgram({"image", hex}, {.AsNobody = geteuid() == 0});
  EXPECT_EQ(run.Code, 3);
  EXPECT_EQ(run.Err, "File Error: File read error\nzentrel-flash: " + hex + ": Permission denied\n");
}

// A board's dump (FILE.PORT) that leads to the firmware file, by a symbolic
// or a hard link, is refused before any board is touched.
TEST_F(ZentrelFlashProcess, ABoardsDumpThatIsTheFirmwareFileIsRefused) {
  const std::vector<std::uint8_t> firmware = ReadFile(Path("demo.mvx"));
  for (const bool hard : {false, true}) {
    fs::remove(Path("dump.emu-2"));
    if (hard) {
      fs::create_hard_link(Path("demo.mvx"), Path("dump.emu-2"));
    } else {
      fs::create_symlink(Path("demo.mvx"), Path("dump.emu-2"));
    }
    const Outcome run = RunProgram({"flash", Path("demo.mvx"), "--all", "--emulate",
                                    "--emulate-devices", "2", kInstant, "--emulate-dump",
                                    Path("dump")});
    EXPECT_EQ(run.Code, 2) << run.Err;
    EXPECT_EQ(run.Err, "zentrel-flash: --emulate-dump: " + Path("dump.emu-2") +
                           " is the firmware file itself\n");
    EXPECT_EQ(ReadFile(Path("demo.mvx")), firmware);
    EXPECT_FALSE(fs::exists(Path("dump.emu-1")));
  }
}

// The disk fills up while the image is written: the old file stays as it
// was, and nothing else is left in the folder.
TEST_F(ZentrelFlashProcess, AFullDiskLeavesTheOldOutputAndNoPartOfTheNew) {
  std::ofstream(Path("out.bin"), std::ios::binary) << "old";
  const Outcome run =
      RunProgram({"image", Path("demo.mvx"), "--output", Path("out.bin")},
                 {.FileSizeLimit = 1000});
  EXPECT_EQ(run.Code, 1) << run.Err;
  EXPECT_NE(run.Err.find("zentrel-flash: cannot write " + Path("out.bin") + ": File too large"),
            std::string::npos)
      << run.Err;
  EXPECT_EQ(ReadFile(Path("out.bin")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"demo.mvx", "out.bin"}));
}

}  // namespace
}  // namespace zentrel::test
