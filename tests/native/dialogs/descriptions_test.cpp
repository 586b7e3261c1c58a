// The program's own dialogs, from their descriptions: each keeps a sound
// control tree with the controls its Windows half finds by id, and laid out
// by the engine in Russian and English, at 96 and 144 DPI, shows the user
// nothing the layout check finds wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "compat/wide_text.h"
#include "dialogs/countdown.h"
#include "dialogs/descriptions.h"
#include "dialogs/drive_settings.h"
#include "dialogs/program_settings.h"
#include "dlgengine/layout.h"
#include "tests/harness/layout/layout_check.h"

// The handlers are the Windows halves'. The native tree opens no dialog, so
// these stand-ins only let the descriptions link.
#define STAND_IN(name) intptr_t name(DialogWindow, uint16_t, uint32_t, uintptr_t, intptr_t) { return 0; }
namespace DriveSettingsHandlers {
STAND_IN(List) STAND_IN(ListRadio) STAND_IN(SpeedEdit) STAND_IN(AddButton) STAND_IN(DeleteButton)
STAND_IN(DeleteAllButton) STAND_IN(DiscoveryButton) STAND_IN(MethodRadio) STAND_IN(LockBoxClick) STAND_IN(OkButton)
}  // namespace DriveSettingsHandlers
namespace ProgressHandlers { STAND_IN(NameLabel) STAND_IN(CancelButton) }
namespace SettingsHandlers { STAND_IN(RuleBox) STAND_IN(PasswordBoxClick) STAND_IN(ExportBoxClick) STAND_IN(OkButton) }
namespace PasswordHandlers { STAND_IN(PasswordEdit) STAND_IN(OkButton) }
namespace MessageBoxHandlers { STAND_IN(EndWithId) }
namespace AboutHandlers { STAND_IN(VersionLabel) STAND_IN(LinkLabel) }
namespace CountdownHandlers { STAND_IN(DriveList) STAND_IN(ActionButton) STAND_IN(CancelButton) }
#undef STAND_IN

namespace {

// The dialog font as a host stand-in: every character as wide as an average
// one of the system font, a line as high as its line; both grow with the density.
constexpr int32_t CharWidth = 6, LineHeight = 13, IconSide = 32, SmallIconSide = 16, ScrollBar = 17, BaseDpi = 96;
// The smallest screen the dialogs are made for, 800x600, less a window's
// frame (4 pixels a side), its caption (20) and the taskbar (30).
constexpr Extent RoomOnScreen{800 - 2 * 4, 600 - 2 * 4 - 20 - 30};

class FontHost final : public LayoutHost {
 public:
  FontHost(const ControlDesc* descs, uint32_t count, int32_t screenDpi) : dpi(screenDpi) {
    for (uint32_t i = 0; i < count; ++i) {
      const WideSpan entry = FindString(descs[i].textId);  // Length 0 when missing
      texts[uint16_t(descs[i].id)] = descs[i].text ? std::u16string(descs[i].text) : std::u16string(entry.Text, entry.Length);
    }
  }
  const int32_t dpi;
  std::map<uint16_t, std::u16string> texts;  // as the template sets them
  std::map<uint16_t, Rect> moved;

