// The rules of the drive settings dialog's speed lists and edits.
#include "dialogs/drive_settings.h"

#include <cstdint>

uint32_t PackSpeedEntry(const SpeedEntry& entry) { return (entry.Command & 0xFFFF) << 16 | (entry.Speed & 0xFFFF); }

SpeedEntry UnpackSpeedEntry(uint32_t parameter) { return {parameter & 0xFFFF, parameter >> 16}; }

uint32_t ListColumnNumber(uint32_t kilobytes, uint32_t unit) { return UnitMultiple(kilobytes, unit) % 1000; }

uint32_t KilobytesOfMultiple(uint32_t multiple, uint32_t unit) {
  const uint64_t kilobytes = uint64_t{multiple} * unit;
  return kilobytes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(kilobytes);
}

SpeedEditEcho EchoSpeedEdit(uint16_t edit, uint32_t value, uint32_t unit) {
  switch (edit) {
    case DriveId::SpeedTimesEdit: return {DriveId::SpeedKbEdit, KilobytesOfMultiple(value, unit)};
    case DriveId::CommandTimesEdit: return {DriveId::CommandKbEdit, KilobytesOfMultiple(value, unit)};
    case DriveId::SpeedKbEdit: return {DriveId::SpeedTimesEdit, UnitMultiple(value, unit)};
    case DriveId::CommandKbEdit: return {DriveId::CommandTimesEdit, UnitMultiple(value, unit)};
    default: return {0, 0};
  }
}

uint32_t ParseEditNumber(const char* text) {
  while (*text == ' ') ++text;
  uint64_t value = 0;
  bool digits = false;
  for (; *text >= '0' && *text <= '9'; ++text) {
    digits = true;
    value = value * 10 + static_cast<uint32_t>(*text - '0');
    if (value > UINT32_MAX) value = UINT32_MAX;
  }
  while (*text == ' ') ++text;
  return digits && *text == '\0' ? static_cast<uint32_t>(value) : 0;
}

SpeedListAddition PlanSpeedListAddition(const SpeedRange& list, const char* speedText, const char* commandText) {
  const uint32_t count = list.Count;
  SpeedListAddition plan{AdditionRefusal::Quietly, -1, 0, {ParseEditNumber(speedText), ParseEditNumber(commandText)}};
  auto blank = [](const char* text) {
    while (*text == ' ') ++text;
    return *text == '\0';
  };
  if (blank(speedText) || blank(commandText) || count >= MaxSpeedEntries) return plan;
  // An entry keeps each value in 16 bits: a larger one would be stored cut.
  auto holds = [](uint32_t value) { return value != 0 && value <= SpeedMaximum; };
  if (!holds(plan.Entry.Speed) || !holds(plan.Entry.Command)) {
    plan.Refusal = AdditionRefusal::BadValue;
    return plan;
  }
  plan.Refusal = AdditionRefusal::None;
  // The step is 176 kB/s for both lists: DVD speeds too are kept one CD
  // step apart, so two DVD entries may lie within one DVD unit.
  const uint32_t step = plan.Entry.Speed / SpeedUnitCD;
  uint32_t i = 0;
  for (; i < count; ++i) {
    if (list.Entries[i].Speed / SpeedUnitCD == step) {
      plan.Replaced = static_cast<int32_t>(i);
      break;
    }
    if (list.Entries[i].Speed < plan.Entry.Speed) break;
  }
  plan.Position = i;
  return plan;
}
