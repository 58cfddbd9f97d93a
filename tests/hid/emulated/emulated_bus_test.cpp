// The bus as discovery and the link see it: listing, opening, attributes,
// product strings and handles.
#include <string>

#include "emulated_test_support.h"

namespace zentrel::emulated::testing {
namespace {

TEST_F(EmulatedBusTest, ListsCollectionsInOrderOfAdditionWithNestedOnesOnOnePath) {
  OtherDeviceConfig mouse;
  const std::string mousePath = bus_.AddOtherDevice(mouse);
  Add();
  OtherDeviceConfig gadget;
  gadget.UsagePage = 0xFF00;
  gadget.Usage = 0x0002;
  const std::string gadgetPath = bus_.AddOtherDevice(gadget);
  ASSERT_TRUE(bus_.AddCollection(gadgetPath, 0xFF00, 0x0001));
  EXPECT_FALSE(bus_.AddCollection("no-such-path", 0xFF00, 0x0001));

  const auto seen = ListAll(bus_);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].Path, mousePath);
  EXPECT_EQ(seen[0].UsagePage, 0x0001);
  EXPECT_EQ(seen[1].Path, device_->Path());
  EXPECT_EQ(seen[1].UsagePage, 0xFF00);
  EXPECT_EQ(seen[1].Usage, 0x0001);
  EXPECT_EQ(seen[2].Path, gadgetPath);
  EXPECT_EQ(seen[2].Usage, 0x0002);
  EXPECT_EQ(seen[3].Path, gadgetPath);
  EXPECT_EQ(seen[3].Usage, 0x0001);
  for (const auto& c : seen) EXPECT_TRUE(c.CapsKnown);
  EXPECT_NE(mousePath, device_->Path());
  EXPECT_NE(gadgetPath, device_->Path());
  EXPECT_EQ(bus_.ProbeOpens(gadgetPath), 2);
}

TEST_F(EmulatedBusTest, BoardsGetPortsInOrderOfPluggingKeptAcrossTheirReset) {
  std::vector<std::string> paths = {bus_.AddBootLoader({}).Path()};
  const std::string mouse = bus_.AddOtherDevice(OtherDeviceConfig{});
  for (int i = 0; i < 2; ++i) paths.push_back(bus_.AddBootLoader({}).Path());
  BootLoaderConfig named;
  named.Port = "line-A";
  paths.push_back(bus_.AddBootLoader(named).Path());
  paths.push_back(bus_.AddBootLoader({}).Path());
  const std::vector<std::string> expected = {"emu-1", "emu-2", "emu-3", "line-A", "emu-5"};
  for (std::size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(bus_.GetLocation(paths[i]), expected[i]);
  }
  EXPECT_EQ(bus_.GetLocation(mouse), "");
  EXPECT_EQ(bus_.GetLocation("no-such-path"), "");

  handle_ = bus_.Open(paths[1]);
  ASSERT_TRUE(Send(KeyedCommand(kReset)));
  EXPECT_EQ(bus_.GetLocation(paths[1]), "");  // off the bus: nothing there
  clock_.AdvanceUs(1'000'000);
  const auto seen = ListAll(bus_);
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[2].Path, paths[1]);  // after the mouse
  EXPECT_EQ(bus_.GetLocation(paths[1]), "emu-2");
  EXPECT_EQ(bus_.GetLocation(paths[0]), "emu-1");
  EXPECT_EQ(bus_.GetLocation(paths[2]), "emu-3");
}

TEST_F(EmulatedBusTest, UnopenableMembersAreListedWithoutCapabilities) {
  OtherDeviceConfig locked;
  locked.Openable = false;
  locked.UsagePage = 0xFF00;
  locked.Usage = 0x0001;
  const std::string path = bus_.AddOtherDevice(locked);
  Add().InjectFault(FaultKind::CannotOpen);

  const auto seen = ListAll(bus_);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_FALSE(seen[0].CapsKnown);
  EXPECT_FALSE(seen[1].CapsKnown);
  EXPECT_EQ(bus_.Open(path), kNoHidHandle);
  EXPECT_EQ(OpenDevice(), kNoHidHandle);
  EXPECT_EQ(device_->OpenCount(), 0);
  EXPECT_EQ(device_->ProbeOpenCount(), 1);
  device_->ClearFaults();
  EXPECT_NE(OpenDevice(), kNoHidHandle);
}

