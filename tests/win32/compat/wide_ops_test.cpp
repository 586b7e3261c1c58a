// Both rows of the wide-operation table against the real system, with text
// that every ANSI code page holds. Cyrillic through the ANSI row is checked
// by the Windows 98 test with a Cyrillic code page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "compat/compat.h"
#include "tests/win32/compat/test_dialog.h"

namespace {

struct Row {
  const char* name;
  const WideOperations* ops;
};
const Row kRows[] = {{"NT", &NtWideOperations}, {"ANSI", &AnsiWideOperations}};

TEST(CompatLayer, PicksTheNtRowOnTheNtFamily) {
  InitCompatLayer();
  ASSERT_EQ(IsWindowsNt(), 1);  // Wine reports Windows 7 unless told otherwise
  EXPECT_EQ(WideOps().WideSetDlgItemText, NtWideOperations.WideSetDlgItemText);
  EXPECT_EQ(WideOps().WideGetVolumeLabel, NtWideOperations.WideGetVolumeLabel);
  FARPROC notify = GetProcAddress(GetModuleHandleA("shell32.dll"), "Shell_NotifyIconW");
  ASSERT_NE(notify, nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(WideOps().WideShellNotifyIcon), reinterpret_cast<void*>(notify));
}

TEST(CompatLayer, NonClientMetricsAgreeOnBothRows) {
  NONCLIENTMETRICSW nt = {}, ansi = {};
  memset(&ansi, 0x5A, sizeof(ansi));
  ASSERT_TRUE(NtWideOperations.WideGetNonClientMetrics(&nt));
  ASSERT_TRUE(AnsiWideOperations.WideGetNonClientMetrics(&ansi));
  EXPECT_EQ(ansi.cbSize, 500u);
  EXPECT_EQ(nt.cbSize, 500u);
  EXPECT_EQ(memcmp(&nt.iBorderWidth, &ansi.iBorderWidth, offsetof(NONCLIENTMETRICSW, lfCaptionFont) - 4), 0);
  const LOGFONTW* a[] = {&nt.lfCaptionFont, &nt.lfSmCaptionFont, &nt.lfMenuFont, &nt.lfStatusFont, &nt.lfMessageFont};
  const LOGFONTW* b[] = {&ansi.lfCaptionFont, &ansi.lfSmCaptionFont, &ansi.lfMenuFont, &ansi.lfStatusFont,
                         &ansi.lfMessageFont};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(a[i]->lfHeight, b[i]->lfHeight) << i;
    EXPECT_EQ(a[i]->lfWeight, b[i]->lfWeight) << i;
    EXPECT_EQ(a[i]->lfCharSet, b[i]->lfCharSet) << i;
    EXPECT_EQ(std::u16string(AsUtf16(a[i]->lfFaceName)), std::u16string(AsUtf16(b[i]->lfFaceName))) << i;
    EXPECT_NE(b[i]->lfFaceName[0], 0) << i;
  }
}

TEST(CompatLayer, DialogsFromWideTemplatesOnBothRows) {
  for (const Row& row : kRows) {
    std::vector<WORD> dialog = test_dialog::Template(u"Varnel 3.2 - Tést", u"Label");
    HWND window = row.ops->WideCreateDialog(GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()),
                                            nullptr, test_dialog::Procedure, 0);
    ASSERT_NE(window, nullptr) << row.name;
    WCHAR caption[64] = {};
    GetWindowTextW(window, caption, 64);
    EXPECT_EQ(std::u16string(AsUtf16(caption)), u"Varnel 3.2 - Tést") << row.name;

    EXPECT_TRUE(row.ops->WideSetDlgItemText(window, test_dialog::kEdit, AsWide(u"E: 48x, TEAC")));
    EXPECT_EQ(row.ops->WideGetWindowTextLength(GetDlgItem(window, test_dialog::kEdit)), 12) << row.name;
    WCHAR text[32] = {};
    EXPECT_EQ(row.ops->WideGetDlgItemText(window, test_dialog::kEdit, text, 32), 12u) << row.name;
    EXPECT_EQ(std::u16string(AsUtf16(text)), u"E: 48x, TEAC") << row.name;
    // A short buffer keeps what fits, terminated.
    WCHAR small[5];
    memset(small, 0x5A, sizeof(small));
    row.ops->WideGetDlgItemText(window, test_dialog::kEdit, small, 5);
    EXPECT_EQ(std::u16string(AsUtf16(small)), u"E: 4") << row.name;
    EXPECT_TRUE(row.ops->WideSetDlgItemText(window, test_dialog::kEdit, AsWide(u"")));
    EXPECT_EQ(row.ops->WideGetDlgItemText(window, test_dialog::kEdit, text, 32), 0u) << row.name;
    EXPECT_EQ(text[0], 0) << row.name;
    DestroyWindow(window);

    INT_PTR ended = row.ops->WideDialogBox(
        GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(dialog.data()), nullptr,
        test_dialog::EndWith42, 0);
    EXPECT_EQ(ended, 42) << row.name;
  }
}

