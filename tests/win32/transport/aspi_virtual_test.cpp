// The ASPI transport against the virtual drives' wnaspi32.dll: selection,
// the scan, commands across the DLL boundary checked against the drives'
// command log, the control file, and drives that answer late or never.
// Runs with VARNEL_TEST_LAYER=virtual and the drives of CMakeLists.txt:
// cd48-reader, dvdrom16-streaming, a cd48-reader that answers after 900 ms
// and a cd52-fixed that never answers; once with the layer as real ones
// behave (SRB_BufLen left as sent, every command SS_PENDING) and once with
// VARNEL_SIM_ASPI_BUFLEN=transferred and VARNEL_SIM_ASPI_PENDING=event.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "mmc/commands.h"
#include "sim/model/json_fields.h"
#include "sim/model/profile.h"
#include "transport/aspi_srb.h"
#include "transport/aspi_row.h"
#include "transport/spti_row.h"
#include "transport/system_transports.h"

namespace {
constexpr DeviceAddress Reader = {0, 0, 0, 0}, Dvd = {0, 1, 0, 0}, Late = {0, 2, 0, 0}, Silent = {0, 3, 0, 0};

std::string EnvironmentOf(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

std::vector<nlohmann::json> LogLines() {
  std::vector<nlohmann::json> lines;
  std::ifstream log(EnvironmentOf("VARNEL_SIM_LOG"));
  for (std::string line; std::getline(log, line);)
    lines.push_back(nlohmann::json::parse(line, nullptr, false));
  return lines;
}

// The log lines written since `from`, of one drive.
std::vector<nlohmann::json> LogOfDrive(size_t from, int drive) {
  std::vector<nlohmann::json> lines = LogLines(), mine;
  for (size_t i = from; i < lines.size(); ++i)
    if (lines[i].value("drive", -1) == drive) mine.push_back(lines[i]);
  return mine;
}

std::string Hex(const std::vector<uint8_t>& bytes, size_t length) {
  return sim::HexBytes(bytes.data(), length < bytes.size() ? length : bytes.size());
}

struct Command {
  std::vector<uint8_t> Cdb;
  std::vector<uint8_t> Data;
  bool Ok;
  ScsiRequest Request;
};

Command SendCommand(const DeviceAddress& address, std::vector<uint8_t> cdb, uint32_t dataLength) {
  Command command{cdb, std::vector<uint8_t>(dataLength), false, {}};
  ScsiRequest& request = command.Request;
  request.Address = address;
  request.CdbLength = uint32_t(cdb.size());
  std::copy(cdb.begin(), cdb.end(), request.Cdb);
  request.SenseLength = 16;
  request.DataLength = dataLength;
  request.DataBuffer = dataLength ? command.Data.data() : nullptr;
  command.Ok = ExecuteCommand(request);
  return command;
}

bool OnWindows98() { return getenv("VARNEL_WIN98") != nullptr; }

// The layer's options (sim/wnaspi32/README.md).
bool LayerReportsTransferred() { return EnvironmentOf("VARNEL_SIM_ASPI_BUFLEN") == "transferred"; }

// Each run starts with an empty log and control file (the layer opens them
// at its first call, in SetUp).
void StartFiles() {
  std::ofstream(EnvironmentOf("VARNEL_SIM_LOG"), std::ios::trunc);
  std::ofstream(EnvironmentOf("VARNEL_SIM_CONTROL"), std::ios::trunc);
}

std::vector<DeviceAddress> ScanDrives() {
  std::vector<DeviceAddress> found;
  DriveCursor cursor{};
  for (bool more = CurrentTransport().FirstDrive(cursor); more; more = CurrentTransport().NextDrive(cursor))
    found.push_back(cursor.Address);
  return found;
}

class AspiVirtualDrives : public ::testing::Test {
 protected:
  void SetUp() override {
    if (EnvironmentOf("VARNEL_TEST_LAYER") != "virtual") GTEST_SKIP() << "runs beside the virtual drives' layer";
    static bool started = (StartFiles(), true);
    (void)started;
    RegisterSystemTransports();
    ASSERT_EQ(SelectTransport(2), 2);
  }
  void TearDown() override { SetAspiWaitLimit(AspiDefaultWaitMs); }
};
}  // namespace

TEST_F(AspiVirtualDrives, AreChosenWhenPreferredAndAllFound) {
  EXPECT_EQ(AspiStatus(), 3);
  // Wine reports NT unless told otherwise, and has no optical drive there.
  EXPECT_EQ(SptiStatus(), OnWindows98() ? 1 : 4);
  EXPECT_EQ(SelectTransport(0), OnWindows98() ? 2 : 1);
  EXPECT_EQ(SelectTransport(2), 2);
  std::vector<DeviceAddress> found = ScanDrives();
  ASSERT_EQ(found.size(), 4u);
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(found[i].HaId, 0u);
    EXPECT_EQ(found[i].Target, i);
    EXPECT_EQ(found[i].Letter, 0);  // no configuration manager keys here
  }
  EXPECT_STREQ(AspiVersionString("ProductName"), "Varnel virtual drives");
  EXPECT_STREQ(AspiVersionString("LegalCopyright"), "Test equipment of the Varnel project");
}

