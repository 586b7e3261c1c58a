#include <string>

#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

using Discovery = VirtualDrives;

std::u16string Wide(const char* s) { return std::u16string(s, s + std::strlen(s)); }

TEST_F(Discovery, FirstStartProbesAndStoresLaterStartSendsNoSpeedCommand) {
  for (const char* name : {"cd48-reader", "dvdrom16-streaming", "cdrw52-writer", "dvdrw16-roundup"}) Add(name);
  DiscoverDrives();
  ASSERT_EQ(DriveCount, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_GT(CountOf(sim::VirtualDriveAt(i), 0xBB), 0u) << "drive " << i << " was enumerated";
    RegKey key = OpenProgramSubkey(Drives[i].FullName);
    EXPECT_TRUE(key) << "capability key of drive " << i;
    CloseRegKey(key);
    RegKey settings = OpenDriveKey(Drives[i].FullName, Drives[i].Instance);
    EXPECT_FALSE(settings) << "settings are stored only when the user confirms them";
    CloseRegKey(settings);
  }
  // The 48x reader with its data CD got its CD list at once.
  EXPECT_EQ(std::string(Drives[0].FullName), "KAMIRO   CD-ROM CR-4880   1.05");
  EXPECT_EQ(Speeds(Drives[0].RangeCD),
            (std::vector<uint32_t>{8467, 7056, 5645, 4234, 2822, 2117, 1411, 706}));
  EXPECT_EQ(Drives[0].RangeCD.Valid, 1);
  EXPECT_EQ(Drives[0].ShortMenu, 0);  // 8 entries: one menu block
  EXPECT_EQ(Drives[0].EventMask, 11);
  EXPECT_EQ(Drives[0].ForceRead, 1);
  EXPECT_EQ(Drives[0].TrayClosed, 1);
  // The DVD reader with a DVD inside got its DVD list through SET STREAMING.
  EXPECT_EQ(Drives[1].DVDMethodDetected, 2);
  EXPECT_EQ(Drives[1].RangeDVD.Count, 6u);
  EXPECT_EQ(Drives[1].RangeDVD.Entries[0].Speed, 16u * 1385);

  std::vector<DriveRecord> first(Drives, Drives + 4);
  ClearLogs();
  DiscoverDrives();
  ASSERT_EQ(DriveCount, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Opcodes(sim::VirtualDriveAt(i)), std::vector<uint8_t>{0x12}) << "drive " << i << ": INQUIRY only";
    EXPECT_EQ(Speeds(Drives[i].RangeCD), Speeds(first[i].RangeCD));
    EXPECT_EQ(Commands(Drives[i].RangeDVD), Commands(first[i].RangeDVD));
    EXPECT_EQ(Drives[i].MaxSpeed, first[i].MaxSpeed);
    EXPECT_EQ(Drives[i].DVDMethodDetected, first[i].DVDMethodDetected);
  }
}

TEST_F(Discovery, IdenticalModelsShareCapabilitiesAndNumberTheirSettings) {
  Add("cd48-reader");
  Add("cd48-reader");
  Add("cdrw52-writer");
  Add("cd48-reader");
  DiscoverDrives();
  ASSERT_EQ(DriveCount, 4);
  EXPECT_EQ(Drives[0].Instance, 0);
  EXPECT_EQ(Drives[1].Instance, 1);
  EXPECT_EQ(Drives[2].Instance, 0);
  EXPECT_EQ(Drives[3].Instance, 2);
  // Only the first of a model is probed; the others read its key.
  EXPECT_GT(CountOf(sim::VirtualDriveAt(0), 0xBB), 0u);
  EXPECT_EQ(CountOf(sim::VirtualDriveAt(1), 0xBB), 0u);
  EXPECT_EQ(CountOf(sim::VirtualDriveAt(3), 0xBB), 0u);
  EXPECT_EQ(Speeds(Drives[3].RangeCD), Speeds(Drives[0].RangeCD));

  Drives[0].RangeCD.Selected = 2822;
  Drives[1].RangeCD.Selected = 1411;
  Drives[3].Timer = 60000;
  for (int i = 0; i < 4; ++i) SaveDriveSettings(Drives[i]);
  std::string model = Drives[0].FullName;
  for (const char* suffix : {"\\00", "\\01", "\\02"}) {
    RegKey key = OpenProgramSubkey((model + suffix).c_str());
    EXPECT_TRUE(key) << suffix;
    CloseRegKey(key);
  }
  DiscoverDrives();
  EXPECT_EQ(Drives[0].RangeCD.Selected, 2822u);
  EXPECT_EQ(Drives[1].RangeCD.Selected, 1411u);
  EXPECT_EQ(Drives[3].RangeCD.Selected, 0u);
  EXPECT_EQ(Drives[3].Timer, 60000);
}

