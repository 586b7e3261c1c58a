// The ASPI transport against real layers loaded as wnaspi32.dll: Wine's
// builtin one, scripted layers with missing entry points, odd adapters and
// late answers, each in a folder of its own. VARNEL_TEST_LAYER names the
// layer beside the executable; suites for other layers skip.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "transport/aspi_srb.h"
#include "transport/aspi_win32.h"
#include "transport/system_transports.h"
#include "win32/transport/test_aspi_layer.h"

namespace {
std::string Layer() {
  const char* layer = getenv("VARNEL_TEST_LAYER");
  return layer ? layer : "";
}

int Delay() {
  const char* delay = getenv("VARNEL_TEST_LAYER_DELAY");
  return delay ? atoi(delay) : 0;
}

TestLayerState& LayerState() {
  auto stateOf = reinterpret_cast<TestLayerStateOfFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("wnaspi32.dll"), "TestLayerStateOf")));
  static TestLayerState none;
  return stateOf ? *stateOf() : none;
}

// Every heap of the process is still consistent: nothing wrote into a block
// after it was freed.
bool HeapsAreSound() {
  HANDLE heaps[64];
  DWORD count = GetProcessHeaps(64, heaps);
  for (DWORD i = 0; i < count && i < 64; ++i)
    if (!HeapValidate(heaps[i], 0, nullptr)) return false;
  return true;
}

ScsiRequest Read10(uint8_t* data, uint32_t length) {
  ScsiRequest request{};
  request.CdbLength = 10;
  request.Cdb[0] = 0x28;
  request.Cdb[8] = uint8_t(length / 2048);
  request.SenseLength = 16;
  request.DataLength = length;
  request.DataBuffer = data;
  return request;
}

std::string Drives() {
  std::string found;
  DriveCursor cursor{};
  for (bool more = AspiTransport.FirstDrive(cursor); more; more = AspiTransport.NextDrive(cursor)) {
    char at[16];
    snprintf(at, sizeof at, "%u:%u%c ", unsigned(cursor.Address.HaId), unsigned(cursor.Address.Target),
             cursor.Address.Letter ? char(cursor.Address.Letter) : '-');
    found += at;
  }
  return found;
}

class LayerTest : public ::testing::Test {
 protected:
  void RequireLayer(const std::string& layer) {
    if (Layer() != layer) GTEST_SKIP() << "runs with the " << (layer.empty() ? "builtin" : layer) << " layer";
  }
};

#define LAYER_SUITE(Suite, layer)                           \
  class Suite : public LayerTest {                          \
   protected:                                               \
    void SetUp() override { RequireLayer(layer); }          \
  }

LAYER_SUITE(AspiWineBuiltinLayer, "");
LAYER_SUITE(AspiLayerWithoutSend, "no-send");
LAYER_SUITE(AspiLayerWithoutInfo, "no-info");
LAYER_SUITE(AspiBrokenLayer, "broken");
LAYER_SUITE(AspiLayerWithoutAdapters, "empty");
LAYER_SUITE(AspiScanLayer, "scan");
LAYER_SUITE(AspiLateLayer, "late");

bool OnWindows98() { return getenv("VARNEL_WIN98") != nullptr; }
}  // namespace

class AspiOnWindows98 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OnWindows98()) GTEST_SKIP() << "runs in the Windows 98 prefix";
  }
};

