// A standard user of Windows Vista and later: every drive type reached
// through the class driver's read-only requests, against the fake class
// driver of the virtual drives and against answers it could garble.
#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>

#include "mmc/class_driver.h"
#include "mmc/commands.h"
#include "mmc/opcodes.h"
#include "sim/model/class_driver_fake.h"
#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

class ClassDriver : public VirtualDrives {
 protected:
  // A new start: the same drive type afresh, through SPTI or the class driver.
  void Start(const sim::Profile& profile, bool classDriver, sim::VirtualWindows windows) {
    ClearDrives();
    sim::ClearVirtualDrives();
    Add(profile);
    sim::UseVirtualTransports(false, !classDriver, classDriver);
    InstallClassDriverOps(&sim::VirtualClassDriver(windows));
    ASSERT_EQ(SelectTransport(0), classDriver ? TransportClassDriver : TransportSpti);
    DiscoverDrives();
    ASSERT_EQ(DriveCount, 1);
  }
  // The disc spun up and the drive was looked at again, as the timer does.
  static void Settle() {
    WaitUntilReady(Drives[0]);
    RefreshStatus(Drives[0]);
  }
};

// What a class driver sends of its own accord, for the program's requests.
const std::set<uint8_t> kClassDriverCommands = {
    OpTestUnitReady, OpInquiry, OpStartStopUnit, OpPreventAllowRemoval, OpReadCapacity, OpRead10,
    OpReadSubChannel, OpGetConfiguration, OpGetPerformance, OpSetStreaming, OpSetCdSpeed};

// Every drive type, on Windows Vista and on Windows 8: a first start as an
// administrator stores the lists; a standard user's later start reads them
// back with one INQUIRY and sends the selected speed; a standard user's
// first start finds the same lists where Windows reports the drive's speed
// (GET PERFORMANCE for a DVD, Windows 8) and none where it cannot, never
// other ones (also with a CD in a drive whose GET PERFORMANCE is stuck at
// its maximum).
TEST_F(ClassDriver, FirstLaterAndSelectedStartsOfEveryDriveType) {
  std::vector<std::string> names;
  for (const auto& file : std::filesystem::directory_iterator(VARNEL_SIM_PROFILES))
    names.push_back(file.path().stem().string());
  std::sort(names.begin(), names.end());
  ASSERT_GE(names.size(), 10u);
  int listedOnWindows8 = 0;
  for (const std::string& name : names) {
    for (auto [windows, medium] : {std::pair{sim::VirtualWindows::Vista, ""}, {sim::VirtualWindows::Windows8, ""},
                                   {sim::VirtualWindows::Windows8, "data-cd"}}) {
      SCOPED_TRACE(name + (windows == sim::VirtualWindows::Vista ? " on Vista " : " on Windows 8 ") + medium);
      sim::Profile profile = Profile(name.c_str());
      if (*medium) profile.Medium = medium;
      MemoryRegistry::Reset();
      Start(profile, false, windows);
      const DriveRecord admin = Drives[0];

      Start(profile, true, windows);
      const sim::Drive& sd = sim::VirtualDriveAt(0);
      EXPECT_STREQ(Drives[0].FullName, admin.FullName);
      EXPECT_EQ(Opcodes(sd), std::vector<uint8_t>{OpInquiry}) << "a later start";
      EXPECT_EQ(Speeds(Drives[0].RangeCD), Speeds(admin.RangeCD));
      EXPECT_EQ(Speeds(Drives[0].RangeDVD), Speeds(admin.RangeDVD));
      Settle();
      const SpeedRange& range = Drives[0].Active();
      int selectedStarts = 0;
      if (range.Count > 0 && Drives[0].Ready) {
        ++selectedStarts;
        const SpeedEntry& chosen = range.Entries[range.Count / 2];
        Drives[0].Active().Selected = chosen.Speed;
        Drives[0].CurrentSpeed = 0;  // unknown: set whatever the drive runs at
        RestoreSpeed(Drives[0]);
        EXPECT_EQ(sd.CurrentReadSpeed(), chosen.Speed) << "the selected speed reached the drive";
      }
      EXPECT_EQ(selectedStarts, profile.Medium == "none" ? 0 : 1);

      MemoryRegistry::Reset();
      Start(profile, true, windows);  // the drive afresh: sd no longer exists
      Settle();
      for (uint8_t op : Opcodes(sim::VirtualDriveAt(0))) EXPECT_TRUE(kClassDriverCommands.count(op)) << int(op);
      EXPECT_EQ(Drives[0].CanClose, admin.CanClose);
      EXPECT_EQ(Drives[0].CanEject != 0, admin.CanEject != 0);
      EXPECT_EQ(Drives[0].DVD != 0, admin.DVD != 0);
      const std::vector<uint32_t> found = Speeds(Drives[0].Active());
      EXPECT_TRUE(found.empty() || found == Speeds(admin.Active())) << "a first start";
      EXPECT_TRUE(windows != sim::VirtualWindows::Vista || found.empty());
      listedOnWindows8 += !found.empty();
      EXPECT_EQ(sim::VirtualClassDriverHandles(), 0u);
    }
  }
  EXPECT_GE(listedOnWindows8, 3) << "DVDs in the drives that report their performance";
}