TEST_F(Discovery, AutomaticShortNames) {
  struct Case {
    const char* vendor;
    const char* product;
    const char* expected;
  } cases[] = {
      {"_ABC", "CD-ROM", "ABC"},             // leading non-letters skipped, ends at the blank
      {"12ORVEXTECH", "X", "ORVEXTECH"},      // the vendor field is 8 characters: "12ORVEXT"
      {"ABCDEFGH", "IJKLMN", "ABCDEFGH"},     // ends at the blank between the fields
      {"QWERTYUI", "", "QWERTYUI"},
      {"--------", "----------------", ""},  // no letter at all
  };
  for (const Case& c : cases) {
    sim::Profile p = Profile("cd48-reader");
    p.Vendor = c.vendor;
    p.Product = c.product;
    Add(p);
  }
  sim::Profile twelve = Profile("cd48-reader");
  twelve.Vendor = "";
  twelve.Product = "ABCDEFGHIJKL";
  Add(twelve);
  DiscoverDrives();
  ASSERT_EQ(DriveCount, 6);
  EXPECT_EQ(std::u16string(Drives[1].AutoShortName), u"ORVEXT");
  for (int i = 0; i < 5; ++i) {
    if (i == 1) continue;
    EXPECT_EQ(std::u16string(Drives[i].AutoShortName), Wide(cases[i].expected)) << cases[i].vendor;
  }
  EXPECT_EQ(std::u16string(Drives[5].AutoShortName), u"ABCDEFGHIJ");  // at most 10

  EXPECT_EQ(std::u16string(DisplayName(Drives[0])), u"ABC");
  std::memcpy(Drives[0].ShortName, u"Мой", 8);
  EXPECT_EQ(std::u16string(DisplayName(Drives[0])), u"Мой");
}

// A garbled INQUIRY answer must still name one key of the program's own:
// no backslash (nested keys) and no control character (a line break breaks
// the export file).
TEST_F(Discovery, GarbledNamesStayOneRegistryKey) {
  sim::Profile garbled = Profile("cd48-reader");
  garbled.Vendor = "AB\\\r\nC";
  garbled.Product = "\x7F\tX\\";
  Add(garbled);
  DiscoverDrives();
  ASSERT_EQ(DriveCount, 1);
  EXPECT_EQ(std::string(Drives[0].FullName).substr(0, 16), "AB___C   __X_   ");
  RegKey key = OpenProgramSubkey(Drives[0].FullName);
  EXPECT_TRUE(key) << "capabilities stored under the cleaned name";
  CloseRegKey(key);
}

TEST_F(Discovery, DrivesThatDoNotAnswerInquiry) {
  sim::Profile mute = Profile("cd48-reader");
  mute.Faults.push_back(sim::Fault{0x12, -1, 5});  // INQUIRY refused for ever
  Add(mute);
  Add("cdrw52-writer");
  Add(mute);

  DiscoverDrives();
  ASSERT_EQ(DriveCount, 1);
  EXPECT_EQ(Drives[0].Address.Target, 1u);
  EXPECT_EQ(CountOf(sim::VirtualDriveAt(0), 0xBB), 0u) << "a dropped drive is not probed";

  ProgramSettings::Current().ShowUnknown = 1;
  DiscoverDrives();
  ASSERT_EQ(DriveCount, 3);
  EXPECT_EQ(std::string(Drives[0].FullName), "<unknown>");
  EXPECT_EQ(std::u16string(Drives[0].AutoShortName), u"unknown");
  EXPECT_EQ(Drives[0].Instance, 0);
  EXPECT_EQ(Drives[2].Instance, 1);
  RegKey key = OpenProgramSubkey("<unknown>");
  EXPECT_TRUE(key);
  CloseRegKey(key);
}

