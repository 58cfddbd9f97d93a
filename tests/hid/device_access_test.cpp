// Discovery and the device link over the emulated bus.
#include <gtest/gtest.h>

#include <string>

#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "sequencer/clock.h"

namespace zentrel {
namespace {

using emulated::BootLoaderConfig;
using emulated::EmulatedBus;
using emulated::FaultKind;
using emulated::OtherDeviceConfig;

OtherDeviceConfig Qualifying(std::uint16_t vid, std::uint16_t pid) {
  OtherDeviceConfig c;
  c.VendorId = vid;
  c.ProductId = pid;
  c.UsagePage = kBootUsagePage;
  c.Usage = kBootUsage;
  return c;
}

struct Fixture {
  FakeClock clock;
  EmulatedBus bus{clock};
  DeviceAccess link{bus};
};

TEST(Discovery, ListsTheFirstTenQualifyingCollectionsAndProbesNoFurther) {
  Fixture f;
  std::string paths[12];
  for (auto& path : paths) path = f.bus.AddOtherDevice(Qualifying(1, 2));
  EXPECT_EQ(f.link.RefreshDeviceList(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(f.link.PathTable().Slots[i], paths[i]);
  EXPECT_EQ(f.bus.ProbeOpens(paths[10]), 0);
  EXPECT_EQ(f.bus.ProbeOpens(paths[11]), 0);
  // A second refresh starts again from slot 0.
  EXPECT_EQ(f.link.RefreshDeviceList(), 10);
}

TEST(Discovery, KeepsOnlyUsagePageFF00Usage1ThatCanBeOpened) {
  Fixture f;
  auto wrongUsage = Qualifying(1, 2);
  wrongUsage.Usage = 0x0002;
  auto wrongPage = Qualifying(1, 2);
  wrongPage.UsagePage = 0x0001;
  auto closed = Qualifying(1, 2);
  closed.Openable = false;
  f.bus.AddOtherDevice(wrongUsage);
  f.bus.AddOtherDevice(wrongPage);
  f.bus.AddOtherDevice(closed);
  const std::string good = f.bus.AddOtherDevice(Qualifying(1, 2));
  EXPECT_EQ(f.link.RefreshDeviceList(), 1);
  EXPECT_EQ(f.link.PathTable().Slots[0], good);
  EXPECT_TRUE(f.link.PathTable().Slots[1].empty());
}

TEST(Discovery, AnInterfaceWithSeveralCollectionsIsListedOnceInOrder) {
  Fixture f;
  auto first = Qualifying(1, 2);
  first.UsagePage = 0x000C;  // consumer control first, the boot collection nested
  first.Usage = 0x0001;
  const std::string a = f.bus.AddOtherDevice(first);
  ASSERT_TRUE(f.bus.AddCollection(a, kBootUsagePage, kBootUsage));
  ASSERT_TRUE(f.bus.AddCollection(a, kBootUsagePage, kBootUsage));
  const std::string b = f.bus.AddOtherDevice(Qualifying(1, 2));
  EXPECT_EQ(f.link.RefreshDeviceList(), 2);
  EXPECT_EQ(f.link.PathTable().Slots[0], a);
  EXPECT_EQ(f.link.PathTable().Slots[1], b);
}

TEST(Link, LowestMatchingSlotWinsAndOthersAreClosedOnce) {
  Fixture f;
  const std::string wrongProduct = f.bus.AddOtherDevice(Qualifying(0x1D50, 0x0001));
  const std::string first = f.bus.AddOtherDevice(Qualifying(0x1D50, 0x61A7));
  const std::string second = f.bus.AddOtherDevice(Qualifying(0x1D50, 0x61A7));
  std::int32_t n = f.link.RefreshDeviceList();
  ASSERT_EQ(n, 3);
  EXPECT_EQ(f.link.OpenDeviceByIds(0x1D50, 0x61A7, n), 1);
  EXPECT_TRUE(f.link.IsOpen());
  EXPECT_EQ(f.bus.Opens(wrongProduct), 1);
  EXPECT_EQ(f.bus.Closes(wrongProduct), 1);
  EXPECT_EQ(f.bus.Opens(first), 1);
  EXPECT_EQ(f.bus.Opens(second), 0);
  f.link.CloseDevice();
  f.link.CloseDevice();
  EXPECT_EQ(f.bus.Closes(first), 1);
  EXPECT_EQ(f.bus.OpenHandleCount(), 0u);
}

TEST(Link, APathThatNoLongerOpensIsPassedOver) {
  Fixture f;
  auto& gone = f.bus.AddBootLoader({});
  auto& other = f.bus.AddBootLoader({});
  std::int32_t n = f.link.RefreshDeviceList();
  ASSERT_EQ(n, 2);
  gone.InjectFault(FaultKind::CannotOpen);  // unplugged after the refresh
  EXPECT_EQ(f.link.OpenDeviceByIds(ZENTREL_VENDOR_ID, ZENTREL_PRODUCT_ID, n), 1);
  EXPECT_EQ(other.OpenCount(), 1);
}

TEST(Link, IdsAreComparedAsWhole32BitValues) {
  Fixture f;
  f.bus.AddOtherDevice(Qualifying(0x1D50, 0x61A7));
  std::int32_t n = f.link.RefreshDeviceList();
  EXPECT_EQ(f.link.OpenDeviceByIds(0x11D50, 0x61A7, n), 0);
  EXPECT_EQ(f.link.OpenDeviceByIds(0x1D50, 0x161A7, n), 0);
  EXPECT_FALSE(f.link.IsOpen());
  EXPECT_EQ(f.bus.OpenHandleCount(), 0u);
}

TEST(Link, EmptyListOpensNothingAndTransfersReachNoDevice) {
  Fixture f;
  auto& device = f.bus.AddBootLoader({});
  EXPECT_EQ(f.link.OpenDeviceByIds(ZENTREL_VENDOR_ID, ZENTREL_PRODUCT_ID, 0), 0);
  CommandReport command{};
  StatusReport status{};
  DataReport data{};
  StringsReport strings{};
  char product[65] = "x";
  EXPECT_EQ(f.link.SendCommandReport(command), 0);
  EXPECT_EQ(f.link.ReadStatusReport(status), 0);
  EXPECT_EQ(f.link.WriteDataReport(data), 0);
  EXPECT_EQ(f.link.ReadStringsReport(strings), 0);
  EXPECT_EQ(f.link.ReadProductString(product, 64), 0);
  EXPECT_EQ(product[0], 0);
  EXPECT_TRUE(device.Commands().empty());
  EXPECT_EQ(device.OpenCount(), 0);
}

TEST(Link, ProductStringIsNarrowedToLowBytesAndCut) {
  struct Row {
    std::u16string Product;
    std::string Expected;
  };
  const Row rows[] = {
      {u"Boot HID 11", "Boot HID 11"},
      {u"\u0141ODZ", "AODZ"},
      {std::u16string(70, u'Q'), std::string(64, 'Q')},
  };
  for (const Row& row : rows) {
    Fixture f;
    BootLoaderConfig config;
    config.ProductString = row.Product;
    f.bus.AddBootLoader(config);
    std::int32_t n = f.link.RefreshDeviceList();
    ASSERT_EQ(f.link.OpenDeviceByIds(ZENTREL_VENDOR_ID, ZENTREL_PRODUCT_ID, n), 1);
    char product[65];
    std::fill(std::begin(product), std::end(product), 'z');
    EXPECT_EQ(f.link.ReadProductString(product, 64), 1);
    EXPECT_EQ(std::string(product), row.Expected);
  }
}

TEST(Link, StringsReadGivesUpAfterOneSecondAndKeepsTheDeviceOpen) {
  Fixture f;
  auto& device = f.bus.AddBootLoader({});
  std::int32_t n = f.link.RefreshDeviceList();
  ASSERT_EQ(f.link.OpenDeviceByIds(ZENTREL_VENDOR_ID, ZENTREL_PRODUCT_ID, n), 1);
  device.InjectFault(FaultKind::StopAnswering);
  StringsReport strings{};
  const std::uint64_t start = f.clock.NowUs();
  EXPECT_EQ(f.link.ReadStringsReport(strings), 0);
  EXPECT_EQ(f.clock.NowUs() - start, 1'000'000u);
  EXPECT_TRUE(f.link.IsOpen());
}

}  // namespace
}  // namespace zentrel
