#include "dialogs/countdown.h"

unsigned CountdownStart(int seconds) { return seconds > 0 ? unsigned(seconds) : 0u; }

CountdownTick NextCountdownTick(unsigned shown, const CountdownRequest& request) {
  if (shown == 0) return {false, 0, uint16_t(request.ZeroId)};
  // The new value is shown even when the poll ends the dialog at this tick.
  if (request.Poll != nullptr && request.Poll() != 0) return {false, shown - 1, CountdownCancelId};
  return {true, shown - 1, 0};
}

size_t BuildCountdownDriveList(uint32_t driveMask, VolumeLabelReader reader, char16_t* list) {
  constexpr int Letters = 26;
  size_t length = 0;
  for (int k = 0; k < Letters; ++k) {
    if (!(driveMask >> k & 1)) continue;
    const char16_t letter = char16_t(u'A' + k);
    const char16_t root[] = {letter, u':', u'\\', u'\0'};
    char16_t label[VolumeLabelSize] = {};
    if (!reader(root, label, VolumeLabelSize)) continue;
    label[VolumeLabelSize - 1] = u'\0';  // a reader that filled the buffer left no terminator
    list[length++] = letter;
    list[length++] = u':';
    list[length++] = u' ';
    list[length++] = u'"';
    for (const char16_t* c = label; *c != u'\0'; ++c) list[length++] = *c;
    list[length++] = u'"';
    list[length++] = u'\n';
  }
  list[length] = u'\0';
  return length;
}
