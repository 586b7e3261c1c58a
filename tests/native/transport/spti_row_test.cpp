// The SPTI row's decisions against Windows as the row meets it, played over
// the virtual drives: letters are the drives' own, a pass-through runs its
// CDB on the drive, and the adapter refuses what Windows refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/restore_events.h"
#include "mmc/commands.h"
#include "native/drive/virtual_drives_fixture.h"
#include "transport/spti_row.h"

namespace {
using namespace SptiWire;

struct WindowsSystem {
  std::vector<uint32_t> OpenErrors;  // one per open, 0 opens; past the end every open works
  int Opens = 0, Closes = 0;
  std::vector<std::string> Paths;
  std::vector<PassThroughDirect> PassThroughs;  // as they reached DeviceIoControl
  uint32_t Access = 0, PassThroughError = 0;
  bool AdapterAnswers = true;
  AdapterLimits Adapter{64 * 1024, 3};
  int ClaimedSense = -1;  // >= 0: the driver's SenseInfoLength, whatever came
  SystemVersion Version{true, 5, 1, true};
};
WindowsSystem g_system;

int IndexOfLetter(int32_t letter) {
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i)
    if (sim::VirtualDriveAddress(i).Letter == letter) return int(i);
  return -1;
}

SystemHandle Open(const char* path, uint32_t access, uint32_t& error) {
  g_system.Paths.push_back(path);
  g_system.Access = access;
  size_t n = size_t(g_system.Opens++);
  error = n < g_system.OpenErrors.size() ? g_system.OpenErrors[n] : 0;
  if (!error && IndexOfLetter(path[4]) < 0) error = 2;  // ERROR_FILE_NOT_FOUND
  return error ? nullptr : reinterpret_cast<SystemHandle>(uintptr_t(path[4]));
}

void Close(SystemHandle) { g_system.Closes++; }

uint32_t PassThrough(int32_t letter, PassThroughCall& call) {
  PassThroughDirect& h = call.Header;
  g_system.PassThroughs.push_back(h);
  if (g_system.PassThroughError) return g_system.PassThroughError;
  // What Windows refuses with ERROR_INVALID_PARAMETER.
  if (h.DataTransferLength > g_system.Adapter.MaxTransfer ||
      (reinterpret_cast<uintptr_t>(h.DataBuffer) & g_system.Adapter.AlignmentMask))
    return 87;
  sim::CommandOutcome out =
      sim::ExecuteOnVirtualDrive(size_t(IndexOfLetter(letter)), h.Cdb, h.CdbLength, static_cast<uint8_t*>(h.DataBuffer),
                                 h.DataTransferLength, h.DataIn == DataOut, uint32_t(letter));
  h.ScsiStatus = out.Status;
  h.DataTransferLength = out.Transferred;
  uint32_t sense = out.SenseLength < h.SenseInfoLength ? out.SenseLength : h.SenseInfoLength;
  std::memcpy(call.Sense, out.Sense, sense);
  h.SenseInfoLength = uint8_t(g_system.ClaimedSense >= 0 ? g_system.ClaimedSense : int(sense));
  return 0;
}

uint32_t Control(SystemHandle handle, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                 uint32_t& returned) {
  returned = 0;
  auto* bytes = static_cast<uint8_t*>(out);
  if (code == IoctlPassThroughDirect) {
    EXPECT_EQ(in, out);
    EXPECT_EQ(inSize, sizeof(PassThroughDirect));
    EXPECT_EQ(outSize, sizeof(PassThroughCall));
    return PassThrough(int32_t(reinterpret_cast<uintptr_t>(handle)), *static_cast<PassThroughCall*>(out));
  }
  if (!g_system.AdapterAnswers) return 1;  // ERROR_INVALID_FUNCTION
  bool storage = code == IoctlStorageQueryProperty;
  if (storage) { EXPECT_EQ(get_le32(static_cast<uint8_t*>(in)), StorageAdapterProperty); }
  std::memset(out, 0, outSize);
  put_le32(bytes + (storage ? AdapterMaxTransferAt : CapabilitiesMaxTransferAt), g_system.Adapter.MaxTransfer);
  put_le32(bytes + (storage ? AdapterAlignmentAt : CapabilitiesAlignmentAt), g_system.Adapter.AlignmentMask);
  returned = outSize;
  return 0;
}