TEST_F(EmulatedBusTest, OpenGivesAttributesAndCountsOpensAndClosesAndOnlyItsHandlesWork) {
  BootLoaderConfig config;
  config.VendorId = 0x1234;
  config.ProductId = 0xABCD;
  Add(config);
  EXPECT_EQ(bus_.Open("nowhere"), kNoHidHandle);
  const HidHandle a = OpenDevice();
  const HidHandle b = bus_.Open(device_->Path());
  ASSERT_NE(a, kNoHidHandle);
  ASSERT_NE(b, kNoHidHandle);
  EXPECT_NE(a, b);
  std::uint16_t vid = 0, pid = 0;
  ASSERT_TRUE(bus_.GetAttributes(a, vid, pid));
  EXPECT_EQ(vid, 0x1234);
  EXPECT_EQ(pid, 0xABCD);
  EXPECT_EQ(bus_.OpenHandleCount(), 2u);
  bus_.Close(a);
  bus_.Close(a);  // twice: nothing more happens
  EXPECT_EQ(bus_.OpenHandleCount(), 1u);
  EXPECT_EQ(bus_.Closes(device_->Path()), 1);
  EXPECT_EQ(bus_.Opens(device_->Path()), 2);
  EXPECT_EQ(device_->OpenCount(), 2);
  EXPECT_FALSE(bus_.GetAttributes(a, vid, pid));

  // Transfers on a handle the bus never gave fail.
  std::array<std::uint8_t, 64> buffer{};
  char16_t units[8];
  EXPECT_FALSE(bus_.GetAttributes(kNoHidHandle, vid, pid));
  EXPECT_FALSE(bus_.GetProductString(77, units, 8));
  EXPECT_FALSE(bus_.SetFeature(77, buffer.data(), kCommandReportSize));
  EXPECT_FALSE(bus_.GetFeature(77, buffer.data(), kStatusReportSize));
  EXPECT_FALSE(bus_.WriteOutput(77, buffer.data(), kDataReportSize));
  EXPECT_FALSE(bus_.ReadInput(77, buffer.data(), kStringsReportSize, 10));
}

struct ProductStringCase {
  std::u16string Product;
  std::size_t Units;
  bool LowerCase;
  std::u16string Expected;
};

class ProductStringTest : public EmulatedBusTest,
                          public ::testing::WithParamInterface<ProductStringCase> {};

TEST_P(ProductStringTest, IsCutToTheBufferAndEndedByZero) {
  const auto& c = GetParam();
  BootLoaderConfig config;
  config.ProductString = c.Product;
  Add(config);
  if (c.LowerCase) device_->InjectFault(FaultKind::LowerCaseProductString);
  OpenDevice();
  std::array<char16_t, kProductStringUnits + 1> units;
  units.fill(u'#');
  ASSERT_TRUE(bus_.GetProductString(handle_, units.data(), c.Units));
  EXPECT_EQ(std::u16string(units.data()), c.Expected);
  EXPECT_EQ(units[c.Units], u'#');  // nothing written past the count
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProductStringTest,
    ::testing::Values(
        ProductStringCase{u"ZENTREL BOOT", 128, false, u"ZENTREL BOOT"},
        ProductStringCase{u"ZENTREL BOOT", 5, false, u"ZENT"},
        ProductStringCase{u"ZENTREL BOOT", 1, false, u""},
        ProductStringCase{u"\u0141ODZ", 128, false, u"\u0141ODZ"},
        ProductStringCase{u"ZENTREL BOOT", 128, true, u"zentrel boot"},
        ProductStringCase{std::u16string(200, u'Q'), 128, false,
                          std::u16string(127, u'Q')}));

TEST_F(EmulatedBusTest, OtherDevicesOpenButNeverAnswer) {
  OtherDeviceConfig mouse;
  const std::string path = bus_.AddOtherDevice(mouse);
  handle_ = bus_.Open(path);
  ASSERT_NE(handle_, kNoHidHandle);
  std::array<char16_t, 32> units{};
  ASSERT_TRUE(bus_.GetProductString(handle_, units.data(), units.size()));
  EXPECT_EQ(std::u16string(units.data()), u"USB Optical Mouse");
  EXPECT_FALSE(Strings(250).has_value());
  EXPECT_EQ(clock_.NowUs(), 250'000u);
}

}  // namespace
}  // namespace zentrel::emulated::testing