// A "find drives" request or a new-drive event handled from the message loop
// of a long operation: neither the array nor the transport may change under
// the operation, and the request must not be lost.
TEST_F(Discovery, RequestDuringAnOperationIsKeptAndRunsWhenItEnds) {
  sim::UseVirtualTransports(true, true);
  ProgramSettings::Current().ApiPrefered = PreferAspi;
  Add("cd48-reader");
  Add("cdrw52-writer");
  ASSERT_EQ(DiscoverDrives(), DiscoveryOutcome::Done);
  ASSERT_EQ(TransportId(), TransportAspi);
  Add("dvdrom16-streaming");  // arrives while the writer is at work
  static int due, dueDuring, countDuring, transportDuring;
  static DiscoveryOutcome nested;
  due = 0;
  DiscoveryDueCallback = [] { ++due; };
  auto progress = [](int, int, int, int, int, void*) {
    ProgramSettings::Current().ApiPrefered = PreferSpti;  // and the user chose SPTI
    nested = DiscoverDrives();
    countDuring = DriveCount;
    transportDuring = TransportId();
    RefreshStatus(Drives[0]);  // another drive's operation ends meanwhile
    dueDuring = due;
    return 0;
  };
  EnumerateSpeeds(Drives[1], SpeedMethod::Full, progress, nullptr);
  EXPECT_EQ(nested, DiscoveryOutcome::Kept);
  EXPECT_EQ(countDuring, 2) << "the array stayed";
  EXPECT_EQ(transportDuring, TransportAspi) << "the transport stayed";
  EXPECT_EQ(dueDuring, 0) << "not due while the writer works";
  EXPECT_EQ(due, 1) << "due once, when the writer's operation ended";
  RefreshStatus(Drives[0]);
  EXPECT_EQ(due, 1) << "and not again when later operations end";
  EXPECT_TRUE(DiscoveryKept());

  // The request the shell posted arrives while a drive works again.
  EnumerateSpeeds(Drives[0], SpeedMethod::Full, [](int, int, int, int, int, void*) {
    nested = DiscoverDrives();
    return 0;
  }, nullptr);
  EXPECT_EQ(nested, DiscoveryOutcome::Kept);
  EXPECT_EQ(due, 2) << "announced again";

  // The shell runs the kept request from its message loop.
  EXPECT_EQ(DiscoverDrives(), DiscoveryOutcome::Done);
  EXPECT_FALSE(DiscoveryKept());
  EXPECT_EQ(DriveCount, 3);
  EXPECT_EQ(TransportId(), TransportSpti);
  RefreshStatus(Drives[0]);
  EXPECT_EQ(due, 2);
}

TEST_F(Discovery, DriveWhosePageLooksToStartAtByte16) {
  // Top speed 10800 kB/s = 0x2A30: answer byte 16 holds 0x2A.
  Add("cd61-highbyte");
  DiscoverDrives();
  ASSERT_EQ(DriveCount, 1);
  EXPECT_EQ(Drives[0].MaxSpeed, 10800);
  EXPECT_EQ(Drives[0].CanGetSpeed, 1);
  EXPECT_EQ(Drives[0].CanSenseMedium, 1);
  EXPECT_EQ(Speeds(Drives[0].RangeCD), (std::vector<uint32_t>{10800, 8820, 7056, 5292, 3528, 1764}));
}

// Only a tray (loading mechanism 001b) can be closed by the drive; a caddy or
// slot, a pop-up and the changers cannot. The record keeps the media a drive
// writes with the test write, as stored, and the DVD media it reads.
TEST_F(Discovery, CanCloseOnlyATrayAndKeepsTheMediaBits) {
  const struct {
    uint8_t mechanism;
    int canClose;
    uint8_t readCaps, writeCaps;
    int dvd, writer;
  } cases[] = {{0x09, 0, 0x03, 0x00, 0, 0},
               {0x29, 1, 0x3B, 0xF7, 0x38, 0x37},  // bits 6-7 (no medium) are dropped
               {0x49, 0, 0x0B, 0x04, 0x08, 0x04},
               {0x89, 0, 0x03, 0x07, 0, 0x07},
               {0xA9, 0, 0x03, 0x00, 0, 0}};
  for (const auto& c : cases) {
    sim::Profile p = Profile("cd48-reader");
    p.Mechanism = c.mechanism;
    p.ReadCaps = c.readCaps;
    p.WriteCaps = c.writeCaps;
    p.Product = "MECHANISM " + std::to_string(c.mechanism);  // a model of its own
    Add(p);
  }
  DiscoverDrives();
  ASSERT_EQ(DriveCount, 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Drives[i].CanClose, cases[i].canClose) << "mechanism " << int(cases[i].mechanism);
    EXPECT_NE(Drives[i].CanEject, 0);
    EXPECT_EQ(Drives[i].DVD, cases[i].dvd) << i;
    EXPECT_EQ(Drives[i].Writer, cases[i].writer) << i;
  }
}

TEST_F(Discovery, SeventeenthDriveIsLeftOut) {
  for (int i = 0; i < 17; ++i) Add("cd48-reader");
  DiscoverDrives();
  EXPECT_EQ(DriveCount, 16);
  EXPECT_EQ(Drives[15].Instance, 15);
  EXPECT_TRUE(Opcodes(sim::VirtualDriveAt(16)).empty());
  EXPECT_EQ(DriveAt(16), nullptr);
  EXPECT_EQ(DriveAt(-1), nullptr);
  EXPECT_EQ(DriveAt(15), &Drives[15]);
  ClearDrives();
  EXPECT_EQ(DriveCount, 0);
  EXPECT_EQ(DriveAt(0), nullptr);
}

}  // namespace
