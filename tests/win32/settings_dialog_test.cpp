// The settings dialog opened from the menu, read and filled like a user would.
#include "tests/win32/loader_window_harness.h"
#include "ui/win32/resource_ids.h"

namespace zentrel::win32::testing {
namespace {

using SettingsDialogTest = LoaderWindowTest;

void FillAndConfirm(HWND dialog, const char* vendor, const char* product) {
  SetDlgItemTextA(dialog, ZENTREL_VENDOR_EDIT, vendor);
  SetDlgItemTextA(dialog, ZENTREL_PRODUCT_EDIT, product);
  ClickItemOnceShown(dialog, IDOK);
}

// Up to seven digits come back as they were shown; of eight, the last is lost.
TEST_F(SettingsDialogTest, ShowsTheIdsAndReadsThemBackOnPlainOk) {
  Controller().Ids().VendorId = 0x1234ABCD;
  Controller().Ids().ProductId = 0xABCDEF1;
  Menu(ZENTREL_CMD_SETTINGS);
  ASSERT_EQ(answerer_.Seen.size(), 1u);
  EXPECT_EQ(answerer_.Seen[0].Kind, DialogKind::Settings);
  EXPECT_EQ(answerer_.Seen[0].Caption, "");
  EXPECT_EQ(answerer_.Seen[0].VendorShown, "0x1234ABCD");
  EXPECT_EQ(answerer_.Seen[0].ProductShown, "0xABCDEF1");
  EXPECT_TRUE(answerer_.Seen[0].ClippedLabels.empty());
  EXPECT_EQ(Controller().Ids().VendorId, 0x1234ABCu);
  EXPECT_EQ(Controller().Ids().ProductId, 0xABCDEF1u);
}

TEST_F(SettingsDialogTest, EscAndTheCloseBoxLeaveItOpenUntilOk) {
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
  const std::uint32_t product = Controller().Ids().ProductId;
  answerer_.SettingsScript = [](HWND dialog) { FillAndConfirm(dialog, "", "zz"); };
  const std::uint32_t vendor = Controller().Ids().VendorId;
  Menu(ZENTREL_CMD_SETTINGS);
  EXPECT_EQ(Controller().Ids().VendorId, vendor);
  EXPECT_EQ(Controller().Ids().ProductId, product);
}

}  // namespace
}  // namespace zentrel::win32::testing
