// The command line's road runner, in-process on virtual time.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cli/device_session.h"
#include "cli/unopenable_hint.h"
#include "hid/emulated/emulated_bus.h"

namespace zentrel::cli {
namespace {

TEST(HexOption, AcceptsHexWithOrWithoutPrefixAndNothingElse) {
  struct Row {
    const char* Text;
    bool Ok;
    std::uint32_t Value;
  };
  const Row rows[] = {{"0x1D50", true, 0x1D50}, {"1d50", true, 0x1D50},
                      {"0XFFFFFFFF", true, 0xFFFFFFFF}, {"123456789", false, 0},
                      {"0x", false, 0}, {"", false, 0}, {"12zz", false, 0},
                      {"-1", false, 0}};
  for (const Row& row : rows) {
    std::uint32_t value = 7;
    EXPECT_EQ(ParseHexOption(row.Text, value), row.Ok) << row.Text;
    EXPECT_EQ(value, row.Ok ? row.Value : 7u) << row.Text;
  }
}

struct RoadRun {
  int Code = -1;
  std::uint64_t Elapsed = 0;
  std::unique_ptr<ConsoleView> View;
};

// Quiet console: the lines go to a scratch file.
RoadRun RunEmulated(DeviceOptions options, ImageStore& image,
                void (BootSequencer::*start)()) {
  options.Emulate = true;
  FakeClock clock;
  static std::FILE* sink = std::tmpfile();
  RoadRun run;
  run.View = std::make_unique<ConsoleView>(sink, sink);
  run.Code = RunRoad(options, image, *run.View, clock,
                     [start](BootSequencer& s) { (s.*start)(); });
  run.Elapsed = clock.NowUs();
  return run;
}

TEST(RunRoad, InfoAgainstTheEmulatedDeviceSucceeds) {
  auto image = std::make_unique<ImageStore>();
  RoadRun run = RunEmulated({}, *image, &BootSequencer::StartInfo);
  EXPECT_EQ(run.Code, 0);
  EXPECT_EQ(run.View->Field(ValueField::PlatformField), "  ZX-CORE");
  EXPECT_FALSE(run.View->HasBox());
}

TEST(RunRoad, AnInjectedFaultFailsWithTheBoxText) {
  auto image = std::make_unique<ImageStore>();
  DeviceOptions options;
  options.EmuFaults = {"never-returns"};
  RoadRun run = RunEmulated(options, *image, &BootSequencer::StartInfo);
  EXPECT_EQ(run.Code, 5);
  ASSERT_TRUE(run.View->HasBox());
  EXPECT_EQ(run.View->LastBox().Text, "No HID device detect");
}

TEST(RunRoad, BadOptionsAreRefusedBeforeAnyDevice) {
  auto image = std::make_unique<ImageStore>();
  DeviceOptions unknownFault;
  unknownFault.EmuFaults = {"no-such-fault"};
  EXPECT_EQ(RunEmulated(unknownFault, *image, &BootSequencer::StartInfo).Code, 2);
  DeviceOptions badVid;
  badVid.VendorId = "xyz";
  EXPECT_EQ(RunEmulated(badVid, *image, &BootSequencer::StartInfo).Code, 2);
}

TEST(RunRoad, FlashDumpHoldsTheImageAndFastPaceIsQuicker) {
  auto image = std::make_unique<ImageStore>();
  const std::uint32_t length = 4096 + 40 * 128;
  for (std::uint32_t i = 0; i < length; ++i) image->ImageBuffer[i] = static_cast<std::uint8_t>(i * 7);
  image->ImageLength = length;
  image->ImageKind = 'h';
  image->ImageLoaded = 1;
  const auto dump = std::filesystem::temp_directory_path() / "zentrel_cli_dump.bin";

  DeviceOptions window;
  window.EmuDump = dump.string();
  RoadRun slow = RunEmulated(window, *image, &BootSequencer::StartDownload);
  ASSERT_EQ(slow.Code, 0);
  std::vector<std::uint8_t> flash;
  {
    std::ifstream in(dump, std::ios::binary);  // closed before the file is removed
    flash.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_EQ(flash.size(), 256u * 1024);
  EXPECT_TRUE(std::equal(flash.begin() + 4096, flash.begin() + length,
                         image->ImageBuffer.begin() + 4096));
  std::filesystem::remove(dump);

  DeviceOptions fast;
  fast.Pacing = Pace::Fast;
  RoadRun quick = RunEmulated(fast, *image, &BootSequencer::StartDownload);
  ASSERT_EQ(quick.Code, 0);
  EXPECT_LT(quick.Elapsed * 2, slow.Elapsed);
}

TEST(RunRoad, PlatformMismatchFailsWithItsBox) {
  auto image = std::make_unique<ImageStore>();
  const char header[] = "ZENTREL image  ZX-CORE           1.x     \r\n";
  std::copy(header, header + 43, image->FileBuffer.begin());
  image->FileLength = 43;
  image->ImageLength = 8192;
  image->ImageKind = 'm';
  image->ImageLoaded = 1;
  DeviceOptions options;
  options.EmuPlatform = "OTHER";
  RoadRun run = RunEmulated(options, *image, &BootSequencer::StartDownload);
  EXPECT_EQ(run.Code, 4);
  EXPECT_EQ(run.View->LastBox().Text, "HW is uncompatible with selected SW image File");
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
  DeviceIds ids;
  ids.VendorId = 0x1D50;
  ids.ProductId = 0x61A7;
  EXPECT_EQ(ReportUnopenableDevices(bus, ids, err), 1);
  // An ID that no device can have names nothing.
  ids.VendorId = 0x11D50;
  EXPECT_EQ(ReportUnopenableDevices(bus, ids, err), 0);
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
                        "cannot be opened: the emulated device refuses to open\n") +
                advice);
}

}  // namespace
}  // namespace zentrel::cli
