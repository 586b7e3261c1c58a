#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim_fixture.h"

namespace {

using ControlTest = SimFixture;

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "/" + name;
}

std::vector<nlohmann::json> ReadJsonLines(const std::string& path) {
  std::vector<nlohmann::json> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) lines.push_back(nlohmann::json::parse(line, nullptr, false));
  return lines;
}

TEST_F(ControlTest, SetUpFileBuildsTheDrivesInEnumerationOrder) {
  std::string log = TempPath("varnel-sim-log.jsonl");
  std::remove(log.c_str());
  std::string error;
  ASSERT_TRUE(sim::ParseSetup(R"({"drives":[
      {"profile":"cd48-reader","haId":0,"target":1,"letter":"D"},
      {"profile":"dvdrw16-roundup","haId":1,"target":0,"letter":"E","medium":"none","trayOpen":true}],
      "log":")" + log + "\"}",
                              "", error))
      << error;
  sim::UseVirtualTransports(true, false);
  ASSERT_EQ(SelectTransport(0), 2);
  std::vector<DeviceAddress> found;
  DriveCursor cursor{};
  for (bool more = CurrentTransport().FirstDrive(cursor); more; more = CurrentTransport().NextDrive(cursor))
    found.push_back(cursor.Address);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].Letter, 'D');
  EXPECT_EQ(found[1].HaId, 1u);
  EXPECT_TRUE(sim::VirtualDriveAt(1).TrayOpen());

  EXPECT_EQ(TestUnitReady(found[0]), 0);
  ASSERT_TRUE(sim::ApplyControlLine(R"({"drive":1,"action":"insert","medium":"audio-cd"})", error)) << error;
  ASSERT_TRUE(sim::ApplyControlLine(R"({"drive":1,"action":"close"})", error)) << error;
  EXPECT_EQ(TestUnitReady(found[1]), 1) << "spinning up";
  ASSERT_TRUE(sim::SetLogFile(""));

  std::vector<nlohmann::json> lines = ReadJsonLines(log);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]["drive"], 0);
  EXPECT_EQ(lines[0]["cdb"], "00 00 00 00 00 00");
  EXPECT_EQ(lines[0]["status"], 0);
  EXPECT_EQ(lines[1]["control"], "insert audio-cd");
  EXPECT_EQ(lines[2]["control"], "close");
  EXPECT_EQ(lines[3]["drive"], 1);
  EXPECT_EQ(lines[3]["status"], 2);
  EXPECT_EQ(lines[3]["sense"].get<std::string>().substr(0, 8), "70 00 02");
}

