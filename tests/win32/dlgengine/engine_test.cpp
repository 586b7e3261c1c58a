// The engine's templates accepted by the system's dialog manager and laid
// out with real fonts under Wine: every kind of control, message routing,
// the smallest size and modeless dialogs.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "compat/compat.h"
#include "dlgengine/dialog_win32.h"
#include "resources/string_ids.h"
#include "win32/dialogs/run_with_win32.h"

using dialog_test::ExpectCleanLayout;
using dialog_test::RunWith;

namespace {

const bool compatReady = (InitCompatLayer(), true);

struct Heard {
  uint16_t id;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
  void* userData;  // at WM_INITDIALOG: the first field of the state
};
std::vector<Heard> heard;

intptr_t Recorder(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  void* userData = message == WM_INITDIALOG ? *reinterpret_cast<void**>(lParam) : nullptr;
  heard.push_back({id, message, wParam, lParam, userData});
  if (message == WM_TIMER) {
    KillTimer(dialog, wParam);
    EndDialog(dialog, 77);
    return TRUE;
  }
  return FALSE;
}

const ControlDesc AllKinds[] = {
    {&Kind::VGroup, 101, nullptr, StrSettings, 0, nullptr},
    {&Kind::CheckBox, 102, u"Проверка", NoString, 101, Recorder},
    {&Kind::Label, 120, u"hidden value", NoString, 102, nullptr},  // inside a check box: a holder
    {&Kind::FirstRadioButton, 103, u"Один", NoString, 101, nullptr},
    {&Kind::RadioButton, 104, u"Два", NoString, 101, nullptr},
    {&Kind::Label, 106, u"Имя:", NoString, 105, nullptr},  // before its box
    {&Kind::TextEdit, 107, u"abc", NoString, 105, nullptr},
    {&Kind::RightEdit, 108, nullptr, NoString, 105, nullptr},
    {&Kind::HBox, 105, nullptr, NoString, 0, nullptr},
    {&Kind::HGroup, 109, nullptr, NoString, 0, nullptr},
    {&Kind::Icon, 110, u"IconApp", NoString, 109, nullptr},
    {&Kind::SmallIcon, 111, u"IconApp", NoString, 109, nullptr},
    {&Kind::Spacer, 112, nullptr, NoString, 109, nullptr},
    {&Kind::CentredLabel, 113, u"по центру", NoString, 109, nullptr},
    {&Kind::RightLabel, 114, u"справа", NoString, 109, nullptr},
    {&Kind::ProgressBar, 115, u"300", NoString, 0, Recorder},
    {&Kind::ListView, 116, u"Скорость\tКоманда", NoString, 0, nullptr},
    {&Kind::HotKeyField, 117, nullptr, NoString, 0, nullptr},
    {&Kind::RichText, 118, u"строка 1\nстрока 2", NoString, 0, nullptr},
    {&Kind::HBox, 119, u"6", NoString, 0, nullptr},
    {&Kind::DefaultButton, IDOK, nullptr, StrOk, 119, nullptr},
    {&Kind::Button, IDCANCEL, nullptr, StrCancel, 119, nullptr},
};
constexpr uint32_t AllKindsCount = sizeof AllKinds / sizeof AllKinds[0];

intptr_t OpenAllKinds(void* userData, uint32_t style = WS_CAPTION | WS_SYSMENU) {
  return RunModalDialog(nullptr, u"Varnel 3.2", StrSettings, style, 0, AllKinds, AllKindsCount, userData);
}

RECT ClientRectOf(HWND dialog, int id) {
  RECT r{};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string ClassOf(HWND dialog, int id) {
  char cls[64] = "";
  GetClassNameA(GetDlgItem(dialog, id), cls, sizeof cls);
  return cls;
}

TEST(Engine, EveryKindIsMadeByTheSystemAndLaidOut) {
  heard.clear();
  int userData = 0;
  intptr_t result = RunWith(
      [](HWND d) {
        EXPECT_EQ(WindowText(d), u"Varnel 3.2 - Настройки");
        EXPECT_STRCASEEQ(ClassOf(d, 115).c_str(), "msctls_progress32");
        EXPECT_STRCASEEQ(ClassOf(d, 116).c_str(), "SysListView32");
        EXPECT_STRCASEEQ(ClassOf(d, 117).c_str(), "msctls_hotkey32");
        EXPECT_STRCASEEQ(ClassOf(d, 118).c_str(), "RichEdit");
        ExpectCleanLayout(d);

        // The list view got one column per TAB-separated title, and full-row selection.
        HWND list = GetDlgItem(d, 116);
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 2);
        WCHAR title[32] = {};
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = title;
        col.cchTextMax = 32;
        SendMessageW(list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
        EXPECT_EQ(std::u16string(AsUtf16(title)), u"Команда");
        EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT,
                  LVS_EX_FULLROWSELECT);

        // A control inside a check box keeps its text and takes no room.
        EXPECT_EQ(WindowText(GetDlgItem(d, 120)), u"hidden value");
        RECT holder = ClientRectOf(d, 120);
        EXPECT_EQ(holder.right - holder.left, 0);
        EXPECT_EQ(holder.bottom - holder.top, 0);

        // The progress bar is at least as wide as its text asks.
        RECT bar = ClientRectOf(d, 115);
        EXPECT_GE(bar.right - bar.left, 300);

        // The default button has the focus; the smallest size is the size at start.
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDOK));
        DialogState* state = DialogStateOf(d);
        RECT window = WindowRectOf(d);
        EXPECT_EQ(state->minWidth, window.right - window.left);
        EXPECT_EQ(state->minHeight, window.bottom - window.top);

        // Handlers heard where their controls went, in client coordinates.
        RECT check = ClientRectOf(d, 102);
        bool moved = false, sized = false;
        for (const Heard& h : heard) {
          if (h.id != 102) continue;
          moved |= h.message == WM_MOVE && h.lParam == MAKELPARAM(check.left, check.top);
          sized |= h.message == WM_SIZE && h.lParam == MAKELPARAM(check.right - check.left, check.bottom - check.top);
        }
        EXPECT_TRUE(moved);
        EXPECT_TRUE(sized);
        PressKey(d, VK_ESCAPE);
      },
      [&userData] { return OpenAllKinds(&userData); });
  EXPECT_EQ(result, 0) << "Esc without a handler for Cancel ends with 0";
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard[0].id, 102);
  EXPECT_EQ(heard[0].message, static_cast<uint32_t>(WM_INITDIALOG));
  EXPECT_EQ(heard[0].userData, &userData);
  EXPECT_EQ(heard[1].id, 115);
  EXPECT_EQ(heard[1].message, static_cast<uint32_t>(WM_INITDIALOG));
}

