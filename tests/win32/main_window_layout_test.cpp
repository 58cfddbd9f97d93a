// The window's class, frame, controls and menu, read back from the real window.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "tests/win32/loader_window_harness.h"
#include "ui/win32/resource_ids.h"

namespace zentrel::win32::testing {
namespace {

using MainWindowLayoutTest = LoaderWindowTest;

RECT ClientRectOf(HWND child, HWND parent) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(MainWindowLayoutTest, ClassTitleStyleAndFrame) {
  char name[64] = "";
  GetClassNameA(Main(), name, sizeof name);
  EXPECT_STREQ(name, "WinAPIMainClass");
  EXPECT_EQ(TextOf(Main()), " Zentrel  0.0.4 02.07.2013");

  const LONG style = GetWindowLongA(Main(), GWL_STYLE);
  EXPECT_EQ(style & (WS_VISIBLE | WS_SYSMENU | WS_CAPTION),
            WS_VISIBLE | WS_SYSMENU | WS_CAPTION);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD | WS_POPUP), 0);
  EXPECT_EQ(GetWindowLongA(Main(), GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), 0);

  RECT frame;
  GetWindowRect(Main(), &frame);
  EXPECT_EQ(frame.left, 100);
  EXPECT_EQ(frame.top, 100);
  EXPECT_EQ(frame.right - frame.left, 550);
  EXPECT_EQ(frame.bottom - frame.top, 400);

