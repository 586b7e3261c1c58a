#include <cstring>

#include "sim_fixture.h"

namespace {

using ProfilesTest = SimFixture;

struct ProfileCase {
  const char* name;
  const char* vendor;        // as INQUIRY sends it, padded
  size_t pageAt;             // where MODE SENSE puts page 2A
  bool sensesMedium;         // the decoded MediumType is non-zero with a disc
  uint32_t maxCd;            // kB/s
  bool canClose;             // loading mechanism 001b
  bool dvd;
  bool writer;
  int profileWithDisc;       // GET CONFIGURATION, -1 when not understood
};

const ProfileCase kProfiles[] = {
    {"cd48-reader", "KAMIRO  ", 8, true, 8467, true, false, false, -1},
    {"cdrw52-writer", "ORVEX   ", 16, false, 9173, true, false, true, 0x09},
    {"dvdrom16-streaming", "KAMIRO  ", 8, true, 8467, true, true, false, 0x10},
    {"dvdrw16-roundup", "ORVEX   ", 8, true, 8467, true, true, true, 0x11},
    {"slot24-combo", "ORVEX   ", 8, true, 4234, false, true, true, 0x08},
    {"cd32-noheader", "TEKNOS  ", 0, false, 5645, true, false, false, -1},
    {"cd52-fixed", "TEKNOS  ", 8, true, 9173, true, false, false, 0x08},
    {"cdrw40-fullrange", "ORVEX   ", 16, false, 7056, true, false, true, 0x08},
    {"dvdrw20-profileonly", "KAMIRO  ", 8, false, 8467, true, true, true, 0x2B},  // DVD+R DL, medium type 0
    {"usbwriter8-external", "TEKNOS  ", 8, true, 4234, true, true, true, 0x11},
};

TEST_F(ProfilesTest, EachDriveAnswersAsItsProfileDescribes) {
  for (const ProfileCase& c : kProfiles) {
    SCOPED_TRACE(c.name);
    sim::Drive& drive = UseDrive(c.name);
    std::string error;
    if (!drive.Medium()) {
      ASSERT_TRUE(drive.ApplyControl(R"({"action":"insert","medium":"data-cd"})", error)) << error;
    }
    Settle();
    InquiryData names;
    ASSERT_TRUE(Inquiry(kAddress, names));
    EXPECT_STREQ(names.Vendor, c.vendor);
    EXPECT_EQ(std::strlen(names.Product), 16u);
    CapabilitiesPage page;
    ASSERT_TRUE(ModeSenseCapabilities(kAddress, page));
    EXPECT_EQ(drive.Log().back().Answer[c.pageAt] & 0x3F, 0x2A);
    EXPECT_EQ(page.MediumType != 0, c.sensesMedium);
    EXPECT_EQ((page.PageByte6 & 0xE0) == 0x20, c.canClose);
    EXPECT_EQ((page.PageByte2 & 0x38) != 0, c.dvd);
    EXPECT_EQ((page.PageByte3 & 0x37) != 0, c.writer);
    if (!drive.Medium()->Dvd) {
      EXPECT_EQ(page.MaxReadSpeed, c.maxCd);
    }
    EXPECT_EQ(GetCurrentProfile(kAddress), c.profileWithDisc);
    EXPECT_EQ(TestUnitReady(kAddress), 0);
  }
}

TEST_F(ProfilesTest, BadProfilesAreRefusedWithAReason) {
  struct Case {
    const char* json;
    const char* mentions;
  };
  const Case cases[] = {
      {"[1,2]", "object"},
      {"{\"name\": ", "JSON"},
      {R"({"speeds":{"cdX":[4]},"modePage":{"offest":8}})", "offest"},
      {R"({"speeds":{"cdX":[4]},"modePage":{"offset":12}})", "offset"},
      {R"({"speeds":{"cdX":[4]},"modePage":{"readCaps":"0x1FF"}})", "readCaps"},
      {R"({"speeds":{"cdX":"fast"}})", "cdX"},
      {R"({"speeds":{"cdX":[4],"rule":"sideways"}})", "rule"},
      {R"({"speeds":{}})", "CD speeds"},
      {R"({"speeds":{"cdX":[4]},"modePage":{"readCaps":8}})", "DVD speeds"},
      {R"({"speeds":{"cdX":[4]},"disc":{"medium":"floppy"}})", "floppy"},
      {R"({"speeds":{"cdX":[4]},"faults":[{"opcode":300}]})", "opcode"},
      {R"({"speeds":{"cdX":[4]},"inquiry":[]})", "inquiry"},
      {R"({"speeds":{"cdX":[4],"throughputPercent":87}})", "throughputPercent"},
      {R"({"speeds":{"cdX":[4],"streamingOnCd":"reject"}})", "streamingOnCd"},
      {R"({"speeds":{"cdX":[4]},"commands":{"performanceReports":"last"}})", "performanceReports"},
      {R"({"speeds":{"cdX":[4]},"adapter":{"alignmentMask":3}})", "maxTransfer"},
      {R"({"speeds":{"cdX":[4]},"adapter":{"maxTransfer":65536,"alignmentMask":4}})", "alignmentMask"},
      {R"({"speeds":{"cdX":[4]},"adapter":{"maxTransferKB":64}})", "maxTransferKB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    sim::Profile p;
    std::string error;
    EXPECT_FALSE(sim::ParseProfile(c.json, p, error));
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
  }
  sim::Profile p;
  std::string error;
  EXPECT_FALSE(sim::LoadNamedProfile("no-such-drive", p, error));
  EXPECT_TRUE(sim::ParseProfile(R"({"speeds":{"cd":[1411,706]}})", p, error)) << error;
  EXPECT_EQ(p.CdSpeeds, (std::vector<uint32_t>{706, 1411}));
}

// The adapter judges the length first, then the buffer's address under its
// mask; a request without data passes whatever its pointer.
TEST(AdapterSpec, RefusesWhatItCannotCarry) {
  sim::AdapterSpec ahci;
  std::string error;
  ASSERT_TRUE(sim::ParseAdapter(R"({"maxTransfer":"0x10000","alignmentMask":3})", ahci, error)) << error;
  struct Case {
    uint32_t Buffer, Length;
    sim::AdapterVerdict Verdict;
  } cases[] = {
      {0x1000, 65536, sim::AdapterVerdict::Accepted},   {0x1000, 65537, sim::AdapterVerdict::TooLong},
      {0x1001, 65538, sim::AdapterVerdict::TooLong},    {0x1002, 2048, sim::AdapterVerdict::Misaligned},
      {0x1003, 0, sim::AdapterVerdict::Accepted},       {0x1004, 36, sim::AdapterVerdict::Accepted},
  };
  for (const Case& c : cases) EXPECT_EQ(ahci.Judge(c.Buffer, c.Length), c.Verdict) << c.Buffer << " " << c.Length;
  EXPECT_EQ(sim::AdapterSpec{}.Judge(0x1001, 1u << 24), sim::AdapterVerdict::Accepted) << "no adapter stated";
}

// An ASPI host adapter states the tightest limits of the drives on it; a
// set-up can put a drive behind another adapter than its profile's. A
// refused request is logged as such and never reaches the drive.
TEST_F(ProfilesTest, HostAdaptersStateTheirDrivesLimitsAndRefusalsAreLogged) {
  VirtualClock::Install(5000);
  std::string error;
  ASSERT_TRUE(sim::ParseSetup(R"({"drives":[{"profile":"usbwriter8-external"},
      {"profile":"cd48-reader","target":1,"adapter":{"maxTransfer":131072,"alignmentMask":3}},
      {"profile":"cd48-reader","haId":1}]})",
                              "", error))
      << error;
  sim::AdapterSpec first = sim::VirtualHostAdapter(0), second = sim::VirtualHostAdapter(1);
  EXPECT_TRUE(first.Stated);
  EXPECT_EQ(first.MaxTransfer, 65536u);
  EXPECT_EQ(first.AlignmentMask, 3u);
  EXPECT_FALSE(second.Stated);
  EXPECT_FALSE(sim::ParseSetup(R"({"drives":[{"profile":"cd48-reader","adapter":{"maxTransfer":0}}]})", "", error));

  const sim::Drive& writer = sim::VirtualDriveAt(0);
  const uint8_t read33[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 33, 0};
  EXPECT_EQ(sim::AdmitToVirtualDrive(0, first, read33, 10, 0x1000, 33 * 2048, 7), sim::AdapterVerdict::TooLong);
  EXPECT_EQ(sim::AdmitToVirtualDrive(0, first, read33, 10, 0x1002, 2048, 7), sim::AdapterVerdict::Misaligned);
  EXPECT_EQ(sim::AdmitToVirtualDrive(0, first, read33, 10, 0x1000, 2048, 7), sim::AdapterVerdict::Accepted);
  ASSERT_EQ(writer.Log().size(), 2u);
  EXPECT_EQ(sim::Drive::LogLine(writer.Log()[0]),
            R"({"cdb":"28 00 00 00 00 00 00 00 21 00","handle":7,"length":67584,"refused":"tooLong","t":5000})");
  EXPECT_EQ(sim::Drive::LogLine(writer.Log()[1]),
            R"({"cdb":"28 00 00 00 00 00 00 00 21 00","handle":7,"length":2048,"misalignment":2,)"
            R"("refused":"misaligned","t":5000})");
}

TEST(CdSpeedForFactor, RoundsLikeDrivesReportThem) {
  const uint32_t expected[][2] = {{4, 706}, {8, 1411}, {12, 2117}, {16, 2822}, {24, 4234},
                                  {32, 5645}, {40, 7056}, {48, 8467}, {52, 9173}};
  for (auto& e : expected) EXPECT_EQ(sim::CdSpeedForFactor(e[0]), e[1]) << e[0];
  EXPECT_EQ(sim::DvdSpeedForFactor(16), 22160u);
}

}  // namespace