  int32_t Scaled(int32_t pixels) const { return pixels * dpi / BaseDpi; }
  Extent StringExtent(uint16_t, const char16_t* text) override {
    return MeasureLines(text, [this](const char16_t*, int32_t n) {
      return Extent{n * Scaled(CharWidth), Scaled(LineHeight)};
    });
  }
  Extent ControlTextExtent(uint16_t id) override { return StringExtent(id, texts[id].c_str()); }
  uint32_t TextLength(uint16_t id) override { return uint32_t(texts[id].size()); }
  uint32_t TextNumber(uint16_t id) override {  // as GetDlgItemInt reads it: digits only, else 0
    const std::u16string& text = texts[id];
    const bool digits = !text.empty() && text.find_first_not_of(u"0123456789") == std::u16string::npos;
    return digits ? uint32_t(std::stoul(std::string(text.begin(), text.end()))) : 0;
  }
  uint32_t TabCount(uint16_t id) override { return uint32_t(std::count(texts[id].begin(), texts[id].end(), u'\t')); }
  int32_t ScreenPixelsPerInchX() override { return dpi; }
  int32_t MaxCharWidth(uint16_t) override { return 2 * Scaled(CharWidth); }
  Extent WindowSize(uint16_t) override { return {Scaled(IconSide), Scaled(IconSide)}; }
  int32_t ScrollBarHeight() override { return Scaled(ScrollBar); }
  int32_t ScrollBarWidth() override { return Scaled(ScrollBar); }
  int32_t SmallIconSize() override { return Scaled(SmallIconSide); }
  uint32_t ListViewApproximateSize(uint16_t) override { return 0; }  // an empty list: measured from its titles
  void Move(uint16_t id, Rect rect) override { moved[id] = rect; }
  void NotifyPlaced(const ControlState&, Rect) override {}
};

// The computed layout as the layout check reads a shown dialog.
ShownDialog AsShown(const char* title, FontHost& host, const DialogState& state, Extent client) {
  ShownDialog shown{title, client.width, client.height, host.dpi, host.Scaled(LineHeight), {}};
  for (uint32_t i = 0; i < state.count; ++i) {
    const ControlState& c = state.controls[i];
    const Rect r = host.moved.count(c.id) ? host.moved[c.id] : Rect{0, 0, 0, 0};
    const Extent drawn = host.ControlTextExtent(c.id);
    const std::string className(c.kind->className, c.kind->className + std::u16string(c.kind->className).size());
    shown.controls.push_back({c.id, c.parentId, LookOf(className.c_str(), c.kind->style),
                              {r.x, r.y, r.x + r.width, r.y + r.height}, true, drawn.width, drawn.height, ""});
  }
  return shown;
}

struct DialogCase {
  const char* name;
  const ControlDesc* descs;
  uint32_t count;
  std::vector<uint16_t> lookedUp;  // what the Windows half finds by id
  std::vector<uint16_t> held;      // kept inside a control, out of the layout
};

// What the drive settings dialog's Windows half finds by id, from the form's tables.
std::vector<uint16_t> DriveSettingsIds() {
  using namespace DriveId;
  std::vector<uint16_t> ids{NameLabel, FastButton, FullButton, MeasureButton, CdList, DvdList, SpeedTimesEdit,
                            SpeedKbEdit, CommandTimesEdit, CommandKbEdit, CdListRadio, DvdListRadio, DeleteButton,
                            DeleteAllButton, AddButton, ShortNameEdit, DialogOk, DialogCancel};
  for (const DriveFormBox& box : DriveFormBoxes) ids.push_back(box.Id);
  for (const MethodChoice& radio : MethodChoices) ids.push_back(radio.Id);
  for (int k = 0; k < RestoreBoxCount; ++k) ids.push_back(uint16_t(RestoreBoxFirst + k));
  for (int k = 0; k < TimerChoiceCount; ++k) ids.push_back(uint16_t(TimerRadioFirst + k));
  for (int k = 0; k < HotKeyCount; ++k)
    ids.insert(ids.end(), {uint16_t(HotKeyFieldFirst + k), uint16_t(WinKeyBoxFirst + k)});
  return ids;
}

TEST(DialogDescriptions, EachKeepsItsTreeAndLaysOutCleanInBothLanguagesAndDensities) {
  const DialogCase dialogs[] = {
      {"drive settings", DriveSettingsDescription, DriveSettingsEntries, DriveSettingsIds(), {DriveId::DvdList}},
      {"discovery progress", ProgressDescription, ProgressEntries,
       {ProgressBarId, ProgressEndLabelId, DialogCancel}, {}},
      // The Windows half sets every id from SettingsId::First to Last it finds; these it reads back.
      {"program settings", SettingsDescription, SettingsEntries,
       {SettingsId::HashHolder, SettingsId::PathHolder, DialogOk, DialogCancel},
       {SettingsId::HashHolder, SettingsId::PathHolder}},
      {"password", PasswordDescription, PasswordEntries,
       {PasswordConfirmLabelId, PasswordEditId, PasswordConfirmEditId, DialogOk, DialogCancel}, {}},
      {"message box", MessageBoxDescription, MessageBoxEntries, {MessageTextId, DialogOk, DialogCancel}, {}},
      {"message box, OK only", MessageBoxDescription, MessageBoxEntries - 1, {MessageTextId, DialogOk}, {}},
      {"about", AboutDescription, AboutEntries, {DialogOk}, {}},
      {"disc inserted", DiscInsertedDescription, DiscInsertedEntries,
       {CountdownDriveListId, CountdownCounterId, CountdownActionId, CountdownCancelId}, {}},
      {"tray open", TrayOpenDescription, TrayOpenEntries,
       {CountdownCounterId, CountdownActionId, CountdownCancelId}, {}},
  };
  for (const DialogCase& dialog : dialogs) {
    SCOPED_TRACE(dialog.name);
    // Ids are unique; each parent comes before its children and is a box or
    // group, or else holds the child out of the layout on purpose.
    std::map<uint16_t, const ControlDesc*> listed;
    for (uint32_t i = 0; i < dialog.count; ++i) {
      const ControlDesc& c = dialog.descs[i];
      EXPECT_TRUE(listed.emplace(uint16_t(c.id), &c).second) << "id " << c.id << " repeats";
      if (c.parentId == 0) continue;
      const auto parent = listed.find(c.parentId);
      if (parent == listed.end()) {
        ADD_FAILURE() << "control " << c.id << " comes before its parent " << c.parentId;
        continue;
      }
      const bool held = std::count(dialog.held.begin(), dialog.held.end(), c.id) != 0;
      EXPECT_EQ(IsContainer(*parent->second->kind), !held) << "control " << c.id << " in " << c.parentId;
    }
    for (uint16_t id : dialog.lookedUp) EXPECT_EQ(listed.count(id), 1u) << "control " << id << " is missing";

    for (TextLanguage language : {TextRussian, TextEnglish}) {
      SelectTextLanguage(language);
      const char* tongue = language == TextRussian ? "ru" : "en";
      for (int32_t dpi : {96, 144}) {
        FontHost host(dialog.descs, dialog.count, dpi);
        DialogState* state = MakeDialogState(dialog.descs, dialog.count, nullptr);
        ASSERT_NE(state, nullptr);
        // At the size it opens with, whole on the screen, and widened by the user.
        const Extent opened = MeasureDialog(host, *state);
        EXPECT_TRUE(opened.width <= host.Scaled(RoomOnScreen.width) &&
                    opened.height <= host.Scaled(RoomOnScreen.height))
            << tongue << ", " << dpi << " DPI: opens at " << opened.width << "x" << opened.height;
        for (Extent client : {opened, Extent{opened.width + 200, opened.height + 100}}) {
          ArrangeDialog(host, *state, client.width, client.height);
          const ShownDialog shown = AsShown(dialog.name, host, *state, client);
          for (const std::string& problem : FindLayoutProblems(shown))
            ADD_FAILURE() << tongue << ", " << dpi << " DPI, " << client.width << "x"
                          << client.height << ": " << problem << "\n" << FormatShownControls(shown);
        }
        FreeDialogState(state);
      }
    }
    SelectTextLanguage(TextRussian);
  }
}

}  // namespace
