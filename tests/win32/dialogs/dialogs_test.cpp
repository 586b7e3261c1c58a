// The message box and the about box, opened for real by the system's
// dialog manager under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "compat/compat.h"
#include "dialogs/dialogs.h"
#include "dlgengine/dialog_win32.h"
#include "drive/drive.h"
#include "mmc/transport.h"
#include "transport/system_transports.h"
#include "win32/dialogs/run_with_win32.h"

using dialog_test::ExpectCleanLayout;
using dialog_test::RunWith;

namespace {

const bool compatReady = (InitCompatLayer(), true);

std::u16string StringOf(StringId id) {
  WideSpan s = FindString(id);
  return std::u16string(s.Text, s.Length);
}

std::u16string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

struct KeyCase {
  uint32_t flags;
  UINT key;
  int result;
};

TEST(MessageBoxDialog, KeysEndItWithOkCancelOrNothing) {
  const KeyCase cases[] = {
      {0x2021, VK_ESCAPE, 2}, {0x2021, VK_RETURN, 1}, {0x2010, VK_ESCAPE, 0},
      {0x2010, VK_RETURN, 1}, {0x41, VK_ESCAPE, 2},   {0, VK_RETURN, 1},
  };
  for (const KeyCase& c : cases) {
    int result = RunWith([&c](HWND d) { PressKey(d, c.key); }, [&c] { return ShowMessage(nullptr, StrAskClearSettings, c.flags); });
    EXPECT_EQ(result, c.result) << std::hex << c.flags << " key " << c.key;
  }
}

TEST(MessageBoxDialog, ShowsTheTextIconAndButtonsLaidOut) {
  int result = RunWith(
      [](HWND d) {
        EXPECT_EQ(WindowText(d), u"Varnel 3.2");
        EXPECT_EQ(ControlText(d, 104), StringOf(StrAskClearSettings));
        EXPECT_EQ(ControlText(d, 1), u"ОК");
        EXPECT_EQ(ControlText(d, 2), u"Отмена");
        EXPECT_NE(SendDlgItemMessageW(d, 102, STM_GETICON, 0, 0), 0) << "the program icon";
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDOK));
        EXPECT_NE(GetWindowLongW(d, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
        ExpectCleanLayout(d);
        SendDlgItemMessageW(d, IDCANCEL, BM_CLICK, 0, 0);
      },
      [] { return ShowMessage(nullptr, StrAskClearSettings, 0x2021); });
  EXPECT_EQ(result, 2);
}

TEST(MessageBoxDialog, OkOnlyBoxHasNoCancelAndItsCloseBoxGivesZero) {
  int result = RunWith(
      [](HWND d) {
        EXPECT_EQ(GetDlgItem(d, IDCANCEL), nullptr);
        EXPECT_EQ(GetWindowLongW(d, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
        // A text of three lines: the label is three lines high.
        EXPECT_EQ(ControlText(d, 104), StringOf(StrRestartSessionNotice));
        RECT r{};
        GetWindowRect(GetDlgItem(d, 104), &r);
        Extent line = MeasureText(GetDlgItem(d, 104), u"W");
        EXPECT_EQ(r.bottom - r.top, 3 * line.height);
        ExpectCleanLayout(d);
        PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0);
      },
      [] { return ShowMessage(nullptr, StrRestartSessionNotice, 0x40); });
  EXPECT_EQ(result, 0);
  result = RunWith([](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); },
                   [] { return ShowMessage(nullptr, StrAskClearSettings, 0x2021); });
  EXPECT_EQ(result, 2);
}

TEST(MessageBoxDialog, LongTextsStillFitTheirLabel) {
  for (StringId id : {StrCannotRegisterWindowClass, StrNoSpeedsFound, StrInsertDataCd}) {
    RunWith([](HWND d) { ExpectCleanLayout(d), PressKey(d, VK_RETURN); },
            [id] { return ShowMessage(nullptr, id, 0x2010); });
  }
}

TEST(Placement, DialogOpensWithItsDefaultButtonUnderTheCursor) {
  POINT cursor{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
  SetCursorPos(cursor.x, cursor.y);
  RunWith(
      [cursor](HWND d) {
        RECT ok{};
        GetWindowRect(GetDlgItem(d, IDOK), &ok);
        EXPECT_NEAR((ok.left + ok.right) / 2, cursor.x, 1);
        EXPECT_NEAR((ok.top + ok.bottom) / 2, cursor.y, 1);
        PressKey(d, VK_RETURN);
      },
      [] { return ShowMessage(nullptr, StrAskClearSettings, 0x2021); });
}

TEST(Placement, CursorInTheBottomRightCornerPutsTheDialogAgainstTheWorkAreaEdges) {
  POINT corner{GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};
  SetCursorPos(corner.x, corner.y);
  const RECT work = GetWorkAreaAt(corner);
  RunWith(
      [work](HWND d) {
        RECT r = WindowRectOf(d);
        EXPECT_EQ(r.right, work.right);
        EXPECT_EQ(r.bottom, work.bottom);
        PressKey(d, VK_RETURN);
      },
      [] { return ShowMessage(nullptr, StrInsertDataCd, 0x2041); });
  SetCursorPos(0, 0);
  RunWith(
      [work](HWND d) {
        RECT r = WindowRectOf(d);
        EXPECT_EQ(r.left, work.left);
        EXPECT_EQ(r.top, work.top);
        PressKey(d, VK_RETURN);
      },
      [] { return ShowMessage(nullptr, StrAskClearSettings, 0x2021); });
}

TEST(AboutBox, ShowsVersionAuthorAndBlueLinks) {
  intptr_t result = RunWith(
      [](HWND d) {
        EXPECT_EQ(WindowText(d), u"Varnel 3.2 - О программе");
        EXPECT_EQ(ControlText(d, 106), u"Varnel версия ");
        EXPECT_EQ(ControlText(d, 107), u"3.2");
        EXPECT_EQ(ControlText(d, 112), StringOf(StrAuthorLine));
        EXPECT_EQ(ControlText(d, 114), StringOf(StrWebLink));
        EXPECT_EQ(ControlText(d, 113), StringOf(StrMailLink));
        // Version right after "Varnel версия ", on the same line.
        RECT name{}, version{};
        GetWindowRect(GetDlgItem(d, 106), &name);
        GetWindowRect(GetDlgItem(d, 107), &version);
        EXPECT_EQ(version.left, name.right);
        EXPECT_EQ(version.top, name.top);
        ExpectCleanLayout(d);
        // The links paint blue on the button face; other labels are left to the system.
        HDC dc = CreateCompatibleDC(nullptr);
        for (int id : {113, 114}) {
          SetTextColor(dc, 0);
          LRESULT brush = SendMessageW(d, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
          EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
          EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
        }
        SetTextColor(dc, 0);
        SendMessageW(d, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(d, 112)));
        EXPECT_NE(GetTextColor(dc), RGB(0, 0, 255));
        DeleteDC(dc);
        PressKey(d, VK_RETURN);
      },
      [] { return ShowAboutDialog(nullptr); });
  EXPECT_EQ(result, 0);
  result = RunWith([](HWND d) { PressKey(d, VK_ESCAPE); }, [] { return ShowAboutDialog(nullptr); });
  EXPECT_EQ(result, 0);
}

std::u16string WithoutCarriageReturns(std::u16string text) {
  std::u16string out;
  for (char16_t c : text)
    if (c != u'\r') out += c;
  return out;
}

TEST(InfoDialog, ShowsTheInformationTextAndGivesItAllExtraSpace) {
  static DriveRecord drives[2] = {};
  std::strcpy(drives[0].FullName, "TEAC CD-532E 1.0A");
  drives[0].Address.Letter = 'D';
  drives[0].MaxSpeed = 5632;
  drives[0].RangeCD.Count = 2;
  drives[0].RangeCD.Entries[0] = {7056, 7056};
  drives[0].RangeCD.Entries[1] = {1764, 1764};
  std::strcpy(drives[1].FullName, "PIONEER DVD-RW DVR-107D 1.20");
  drives[1].Address = {1, 0, 0, 0};
  drives[1].DVD = 0x38;
  intptr_t result = RunWith(
      [](HWND d) {
        EXPECT_EQ(WindowText(d), u"Varnel 3.2 - Информация");
        const TransportFacts facts{SptiStatus(), AspiStatus(), TransportId(), AspiVersionString};
        char16_t* expected = BuildInfoText(facts, drives, 2);
        ASSERT_NE(expected, nullptr);
        EXPECT_EQ(WithoutCarriageReturns(WindowText(GetDlgItem(d, 101))), WithoutCarriageReturns(expected));
        std::free(expected);
        ExpectCleanLayout(d);
        // Longer than the box, and shown from its first line.
        HWND text = GetDlgItem(d, 101);
        SCROLLINFO scroll{sizeof scroll, SIF_ALL, 0, 0, 0, 0, 0};
        ASSERT_TRUE(GetScrollInfo(text, SB_VERT, &scroll));
        EXPECT_GT(scroll.nMax - scroll.nMin + 1, static_cast<int>(scroll.nPage));
        EXPECT_EQ(scroll.nPos, 0);
        EXPECT_EQ(SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

        const RECT start = WindowRectOf(d);
        const int width = start.right - start.left, height = start.bottom - start.top;
        RECT rich = WindowRectOf(GetDlgItem(d, 101)), ok = WindowRectOf(GetDlgItem(d, IDOK));
        // Not smaller than measured.
        SetWindowPos(d, nullptr, 0, 0, width - 100, height - 100, SWP_NOMOVE | SWP_NOZORDER);
        RECT small = WindowRectOf(d);
        EXPECT_EQ(small.right - small.left, width);
        EXPECT_EQ(small.bottom - small.top, height);
        // Larger: the text takes all of it; OK stays centred below it.
        SetWindowPos(d, nullptr, 0, 0, width + 200, height + 150, SWP_NOMOVE | SWP_NOZORDER);
        RECT rich2 = WindowRectOf(GetDlgItem(d, 101)), ok2 = WindowRectOf(GetDlgItem(d, IDOK));
        EXPECT_EQ(rich2.right - rich2.left, rich.right - rich.left + 200);
        EXPECT_EQ(rich2.bottom - rich2.top, rich.bottom - rich.top + 150);
        EXPECT_EQ(ok2.right - ok2.left, ok.right - ok.left);
        EXPECT_EQ(ok2.top - rich2.bottom, ok.top - rich.bottom);
        EXPECT_NEAR((ok2.left + ok2.right) / 2, (rich2.left + rich2.right) / 2, 1);
        ExpectCleanLayout(d);
        PressKey(d, VK_RETURN);
      },
      [] { return ShowInfoDialog(nullptr, drives, 2); });
  EXPECT_EQ(result, 0);
}

// The values after the labels' tab stand at one place in every language, the
// widest label (Russian or English) included.
TEST(InfoDialog, ValuesStandInOneColumnInBothLanguages) {
  static DriveRecord drive{};
  std::strcpy(drive.FullName, "PIONEER DVD-RW DVR-107D 1.20");
  drive.Address.Letter = 'E';
  drive.DVD = 0x38;
  drive.Writer = 0x33;
  for (TextLanguage language : {TextEnglish, TextRussian}) {
    ASSERT_TRUE(SelectTextLanguage(language));
    std::vector<LONG> columns;
    RunWith(
        [&columns](HWND d) {
          HWND text = GetDlgItem(d, 101);
          const std::u16string shown = WindowText(text);
          for (size_t tab = shown.find(u'\t'); tab != std::u16string::npos; tab = shown.find(u'\t', tab + 1)) {
            POINTL at{};
            SendMessageW(text, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), static_cast<LPARAM>(tab + 1));
            columns.push_back(at.x);
          }
          PressKey(d, VK_RETURN);
        },
        [] { return ShowInfoDialog(nullptr, &drive, 1); });
    ASSERT_EQ(columns.size(), 9u) << language;
    EXPECT_GT(columns.front(), 0);
    for (LONG x : columns) EXPECT_EQ(x, columns.front()) << "language " << language;
  }
  SelectTextLanguage(TextRussian);
}

}  // namespace