uint32_t LogicalDrives() {
  uint32_t mask = 1u << ('C' - 'A');  // a hard disk below the optical drives
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i) mask |= 1u << (sim::VirtualDriveAddress(i).Letter - 'A');
  return mask;
}
uint32_t DriveType(const char* root) { return IndexOfLetter(root[0]) >= 0 ? DriveCdrom : 3; }
SystemVersion Version() { return g_system.Version; }
const SptiOps Windows = {Open, Control, Close, LogicalDrives, DriveType, Version};

class SptiRow : public VirtualDrives {
 protected:
  void SetUp() override {
    VirtualDrives::SetUp();
    g_system = WindowsSystem{};
    InstallSptiOps(&Windows);
    RegisterTransports({nullptr, nullptr}, {SptiProbe, &SptiTransport});
  }
  void TearDown() override {
    InstallSptiOps(nullptr);
    VirtualDrives::TearDown();
  }
};

// Every command the program sends on a drive's adapter, for the adapters
// systems report: nothing longer than the adapter (or 64 KiB) takes, every
// buffer on its mask's boundary, and the drive sees the same commands as
// through any other row.
TEST_F(SptiRow, CommandsKeepToTheAdapterAndReachTheDriveWhole) {
  struct Adapter {
    const char* Name;
    bool Answers;
    AdapterLimits Reported, Kept;
    uint32_t Windows = 5;  // NT 4 asks through the capabilities query
  } adapters[] = {
      {"silent", false, {0, 0}, DefaultAdapterLimits},
      {"usb bridge", true, {64 * 1024, 0}, {64 * 1024, 0}},
      {"ahci, 32 KiB", true, {32 * 1024, 3}, {32 * 1024, 3}},
      {"nt 4, 32 KiB", true, {32 * 1024, 1}, {32 * 1024, 1}, 4},
      {"wide, page mask", true, {1024 * 1024, 511}, {64 * 1024, 511}},
      {"nonsense length", true, {0, 3}, DefaultAdapterLimits},
      {"nonsense mask", true, {128 * 1024, 0xFFFFFFFF}, DefaultAdapterLimits},
  };
  for (const Adapter& a : adapters) {
    SetUp();
    Add("cdrw52-writer");
    g_system.Version.Major = a.Windows;
    g_system.AdapterAnswers = a.Answers;
    g_system.Adapter = a.Reported;
    if (!a.Answers || a.Reported.MaxTransfer == 0 || a.Reported.AlignmentMask == 0xFFFFFFFF)
      g_system.Adapter = DefaultAdapterLimits;  // what Windows enforces all the same
    ASSERT_EQ(SelectTransport(PreferSpti), TransportSpti);
    DiscoverDrives();
    ASSERT_EQ(DriveCount, 1) << a.Name;
    AdapterLimits kept = AdapterLimitsOf(Drives[0].Address);
    EXPECT_EQ(kept.MaxTransfer, a.Kept.MaxTransfer) << a.Name;
    EXPECT_EQ(kept.AlignmentMask, a.Kept.AlignmentMask) << a.Name;

    // A measurement's read into a buffer off every boundary arrives whole, in
    // as many commands as the adapter needs; then a speed and a tray.
    ClearLogs();
    std::vector<uint8_t> buffer(64 * SectorSize + 1), direct(64 * SectorSize);
    EXPECT_TRUE(ReadSectors(Drives[0].Address, 16, 64, buffer.data() + 1)) << a.Name;
    EXPECT_EQ(CountOf(sim::VirtualDriveAt(0), 0x28), 64 * SectorSize / kept.MaxTransfer) << a.Name;
    EXPECT_TRUE(ReadSectors(Drives[0].Address, 16, 64, direct.data()));
    EXPECT_EQ(0, std::memcmp(direct.data(), buffer.data() + 1, direct.size())) << a.Name;
    SetSpeed(Drives[0], 1408);
    MoveTray(Drives[0], TrayMove::Eject);
    for (const PassThroughDirect& h : g_system.PassThroughs) {
      EXPECT_LE(h.DataTransferLength, kept.MaxTransfer) << a.Name << " CDB " << int(h.Cdb[0]);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(h.DataBuffer) & kept.AlignmentMask, 0u) << a.Name;
      EXPECT_EQ(h.Length, sizeof h);
      EXPECT_EQ(h.TimeOutValue, SptiTimeoutSeconds);
      EXPECT_EQ(h.SenseInfoOffset, offsetof(PassThroughCall, Sense));
      EXPECT_EQ(h.DataBuffer == nullptr, h.DataTransferLength == 0);
    }
    EXPECT_EQ(CountOf(sim::VirtualDriveAt(0), 0x1B), 1u);  // the eject went out
  }
}