// Measuring a DVD without any speed read back (Vista) keeps to the method
// the user chose for DVDs.
TEST_F(ClassDriver, MeasuringADvdKeepsToTheChosenMethod) {
  Start(Profile("dvdrom16-streaming"), true, sim::VirtualWindows::Vista);
  Settle();
  const sim::Drive& sd = sim::VirtualDriveAt(0);
  for (auto [method, used, unused] : {std::tuple{DvdMethodCdSpeed, OpSetCdSpeed, OpSetStreaming},
                                      {DvdMethodStreaming, OpSetStreaming, OpSetCdSpeed}}) {
    Drives[0].DVDMethodPrefered = method;
    ClearLogs();
    EnumerateSpeeds(Drives[0], SpeedMethod::Measure, nullptr, nullptr);
    EXPECT_GT(CountOf(sd, used), 100u) << method;
    EXPECT_LE(CountOf(sd, unused), 2u) << "only the probe's and the closing request";
  }
}

// The class driver counts locks; the program locks again at every disc
// change, and its one unlock before an eject must still free the tray.
TEST_F(ClassDriver, DriveLockedManyTimesStillEjects) {
  Start(Profile("cdrw52-writer"), true, sim::VirtualWindows::Windows8);
  const sim::Drive& sd = sim::VirtualDriveAt(0);
  Drives[0].Lock = 1;
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(PreventAllowRemoval(Drives[0].Address, true));
  EXPECT_TRUE(sd.Locked());
  MoveTray(Drives[0], TrayMove::Eject);
  EXPECT_TRUE(sd.TrayOpen());
  EXPECT_TRUE(sd.Locked()) << "locked again after the eject";

  // Another program's lock outlives our lock and unlock.
  MoveTray(Drives[0], TrayMove::Close);
  ASSERT_TRUE(PreventAllowRemoval(Drives[0].Address, false));
  ASSERT_FALSE(sd.Locked());
  const ClassDriverOps& other = sim::VirtualClassDriver(sim::VirtualWindows::Windows8);
  uint32_t error = 0, returned = 0;
  const uint8_t prevent = 1;
  ClassDriverHandle handle = other.Open(Drives[0].Address.Letter, error);
  ASSERT_EQ(other.Control(handle, IoctlStorageMediaRemoval, &prevent, 1, nullptr, 0, returned), ErrorNone);
  other.Close(handle);
  ASSERT_TRUE(PreventAllowRemoval(Drives[0].Address, true));
  ASSERT_TRUE(PreventAllowRemoval(Drives[0].Address, false));
  EXPECT_TRUE(sd.Locked()) << "the other program's lock";
}