TEST_F(ControlTest, BadControlLinesAreRefusedAndChangeNothing) {
  UseDrive("cd48-reader");
  struct Case {
    const char* line;
    const char* mentions;
  };
  const Case cases[] = {
      {"open", "JSON"},
      {R"({"action":"fly"})", "fly"},
      {R"({"drive":3,"action":"open"})", "no drive"},
      {R"({"action":"insert","medium":"floppy"})", "floppy"},
      {R"({"action":"insert","medium":"dvd-rom"})", "cannot insert"},  // a disc is in already
      {R"({"action":"close"})", "cannot close"},                       // already closed
      {R"({"action":"fault","fault":{"count":"many"}})", "count"},
      {R"({"action":"open","forse":true})", "forse"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::string error;
    EXPECT_FALSE(sim::ApplyControlLine(c.line, error));
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
  }
  EXPECT_FALSE(sim::VirtualDriveAt(0).TrayOpen());
  std::string error;
  EXPECT_TRUE(sim::ApplyControlLine("  # a comment", error));
  EXPECT_TRUE(sim::ApplyControlLine("", error));
}

TEST_F(ControlTest, InjectedFaultsReachTheCommands) {
  UseDrive("cd48-reader");
  std::string error;
  ASSERT_TRUE(sim::ApplyControlLine(
      R"({"action":"fault","fault":{"opcode":"0x25","senseKey":2,"asc":4,"ascq":1,"count":2}})", error))
      << error;
  EXPECT_EQ(ReadCapacity(kAddress), 333000u - 1) << "two NOT READY answers, third attempt succeeds";
  EXPECT_EQ(VirtualClock::SleptTotal(), 2 * 500u + 2 * 1) << "two waits of the program, two refusals of 1 ms";

  ASSERT_TRUE(sim::ApplyControlLine(R"({"action":"fault","fault":{"opcode":"any","noAnswer":true,"count":-1}})",
                                    error));
  EXPECT_EQ(TestUnitReady(kAddress), -1);
  ASSERT_TRUE(sim::ApplyControlLine(R"({"action":"clearFaults"})", error));
  EXPECT_EQ(TestUnitReady(kAddress), 0);
}

TEST_F(ControlTest, DamagedAnswersDecodeToBoundedResults) {
  // Garbage pages and cut answers, many times over: the decoders give a
  // defined result and, under the sanitizers, read nothing they should not.
  const char* faults[] = {
      R"({"opcode":"0x5A","garbage":true,"count":-1})",
      R"({"opcode":"0x5A","shortData":12,"count":-1})",
      R"({"opcode":"0x12","shortData":5,"count":-1})",
      R"({"opcode":"0xAC","garbage":true,"count":-1})",
      R"({"opcode":"0xAC","shortData":22,"count":-1})",
      R"({"opcode":"0x42","shortData":1,"count":-1})",
      R"({"opcode":"0x46","shortData":7,"count":-1})",
      R"({"opcode":"0x25","shortData":3,"count":-1})",
  };
  for (const char* text : faults) {
    SCOPED_TRACE(text);
    sim::Drive& drive = UseDrive("dvdrw16-roundup");
    sim::Fault fault;
    std::string error;
    ASSERT_TRUE(sim::ParseFault(text, fault, error)) << error;
    drive.AddFault(fault);
    for (int i = 0; i < 50; ++i) {
      CapabilitiesPage page;
      if (ModeSenseCapabilities(kAddress, page)) {
        EXPECT_TRUE(page.CurrentWriteSpeed == 0 || (page.PageByte3 & 0x33));
      } else {
        EXPECT_EQ(page.MaxReadSpeed, 0u);
      }
      VirtualClock::Advance(7);
    }
    InquiryData names;
    bool named = Inquiry(kAddress, names);
    EXPECT_EQ(named, fault.Opcode != 0x12);
    uint32_t performance = GetReadPerformance(kAddress);
    if (fault.Opcode == 0xAC && fault.ShortData == 22) {
      EXPECT_EQ(performance, 0u);
    }
    EXPECT_EQ(ReadAudioStatus(kAddress), fault.Opcode == 0x42 ? -1 : 0x15);
    EXPECT_EQ(GetCurrentProfile(kAddress), fault.Opcode == 0x46 ? -1 : 0x11);
    EXPECT_EQ(ReadCapacity(kAddress), fault.Opcode == 0x25 ? 0u : 2298496u - 1);
  }
}

TEST_F(ControlTest, AspiRowAlwaysBringsFourteenSenseBytes) {
  sim::Drive& drive = UseDrive("cd48-reader");
  sim::UseVirtualTransports(true, false);
  ASSERT_EQ(SelectTransport(0), 2);
  ASSERT_TRUE(drive.OpenTray());
  ScsiRequest request{};
  request.Address = kAddress;
  request.CdbLength = 6;
  request.Cdb[0] = 0x1B;
  request.Cdb[4] = 0x02;
  ASSERT_TRUE(ExecuteOnce(CurrentTransport(), request));
  EXPECT_EQ(request.RequestStatus, 1);
  request = {};
  request.Address = kAddress;
  request.CdbLength = 6;  // TEST UNIT READY asking for no sense
  EXPECT_FALSE(ExecuteOnce(CurrentTransport(), request));
  EXPECT_EQ(request.SenseLength, 14u);
  EXPECT_EQ(request.SenseKey, 2);
  EXPECT_EQ(request.RequestStatus, 4);
  EXPECT_EQ(request.SenseData[12], 0x3A);
}

}  // namespace

namespace {

TEST_F(ControlTest, SetUpFileFindsProfilesBesideItAndReportsItsErrors) {
  std::string folder = ::testing::TempDir();
  std::string profilePath = folder + "/varnel-sim-drive.json";
  {
    std::ofstream profile(profilePath);
    profile << R"({"inquiry":{"vendor":"HOMEMADE"},"speeds":{"cdX":[8,24]}})";
    std::ofstream setup(folder + "/varnel-sim-setup.json");
    setup << R"({"drives":[{"profile":"varnel-sim-drive.json","target":3,"medium":"cd-rw"}]})";
  }
  std::string error;
  ASSERT_TRUE(sim::LoadSetup(folder + "/varnel-sim-setup.json", error)) << error;
  ASSERT_EQ(sim::VirtualDriveCount(), 1u);
  EXPECT_EQ(sim::VirtualDriveAddress(0).Target, 3u);
  EXPECT_EQ(sim::VirtualDriveAt(0).Medium()->MediumType, 0x21);
  EXPECT_EQ(sim::VirtualDriveAt(0).CurrentReadSpeed(), 4234u);

  const char* bad[] = {
      R"({"drives":{}})",
      R"({"drives":[{"profile":"no-such-profile"}]})",
      R"({"drives":[{"profile":"cd48-reader","letter":"e"}]})",
      R"({"drives":[{"profile":"cd48-reader","medium":"tape"}]})",
      R"({"drives":[{"profile":"cd48-reader","slot":1}]})",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(sim::ParseSetup(text, "", error));
    EXPECT_EQ(sim::VirtualDriveCount(), 1u) << "a refused set-up leaves the drives as they were";
  }
  EXPECT_FALSE(sim::LoadSetup(folder + "/no-such-setup.json", error));
}

}  // namespace
