// The information window: a resizable read-only text about the transports
// and the drives.
#include <windows.h>

#include <cstdlib>

#include "compat/compat.h"
#include "dialogs/dialogs.h"
#include "mmc/transport.h"
#include "resources/product.h"
#include "transport/system_transports.h"

namespace {

struct InfoData {
  const DriveRecord* drives;
  int count;
};

intptr_t InfoTextHandler(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const InfoData* data = *reinterpret_cast<InfoData* const*>(lParam);  // DialogState.userData
  const TransportFacts facts{SptiStatus(), AspiStatus(), TransportId(), AspiVersionString};
  char16_t* text = BuildInfoText(facts, data->drives, data->count);
  WideSetDlgItemText(dialog, id, text != nullptr ? text : u"");
  std::free(text);
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
