// The text of the information window: the state of both transports, then
// the capabilities and speed lists of every drive.
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "compat/wide_text.h"
#include "dialogs/dialogs.h"
#include "drive/drive.h"
#include "mmc/commands.h"
#include "resources/string_ids.h"

namespace {

// A wide text that grows as it is written. After a failed allocation it
// stops writing and Take gives null.
class WideBuilder {
 public:
  ~WideBuilder() { std::free(text_); }

  WideBuilder& Units(const char16_t* units, size_t n) {
    if (!Reserve(n)) return *this;
    std::memcpy(text_ + length_, units, n * sizeof(char16_t));
    length_ += n;
    return *this;
  }
  WideBuilder& Wide(const char16_t* s) { return Units(s, WideLength(s)); }
  WideBuilder& String(StringId id) {
    WideSpan span = FindString(id);
    return Units(span.Text, span.Length);
  }
  WideBuilder& Decimal(uint32_t value) {
    char16_t digits[10];
    size_t n = 0;
    do {
      digits[sizeof digits / sizeof digits[0] - 1 - n++] = static_cast<char16_t>(u'0' + value % 10);
      value /= 10;
    } while (value != 0);
    return Units(digits + sizeof digits / sizeof digits[0] - n, n);
  }
  WideBuilder& Ansi(const char* ansi) {
    if (ansi == nullptr) return *this;
    size_t n = TextSource().AnsiToWide(ansi, nullptr, 0);
    if (n == 0 || !Reserve(n)) return *this;
    length_ += TextSource().AnsiToWide(ansi, text_ + length_, n);
    return *this;
  }
  WideBuilder& Line() { return Units(u"\r\n", 2); }
  // A label of the value column, then the one tab before its value.
  WideBuilder& Label(StringId id) {
    WideSpan span = InfoLabelText(id);
    return Units(span.Text, span.Length).Units(u"\t", 1);
  }

  // The text, terminated, now owned by the caller; null after a failure.
  char16_t* Take() {
    if (!Reserve(0)) return nullptr;
    text_[length_] = 0;
    char16_t* text = text_;
    text_ = nullptr;
    return text;
  }

 private:
  // Room for n more units and the terminator.
  bool Reserve(size_t n) {
    if (failed_) return false;
    if (length_ + n + 1 <= capacity_) return true;
    size_t wanted = capacity_ == 0 ? 4096 : capacity_;
    while (wanted < length_ + n + 1) wanted *= 2;
    void* grown = std::realloc(text_, wanted * sizeof(char16_t));
    if (grown == nullptr) {
      failed_ = true;
      return false;
    }
    text_ = static_cast<char16_t*>(grown);
    capacity_ = wanted;
    return true;
  }

  char16_t* text_ = nullptr;
  size_t length_ = 0;
  size_t capacity_ = 0;
  bool failed_ = false;
};

}  // namespace

const StringId InfoColumnLabels[InfoColumnLabelCount] = {
    StrInfoMaxSpeed,    StrInfoGetSpeed,    StrInfoSetSpeed,  StrInfoDvd,         StrInfoGetDvdSpeed,
    StrInfoSetDvdSpeed, StrInfoDvdMethod,   StrInfoWriter,    StrInfoSenseMedium,
};

WideSpan InfoLabelText(StringId id) {
  WideSpan span = FindString(id);
  while (span.Length > 0 && span.Text[span.Length - 1] == u'\t') --span.Length;
  return span;
}