// The letters Windows 9x keeps for SCSI devices: the layer names the device
// node, the configuration manager's dynamic key names its hardware key, and
// that key holds the letter.
TEST_F(AspiVirtualDrives, GetTheirLettersThroughTheConfigurationManager) {
  const char* dynamicKey = "Config Manager\\Enum\\7E570001";  // adapter 0, target 1
  const char* hardwareKey = "SCSI\\VARNEL__VIRTUAL\\7E570001";
  const std::string enumKey = std::string("Enum\\") + hardwareKey;
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_DYN_DATA, dynamicKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "HardWareKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(hardwareKey),
                 DWORD(strlen(hardwareKey) + 1));
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, enumKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "CurrentDriveLetterAssignment", 0, REG_SZ, reinterpret_cast<const BYTE*>("E"), 2);
  RegCloseKey(key);

  std::vector<DeviceAddress> found = ScanDrives();
  RegDeleteKeyA(HKEY_DYN_DATA, dynamicKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, enumKey.c_str());
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].Letter, 0);
  EXPECT_EQ(found[1].Letter, 'E');
  EXPECT_EQ(found[2].Letter, 0);

  // A command to the lettered drive still reaches it by adapter and target.
  InquiryData inquiry{};
  ASSERT_TRUE(Inquiry(found[1], inquiry));
  EXPECT_EQ(std::string(inquiry.Product), "DVD-ROM DR-1648 ");
}

TEST_F(AspiVirtualDrives, CommandsCrossTheLayerWithTheBytesTheDriveLogged) {
  size_t from = LogLines().size();
  Command inquiry = SendCommand(Reader, {0x12, 0, 0, 0, 36, 0}, 36);
  Command setSpeed = SendCommand(Reader, {0xBB, 0, 0x1B, 0x80, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, 0);  // 7040 kB/s
  Command modeSense = SendCommand(Reader, {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x01, 0x00, 0}, 256);
  Command read = SendCommand(Reader, {0x28, 0, 0, 0, 0, 16, 0, 0, 2, 0}, 4096);
  for (const Command* command : {&inquiry, &setSpeed, &modeSense, &read}) {
    EXPECT_TRUE(command->Ok) << Hex(command->Cdb, 1);
    EXPECT_EQ(command->Request.RequestStatus, 1);
    EXPECT_EQ(command->Request.ScsiStatus, 0);
  }
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&inquiry.Data[8]), 8), "KAMIRO  ");
  CapabilitiesPage page{};
  ASSERT_TRUE(DecodeCapabilities(modeSense.Data.data(), modeSense.Request.DataLength, page));
  EXPECT_EQ(page.CurrentReadSpeed, sim::CdSpeedForFactor(32));  // 40x lands on 32x
  EXPECT_EQ(read.Request.DataLength, 4096u);

  std::vector<nlohmann::json> log = LogOfDrive(from, 0);
  ASSERT_EQ(log.size(), 4u);
  const Command* sent[] = {&inquiry, &setSpeed, &modeSense, &read};
  for (size_t i = 0; i < 4; ++i) {
    const Command& command = *sent[i];
    EXPECT_EQ(log[i].value("cdb", ""), Hex(command.Cdb, command.Cdb.size()));
    EXPECT_EQ(log[i].value("status", -1), 0);
    // A layer that leaves SRB_BufLen alone reports the length asked for.
    uint32_t transferred = log[i].value("transferred", 0u);
    EXPECT_EQ(command.Request.DataLength, LayerReportsTransferred() ? transferred : command.Data.size());
    if (transferred) {
      EXPECT_EQ(log[i].value("in", ""), Hex(command.Data, std::min<uint32_t>(256, transferred)));
    }
  }
}

