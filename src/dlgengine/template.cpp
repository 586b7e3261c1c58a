// Extended dialog templates (DLGTEMPLATEEX) built in memory. Every control
// starts at 0,0 with size 0x0: the dialog procedure lays them out.
#include <cstdlib>
#include <cstring>

#include "common/byte_order.h"
#include "compat/wide_text.h"
#include "dlgengine/dlgengine.h"
#include "dlgengine/styles.h"

namespace {

constexpr uint32_t ChildVisible = WindowStyle::Child | WindowStyle::Visible;

size_t RoundUp4(size_t n) { return (n + 3) & ~size_t{3}; }

// Bytes of a terminated UTF-16 string; a null string is just the terminator.
size_t StringBytes(const char16_t* text) { return 2 * ((text ? WideLength(text) : 0) + 1); }

// Dialog templates are little-endian words and double words, text as UTF-16.
struct TemplateWriter : LeWriter {
  void Units(const char16_t* text, size_t length) {
    for (size_t i = 0; i < length; ++i) Word(text[i]);
  }
  void Terminator() { Word(0); }
};

// The text of an item: its literal, else its string-table entry.
WideSpan ItemText(const ControlDesc& desc) {
  if (desc.text != nullptr) return {desc.text, WideLength(desc.text)};
  return FindString(desc.textId);
}

}  // namespace

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t product = static_cast<int64_t>(a) * b;
  bool negative = (product < 0) != (c < 0);
  uint64_t magnitude = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
  uint64_t divisor = c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
  uint64_t q = (magnitude + divisor / 2) / divisor;
  if (q > INT32_MAX) return -1;  // as the system does on overflow
  return negative ? -static_cast<int32_t>(q) : static_cast<int32_t>(q);
}

DialogTemplate BuildDialogTemplate(uint32_t style, uint32_t exStyle, int16_t x, int16_t y,
                                   int16_t cx, int16_t cy, const char16_t* titlePrefix,
                                   uint32_t titleTextId, const TemplateFont* font, uint32_t count,
                                   const ControlDesc* descs) {
  DialogTemplate result{nullptr, nullptr, 0};
  const size_t prefixLength = titlePrefix ? WideLength(titlePrefix) : 0;
  const WideSpan titleText = FindString(titleTextId);
  const bool separator = prefixLength > 0 && titleText.Length > 0;
  const size_t titleUnits = prefixLength + (separator ? 3 : 0) + titleText.Length + 1;

  size_t header = 30 + 2 * titleUnits;
  if (font != nullptr) header += 6 + StringBytes(font->faceName);
  size_t total = RoundUp4(header);
  for (uint32_t i = 0; i < count; ++i) {
    const WideSpan text = ItemText(descs[i]);
    total += RoundUp4(26 + StringBytes(descs[i].kind->className) + 2 * (text.Length + 1));
  }
  const size_t blockSize = total + 4;  // room to move the start to a 4-byte boundary

  uint8_t* block = static_cast<uint8_t*>(std::calloc(1, blockSize));
  if (block == nullptr) return result;
  uint8_t* start = block + ((4 - reinterpret_cast<uintptr_t>(block) % 4) % 4);

  TemplateWriter w{{start}};
  w.Word(1);       // dlgVer
  w.Word(0xFFFF);  // signature: extended template
  w.Dword(0);      // helpID
  w.Dword(exStyle);
  style |= DialogStyle::CenterMouse;
  style = font != nullptr ? style | DialogStyle::SetFont : style & ~DialogStyle::SetFont;
  w.Dword(style);
  w.Word(static_cast<uint16_t>(count));
  w.Word(static_cast<uint16_t>(x));
  w.Word(static_cast<uint16_t>(y));
  w.Word(static_cast<uint16_t>(cx));
  w.Word(static_cast<uint16_t>(cy));
  w.Word(0);  // no menu
  w.Word(0);  // the standard dialog class
  w.Units(titlePrefix, prefixLength);
  if (separator) w.Units(u" - ", 3);
  w.Units(titleText.Text, titleText.Length);
  w.Terminator();
  if (font != nullptr) {
    w.Word(static_cast<uint16_t>(-MulDivRound(font->height, 72, font->pixelsPerInchY)));
    w.Word(static_cast<uint16_t>(font->weight));
    w.Byte(font->italic);
    w.Byte(font->charSet);
    w.Units(font->faceName, WideLength(font->faceName));
    w.Terminator();
  }

  for (uint32_t i = 0; i < count; ++i) {
    const ControlDesc& desc = descs[i];
    w.at = start + RoundUp4(static_cast<size_t>(w.at - start));
    w.Dword(0);  // helpID
    w.Dword(desc.kind->exStyle);
    w.Dword(desc.kind->style | ChildVisible);
    w.Word(0);  // x, y, cx, cy: laid out at run time
    w.Word(0);
    w.Word(0);
    w.Word(0);
    w.Dword(desc.id & 0xFFFF);
    // Always the class name: the ordinal forms of BUTTON, EDIT and STATIC
    // are not used.
    w.Units(desc.kind->className, WideLength(desc.kind->className));
    w.Terminator();
    const WideSpan text = ItemText(desc);
    w.Units(text.Text, text.Length);
    w.Terminator();
    w.Word(0);  // extraCount
  }

  result.block = block;
  result.bytes = start;
  result.length = static_cast<size_t>(w.at - start);
  return result;
}

void FreeDialogTemplate(DialogTemplate& dialogTemplate) {
  std::free(dialogTemplate.block);
  dialogTemplate = DialogTemplate{nullptr, nullptr, 0};
}
