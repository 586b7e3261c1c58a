// The style bits dialog templates carry, with Windows' own values, so that
// the control kinds and the template builder stay portable. The engine's
// Windows half checks every one against <windows.h>.
#pragma once
#include <cstdint>

namespace WindowStyle {
constexpr uint32_t Child = 0x40000000, Visible = 0x10000000, Border = 0x00800000;
constexpr uint32_t VScroll = 0x00200000, HScroll = 0x00100000, Group = 0x00020000, TabStop = 0x00010000;
}  // namespace WindowStyle

namespace DialogStyle {
constexpr uint32_t SetFont = 0x40, CenterMouse = 0x1000;
}  // namespace DialogStyle

namespace ButtonStyle {
constexpr uint32_t PushButton = 0x0, DefPushButton = 0x1, AutoCheckBox = 0x3, GroupBox = 0x7;
constexpr uint32_t AutoRadioButton = 0x9, Multiline = 0x2000;
}  // namespace ButtonStyle

namespace StaticStyle {
constexpr uint32_t Left = 0x0, Center = 0x1, Right = 0x2, Icon = 0x3, OwnerDraw = 0xD, Notify = 0x100;
}  // namespace StaticStyle

namespace EditStyle {
constexpr uint32_t Right = 0x2, Multiline = 0x4, AutoVScroll = 0x40, AutoHScroll = 0x80, ReadOnly = 0x800,
                   Number = 0x2000;
}  // namespace EditStyle

namespace ListViewStyle {
constexpr uint32_t Report = 0x1, SingleSelection = 0x4, NoSortHeader = 0x8000;
}  // namespace ListViewStyle

namespace ProgressStyle {
constexpr uint32_t Smooth = 0x1;
}  // namespace ProgressStyle