// Whatever the layer says of SRB_BufLen, the commands decode what the drive
// sent, and the bytes past a short answer are zeros, never those of an
// earlier command (a sector read just before fills whole buffers).
TEST_F(AspiVirtualDrives, ShortAnswersDecodeAlikeWhateverTheLayerReportsOfTheirLength) {
  std::vector<uint8_t> sectors(32 * 2048);
  ASSERT_TRUE(ReadSectors(Dvd, 1000, 32, sectors.data()));
  CapabilitiesPage page{};
  ASSERT_TRUE(ModeSenseCapabilities(Dvd, page));
  EXPECT_EQ(page.MediumType, 0x40);
  EXPECT_EQ(page.MaxReadSpeed, sim::DvdSpeedForFactor(16));
  EXPECT_EQ(GetReadPerformance(Dvd), sim::DvdSpeedForFactor(16));
  EXPECT_EQ(ReadCapacity(Dvd), 2295104u - 1);
  EXPECT_EQ(GetCurrentProfile(Dvd), 0x10);

  ASSERT_TRUE(ReadSectors(Dvd, 2000, 32, sectors.data()));
  Command modeSense = SendCommand(Dvd, {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0x01, 0x00, 0}, 256);
  ASSERT_TRUE(modeSense.Ok);
  size_t answered = 2 + get_be16(modeSense.Data.data());
  ASSERT_LT(answered, modeSense.Data.size());
  for (size_t i = answered; i < modeSense.Data.size(); ++i) ASSERT_EQ(modeSense.Data[i], 0) << i;
}

TEST_F(AspiVirtualDrives, ReadSectorsOfTheCommandLayerArriveWhole) {
  std::vector<uint8_t> sectors(40 * 2048);
  size_t from = LogLines().size();
  ASSERT_TRUE(ReadSectors(Dvd, 100, 40, sectors.data()));
  std::vector<nlohmann::json> log = LogOfDrive(from, 1);
  ASSERT_EQ(log.size(), 2u);  // 32 blocks, then 8
  EXPECT_EQ(log[1].value("in", ""), sim::HexBytes(&sectors[32 * 2048], 256));
}

TEST_F(AspiVirtualDrives, ControlFileChangesADriveWhileTheProgramRuns) {
  ASSERT_EQ(TestUnitReady(Dvd), 0);
  std::ofstream(EnvironmentOf("VARNEL_SIM_CONTROL"), std::ios::app) << "{\"drive\":1,\"action\":\"open\"}\n";
  Command ready = SendCommand(Dvd, {0, 0, 0, 0, 0, 0}, 0);
  EXPECT_FALSE(ready.Ok);
  EXPECT_EQ(ready.Request.SenseKey, 2);  // NOT READY: the tray is out
  EXPECT_EQ(ready.Request.RequestStatus, 4);
  EXPECT_EQ(ready.Request.ScsiStatus, 2);
  std::ofstream(EnvironmentOf("VARNEL_SIM_CONTROL"), std::ios::app) << "{\"drive\":1,\"action\":\"close\"}\n";
}

