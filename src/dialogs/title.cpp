#include "dialogs/dialogs.h"

const char16_t VarnelWideTitle[] = u"Varnel 3.2";