// A restore at start opens each drive once for the lock, the refresh and
// the speed, and holds nothing afterwards.
TEST_F(SptiRow, ARestoreOpensEachDriveOnce) {
  Add("cd48-reader");
  Add("dvdrom16-streaming");
  ASSERT_EQ(SelectTransport(PreferSpti), TransportSpti);
  DiscoverDrives();
  for (int i = 0; i < DriveCount; ++i) {
    Drives[i].Lock = 1;
    SpeedRange& range = Drives[i].Active();
    ASSERT_GT(range.Count, 1u);
    range.Selected = range.Entries[range.Count - 1].Speed;  // the slowest: it is sent
  }
  g_system.Opens = g_system.Closes = 0;
  g_system.PassThroughs.clear();
  RestoreForEvent(EventStart, 0);
  EXPECT_EQ(g_system.Opens, 2);
  EXPECT_EQ(g_system.Closes, 2);
  EXPECT_GE(g_system.PassThroughs.size(), 8u);  // lock, refresh, speed, refresh again: several a drive
}

// Opening: a sharing violation is waited out three times, other refusals end
// at once, and a failed open reports as a failed send.
TEST_F(SptiRow, OpenRetriesOnlySharingViolations) {
  Add("cd48-reader");
  struct Case {
    int32_t Letter;
    std::vector<uint32_t> Errors;
    bool Sent;
    int Opens;
    uint32_t Waited;
    int32_t SystemError;
  } cases[] = {
      {'D', {ErrorSharingViolation, ErrorSharingViolation, ErrorSharingViolation}, false, 3, 300, 32},
      {'D', {ErrorSharingViolation, ErrorSharingViolation, 0}, true, 3, 300, -1},
      {'D', {ErrorAccessDenied}, false, 1, 0, 5},
      {0, {}, false, 0, 0, int32_t(ErrorInvalidDrive)},      // a drive without a letter
      {0x1F5, {}, false, 0, 0, int32_t(ErrorInvalidDrive)},  // garbage
  };
  for (const Case& c : cases) {
    g_system = WindowsSystem{};
    g_system.OpenErrors = c.Errors;
    VirtualClock::Install(100000);
    ScsiRequest request{};  // TEST UNIT READY
    request.Address = DeviceAddress{0, 0, 0, c.Letter};
    request.CdbLength = 6;
    request.SenseLength = 16;
    EXPECT_EQ(ExecuteOnce(SptiTransport, request), c.Sent) << c.Letter;
    EXPECT_EQ(g_system.Opens, c.Opens);
    EXPECT_EQ(VirtualClock::SleptTotal(), c.Waited);
    EXPECT_EQ(request.SystemError, c.SystemError);
    EXPECT_EQ(g_system.Closes, c.Sent ? 1 : 0);
    if (!c.Sent) { EXPECT_EQ(request.SenseKey, -1); }
    if (c.Letter == 'D') { EXPECT_EQ(g_system.Paths[0], "\\\\.\\D:"); }
  }
}

