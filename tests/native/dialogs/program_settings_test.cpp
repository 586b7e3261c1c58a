// The program settings dialog's form on the in-memory registry: what it shows
// for a record and the system settings, its enabling rules, and what OK
// writes, in one round trip per situation.
#include <gtest/gtest.h>

#include <cstring>

#include "dialogs/program_settings.h"
#include "mmc/transport.h"
#include "registry/registry.h"
#include "system/system.h"

namespace {

using namespace SettingsId;

const SettingsFacts Xp{0x10501, 6, TransportSpti, AspiNotInstalled, SptiUsable};

std::string RunValue() {
  OwnedRegKey run(OpenSubkey(RegRoot::CurrentUser, FixedStrings::RunKey));
  char text[300] = {};
  return ReadString(run.Get(), FixedStrings::RunValue, text, sizeof text) ? text : "(none)";
}

class SettingsFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MemoryRegistry::Reset();
    InstallSystemOps(&Row);
    settings.ResetToDefaults();
    // The captions as the dialog's radios carry them ("Нет" reads as 0).
    const uint32_t autoclose[] = {0, 3, 5, 10, 15}, delay[] = {3, 5, 8, 10, 15};
    for (int i = 0; i < 5; ++i) {
      form.Number(uint16_t(AutocloseFirst + i)) = autoclose[i];
      form.Number(uint16_t(DelayFirst + i)) = delay[i];
    }
  }
  void TearDown() override { InstallSystemOps(nullptr); }

  static constexpr SystemOps Row{[] { return std::string("C:\\Apps\\varnel.exe"); }, [] { return true; }, [] {},
                                 [](const char*) {}};
  ProgramSettings settings;
  SettingsForm form;
};

TEST_F(SettingsFormTest, DefaultsShowAsTheRecordSaysAndOkWithoutChangesKeepsThem) {
  FillSettingsForm(form, settings, Xp);
  EXPECT_TRUE(form.IsChecked(NumNames));
  EXPECT_FALSE(form.IsChecked(SeparateEjectClose)) << "EjectSingle 1 shows unchecked";
  EXPECT_TRUE(form.IsChecked(AutocloseFirst)) << "\"Нет\" for no automatic close";
  EXPECT_TRUE(form.IsChecked(DelayFirst + 1)) << "5 seconds";
  EXPECT_FALSE(form.Enable(AutocloseFirst)) << "no timer, no delays";
  EXPECT_FALSE(form.Enable(ExitAfterStart));
  EXPECT_FALSE(form.Enable(AudioAutoplay)) << "XP's shell decides autoplay";
  EXPECT_TRUE(form.IsChecked(AutorunAllUsers) && form.IsChecked(AutorunCurrentUser) && form.IsChecked(AudioAutoplay));
  EXPECT_EQ(form.NoteOf(AutorunAllUsers), NoString) << "an administrator sees the plain caption";
  EXPECT_TRUE(form.IsChecked(ApiSpti) && !form.Enable(ApiAspi));
  EXPECT_FALSE(OwnedRegKey(OpenSubkey(RegRoot::LocalMachine, FixedStrings::PolicyKey)))
      << "opening the dialog writes nothing";

  ProgramSettings before = settings;
  before.ApiPrefered = PreferSpti;  // the transport in use becomes the stored choice
  EXPECT_FALSE(ApplySettingsForm(form, settings, 6));
  EXPECT_EQ(std::memcmp(&before, &settings, sizeof settings), 0);

  // "Сохранять копию настроек в файл" shows whether a path is kept.
  EXPECT_FALSE(form.IsChecked(ExportBox));
  std::strcpy(settings.SavePath, "C:\\varnel.reg");
  FillSettingsForm(form, settings, Xp);
  EXPECT_TRUE(form.IsChecked(ExportBox));
}

// A standard user of Windows 7: the class-driver row shows in use but is no
// choice, and OK keeps the stored preference.
TEST_F(SettingsFormTest, ClassDriverRowShowsInUseAndKeepsThePreference) {
  settings.ApiPrefered = PreferAspi;
  FillSettingsForm(form, settings, {0x10601, 6, TransportClassDriver, AspiNotInstalled, SptiAccessDenied});
  EXPECT_TRUE(form.IsChecked(ApiClassDriver) && !form.Enable(ApiClassDriver));
  EXPECT_FALSE(form.IsChecked(ApiSpti) || form.Enable(ApiSpti) || form.IsChecked(ApiAspi));
  EXPECT_FALSE(ApplySettingsForm(form, settings, 6));
  EXPECT_EQ(settings.ApiPrefered, PreferAspi);
}

// "Выход после автозагрузки" and "Скрывать иконку" need the autostart and
// exclude each other: each is grey while the other is checked.
TEST_F(SettingsFormTest, StartupChoicesNeedTheAutostartAndExcludeEachOther) {
  struct Case {
    bool autostart, hide, exit, exitEnabled, hideEnabled;
  } cases[] = {
      {false, false, false, false, false},
      {true, false, false, true, true},
      {true, true, false, false, true},
      {true, false, true, true, false},
  };
  for (const Case& c : cases) {
    form.Check(Autostart) = c.autostart, form.Check(HideIcon) = c.hide, form.Check(ExitAfterStart) = c.exit;
    ApplyStartupRule(form);
    EXPECT_EQ(form.Enable(ExitAfterStart), c.exitEnabled) << c.autostart << c.hide << c.exit;
    EXPECT_EQ(form.Enable(HideIcon), c.hideEnabled) << c.autostart << c.hide << c.exit;
  }
}

