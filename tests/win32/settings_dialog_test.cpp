// The settings dialog opened from the menu, read and filled like a user would.
#include "tests/win32/loader_window_harness.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/settings_dialog.h"

namespace zentrel::win32::testing {
namespace {

using SettingsDialogTest = LoaderWindowTest;

void FillAndConfirm(HWND dialog, const char* vendor, const char* product) {
  SetDlgItemTextA(dialog, ZENTREL_VENDOR_EDIT, vendor);
  SetDlgItemTextA(dialog, ZENTREL_PRODUCT_EDIT, product);
  ClickItemOnceShown(dialog, IDOK);
}

TEST_F(SettingsDialogTest, ShowsTheIdsAndKeepsThemOnPlainOk) {
  Start();
  Controller().Ids().VendorId = 0xABCDEF1;
  Controller().Ids().ProductId = 0x61A7;
  Menu(ZENTREL_CMD_SETTINGS);
  ASSERT_EQ(answerer_.Seen.size(), 1u);
  EXPECT_EQ(answerer_.Seen[0].Kind, DialogKind::Settings);
  EXPECT_EQ(answerer_.Seen[0].Caption, "");
  EXPECT_EQ(answerer_.Seen[0].VendorShown, "0xABCDEF1");
  EXPECT_EQ(answerer_.Seen[0].ProductShown, "0x61A7");
  EXPECT_TRUE(answerer_.Seen[0].ClippedLabels.empty());
  EXPECT_EQ(Controller().Ids().VendorId, 0xABCDEF1u);
  EXPECT_EQ(Controller().Ids().ProductId, 0x61A7u);
}

TEST_F(SettingsDialogTest, EightDigitsLoseTheLastOne) {
  Start();
  Controller().Ids().VendorId = 0x1234ABCD;
  Menu(ZENTREL_CMD_SETTINGS);
  EXPECT_EQ(answerer_.Seen.at(0).VendorShown, "0x1234ABCD");
  EXPECT_EQ(Controller().Ids().VendorId, 0x1234ABCu);
}

TEST_F(SettingsDialogTest, EscAndTheCloseBoxLeaveItOpenUntilOk) {
  Start();
  answerer_.SettingsScript = [](HWND dialog) {
    PostCommand(dialog, IDCANCEL);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    FillAndConfirm(dialog, "12zz", "0X4d2");
  };
  Menu(ZENTREL_CMD_SETTINGS);
  // OK was still there to be pressed after Esc and the close box.
  EXPECT_EQ(Controller().Ids().VendorId, 0x12u);
  EXPECT_EQ(Controller().Ids().ProductId, 0x4D2u);
}

TEST_F(SettingsDialogTest, AnEntryWithoutANumberLeavesItsId) {
  Start();
  const std::uint32_t product = Controller().Ids().ProductId;
  answerer_.SettingsScript = [](HWND dialog) { FillAndConfirm(dialog, "", "zz"); };
  const std::uint32_t vendor = Controller().Ids().VendorId;
  Menu(ZENTREL_CMD_SETTINGS);
  EXPECT_EQ(Controller().Ids().VendorId, vendor);
  EXPECT_EQ(Controller().Ids().ProductId, product);
}

// What OK stores, case by case.
struct EntryCase {
  const char* Vendor;
  const char* Product;
  std::uint32_t WantVendor;
  std::uint32_t WantProduct;
};

class IdEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(IdEntryTest, StoresWhatTheEntriesHold) {
  DeviceIds ids;
  ids.VendorId = 0x1111;
  ids.ProductId = 0x2222;
  ApplyIdEntries(GetParam().Vendor, GetParam().Product, ids);
  EXPECT_EQ(ids.VendorId, GetParam().WantVendor);
  EXPECT_EQ(ids.ProductId, GetParam().WantProduct);
}

INSTANTIATE_TEST_SUITE_P(Cases, IdEntryTest,
                         ::testing::Values(EntryCase{"12", "0x12", 0x12, 0x12},
                                           EntryCase{"0X12", "12zz", 0x12, 0x12},
                                           EntryCase{"", "", 0x1111, 0x2222},
                                           EntryCase{"  ab", "x", 0xAB, 0x2222},
                                           EntryCase{"0x10000", "-1", 0x10000, 0xFFFFFFFF}));

}  // namespace
}  // namespace zentrel::win32::testing