TEST_F(AspiOnWindows98, SptiIsUnavailableAndAspiIsChosenWhateverThePreference) {
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

TEST_F(AspiWineBuiltinLayer, LoadsAndFindsNoDrive) {
  EXPECT_TRUE(AspiLoad());
  EXPECT_EQ(AspiStatus(), 3);
  EXPECT_EQ(Drives(), "");
  EXPECT_EQ(GetProcAddress(GetModuleHandleA("wnaspi32.dll"), "TestLayerStateOf"), nullptr);
}

TEST_F(AspiWineBuiltinLayer, IsChosenOnNtOnlyWhenPreferred) {
  RegisterSystemTransports();
  EXPECT_EQ(CurrentTransport().TransportId, 2);  // before the first selection
  EXPECT_EQ(SelectTransport(1), 1);
  EXPECT_EQ(SptiStatus(), 4);
  EXPECT_EQ(AspiStatus(), 3);
  EXPECT_EQ(SelectTransport(2), 2);
  EXPECT_EQ(&CurrentTransport(), &AspiTransport);
}

TEST_F(AspiLayerWithoutSend, IsBrokenAndSendsNothing) {
  for (int load = 0; load < 2; ++load) {
    EXPECT_FALSE(AspiLoad());
    EXPECT_EQ(AspiStatus(), 2);
  }
  uint8_t data[2048];
  ScsiRequest request = Read10(data, sizeof data);
  EXPECT_FALSE(AspiTransport.Execute(request));
  EXPECT_EQ(request.RequestStatus, -1);
  EXPECT_EQ(request.SenseKey, -1);
  EXPECT_EQ(Drives(), "");
}

TEST_F(AspiLayerWithoutInfo, IsBroken) {
  EXPECT_FALSE(AspiLoad());
  EXPECT_EQ(AspiStatus(), 2);
  EXPECT_EQ(Drives(), "");
}

TEST_F(AspiBrokenLayer, ErrorStatusMeansBroken) {
  EXPECT_FALSE(AspiLoad());
  EXPECT_EQ(AspiStatus(), 2);
}

TEST_F(AspiLayerWithoutAdapters, IsUsableAndAsksNoAdapter) {
  EXPECT_TRUE(AspiLoad());
  EXPECT_EQ(AspiStatus(), 3);
  EXPECT_EQ(Drives(), "");
  EXPECT_EQ(LayerState().DeviceQueries[0], 0);
}

TEST_F(AspiScanLayer, WalksAdaptersAndBoundsTheirTargets) {
  ASSERT_TRUE(AspiLoad());
  // The third adapter's inquiry never completes: its block is parked.
  EXPECT_EQ(Drives(), "0:2- 0:7- 1:3- 1:15- ");
  EXPECT_EQ(LayerState().DeviceQueries[0], 8);   // 0 targets reported: 8 asked
  EXPECT_EQ(LayerState().DeviceQueries[1], 16);  // 32 reported: 16 asked, from target 0
  EXPECT_EQ(LayerState().DeviceQueries[2], 0);
  EXPECT_EQ(AspiParkedRequestCount(), 1u);
}

TEST_F(AspiScanLayer, LettersComeFromTheConfigurationManagersKeys) {
  ASSERT_TRUE(AspiLoad());
  // Node 0x7E570007 is the CD-ROM at 0:7; 0x7E570103 has a node key whose
  // hardware key is missing, 0x7E57010F a garbage letter.
  struct Node {
    const char* Node;
    const char* HardwareKey;
    const char* Letter;
  } nodes[] = {
      {"7E570007", "SCSI\\VARNEL__CDROM\\TEST0007", "g"},
      {"7E570103", "SCSI\\VARNEL__CDROM\\MISSING", nullptr},
      {"7E57010F", "SCSI\\VARNEL__CDROM\\TEST010F", "?"},
  };
  for (const Node& node : nodes) {
    std::string dynKey = std::string("Config Manager\\Enum\\") + node.Node;
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_DYN_DATA, dynKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    // Without its terminating zero, as a careless writer may leave it.
    RegSetValueExA(key, "HardWareKey", 0, REG_SZ, reinterpret_cast<const BYTE*>(node.HardwareKey),
                   DWORD(strlen(node.HardwareKey)));
    RegCloseKey(key);
    if (!node.Letter) continue;
    std::string enumKey = std::string("Enum\\") + node.HardwareKey;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, enumKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "CurrentDriveLetterAssignment", 0, REG_SZ, reinterpret_cast<const BYTE*>(node.Letter), 2);
    RegCloseKey(key);
  }
  std::string drives = Drives();
  for (const Node& node : nodes) {
    RegDeleteKeyA(HKEY_DYN_DATA, (std::string("Config Manager\\Enum\\") + node.Node).c_str());
    if (node.Letter) RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string("Enum\\") + node.HardwareKey).c_str());
  }
  EXPECT_EQ(drives, "0:2- 0:7G 1:3- 1:15- ");
}

TEST_F(AspiScanLayer, VersionWithoutTranslationIsReadUnder040904b0) {
  ASSERT_TRUE(AspiLoad());
  ASSERT_NE(AspiVersionString("ProductName"), nullptr);
  EXPECT_STREQ(AspiVersionString("ProductName"), "Scripted ASPI layer");
  EXPECT_STREQ(AspiVersionString("FileVersion"), "1.0.0.7");
  EXPECT_EQ(AspiVersionString("LegalCopyright"), nullptr);
}

TEST_F(AspiLateLayer, AnswerAfterTheWaitLandsInTheParkedRequest) {
  if (Delay() < 0) GTEST_SKIP() << "the layer never answers";
  ASSERT_TRUE(AspiLoad());
  SetAspiWaitLimit(uint32_t(Delay()) / 3);
  uint8_t data[4096];
  memset(data, 0xAA, sizeof data);
  ScsiRequest request = Read10(data, sizeof data);
  EXPECT_FALSE(AspiTransport.Execute(request));
  EXPECT_EQ(request.RequestStatus, 0);
  EXPECT_EQ(request.ScsiStatus, -1);
  EXPECT_EQ(request.DataLength, 0u);
  EXPECT_EQ(AspiParkedRequestCount(), 1u);
  Sleep(DWORD(Delay()) * 2);
  EXPECT_EQ(LayerState().Completed, 1);
  EXPECT_EQ(LayerState().SignalFailures, 0);  // its event was still open
  for (uint8_t value : data) ASSERT_EQ(value, 0xAA);  // the caller's buffer was left alone
  EXPECT_TRUE(HeapsAreSound());
  EXPECT_EQ(AspiParkedRequestCount(), 0u);  // signalled, so released
  SetAspiWaitLimit(AspiDefaultWaitMs);
}

