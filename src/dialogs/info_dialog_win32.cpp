// The information window: a resizable read-only text about the transports
// and the drives.
#include <windows.h>
#include <richedit.h>

#include <cstdlib>

#include "compat/compat.h"
#include "dialogs/dialogs.h"
#include "dlgengine/dialog_win32.h"
#include "mmc/transport.h"
#include "resources/product.h"
#include "transport/system_transports.h"

namespace {

struct InfoData {
  const DriveRecord* drives;
  int count;
};

// RICHED32's control is an ANSI window: text set the usual way reaches it
// through the system's code page, and Cyrillic turns into question marks
// wherever that page is not 1251. Rich edit engines that take Unicode (those
// of Windows 2000 and later, and Wine's) accept the text whole through
// EM_SETTEXTEX; the Windows 9x control does not know the message and gets the
// text the usual way.
void SetInfoText(HWND dialog, uint16_t id, const char16_t* text) {
  SETTEXTEX how{ST_DEFAULT, 1200};  // code page 1200: UTF-16
  if (SendDlgItemMessageA(dialog, id, EM_SETTEXTEX, WPARAM(&how), LPARAM(text)) != 0) return;
  WideSetDlgItemText(dialog, id, text);
}

// One tab stop for the whole text, two blanks past the widest label as the
// box's font draws it: the values stand in one straight column whatever the
// language (tab counts chosen for one language's labels do not fit another's).
void SetValueColumn(HWND dialog, uint16_t id) {
  HWND rich = GetDlgItem(dialog, id);
  int32_t widest = 0;
  for (StringId label : InfoColumnLabels) {
    const WideSpan span = InfoLabelText(label);
    char16_t text[128] = {};
    for (size_t i = 0; i < span.Length && i + 1 < sizeof text / sizeof text[0]; ++i) text[i] = span.Text[i];
    const int32_t width = MeasureText(rich, text).width;
    if (width > widest) widest = width;
  }
  widest += MeasureText(rich, u"  ").width;
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  PARAFORMAT format{};
  format.cbSize = sizeof format;
  format.dwMask = PFM_TABSTOPS;
  format.cTabCount = 1;
  format.rgxTabs[0] = MulDiv(widest, 1440, dpi > 0 ? dpi : 96);  // twips
  SendMessageA(rich, EM_SETSEL, 0, -1);
  SendMessageA(rich, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
  SendMessageA(rich, EM_SETSEL, 0, 0);
}

intptr_t InfoTextHandler(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const InfoData* data = *reinterpret_cast<InfoData* const*>(lParam);  // DialogState.userData
  const TransportFacts facts{SptiStatus(), AspiStatus(), TransportId(), AspiVersionString};
  char16_t* text = BuildInfoText(facts, data->drives, data->count);
  SetInfoText(dialog, id, text != nullptr ? text : u"");
  std::free(text);
  SetValueColumn(dialog, id);
  return TRUE;
}

const ControlDesc InfoDescription[] = {
    {&Kind::RichText, 101, nullptr, NoString, 0, InfoTextHandler},
    {&Kind::HBox, 102, u"6", NoString, 0, nullptr},
    {&Kind::DefaultButton, IDOK, nullptr, StrOk, 102, nullptr},
};

}  // namespace

intptr_t ShowInfoDialog(DialogWindow owner, const DriveRecord* drives, int count) {
  InfoData data{drives, count};
  return RunModalDialog(owner, ProductTitle, StrInformation, WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW,
                        InfoDescription, sizeof InfoDescription / sizeof InfoDescription[0], &data);
}