TEST_F(AspiVirtualDrives, LateAnswerAfterTheWaitIsReportedAndItsRequestKept) {
  SetAspiWaitLimit(300);
  size_t from = LogLines().size();
  uint32_t parked = AspiParkedRequestCount();  // requests sent without an event stay parked
  Command inquiry = SendCommand(Late, {0x12, 0, 0, 0, 36, 0}, 36);
  EXPECT_FALSE(inquiry.Ok);
  EXPECT_EQ(inquiry.Request.RequestStatus, 0);
  EXPECT_EQ(inquiry.Request.SenseKey, -1);  // not retried
  EXPECT_EQ(AspiParkedRequestCount(), parked + 1);
  Sleep(1500);
  ASSERT_EQ(LogOfDrive(from, 2).size(), 1u);  // the drive did answer, late
  EXPECT_EQ(AspiParkedRequestCount(), parked);
  for (uint8_t value : inquiry.Data) ASSERT_EQ(value, 0);  // into the parked buffer, not the caller's

  SetAspiWaitLimit(AspiDefaultWaitMs);
  Command again = SendCommand(Late, {0x12, 0, 0, 0, 36, 0}, 36);
  EXPECT_TRUE(again.Ok);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&again.Data[8]), 8), "KAMIRO  ");
}

TEST_F(AspiVirtualDrives, DriveThatNeverAnswersCostsOneWaitAndKeepsItsRequest) {
  SetAspiWaitLimit(200);
  uint32_t parked = AspiParkedRequestCount();
  uint32_t start = GetTickCount();
  Command inquiry = SendCommand(Silent, {0x12, 0, 0, 0, 36, 0}, 36);
  EXPECT_FALSE(inquiry.Ok);
  EXPECT_LT(GetTickCount() - start, 2000u);
  EXPECT_EQ(inquiry.Request.RequestStatus, 0);
  EXPECT_EQ(AspiParkedRequestCount(), parked + 1);
  // The other drives still answer.
  EXPECT_TRUE(SendCommand(Reader, {0, 0, 0, 0, 0, 0}, 0).Ok);
}

// Blocks a careless caller may send the layer: each gets its own status and
// touches no drive.
TEST_F(AspiVirtualDrives, LayerRefusesMalformedBlocks) {
  HMODULE layer = GetModuleHandleA("wnaspi32.dll");
  auto send = reinterpret_cast<SendASPI32CommandFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(layer, "SendASPI32Command")));
  auto translate = reinterpret_cast<TranslateASPI32AddressFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(layer, "TranslateASPI32Address")));
  ASSERT_TRUE(send && translate);
  size_t from = LogLines().size();
  struct Case {
    uint8_t Command, Adapter, Target;
    uint32_t BufLen;
    uint8_t CdbLength;
    uint32_t Status;
  } cases[] = {
      {SC_EXEC_SCSI_CMD, 1, 0, 0, 6, SS_INVALID_HA},
      {SC_EXEC_SCSI_CMD, 0, 9, 0, 6, SS_NO_DEVICE},
      {SC_EXEC_SCSI_CMD, 0, 0, 2048, 10, SS_INVALID_SRB},  // a length without a buffer
      {SC_EXEC_SCSI_CMD, 0, 0, 0, 40, SS_INVALID_SRB},     // a CDB longer than the block holds
      {SC_GET_DEV_TYPE, 0, 9, 0, 0, SS_NO_DEVICE},
      {SC_HA_INQUIRY, 3, 0, 0, 0, SS_INVALID_HA},
      {7, 0, 0, 0, 0, SS_INVALID_CMD},
  };
  for (const Case& c : cases) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = c.Command;
    srb.SRB_HaId = c.Adapter;
    srb.SRB_Target = c.Target;
    srb.SRB_BufLen = c.BufLen;
    srb.SRB_CDBLen = c.CdbLength;
    srb.SRB_SenseLen = AspiSenseLength;
    EXPECT_EQ(send(&srb), c.Status) << int(c.Command) << " " << int(c.Target);
    EXPECT_EQ(srb.SRB_Status, c.Status);
  }
  EXPECT_EQ(send(nullptr), uint32_t(SS_INVALID_SRB));
  EXPECT_EQ(LogLines().size(), from);
  uint32_t path = 0x000900, node = 0;  // adapter 0, target 9: nothing there
  EXPECT_FALSE(translate(&path, &node));
  EXPECT_FALSE(translate(nullptr, &node));
}