TEST_F(AspiLateLayer, AnswerWithinTheWaitCompletesTheRequest) {
  if (Delay() < 0) GTEST_SKIP() << "the layer never answers";
  ASSERT_TRUE(AspiLoad());
  uint8_t data[2048];
  memset(data, 0xAA, sizeof data);
  ScsiRequest request = Read10(data, sizeof data);
  EXPECT_TRUE(AspiTransport.Execute(request));
  EXPECT_EQ(request.RequestStatus, 1);
  EXPECT_EQ(request.DataLength, sizeof data);
  EXPECT_EQ(data[0], 0x5A);
  EXPECT_EQ(data[2047], 0x5A);
  EXPECT_EQ(LayerState().LastFlags, 0x48);  // data in, event

  ScsiRequest noData{};
  noData.CdbLength = 6;
  EXPECT_TRUE(AspiTransport.Execute(noData));
  EXPECT_EQ(LayerState().LastFlags, 0x40);  // event only, no direction
}

// Measuring sends one READ(10) after another to one drive: each device keeps
// one buffer for all its commands, and a request given up on keeps its own.
TEST_F(AspiLateLayer, EachDeviceReusesOneBufferAndAParkedRequestKeepsItsOwn) {
  if (Delay() < 0) GTEST_SKIP() << "the layer never answers";
  ASSERT_TRUE(AspiLoad());
  auto bufferOf = [](uint32_t target, uint32_t length) {
    std::vector<uint8_t> data(length);
    ScsiRequest request = Read10(data.data(), length);
    request.Address.Target = target;
    AspiTransport.Execute(request);
    return LayerState().LastBuffer;
  };
  uint8_t* first = bufferOf(0, 65536);
  EXPECT_EQ(bufferOf(0, 2048), first);
  EXPECT_EQ(bufferOf(0, 65536), first);
  uint8_t* other = bufferOf(1, 65536);
  EXPECT_NE(other, first);
  EXPECT_EQ(bufferOf(1, 2048), other);

  SetAspiWaitLimit(uint32_t(Delay()) / 3);
  EXPECT_EQ(bufferOf(0, 65536), first);  // given up on: parked with its buffer
  SetAspiWaitLimit(AspiDefaultWaitMs);
  uint8_t* next = bufferOf(0, 65536);
  EXPECT_NE(next, first);
  EXPECT_EQ(bufferOf(0, 2048), next);
  Sleep(DWORD(Delay()) * 2);
  EXPECT_TRUE(HeapsAreSound());  // the late answer landed in the parked buffer
  EXPECT_EQ(AspiParkedRequestCount(), 0u);
}

// A system that cannot make an event: the pending request is watched
// through its status byte instead.
TEST_F(AspiLateLayer, WithoutAnEventThePendingRequestIsPolled) {
  ASSERT_TRUE(AspiLoad());
  InstallAspiEventMaker([]() -> void* { return nullptr; });
  SetAspiWaitLimit(Delay() < 0 ? 200 : AspiDefaultWaitMs);
  uint32_t parked = AspiParkedRequestCount();
  uint8_t data[2048] = {};
  ScsiRequest request = Read10(data, sizeof data);
  bool done = AspiTransport.Execute(request);
  InstallAspiEventMaker(nullptr);
  SetAspiWaitLimit(AspiDefaultWaitMs);
  EXPECT_EQ(LayerState().LastFlags, SRB_DIR_IN);  // no notification asked for
  if (Delay() < 0) {
    EXPECT_FALSE(done);
    EXPECT_EQ(AspiParkedRequestCount(), parked + 1);  // nothing will ever say it is done
  } else {
    EXPECT_TRUE(done);
    EXPECT_EQ(data[100], 0x5A);
    EXPECT_EQ(AspiParkedRequestCount(), parked);
  }
}

TEST_F(AspiLateLayer, UnansweredRequestsStayParked) {
  if (Delay() >= 0) GTEST_SKIP() << "the layer answers";
  ASSERT_TRUE(AspiLoad());
  SetAspiWaitLimit(100);
  uint32_t parked = AspiParkedRequestCount();
  for (int i = 0; i < 2; ++i) {
    uint8_t data[2048];
    ScsiRequest request = Read10(data, sizeof data);
    EXPECT_FALSE(AspiTransport.Execute(request));
    EXPECT_EQ(request.RequestStatus, 0);
  }
  Sleep(200);
  EXPECT_EQ(AspiParkedRequestCount(), parked + 2);
  SetAspiWaitLimit(AspiDefaultWaitMs);
}