// What the driver answers, as the request reports it: sense within the
// 16-byte area, no key without three bytes of it, a failed call not retried.
TEST_F(SptiRow, AnswersAreReadWithinWhatWasAskedFor) {
  Add("cd48-reader");
  ASSERT_EQ(SelectTransport(PreferSpti), TransportSpti);
  DeviceAddress d{0, 0, 0, 'D'};
  std::string error;
  ASSERT_TRUE(sim::VirtualDriveAt(0).ApplyControl(R"({"action":"open"})", error)) << error;  // NOT READY from now on
  struct Case {
    int Claimed;  // the driver's SenseInfoLength (-1: what came)
    uint32_t Error;
    int32_t SenseKey;
    uint32_t SenseLength;
    int PassThroughs;
  } cases[] = {
      {-1, 0, SenseNotReady, 16, 1},   // TEST UNIT READY takes one attempt
      {40, 0, SenseNotReady, 16, 1},   // a driver claiming more than the area holds
      {2, 0, -1, 2, 1},                // too short to hold a key
      {-1, 50, -1, 0, 1},              // the call failed: ERROR_NOT_SUPPORTED
  };
  for (const Case& c : cases) {
    g_system.PassThroughs.clear();
    g_system.ClaimedSense = c.Claimed;
    g_system.PassThroughError = c.Error;
    ScsiRequest request{};
    request.Address = d;
    request.CdbLength = 6;
    request.SenseLength = 16;
    EXPECT_FALSE(ExecuteCommandOnce(request));
    EXPECT_EQ(request.SenseKey, c.SenseKey) << c.Claimed;
    EXPECT_EQ(request.SenseLength, c.SenseLength) << c.Claimed;
    EXPECT_EQ(request.SystemError, c.Error ? int32_t(c.Error) : -1);
    EXPECT_EQ(int(g_system.PassThroughs.size()), c.PassThroughs);
    EXPECT_EQ(g_system.PassThroughs[0].SenseInfoLength, 16);
    EXPECT_EQ(g_system.PassThroughs[0].DataIn, DataIn);  // no data goes out as data-in of length 0
  }
}

// Whether SPTI is used, and how drives are opened, by the Windows there is.
TEST_F(SptiRow, ProbeDecidesByVersionAndWhatOpens) {
  Add("cd48-reader");
  Add("cd48-reader");
  sim::AddVirtualDrive(Profile("cd48-reader"), DeviceAddress{0, 9, 0, 'Z'});
  struct Case {
    SystemVersion Version;
    std::vector<uint32_t> Errors;
    SptiAvailability Status;
    uint32_t Access;
    bool RefusedForRights;
  } cases[] = {
      {{true, 5, 1, true}, {}, SptiUsable, GenericRead | GenericWrite, false},
      {{true, 4, 0, true}, {}, SptiUsable, GenericRead, false},
      {{true, 4, 10, false}, {}, SptiNotNt, GenericRead, false},
      {{false, 0, 0, false}, {}, SptiNotNt, GenericRead | GenericWrite, false},
      {{true, 6, 1, true}, {ErrorAccessDenied, 0}, SptiUsable, GenericRead | GenericWrite, false},
      {{true, 6, 1, true}, {ErrorAccessDenied, ErrorAccessDenied, ErrorAccessDenied}, SptiAccessDenied,
       GenericRead | GenericWrite, true},
  };
  for (const Case& c : cases) {
    g_system = WindowsSystem{};
    g_system.Version = c.Version;
    g_system.OpenErrors = c.Errors;
    EXPECT_EQ(SptiProbe(), c.Status != SptiAccessDenied && c.Status != SptiNotNt);
    EXPECT_EQ(SptiStatus(), c.Status) << c.Version.Major;
    if (c.Version.Known) {
      EXPECT_EQ(SptiAccessMask(), c.Access) << c.Version.Major;
    }
    EXPECT_EQ(SptiRefusedForRights(), c.RefusedForRights);
    int refused = 0;
    for (uint32_t e : c.Errors) refused += e != 0;
    EXPECT_EQ(g_system.Closes, g_system.Opens - refused);  // a drive that opened is closed again
  }
  // The letters are walked upward past the hard disk, and the cursor stays at the end.
  DriveCursor cursor{};
  std::string letters;
  for (bool more = SptiTransport.FirstDrive(cursor); more; more = SptiTransport.NextDrive(cursor))
    letters += char(cursor.Address.Letter);
  EXPECT_EQ(letters, "DEZ");
  EXPECT_EQ(cursor.Address.Letter, 'Z');
}
}  // namespace
