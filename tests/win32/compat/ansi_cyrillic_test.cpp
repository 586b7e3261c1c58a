// Windows 98 with a Cyrillic ANSI code page (run by
// tests/harness/run_in_prefix.sh win98-ru): the layer picks its ANSI row, and
// Russian text survives every trip through the code page: menus, dialog texts, the tray tip and the volume label.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/system_win32.h"
#include "compat/compat.h"
#include "resources/product.h"
#include "resources/string_ids.h"
#include "tests/win32/compat/test_dialog.h"

namespace {

const char16_t kDrive[] = u"Привод: E: TEAC DV-W516E — 48x";
const char16_t kRussian[] = u"Лоток открыт! Осталось секунд: 5";
// The same text in code page 1251.
const char kRussian1251[] =
    "\xCB\xEE\xF2\xEE\xEA \xEE\xF2\xEA\xF0\xFB\xF2! \xCE\xF1\xF2\xE0\xEB\xEE\xF1\xFC "
    "\xF1\xE5\xEA\xF3\xED\xE4: 5";

class Windows98 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitCompatLayer(); }
};

TEST_F(Windows98, RunsTheAnsiRowOverCodePage1251) {
  const OsVersion os = QueryOsVersion();
  ASSERT_TRUE(os.Known);
  ASSERT_FALSE(os.Nt) << "run as Windows 98";
  ASSERT_EQ(GetACP(), 1251u) << "run with a Russian locale";
  EXPECT_EQ(IsWindowsNt(), 0);
  EXPECT_EQ(WideOps().WideSetDlgItemText, AnsiWideOperations.WideSetDlgItemText);
  EXPECT_EQ(WideOps().WideShellNotifyIcon, AnsiWideOperations.WideShellNotifyIcon);
}

TEST_F(Windows98, ConvertsBothWays) {
  char* ansi = WideToAnsi(kRussian);
  ASSERT_NE(ansi, nullptr);
  EXPECT_STREQ(ansi, kRussian1251);
  char16_t wide[64];
  char16_t* end = AppendAnsi(wide, ansi);
  EXPECT_EQ(std::u16string(wide), kRussian);
  EXPECT_EQ(end, wide + std::char_traits<char16_t>::length(kRussian));
  free(ansi);
  // Punctuation beyond ASCII too: 1251 has the em dash (0x97).
  ansi = WideToAnsi(kDrive);
  ASSERT_NE(ansi, nullptr);
  AppendAnsi(wide, ansi);
  EXPECT_EQ(std::u16string(wide), kDrive);
  free(ansi);
}

TEST_F(Windows98, MenuItemsKeepRussianText) {
  HMENU menu = CreatePopupMenu();
  MENUITEMINFOW item = {};
  item.cbSize = sizeof(item);
  item.fMask = MIIM_TYPE | MIIM_ID;
  item.fType = MFT_STRING;
  item.wID = 109;
  WideSpan exitText = FindString(StrExit);
  std::u16string text(exitText.Text, exitText.Length);
  item.dwTypeData = const_cast<LPWSTR>(AsWide(text.c_str()));
  ASSERT_TRUE(WideInsertMenuItem(menu, 0, TRUE, &item));
  WCHAR back[64] = {};
  GetMenuStringW(menu, 0, back, 64, MF_BYPOSITION);
  EXPECT_EQ(std::u16string(AsUtf16(back)), u"Выход");
  char ansi[64] = {};
  GetMenuStringA(menu, 0, ansi, 64, MF_BYPOSITION);
  EXPECT_STREQ(ansi, "\xC2\xFB\xF5\xEE\xE4");
  DestroyMenu(menu);
}

