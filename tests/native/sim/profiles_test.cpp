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

TEST(CdSpeedForFactor, RoundsLikeDrivesReportThem) {
  const uint32_t expected[][2] = {{4, 706}, {8, 1411}, {12, 2117}, {16, 2822}, {24, 4234},
                                  {32, 5645}, {40, 7056}, {48, 8467}, {52, 9173}};
  for (auto& e : expected) EXPECT_EQ(sim::CdSpeedForFactor(e[0]), e[1]) << e[0];
  EXPECT_EQ(sim::DvdSpeedForFactor(16), 22160u);
}

}  // namespace