  EXPECT_EQ(GetClassLongA(Main(), GCL_STYLE), static_cast<DWORD>(CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(GetClassLongPtrA(Main(), GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
  EXPECT_NE(GetClassLongPtrA(Main(), GCLP_HICON), 0);
  EXPECT_EQ(GetClassLongA(Main(), GCL_CBCLSEXTRA), 0u);
  EXPECT_EQ(GetClassLongA(Main(), GCL_CBWNDEXTRA), 0u);
}

struct ExpectedChild {
  const char* ClassName;
  const char* Text;
  bool ClientEdge;
  LONG ClassStyle;  // the low word: the class's own style bits
  int X, Y, Width, Height;
};

// ES_READONLY is 0x0800.
constexpr ExpectedChild kExpected[] = {
    {"Edit", "", true, 0x0800, 20, 200, 500, 20},
    {"Static", "", true, 0, 20, 40, 140, 20},
    {"Static", "", true, 0, 200, 40, 140, 20},
    {"Static", "", true, 0, 380, 40, 140, 20},
    {"Static", "", true, 0, 20, 120, 140, 20},
    {"Static", "", true, 0, 200, 120, 140, 20},
    {"Static", "", true, 0, 380, 120, 140, 20},
    {"Button", "OpenFile", false, 0, 20, 260, 100, 25},
    {"Button", "DownLoad", false, 0, 150, 260, 100, 25},
    {"Button", "HW info", false, 0, 280, 260, 100, 25},
    {"Button", "Application FW", false, 0, 410, 260, 100, 25},
};

TEST_F(MainWindowLayoutTest, TwelveChildrenInCreationOrderWithoutIdentifiers) {
  HWND child = GetWindow(Main(), GW_CHILD);
  const auto font = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const ExpectedChild& e : kExpected) {
    SCOPED_TRACE(e.Text);
    ASSERT_NE(child, nullptr);
    char name[64] = "";
    GetClassNameA(child, name, sizeof name);
    EXPECT_EQ(lstrcmpiA(name, e.ClassName), 0) << name;
    EXPECT_EQ(TextOf(child), e.Text);
    EXPECT_EQ(GetDlgCtrlID(child), 0);
    EXPECT_EQ(GetWindowLongA(child, GWL_STYLE) & 0xFFFF0000L, WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(GetWindowLongA(child, GWL_STYLE) & 0xFFFFL, e.ClassStyle);
    EXPECT_EQ((GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0, e.ClientEdge);
    const RECT r = ClientRectOf(child, Main());
    EXPECT_EQ(r.left, e.X);
    EXPECT_EQ(r.top, e.Y);
    EXPECT_EQ(r.right - r.left, e.Width);
    EXPECT_EQ(r.bottom - r.top, e.Height);
    EXPECT_EQ(SendMessageA(child, WM_GETFONT, 0, 0), font);
    child = GetWindow(child, GW_HWNDNEXT);
  }
  ASSERT_NE(child, nullptr);
  char name[64] = "";
  GetClassNameA(child, name, sizeof name);
  EXPECT_STREQ(name, STATUSCLASSNAMEA);
  EXPECT_EQ(child, Window().StatusBar);
  EXPECT_EQ(GetDlgCtrlID(child), 0);
  // Along the bottom edge, the whole width.
  RECT client;
  GetClientRect(Main(), &client);
  const RECT bar = ClientRectOf(child, Main());
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.right, client.right);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_EQ(SendMessageA(child, SB_GETPARTS, 0, 0), 1);
  EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), nullptr);
}

// In the fonts they are drawn with: each caption in the window's default
// font, in the 20 pixels above its field and no wider than it; each button's
// text within its button.
TEST_F(MainWindowLayoutTest, TextsFitTheirPlaces) {
  HDC dc = GetDC(Main());
  const char* captions[] = {"HW platform",      "HW version", "BOOT SW version",
                            "Application info", "FW version", "HID Device ID"};
  for (const char* caption : captions) {
    SIZE size{};
    GetTextExtentPoint32A(dc, caption, lstrlenA(caption), &size);
    EXPECT_LE(size.cx, 140) << caption;
    EXPECT_LE(size.cy, 20) << caption;
  }
  for (HWND button : {Window().OpenFileButton, Window().DownloadButton, Window().HwInfoButton,
                      Window().AppFwButton}) {
    const std::string text = TextOf(button);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(button, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    EXPECT_LT(size.cx, 100) << text;
    EXPECT_LT(size.cy, 25) << text;
  }
  ReleaseDC(Main(), dc);
}

TEST_F(MainWindowLayoutTest, StartState) {
  EXPECT_EQ(Status(), "BOOT sequence uninitialize");
  EXPECT_EQ(TextOf(Window().PathField), "");
  for (HWND field : Window().Fields) EXPECT_EQ(TextOf(field), "");
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_EQ(Controller().Sequencer().SequencerState(), SequencerStage::Idle);
}

TEST_F(MainWindowLayoutTest, CzechMenuOfThreePopups) {
  HMENU bar = GetMenu(Main());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  struct Row {
    const wchar_t* Popup;
    const char* Item;
    UINT Command;
  };
  const Row rows[] = {{L"Soubor", "Konec", ZENTREL_CMD_EXIT},
                      {L"Nastaven\u00ED", "Komunikace", ZENTREL_CMD_SETTINGS},
                      {L"N\u00E1pov\u011Bda", "O programu", ZENTREL_CMD_ABOUT}};
  for (int i = 0; i < 3; ++i) {
    wchar_t popup[64] = L"";
    GetMenuStringW(bar, i, popup, 64, MF_BYPOSITION);
    EXPECT_STREQ(popup, rows[i].Popup);
    HMENU sub = GetSubMenu(bar, i);
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(GetMenuItemCount(sub), 1);
    EXPECT_EQ(GetMenuItemID(sub, 0), rows[i].Command);
    char item[64] = "";
    GetMenuStringA(sub, 0, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ(item, rows[i].Item);
  }
}

TEST_F(MainWindowLayoutTest, ResourcesAreTaggedCzech) {
  const WORD czech = MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT);
  EXPECT_EQ(czech, 1029);
  HMODULE self = GetModuleHandleA(nullptr);
  EXPECT_NE(FindResourceExA(self, RT_GROUP_ICON, MAKEINTRESOURCEA(ZENTREL_ICON), czech), nullptr);
  EXPECT_NE(FindResourceExA(self, RT_MENU, MAKEINTRESOURCEA(ZENTREL_MENU), czech), nullptr);
  EXPECT_NE(FindResourceExA(self, RT_DIALOG, MAKEINTRESOURCEA(ZENTREL_SETTINGS_DIALOG), czech),
            nullptr);
}

}  // namespace
}  // namespace zentrel::win32::testing