TEST_F(Windows98, DialogTextsKeepRussianText) {
  WideSpan title = FindString(StrDriveSettings);
  std::u16string caption = std::u16string(ProductTitle) + u" - " + std::u16string(title.Text, title.Length);
  std::vector<WORD> dialog = test_dialog::Template(caption.c_str(), u"Осталось секунд:");
  HWND window = WideCreateDialog(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()),
                                 nullptr, test_dialog::Procedure, 0);
  ASSERT_NE(window, nullptr);
  WCHAR text[64] = {};
  GetWindowTextW(window, text, 64);
  EXPECT_EQ(std::u16string(AsUtf16(text)), caption);
  GetDlgItemTextW(window, test_dialog::kLabel, text, 64);
  EXPECT_EQ(std::u16string(AsUtf16(text)), u"Осталось секунд:");

  ASSERT_TRUE(WideSetDlgItemText(window, test_dialog::kEdit, kRussian));
  GetDlgItemTextW(window, test_dialog::kEdit, text, 64);  // what the control really holds
  EXPECT_EQ(std::u16string(AsUtf16(text)), kRussian);
  char16_t read[64] = {};
  EXPECT_EQ(WideGetDlgItemText(window, test_dialog::kEdit, read, 64), strlen(kRussian1251));
  EXPECT_EQ(std::u16string(read), kRussian);
  EXPECT_EQ(WideGetWindowTextLength(GetDlgItem(window, test_dialog::kEdit)), static_cast<int>(strlen(kRussian1251)));
  char16_t small[6];
  WideGetDlgItemText(window, test_dialog::kEdit, small, 6);
  EXPECT_EQ(std::u16string(small), u"Лоток");
  DestroyWindow(window);
}

TEST_F(Windows98, TrayTipKeepsRussianText) {
  NOTIFYICONDATAW wide = {};
  wide.cbSize = sizeof(wide);
  wide.uFlags = NIF_TIP;
  memcpy(wide.szTip, kRussian, sizeof(kRussian));
  NOTIFYICONDATAA ansi;
  ASSERT_TRUE(ToAnsiNotifyIconData(&wide, &ansi));
  EXPECT_STREQ(ansi.szTip, kRussian1251);

  // And for real: the shell takes the icon and gives it back on delete.
  HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  wide.hWnd = owner;
  wide.uID = 7;
  wide.uFlags = NIF_TIP | NIF_ICON | NIF_MESSAGE;
  wide.uCallbackMessage = WM_APP;
  wide.hIcon = LoadIconA(GetModuleHandleA(nullptr), "IconTask16");
  ASSERT_NE(wide.hIcon, nullptr);
  EXPECT_TRUE(WideShellNotifyIcon(NIM_ADD, &wide));
  EXPECT_TRUE(WideShellNotifyIcon(NIM_DELETE, &wide));
  DestroyWindow(owner);
}

TEST_F(Windows98, ListColumnsKeepRussianText) {
  InitCommonControls();
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", LVS_REPORT, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(list, nullptr);
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 60;
  column.pszText = const_cast<LPWSTR>(AsWide(u"Скорость"));
  EXPECT_EQ(WideInsertListColumn(list, 0, &column), 0);
  char text[32] = {};
  LVCOLUMNA back = {};
  back.mask = LVCF_TEXT | LVCF_WIDTH;
  back.pszText = text;
  back.cchTextMax = sizeof text;
  ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&back)));
  EXPECT_STREQ(text, "\xD1\xEA\xEE\xF0\xEE\xF1\xF2\xFC");
  EXPECT_EQ(back.cx, 60);
  DestroyWindow(list);
}

TEST_F(Windows98, VolumeLabelKeepsRussianText) {
  // run_in_prefix.sh win98-ru labels drive C: of the test prefix "Диск Варнел".
  char16_t label[32] = {};
  EXPECT_TRUE(WideGetVolumeLabel(u"C:\\", label, 32));
  EXPECT_EQ(std::u16string(label), u"Диск Варнел");
  // Too small a buffer: the system refuses, and the buffer stays as it was.
  char16_t small[5] = {u'a', u'b', u'c', u'd', 0};
  EXPECT_FALSE(WideGetVolumeLabel(u"C:\\", small, 5));
  EXPECT_EQ(std::u16string(small), u"abcd");
}

TEST_F(Windows98, StringTableIsTheSameOnTheAnsiSystem) {
  WideSpan ok = FindString(StrOk);
  EXPECT_EQ(std::u16string(ok.Text, ok.Length), u"ОК");
  char16_t buffer[64];
  char16_t* p = AppendStringResource(buffer, StrInfoDrive);
  p = AppendAnsi(p, "\xD2\xE5\xF1\xF2");  // "Тест" in 1251
  p = AppendNewLine(p);
  EXPECT_EQ(std::u16string(buffer), u"Привод: Тест\r\n");
}

}  // namespace