// Runs with VARNEL_TEST_LAYER=virtual-adapters and adapters_setup.json: the
// USB writer on adapter 0, a reader on adapter 1 behind 128 KiB and
// four-byte alignment. Each adapter states its limits in HA_Unique and ends
// at once, never pending, what it cannot carry, which no drive sees.
TEST(AspiVirtualAdapters, StateTheirLimitsAndRefuseWhatTheyCannotCarry) {
  if (EnvironmentOf("VARNEL_TEST_LAYER") != "virtual-adapters") GTEST_SKIP() << "runs with adapters_setup.json";
  StartFiles();
  auto send = reinterpret_cast<SendASPI32CommandFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryA("wnaspi32.dll"), "SendASPI32Command")));
  ASSERT_TRUE(send);
  for (uint8_t adapter : {0, 1}) {
    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.SRB_HaId = adapter;
    ASSERT_EQ(send(&inquiry), uint32_t(SS_COMP));
    EXPECT_EQ(get_le16(inquiry.HA_Unique + HaUniqueAlignmentMask), adapter ? 3u : 0u);
    EXPECT_EQ(get_le32(inquiry.HA_Unique + HaUniqueMaxTransfer), adapter ? 131072u : 65536u);
  }
  static uint8_t buffer[33 * 2048 + 16] __attribute__((aligned(16)));
  const struct {
    uint8_t Adapter, Blocks, Offset;
    AspiStatusCode Status;
  } cases[] = {{0, 33, 0, SS_BUFFER_TO_BIG}, {1, 1, 2, SS_BUFFER_ALIGN}};
  for (const auto& c : cases) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = c.Adapter;
    srb.SRB_BufLen = c.Blocks * 2048;
    srb.SRB_BufPointer = buffer + c.Offset;
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = 0x28;
    srb.CDBByte[8] = c.Blocks;
    EXPECT_EQ(send(&srb), c.Status) << int(c.Adapter) << " " << int(c.Offset);
  }
  std::vector<nlohmann::json> log = LogLines();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].value("refused", "") + log[1].value("refused", ""), "tooLongmisaligned");
}

// Windows 98: SPTI is not there, and ASPI is chosen whatever the setting says.
TEST(AspiOnWindows98, SptiIsUnavailableAndAspiIsChosenWhateverThePreference) {
  if (!getenv("VARNEL_WIN98")) GTEST_SKIP() << "runs in the Windows 98 prefix";
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  ASSERT_EQ(version.dwPlatformId, DWORD(VER_PLATFORM_WIN32_WINDOWS));
  RegisterSystemTransports();
  for (int preferred : {0, 1, 2}) {
    EXPECT_EQ(SelectTransport(preferred), 2) << preferred;
    EXPECT_EQ(SptiStatus(), 1);
    EXPECT_EQ(AspiStatus(), 3);
  }
  EXPECT_EQ(SptiAccessMask(), uint32_t(GENERIC_READ));
}

// A layer whose profiles cannot be read says so instead of showing no drives.
TEST(AspiVirtualDrivesMisconfigured, LayerReportsAFailedStart) {
  if (EnvironmentOf("VARNEL_TEST_LAYER") != "virtual-misconfigured") GTEST_SKIP() << "runs with a wrong profile";
  EXPECT_FALSE(AspiLoad());
  EXPECT_EQ(AspiStatus(), 2);
}
