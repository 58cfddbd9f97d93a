// The command line's road runner, in-process on virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "tests/support/record_schema.h"
#include "cli/terminal.h"
#include "cli/console_view.h"
#include "hid/device_identity.h"
#include "hid/emulated/emulated_bus.h"
#include "tests/support/flash_check.h"

namespace zentrel::cli {
namespace {

TEST(UsbIdOption, AcceptsHexWithOrWithoutPrefixFrom1To0xFFFFAndNothingElse) {
  struct Row {
    const char* Text;
    bool Ok;
    std::uint32_t Value;
  };
  const Row rows[] = {{"0x1D50", true, 0x1D50}, {"1d50", true, 0x1D50},
                      {"0X0000FFFF", true, 0xFFFF}, {"0x10000", false, 0},
                      {"0", false, 0}, {"123456789", false, 0}, {"0x", false, 0},
                      {"", false, 0}, {"12zz", false, 0}, {"-1", false, 0}};
  for (const Row& row : rows) {
    std::uint32_t value = 7;
    EXPECT_EQ(ParseUsbId(row.Text, value), row.Ok) << row.Text;
    EXPECT_EQ(value, row.Ok ? row.Value : 7u) << row.Text;
  }
}

// A device command in-process on virtual time, its JSON lines parsed.
struct CommandRun {
  int Code = -1;
  std::uint64_t Elapsed = 0;
  std::vector<nlohmann::json> Lines;
  const nlohmann::json& Result() const { return Lines.back(); }
};

CommandRun RunEmulated(DeviceOptions options, const ImageStore& image, RoadKind road) {
  options.Emulate = true;
  FakeClock clock;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ConsoleView view(out, err, OutputMode::Json);
  CommandRun run;
  run.Code = RunDeviceCommand(road, options, view, image, clock);
  run.Elapsed = clock.NowUs();
  std::rewind(out);
  char line[8192];
  std::string all;
  while (std::fgets(line, sizeof line, out) != nullptr) {
    run.Lines.push_back(nlohmann::json::parse(line));
    all += line;
  }
  testing::ExpectValidRecords(all);
  std::fclose(out);
  std::fclose(err);
  return run;
}

std::unique_ptr<ImageStore> PatternImage(std::uint32_t pages) {
  auto image = std::make_unique<ImageStore>();
  const std::uint32_t length = 4096 + pages * 128;
  for (std::uint32_t i = 0; i < length; ++i) {
    image->ImageBuffer[i] = static_cast<std::uint8_t>(i * 7);
  }
  image->ImageLength = length;
  image->ImageKind = 'h';
  image->ImageLoaded = 1;
  // As if read from an (empty) Intel HEX file: the record names one.
  image->Format = FirmwareFormat::IntelHex;
  std::snprintf(image->FileSha256.data(), image->FileSha256.size(), "%s",
                "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  return image;
}

// The null device is a character device, but no live line is drawn there.
TEST(Terminal, TheNullDeviceIsNone) {
#ifdef _WIN32
  std::FILE* null = std::fopen("NUL", "w");
#else
  std::FILE* null = std::fopen("/dev/null", "w");
#endif
  ASSERT_NE(null, nullptr);
  EXPECT_FALSE(IsTerminal(null));
  std::fclose(null);
}

TEST(RunDeviceCommand, FlashDumpHoldsTheImageAndFastPaceIsQuicker) {
  const auto image = PatternImage(40);
  const auto dump = std::filesystem::temp_directory_path() / "zentrel_cli_dump.bin";

  DeviceOptions window;
  window.Pacing = Pace::Window;
  window.EmuDump = dump.string();
  const CommandRun slow = RunEmulated(window, *image, RoadKind::Download);
  ASSERT_EQ(slow.Code, 0);
  EXPECT_EQ(slow.Result()["pages_written"], 41);
  // The last page is told before the box that ends the road.
  std::vector<std::string> events;
  for (const nlohmann::json& line : slow.Lines) events.push_back(line["event"]);
  const auto box = std::find(events.begin(), events.end(), "message") - events.begin();
  EXPECT_EQ(slow.Lines[static_cast<std::size_t>(box - 1)]["page"], 41) << box;
  std::vector<std::uint8_t> flash;
  {
    std::ifstream in(dump, std::ios::binary);  // closed before the file is removed
    flash.assign(std::istreambuf_iterator<char>(in), {});
  }
  testing::ExpectFlashed(flash, testing::SentBytes(*image));
  std::filesystem::remove(dump);

  DeviceOptions fast;  // the default pace
  const CommandRun quick = RunEmulated(fast, *image, RoadKind::Download);
  ASSERT_EQ(quick.Code, 0);
  EXPECT_LT(quick.Elapsed * 2, slow.Elapsed);
}

TEST(UnopenableHint, NamesOnlyTheDevicesWithTheIdsThatCannotBeOpened) {
  FakeClock clock;
  emulated::EmulatedBus bus(clock);
  emulated::BootLoaderConfig refused;
  refused.Path = "/dev/hidraw3";
  bus.AddBootLoader(refused).InjectFault(emulated::FaultKind::CannotOpen);
  emulated::BootLoaderConfig fine;
  fine.Path = "/dev/hidraw4";
  bus.AddBootLoader(fine);
  emulated::BootLoaderConfig other = refused;
  other.Path = "/dev/hidraw5";
  other.ProductId = 0x1234;
  bus.AddBootLoader(other).InjectFault(emulated::FaultKind::CannotOpen);

  std::FILE* err = std::tmpfile();
  ConsoleView view(stdout, err);
  DeviceIds ids;
  ids.VendorId = 0x1D50;
  ids.ProductId = 0x61A7;
  const auto report = [&] {
    const std::vector<UnopenableDevice> found = FindUnopenableWithIds(bus, ids);
    view.TellUnopenable(found, ids);
    return found;
  };
  EXPECT_EQ(report().size(), 1u);
  // An ID that no device can have names nothing.
  ids.VendorId = 0x11D50;
  EXPECT_TRUE(report().empty());
  std::rewind(err);
  char text[1024] = "";
  text[std::fread(text, 1, sizeof text - 1, err)] = 0;
  std::fclose(err);
  const char* advice =
#ifdef _WIN32
      "zentrel-flash: another program may hold it open; close that program and try again\n";
#else
      "zentrel-flash: to give your user access, install the udev rule and plug the device "
      "in again (README, \"Device access on Linux\")\n";
#endif
  EXPECT_EQ(std::string(text),
            std::string("zentrel-flash: /dev/hidraw3 is a device with IDs 1D50:61A7, but it "
                        "cannot be opened: Permission denied (emulated)\n") +
                advice);
}

#ifndef _WIN32
// timeout sends its signal to the program and to its process group: one
// request. A second one later ends the program at once.
TEST(Signals, TwoAtOnceAreOneRequestASecondLaterEndsTheProgram) {
  EXPECT_EXIT(
      {
        InstallInterruptHandlers();
        raise(SIGINT);
        raise(SIGTERM);
        std::fputs("one request\n", stderr);
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        raise(SIGINT);
      },
      ::testing::ExitedWithCode(130),
      "^one request\nzentrel-flash: interrupted again, ending at once\n$");
}

// Standard output that sends Ctrl-C once the first board's record is written.
ssize_t InterruptAfterFirstRecord(void* cookie, const char* data, std::size_t size) {
  auto& text = *static_cast<std::string*>(cookie);
  const bool first = text.find("device_result") == std::string::npos;
  text.append(data, size);
  if (first && text.find("device_result") != std::string::npos) raise(SIGINT);
  return static_cast<ssize_t>(size);
}

// Ctrl-C after a board of --repeat and before the next: the run ends with
// the boards so far, and the next board is never touched.
TEST(Signals, BetweenTwoBoardsOfRepeatEndsTheRun) {
  InstallInterruptHandlers();
  std::string written;
  std::FILE* out = fopencookie(&written, "w", {nullptr, InterruptAfterFirstRecord, {}, {}});
  ConsoleView view(out, stderr, OutputMode::Json);
  DeviceOptions options;
  options.Emulate = options.Repeat = true;
  options.EmuDevices = 3;
  FakeClock clock;
  EXPECT_EQ(RunDeviceCommand(RoadKind::Download, options, view, *PatternImage(2), clock), 0);
  std::fclose(out);
  ClearInterrupt();
  const auto result = nlohmann::json::parse(written.substr(written.rfind("{\"all\"")));
  EXPECT_EQ(result["boards"], 1);
  EXPECT_EQ(result["failed"], 0);
}
#endif

}  // namespace
}  // namespace zentrel::cli