TEST(Engine, EnterWithoutAnOkHandlerEndsWithZero) {
  EXPECT_EQ(RunWith([](HWND d) { PressKey(d, VK_RETURN); }, [] { return OpenAllKinds(nullptr); }), 0);
}

TEST(Engine, TimerWithAControlsIdReachesThatControlsHandler) {
  heard.clear();
  intptr_t result = RunWith([](HWND d) { SetTimer(d, 115, 10, nullptr); }, [] { return OpenAllKinds(nullptr); });
  EXPECT_EQ(result, 77);
}

TEST(Engine, ResizableDialogCannotShrinkBelowItsMeasuredSize) {
  RunWith(
      [](HWND d) {
        RECT start = WindowRectOf(d);
        SetWindowPos(d, nullptr, 0, 0, 50, 40, SWP_NOMOVE | SWP_NOZORDER);
        RECT small = WindowRectOf(d);
        EXPECT_EQ(small.right - small.left, start.right - start.left);
        EXPECT_EQ(small.bottom - small.top, start.bottom - start.top);
        // Larger: the two stretching controls share the extra height.
        RECT rich = ClientRectOf(d, 118), list = ClientRectOf(d, 116);
        SetWindowPos(d, nullptr, 0, 0, start.right - start.left + 100, start.bottom - start.top + 80,
                     SWP_NOMOVE | SWP_NOZORDER);
        RECT rich2 = ClientRectOf(d, 118), list2 = ClientRectOf(d, 116);
        EXPECT_EQ((rich2.bottom - rich2.top) + (list2.bottom - list2.top),
                  (rich.bottom - rich.top) + (list.bottom - list.top) + 80);
        EXPECT_EQ(rich2.right - rich2.left, rich.right - rich.left + 100);
        ExpectCleanLayout(d);
        PressKey(d, VK_RETURN);
      },
      [] { return OpenAllKinds(nullptr, WS_OVERLAPPEDWINDOW); });
}

TEST(Engine, ModelessDialogIsReturnedVisibleAndDestroyedByItsOwner) {
  HWND d = CreateModelessDialog(nullptr, nullptr, StrSettings, WS_VISIBLE | WS_CAPTION, 0, AllKinds, AllKindsCount, nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(IsWindowVisible(d));
  EXPECT_EQ(WindowText(d), u"Настройки");
  ASSERT_NE(DialogStateOf(d), nullptr);
  ExpectCleanLayout(d);
  EXPECT_TRUE(DestroyWindow(d));
}

TEST(TextMeasure, LinesAreCutAtLineFeedsAndEmptyLinesCount) {
  HWND d = CreateModelessDialog(nullptr, nullptr, NoString, WS_CAPTION, 0, AllKinds, AllKindsCount, nullptr);
  ASSERT_NE(d, nullptr);
  HWND label = GetDlgItem(d, 106);
  Extent one = MeasureText(label, u"abc");
  EXPECT_GT(one.height, 0);
  EXPECT_EQ(MeasureText(label, u"abc\n\nabc").height, 3 * one.height);
  EXPECT_EQ(MeasureText(label, u"abc\n").height, 2 * one.height);
  EXPECT_EQ(MeasureText(label, u"abc\nab").width, one.width);
  EXPECT_EQ(MeasureText(label, u"").height, 0);
  Extent fromControl = MeasureControlText(d, 106);
  EXPECT_EQ(fromControl.width, MeasureText(label, u"Имя:").width);
  EXPECT_EQ(MeasureControlText(d, 108).width, 0);  // no text
  DestroyWindow(d);
}

}  // namespace