TEST(CompatLayer, MenuItemsOnBothRows) {
  HBITMAP picture = CreateBitmap(16, 12, 1, 1, nullptr);
  for (const Row& row : kRows) {
    HMENU menu = CreatePopupMenu();
    MENUITEMINFOW item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_TYPE | MIIM_ID | MIIM_DATA;
    item.fType = MFT_STRING;
    item.wID = 0x8012;
    item.dwItemData = 107;
    item.dwTypeData = const_cast<LPWSTR>(AsWide(u"TSSTcorp CDDVDW SH-S223C SB02"));
    ASSERT_TRUE(row.ops->WideInsertMenuItem(menu, 0, TRUE, &item)) << row.name;
    // A bitmap item carries a handle where a string item has its text; it
    // must reach the menu untouched.
    MENUITEMINFOW bitmapItem = {};
    bitmapItem.cbSize = sizeof(bitmapItem);
    bitmapItem.fMask = MIIM_TYPE | MIIM_ID;
    bitmapItem.fType = MFT_BITMAP;
    bitmapItem.wID = 0x8013;
    bitmapItem.dwTypeData = reinterpret_cast<LPWSTR>(picture);
    ASSERT_TRUE(row.ops->WideInsertMenuItem(menu, 1, TRUE, &bitmapItem)) << row.name;

    WCHAR text[64] = {};
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_EQ(std::u16string(AsUtf16(text)), u"TSSTcorp CDDVDW SH-S223C SB02") << row.name;
    MENUITEMINFOW back = {};
    back.cbSize = sizeof(back);
    back.fMask = MIIM_ID | MIIM_DATA;
    ASSERT_TRUE(GetMenuItemInfoW(menu, 0, TRUE, &back));
    EXPECT_EQ(back.wID, 0x8012u);
    EXPECT_EQ(back.dwItemData, 107u);
    back.fMask = MIIM_TYPE;
    back.dwTypeData = nullptr;
    ASSERT_TRUE(GetMenuItemInfoW(menu, 1, TRUE, &back));
    EXPECT_TRUE(back.fType & MFT_BITMAP) << row.name;
    // Wine hands back the handle's low word only, as Windows 9x did.
    EXPECT_EQ(LOWORD(reinterpret_cast<UINT_PTR>(back.dwTypeData)), LOWORD(reinterpret_cast<UINT_PTR>(picture)))
        << row.name;
    DestroyMenu(menu);
  }
  DeleteObject(picture);
}

TEST(CompatLayer, TrayRecordForTheAnsiShell) {
  NOTIFYICONDATAW wide = {};
  wide.cbSize = NOTIFYICONDATAW_V1_SIZE;
  wide.hWnd = reinterpret_cast<HWND>(0x1234);
  wide.uID = 1;
  wide.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  wide.uCallbackMessage = WM_APP + 1;
  wide.hIcon = reinterpret_cast<HICON>(0x5678);
  for (int i = 0; i < 127; ++i) wide.szTip[i] = L'a' + i % 26;  // longer than the 63 the record holds
  NOTIFYICONDATAA ansi;
  memset(&ansi, 0x5A, sizeof(ansi));
  ASSERT_TRUE(ToAnsiNotifyIconData(&wide, &ansi));
  EXPECT_EQ(ansi.cbSize, 88u);
  EXPECT_EQ(ansi.hWnd, wide.hWnd);
  EXPECT_EQ(ansi.uID, 1u);
  EXPECT_EQ(ansi.uFlags, wide.uFlags);
  EXPECT_EQ(ansi.uCallbackMessage, static_cast<UINT>(WM_APP + 1));
  EXPECT_EQ(ansi.hIcon, wide.hIcon);
  EXPECT_EQ(strlen(ansi.szTip), 63u);
  EXPECT_EQ(std::string(ansi.szTip, 3), "abc");

  // A full wide tip without a terminator is read no further than its field.
  for (WCHAR& c : wide.szTip) c = L'z';
  ASSERT_TRUE(ToAnsiNotifyIconData(&wide, &ansi));
  EXPECT_EQ(strlen(ansi.szTip), 63u);

  // The second record (a shell of version 5: Windows ME) holds 127.
  wide.cbSize = NOTIFYICONDATAW_V2_SIZE;
  ASSERT_TRUE(ToAnsiNotifyIconData(&wide, &ansi));
  EXPECT_EQ(ansi.cbSize, NOTIFYICONDATAA_V2_SIZE);
  EXPECT_EQ(strlen(ansi.szTip), 127u);

  wide.uFlags = NIF_ICON;
  ASSERT_TRUE(ToAnsiNotifyIconData(&wide, &ansi));
  EXPECT_EQ(ansi.szTip[0], 0);
}

TEST(CompatLayer, VolumeLabelOnBothRows) {
  WCHAR nt[64] = {}, ansi[64] = {};
  ASSERT_TRUE(NtWideOperations.WideGetVolumeLabel(L"C:\\", nt, 64));
  ASSERT_TRUE(AnsiWideOperations.WideGetVolumeLabel(L"C:\\", ansi, 64));
  EXPECT_EQ(std::u16string(AsUtf16(nt)), std::u16string(AsUtf16(ansi)));
  EXPECT_FALSE(AnsiWideOperations.WideGetVolumeLabel(L"Q:\\", ansi, 64));  // no such drive
  EXPECT_FALSE(AnsiWideOperations.WideGetVolumeLabel(L"C:\\", ansi, 0));
}

TEST(CompatLayer, WideToAnsi) {
  EXPECT_EQ(WideToAnsi(nullptr), nullptr);
  char* text = WideToAnsi(u"D: 52x");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "D: 52x");
  free(text);
  text = WideToAnsi(u"");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "");
  free(text);
}

}  // namespace