// Clicks and OK against Wine's registry are proven end to end
// (journey 6 of tests/e2e/journeys_test.sh); here what an old shell needs.
TEST_F(SettingsFormTest, AChangedPolicyOnAnOldShellAsksForANewSessionAndReopensAsWritten) {
  FillSettingsForm(form, settings, Xp);
  form.Check(Autostart) = true;
  form.Check(ExitAfterStart) = true;
  form.Check(AutorunCurrentUser) = false;
  form.Check(AutocloseFirst) = false;
  form.Check(AutocloseFirst + 3) = true;  // "10"
  EXPECT_TRUE(ApplySettingsForm(form, settings, 4));
  EXPECT_EQ(RunValue(), "C:\\Apps\\varnel.exe /exit");
  EXPECT_EQ(settings.TimerAutoclose, 10000) << "the delay is stored in milliseconds";

  SettingsForm again = form;
  FillSettingsForm(again, settings, Xp);
  EXPECT_TRUE(again.IsChecked(ExitAfterStart) && !again.IsChecked(HideIcon) && !again.IsChecked(AutorunCurrentUser));
  EXPECT_TRUE(again.IsChecked(AutocloseFirst + 3) && !again.IsChecked(AutocloseFirst));
  EXPECT_FALSE(ApplySettingsForm(again, settings, 4)) << "no policy change, no notice";
  again.Check(AutorunCurrentUser) = true;
  EXPECT_FALSE(ApplySettingsForm(again, settings, 5)) << "a newer shell rereads the policy itself";
  again.Check(Autostart) = false;
  ApplySettingsForm(again, settings, 6);
  EXPECT_EQ(RunValue(), "(none)");
}

TEST_F(SettingsFormTest, DelaysLongerThanTheHungTimeAndUnmatchedValuesAreShownAsSuch) {
  // Windows' hung-application timeout against the delays "3" "5" "8" "10" "15":
  // a delay as long as the timeout still fits, only longer ones are greyed.
  const struct {
    const char* hungMs;
    int enabledDelays;
  } timeouts[] = {{"20000", 5}, {"5000", 2}, {"4000", 1}};
  for (const auto& t : timeouts) {
    OwnedRegKey desktop(CreateSubkey(RegRoot::CurrentUser, FixedStrings::DesktopKey));
    WriteString(desktop.Get(), FixedStrings::HungAppTimeout, t.hungMs);
    FillSettingsForm(form, settings, Xp);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(form.Enable(uint16_t(DelayFirst + i)), i < t.enabledDelays) << t.hungMs << " " << i;
  }
  settings.TimerAutoclose = 7000;
  FillSettingsForm(form, settings, Xp);
  EXPECT_TRUE(form.IsChecked(DelayFirst + 1)) << "5 stays shown, though disabled";
  for (uint16_t id = AutocloseFirst; id <= AutocloseLast; ++id) EXPECT_FALSE(form.IsChecked(id)) << id;
  ApplySettingsForm(form, settings, 6);
  EXPECT_EQ(settings.TimerAutoclose, 7000) << "no radio checked keeps the value";
  EXPECT_EQ(settings.DNTimer, 5);
}

TEST_F(SettingsFormTest, TheLanguageRadioShowsTheSettingAndOkStoresTheCheckedOne) {
  const std::pair<uint16_t, int32_t> radios[] = {
      {LanguageAutoRadio, LanguageAutomatic}, {LanguageRussianRadio, LanguageRussian}, {LanguageEnglishRadio, LanguageEnglish}};
  for (auto [shown, stored] : radios) {
    settings.Language = stored;
    FillSettingsForm(form, settings, Xp);
    for (auto [id, value] : radios) EXPECT_EQ(form.IsChecked(id), id == shown) << stored << " " << id;
    form.Check(shown) = false;
    form.Check(stored == LanguageAutomatic ? LanguageEnglishRadio : LanguageAutoRadio) = true;
    ApplySettingsForm(form, settings, 6);
    EXPECT_EQ(settings.Language, stored == LanguageAutomatic ? LanguageEnglish : LanguageAutomatic) << stored;
  }
}

TEST_F(SettingsFormTest, AStandardUserIsToldWhyTheMachineBoxIsGrey) {
  ASSERT_TRUE(SetDiscAutorunAllUsers(false));
  MemoryRegistry::SetRootReadOnly(RegRoot::LocalMachine, true);
  FillSettingsForm(form, settings, Xp);
  EXPECT_FALSE(form.IsChecked(AutorunAllUsers) || form.Enable(AutorunAllUsers));
  EXPECT_EQ(form.NoteOf(AutorunAllUsers), StrAdminRightsNeeded);
  EXPECT_TRUE(form.Enable(AutorunCurrentUser) && form.NoteOf(AutorunCurrentUser) == NoString) << "their own box works";
}

TEST_F(SettingsFormTest, AudioBoxFollowsTheWindowsVersion) {
  form.Check(AutorunAllUsers) = true;
  form.Check(AutorunCurrentUser) = false;
  ApplyAudioRule(form, 0x40A);  // Windows 98
  EXPECT_TRUE(form.Enable(AudioAutoplay));
  ApplyAudioRule(form, 0x10400);  // NT 4
  EXPECT_TRUE(form.Enable(AudioAutoplay));
  ApplyAudioRule(form, 0x10500);  // Windows 2000: only with both autorun boxes
  EXPECT_FALSE(form.Enable(AudioAutoplay));
  form.Check(AutorunCurrentUser) = true;
  ApplyAudioRule(form, 0x10500);
  EXPECT_TRUE(form.Enable(AudioAutoplay));
  // A click on any of the boxes reruns every rule.
  form.Check(TimerEnable) = true;
  form.Check(Autostart) = true;
  ApplyFormRules(form, 0x10600);
  EXPECT_FALSE(form.Enable(AudioAutoplay));
  EXPECT_TRUE(form.Enable(AutocloseLast) && form.Enable(HideIcon));
}

}  // namespace