// Short, garbled and failed answers of the class driver: each command gives
// a plain failure or a bounded value, and the waits for a disc still work.
struct Garble {
  static inline uint32_t Code = 0, Error = 0;
  static inline int Kind = 0;  // 0 fail with Error, 1 return 3 bytes, 2 fill with 0xFF
  static uint32_t Control(ClassDriverHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                          uint32_t outSize, uint32_t& returned) {
    uint32_t error = sim::VirtualClassDriver(sim::VirtualWindows::Windows8)
                         .Control(handle, code, in, inSize, out, outSize, returned);
    if (code != Code) return error;
    if (Kind == 0) return returned = 0, Error;
    if (Kind == 1) returned = std::min<uint32_t>(returned, 3);
    if (Kind == 2 && out) std::memset(out, 0xFF, outSize), returned = outSize + 100;
    return error;
  }
};

TEST_F(ClassDriver, BadAnswersGiveBoundedResults) {
  Start(Profile("dvdrom16-streaming"), true, sim::VirtualWindows::Windows8);
  ClassDriverOps ops = sim::VirtualClassDriver(sim::VirtualWindows::Windows8);
  ops.Control = Garble::Control;
  InstallClassDriverOps(&ops);
  const DeviceAddress at = Drives[0].Address;
  struct Case {
    uint32_t code, error;
    int kind;
    bool (*check)(const DeviceAddress&);
    uint32_t waitedMs;
  } cases[] = {
      {IoctlStorageCheckVerify, ErrorNotReady, 0, [](auto& a) { return TestUnitReady(a) == 1; }, 0},
      {IoctlStorageCheckVerify, ErrorAccessDenied, 0, [](auto& a) { return TestUnitReady(a) == -1; }, 0},
      {IoctlStorageReadCapacity, ErrorNotReady, 0, [](auto& a) { return ReadCapacity(a) == 0; }, 1000},
      {IoctlStorageReadCapacity, 0, 1, [](auto& a) { return ReadCapacity(a) == 0; }, 0},
      {IoctlCdromSetSpeed, ErrorMediaChanged, 0, [](auto& a) { return !SetCdSpeed(a, 0xFFFF, 0); }, 0},
      {IoctlCdromSetSpeed, ErrorInvalidFunction, 0, [](auto& a) { return !SetStreaming(a, 0xFFFF, 0); }, 0},
      {IoctlStorageQueryProperty, 0, 1, [](auto& a) { InquiryData d; return !Inquiry(a, d); }, 0},
      {IoctlStorageQueryProperty, 0, 2,
       [](auto& a) { InquiryData d; return Inquiry(a, d) && std::string(d.Vendor) == "        "; }, 0},
      {IoctlCdromGetConfiguration, 0, 2,
       [](auto& a) { CapabilitiesPage p; return !ModeSenseCapabilities(a, p) && GetCurrentProfile(a) == 0xFFFF; }, 0},
      {IoctlCdromGetConfiguration, ErrorInvalidFunction, 0,
       [](auto& a) { CapabilitiesPage p; return !ModeSenseCapabilities(a, p) && p.MaxReadSpeed == 0; }, 0},
      {IoctlCdromGetPerformance, 0, 2, [](auto& a) { return GetReadPerformance(a) == 0; }, 0},
      {IoctlCdromReadQChannel, ErrorNotReady, 0, [](auto& a) { return ReadAudioStatus(a) == -1; }, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.code << " error " << std::dec << c.error << " kind " << c.kind);
    Garble::Code = c.code, Garble::Error = c.error, Garble::Kind = c.kind;
    uint32_t start = VirtualClock::Elapsed();
    EXPECT_TRUE(c.check(at));
    EXPECT_EQ(VirtualClock::Elapsed() - start, c.waitedMs) << "two waits of 500 ms after NOT READY";
  }
}

}  // namespace
