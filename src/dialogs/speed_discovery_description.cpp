// The progress window of a speed discovery: the drive's name, a progress bar
// between "0" and "100%", and Cancel.
#include "dialogs/descriptions.h"
#include "resources/string_ids.h"

namespace {

enum : uint16_t {
  Frame = 101, NameLabel = 102, ZeroLabel = 103, ScaleRow = 106, ScaleGap = 107,
  ButtonRow = 108,
};

}  // namespace

const ControlDesc ProgressDescription[] = {
    {&Kind::VGroup, Frame, nullptr, NoString, 0, nullptr},
    {&Kind::CentredLabel, NameLabel, nullptr, NoString, Frame, ProgressHandlers::NameLabel},
    {&Kind::ProgressBar, ProgressBarId, nullptr, NoString, Frame, nullptr},
    {&Kind::HBox, ScaleRow, BoxFill::WeakX, NoString, Frame, nullptr},
    {&Kind::Label, ZeroLabel, u"0", NoString, ScaleRow, nullptr},
    {&Kind::HBox, ScaleGap, BoxFill::WeakX, NoString, ScaleRow, nullptr},  // pushes "100%" to the right
    {&Kind::Label, ProgressEndLabelId, u"100%", NoString, ScaleRow, nullptr},
    {&Kind::HGroup, ButtonRow, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, DialogCancel, nullptr, StrCancel, ButtonRow, ProgressHandlers::CancelButton},
};
const uint32_t ProgressEntries = sizeof ProgressDescription / sizeof ProgressDescription[0];