namespace {

// The status texts in the order of the status codes; anything else is an
// unknown error.
constexpr StringId SptiStatusTexts[] = {StrSptiNotInitialised, StrSptiNotOnThisWindows, StrNoDrivesFound,
                                        StrSptiAccessDenied, StrSptiOk};
constexpr StringId AspiStatusTexts[] = {StrAspiNotInitialised, StrAspiNotInstalled, StrAspiDriverDamaged,
                                        StrAspiOk};

template <size_t N>
StringId StatusText(const StringId (&texts)[N], int status) {
  return status >= 0 && static_cast<size_t>(status) < N ? texts[status] : StrUnknownError;
}
StringId YesNo(int32_t value) { return value != 0 ? StrSupported : StrNotSupported; }
StringId MethodText(int32_t method) {
  return method == DvdMethodStreaming ? StrMethodSetStreaming
         : method == DvdMethodCdSpeed ? StrMethodSetCdSpeed
                                      : StrMethodUndetermined;
}

void SpeedList(WideBuilder& out, StringId title, const SpeedRange& range, uint32_t unit,
               uint32_t modulo, const char16_t* suffix) {
  if (range.Count == 0) return;
  out.String(title);
  // Fastest first in the record; shown slowest first.
  uint32_t count = range.Count < MaxSpeedEntries ? range.Count : MaxSpeedEntries;
  for (uint32_t i = count; i-- > 0;) {
    out.Decimal(UnitMultiple(range.Entries[i].Speed, unit) % modulo).Wide(suffix);
    if (i != 0) out.Wide(u",");
  }
  out.Line();
}

void Drive(WideBuilder& out, const DriveRecord& d) {
  out.Line().Wide(u"*** ");
  if (d.Address.Letter != 0) {
    char16_t letter = static_cast<char16_t>(d.Address.Letter & 0xFF);
    out.Units(&letter, 1);
  } else {
    out.Decimal(d.Address.HaId % 100).Wide(u", ").Decimal(d.Address.Target % 100).Wide(u", ")
        .Decimal(d.Address.Lun % 100);
  }
  out.Wide(u" ***").Line();

  char name[sizeof d.FullName + 1];
  std::memcpy(name, d.FullName, sizeof d.FullName);
  name[sizeof d.FullName] = 0;  // the record's name may fill all 32 bytes
  out.String(StrInfoDrive).Ansi(name).Line().Line();

  out.Label(StrInfoMaxSpeed).Decimal(UnitMultiple(static_cast<uint32_t>(d.MaxSpeed), SpeedUnitCD) % 1000)
      .Wide(u"x").Line();
  out.Label(StrInfoGetSpeed).String(YesNo(d.CanGetSpeed)).Line();
  out.Label(StrInfoSetSpeed).String(YesNo(d.CanSetSpeed)).Line().Line();

  out.Label(StrInfoDvd);
  if (d.DVD == 0) out.String(StrInfoNone);
  if (d.DVD & ReadsDvdRom) out.String(StrDvdRom);
  if (d.DVD & ReadsDvdR) out.String(StrDvdR);
  if (d.DVD & ReadsDvdRam) out.String(StrDvdRam);
  out.Line();
  if (d.DVD != 0) {
    out.Label(StrInfoGetDvdSpeed).String(YesNo(d.CanGetDVDSpeed)).Line();
    out.Label(StrInfoSetDvdSpeed).String(YesNo(d.CanSetDVDSpeed)).Line();
    int32_t method = d.DVDMethodPrefered != 0 ? d.DVDMethodPrefered : d.DVDMethodDetected;
    out.Label(StrInfoDvdMethod).String(MethodText(method)).Line().Line();
  }

  out.Label(StrInfoWriter);
  if (d.Writer == 0) out.String(StrInfoNone);
  if (d.Writer & WritesCdR) out.String(StrCdR);
  if (d.Writer & WritesCdRw) out.String(StrCdRw);
  if (d.Writer & WritesDvdR) out.String(StrDvdR);
  if (d.Writer & WritesDvdRam) out.String(StrDvdRam);
  out.Line();
  out.Label(StrInfoSenseMedium).String(YesNo(d.CanSenseMedium)).Line().Line();

  SpeedList(out, StrInfoCdSpeeds, d.RangeCD, SpeedUnitCD, 1000, u"x");
  SpeedList(out, StrInfoDvdSpeeds, d.RangeDVD, SpeedUnitDVD, 100, u"X");
}

}  // namespace

char16_t* BuildInfoText(const TransportFacts& facts, const DriveRecord* drives, int count) {
  WideBuilder out;
  out.Wide(u"SPTI: ").String(StatusText(SptiStatusTexts, facts.sptiStatus)).Line();
  const StringId aspiText = StatusText(AspiStatusTexts, facts.aspiStatus);
  out.Wide(u"ASPI: ").String(aspiText).Line().Line();
  if (aspiText != StrAspiNotInstalled) {
    for (const char* key : {"LegalCopyright", "ProductName", "FileVersion"}) {
      out.Wide(u"ASPI ").Ansi(key).Wide(u": ");
      if (facts.aspiVersion != nullptr) out.Ansi(facts.aspiVersion(key));
      out.Line();
    }
    out.Line();
  }
  out.String(StrAccessMethod).Wide(u": ");
  const StringId method = facts.transportId == TransportAspi          ? StrAspiMethod
                          : facts.transportId == TransportSpti        ? StrSptiMethod
                          : facts.transportId == TransportClassDriver ? StrClassDriverMethod
                                                                      : StrUnknownError;
  out.String(method);
  out.Line();
  if (count <= 0) out.Line().String(StrNoDrivesFound).Line();
  for (int i = 0; i < count; ++i) Drive(out, drives[i]);
  return out.Take();
}
