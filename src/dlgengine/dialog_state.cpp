#include <cstdlib>

#include "dlgengine/dlgengine.h"

DialogState* MakeDialogState(const ControlDesc* descs, uint32_t count, void* userData) {
  if (count > (SIZE_MAX - sizeof(DialogState)) / sizeof(ControlState)) return nullptr;
  // One block: the record, then its controls.
  void* block = std::calloc(1, sizeof(DialogState) + count * sizeof(ControlState));
  if (block == nullptr) return nullptr;
  DialogState* state = static_cast<DialogState*>(block);
  state->userData = userData;
  state->controls = reinterpret_cast<ControlState*>(state + 1);
  state->count = count;
  for (uint32_t i = 0; i < count; ++i) {
    ControlState& control = state->controls[i];
    control.id = static_cast<uint16_t>(descs[i].id);
    control.parentId = descs[i].parentId;
    control.kind = descs[i].kind;
    control.handler = descs[i].handler;
  }
  return state;
}

void FreeDialogState(DialogState* state) { std::free(state); }
