// Discovery and the device link over the emulated bus.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "hid/device_access.h"
#include "hid/device_identity.h"
#include "hid/emulated/emulated_bus.h"
#include "protocol/clock.h"

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

// The emulated bus with failures it does not offer itself: attributes that
// cannot be read for one path, a product string that cannot be read, and
// reports that come empty but are called whole (as a platform may).
class FlakyPlatform final : public HidPlatform {
 public:
  explicit FlakyPlatform(EmulatedBus& bus) : bus_(bus) {}
  std::string NoAttributesFor;
  bool NoProductString = false;
  bool EmptyReports = false;
  bool UnendedSerial = false;  // a serial number read whole without its zero

  void Enumerate(const std::function<bool(const HidCollection&)>& visit) override {
    bus_.Enumerate(visit);
  }
  HidHandle Open(const std::string& path) override {
    const HidHandle h = bus_.Open(path);
    paths_[h] = path;
    return h;
  }
  bool GetAttributes(HidHandle h, std::uint16_t& vid, std::uint16_t& pid) override {
    return paths_[h] != NoAttributesFor && bus_.GetAttributes(h, vid, pid);
  }
  bool GetProductString(HidHandle h, char16_t* units, std::size_t count) override {
    if (!NoProductString) return bus_.GetProductString(h, units, count);
    units[0] = u'Z';  // whatever the platform left there is not a string
    units[1] = 0;
    return false;
  }
  bool GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) override {
    if (!UnendedSerial) return bus_.GetSerialNumber(h, units, count);
    units[0] = u'Z';
    units[1] = u'B';
    return true;
  }
  bool SetFeature(HidHandle h, const std::uint8_t* d, std::size_t n) override {
    return bus_.SetFeature(h, d, n);
  }
  bool GetFeature(HidHandle h, std::uint8_t* d, std::size_t n) override {
    return EmptyReports || bus_.GetFeature(h, d, n);
  }
  bool WriteOutput(HidHandle h, const std::uint8_t* d, std::size_t n) override {
    return bus_.WriteOutput(h, d, n);
  }
  bool ReadInput(HidHandle h, std::uint8_t* d, std::size_t n, int ms) override {
    return EmptyReports || bus_.ReadInput(h, d, n, ms);
  }
  void Close(HidHandle h) override { bus_.Close(h); }
  std::size_t OpenHandleCount() const override { return bus_.OpenHandleCount(); }

 private:
  EmulatedBus& bus_;
  std::map<HidHandle, std::string> paths_;
};

