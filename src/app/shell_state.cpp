#include "app/app.h"

ShellState& Shell() {
  static ShellState state{};
  return state;
}