TEST(Discovery, ListsTheFirstTenQualifyingCollectionsAndProbesNoFurther) {
  Fixture f;
  std::string paths[12];
  for (auto& path : paths) path = f.bus.AddOtherDevice(Qualifying(1, 2));
  EXPECT_EQ(f.link.RefreshDeviceList(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(f.link.PathTable().Slots[i], paths[i]);
  EXPECT_EQ(f.link.PathTable().Count, 10);
  EXPECT_EQ(f.bus.ProbeOpens(paths[9]), 1);
  EXPECT_EQ(f.bus.ProbeOpens(paths[10]), 0);
  EXPECT_EQ(f.bus.ProbeOpens(paths[11]), 0);
  // The probes leave nothing open and use no handle of the link.
  EXPECT_EQ(f.bus.OpenHandleCount(), 0u);
  EXPECT_EQ(f.bus.Opens(paths[0]), 0);
  EXPECT_EQ(f.bus.Closes(paths[0]), 0);
}

TEST(Discovery, ASecondRefreshListsOnlyWhatIsThereNow) {
  Fixture f;
  auto& a = f.bus.AddBootLoader({});
  auto& b = f.bus.AddBootLoader({});
  auto& c = f.bus.AddBootLoader({});
  ASSERT_EQ(f.link.RefreshDeviceList(), 3);
  b.InjectFault(FaultKind::Vanish, 0);
  c.InjectFault(FaultKind::Vanish, 0);
  EXPECT_EQ(f.link.RefreshDeviceList(), 1);
  EXPECT_EQ(f.link.PathTable().Count, 1);
  EXPECT_EQ(f.link.PathTable().Slots[0], a.Path());
  for (int i = 1; i < 10; ++i) EXPECT_TRUE(f.link.PathTable().Slots[i].empty()) << i;
  // Only the listed slot is tried: the vanished paths are not opened.
  EXPECT_EQ(f.link.OpenDeviceByIds(0x1D51, 1, 3), 0);
  EXPECT_EQ(a.OpenCount(), 1);
  EXPECT_EQ(b.OpenCount() + c.OpenCount(), 0);
}

TEST(Discovery, ARefreshLeavesTheOpenDeviceOpenAndUsable) {
  Fixture f;
  auto& device = f.bus.AddBootLoader({});
  ASSERT_EQ(f.link.OpenDeviceByIds(ZENTREL_VENDOR_ID, ZENTREL_PRODUCT_ID,
                                   f.link.RefreshDeviceList()),
            1);
  EXPECT_EQ(f.link.RefreshDeviceList(), 1);
  EXPECT_TRUE(f.link.IsOpen());
  EXPECT_EQ(f.bus.Closes(device.Path()), 0);
  const CommandReport command{0x00, 0x55, 0, 0, 0, 1, 2, 3, 4};
  EXPECT_EQ(f.link.SendCommandReport(command), 1);
  ASSERT_EQ(device.Commands().size(), 1u);
  EXPECT_EQ(device.Commands()[0], command);
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

TEST(Link, UnreadableAttributesCloseThatHandleAndTheNextSlotIsTried) {
  FakeClock clock;
  EmulatedBus bus{clock};
  FlakyPlatform platform{bus};
  DeviceAccess link{platform};
  auto& first = bus.AddBootLoader({});
  auto& second = bus.AddBootLoader({});
  platform.NoAttributesFor = first.Path();
  const std::int32_t n = link.RefreshDeviceList();
  ASSERT_EQ(n, 2);
  EXPECT_EQ(link.OpenDeviceByIds(ZENTREL_VENDOR_ID, ZENTREL_PRODUCT_ID, n), 1);
  EXPECT_EQ(bus.Opens(first.Path()), 1);
  EXPECT_EQ(bus.Closes(first.Path()), 1);
  EXPECT_EQ(bus.Opens(second.Path()), 1);
  EXPECT_EQ(bus.OpenHandleCount(), 1u);

  // A product string that cannot be read gives 0 and an empty text; the
  // device stays open.
  platform.NoProductString = true;
  char product[65];
  std::fill(std::begin(product), std::end(product), 'z');
  EXPECT_EQ(link.ReadProductString(product, 64), 0);
  EXPECT_EQ(product[0], 0);
  EXPECT_TRUE(link.IsOpen());
}

// An empty answer called whole reads as zeros, never as the last report
// again (an acknowledgement, valid strings).
TEST(Link, AnEmptyReportCalledWholeIsZerosNotTheLastReportAgain) {
  FakeClock clock;
  EmulatedBus bus{clock};
  FlakyPlatform platform{bus};
  DeviceAccess link{platform};
  bus.AddBootLoader({});
  ASSERT_EQ(link.OpenDeviceByIds(ZENTREL_VENDOR_ID, ZENTREL_PRODUCT_ID, link.RefreshDeviceList()), 1);
  platform.EmptyReports = true;
  StatusReport status{0, 0, 0xAD, 1, 2, 3, 4, 5, 6};
  StringsReport strings{};
  strings[1] = 'Z';
  EXPECT_EQ(link.ReadStatusReport(status), 1);
  EXPECT_EQ(status, StatusReport{});
  EXPECT_EQ(link.ReadStringsReport(strings), 1);
  EXPECT_EQ(strings, StringsReport{});
}

TEST(Link, IdsAreComparedAsWhole32BitValuesAndAnOpenClosesTheOpenDeviceFirst) {
  Fixture f;
  f.bus.AddOtherDevice(Qualifying(0x1D50, 0x61A7));
  const std::int32_t n = f.link.RefreshDeviceList();
  EXPECT_EQ(f.link.OpenDeviceByIds(0x11D50, 0x61A7, n), 0);
  EXPECT_EQ(f.link.OpenDeviceByIds(0x1D50, 0x161A7, n), 0);
  EXPECT_FALSE(f.link.IsOpen());
  EXPECT_EQ(f.bus.OpenHandleCount(), 0u);

  ASSERT_EQ(f.link.OpenDeviceByIds(0x1D50, 0x61A7, n), 1);
  ASSERT_EQ(f.link.OpenDeviceByIds(0x1D50, 0x61A7, n), 1);
  EXPECT_EQ(f.bus.OpenHandleCount(), 1u);
  f.link.CloseDevice();
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

// What one read leaves in the buffer never becomes part of the next.
TEST(Identity, ASerialNumberWithoutItsZeroKeepsNothingOfTheProductString) {
  Fixture f;
  BootLoaderConfig config;
  config.Path = "node";
  f.bus.AddBootLoader(config);
  FlakyPlatform platform(f.bus);
  platform.UnendedSerial = true;
  const DeviceIdentity identity = ReadDeviceIdentity(platform, "node");
  EXPECT_EQ(identity.Product, "ZENTREL BOOT");
  EXPECT_EQ(identity.Serial, "ZB");
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
