#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mmc/commands.h"
#include "mmc/wire.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A MODE SENSE answer with page 2A at `at`, header medium type 0x01.
Bytes ModeAnswer(size_t at, uint8_t writeCaps = 0) {
  Bytes a(256, 0);
  if (at >= 8) a[2] = 0x01;
  uint8_t* p = &a[at];
  p[0] = 0x2A;
  p[1] = 0x14;
  p[2] = 0x3B;
  p[3] = writeCaps;
  p[6] = 0x29;
  put_be16(p + 8, 8467);
  put_be16(p + 14, 7056);
  put_be16(p + 20, 1411);
  return a;
}

TEST(DecodeCapabilities, FindsThePageAt16Then8Then0) {
  struct Case {
    size_t at;
    uint8_t mediumType;
  };
  for (Case c : {Case{16, 0}, Case{8, 0x01}, Case{0, 0}}) {
    SCOPED_TRACE(c.at);
    Bytes a = ModeAnswer(c.at);
    CapabilitiesPage page;
    ASSERT_TRUE(DecodeCapabilities(a.data(), a.size(), page));
    EXPECT_EQ(page.MaxReadSpeed, 8467u);
    EXPECT_EQ(page.CurrentReadSpeed, 7056u);
    EXPECT_EQ(page.PageByte2, 0x3B);
    EXPECT_EQ(page.PageByte6, 0x29);
    EXPECT_EQ(page.MediumType, c.mediumType);
  }
}

// In a regular answer byte 16 is the high byte of the maximum read speed: a
// drive of 10752 to 11007 kB/s (or 0x6A.., 0xAA.., 0xEA..) puts a page code
// there. The header's block-descriptor length says where the page is; the
// search order holds only for answers whose header says nothing useful.
TEST(DecodeCapabilities, ThePlaceTheHeaderAnnouncesWinsOverTheSearch) {
  for (uint16_t maximum : {10800, 0x6A30, 0xAA30, 0xEA30}) {
    SCOPED_TRACE(maximum);
    Bytes a = ModeAnswer(8);
    put_be16(&a[16], maximum);
    CapabilitiesPage page;
    ASSERT_TRUE(DecodeCapabilities(a.data(), a.size(), page));
    EXPECT_EQ(page.MaxReadSpeed, maximum);
    EXPECT_EQ(page.CurrentReadSpeed, 7056u);
    EXPECT_EQ(page.MediumType, 0x01);
  }
  Bytes described = ModeAnswer(16);
  put_be16(&described[6], 8);  // one 8-byte block descriptor
  CapabilitiesPage page;
  ASSERT_TRUE(DecodeCapabilities(described.data(), described.size(), page));
  EXPECT_EQ(page.MaxReadSpeed, 8467u);
  // A length pointing past the answer or at no page: the search decides.
  for (uint16_t length : {0xFFF8, 40}) {
    SCOPED_TRACE(length);
    Bytes wrong = ModeAnswer(8);
    put_be16(&wrong[6], length);
    ASSERT_TRUE(DecodeCapabilities(wrong.data(), wrong.size(), page));
    EXPECT_EQ(page.MaxReadSpeed, 8467u);
  }
}

TEST(DecodeCapabilities, PageCodeIsTestedInItsLowSixBits) {
  Bytes a = ModeAnswer(8);
  a[8] = 0xAA;  // parameters-saveable bit set
  CapabilitiesPage page;
  EXPECT_TRUE(DecodeCapabilities(a.data(), a.size(), page));
  EXPECT_EQ(page.MaxReadSpeed, 8467u);
}

TEST(DecodeCapabilities, WriteSpeedOnlyWithAWriteBit) {
  for (uint8_t bits : {0x00, 0x04, 0x08, 0xC0, 0x01, 0x02, 0x10, 0x20}) {
    SCOPED_TRACE(int(bits));
    Bytes a = ModeAnswer(8, bits);
    CapabilitiesPage page;
    ASSERT_TRUE(DecodeCapabilities(a.data(), a.size(), page));
    EXPECT_EQ(page.CurrentWriteSpeed, (bits & 0x33) ? 1411u : 0u);
    EXPECT_EQ(page.PageByte3, bits);
  }
}

TEST(DecodeCapabilities, NoPageOrAPageCutShortIsNotFound) {
  Bytes none(256, 0x11);
  CapabilitiesPage page;
  page.MaxReadSpeed = 5;
  EXPECT_FALSE(DecodeCapabilities(none.data(), none.size(), page));
  EXPECT_EQ(page.MaxReadSpeed, 0u);
  EXPECT_EQ(page.MediumType, 0);

  Bytes a = ModeAnswer(8);
  for (size_t length : {0, 1, 8, 9, 23}) {
    SCOPED_TRACE(length);
    EXPECT_FALSE(DecodeCapabilities(a.data(), length, page));
  }
  // Through the current read speed is enough; the write speed reads as absent.
  Bytes w = ModeAnswer(8, 0x01);
  ASSERT_TRUE(DecodeCapabilities(w.data(), 24, page));
  EXPECT_EQ(page.CurrentReadSpeed, 7056u);
  EXPECT_EQ(page.CurrentWriteSpeed, 0u);
}

TEST(DecodeInquiry, KeepsTheBlanksAndStopsWhereTheAnswerEnds) {
  Bytes a(36, 0);
  a[0] = 0x05;
  std::memcpy(&a[8], "KAMIRO  CD-ROM CR-4880  1.05", 28);
  InquiryData d;
  ASSERT_TRUE(DecodeInquiry(a.data(), a.size(), d));
  EXPECT_STREQ(d.Vendor, "KAMIRO  ");
  EXPECT_STREQ(d.Product, "CD-ROM CR-4880  ");
  EXPECT_STREQ(d.Revision, "1.05");

  ASSERT_TRUE(DecodeInquiry(a.data(), 20, d));
  EXPECT_STREQ(d.Vendor, "KAMIRO  ");
  EXPECT_STREQ(d.Product, "CD-R");
  EXPECT_STREQ(d.Revision, "");
  EXPECT_FALSE(DecodeInquiry(a.data(), 7, d));
  EXPECT_STREQ(d.Vendor, "");
}

Bytes PerformanceAnswer(uint32_t length, uint8_t flags, uint32_t endPerformance) {
  Bytes a(136, 0);
  put_be32(&a[0], length);
  a[4] = flags;
  put_be32(&a[20], endPerformance);
  return a;
}

TEST(DecodeReadPerformance, OnlyOneNominalReadDescriptorCounts) {
  struct Case {
    const char* name;
    uint32_t length;
    uint8_t flags;
    size_t returned;
    uint32_t expected;
  };
  const Case cases[] = {
      {"one descriptor", 20, 0, 136, 22160},
      {"two descriptors", 36, 0, 136, 0},
      {"header only", 4, 0, 136, 0},
      {"write data", 20, 0x02, 136, 0},
      {"exception list", 20, 0x01, 136, 0},
      {"answer cut inside the descriptor", 20, 0, 23, 0},
      {"answer exactly one descriptor long", 20, 0, 24, 22160},
      {"no header", 20, 0, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes a = PerformanceAnswer(c.length, c.flags, 22160);
    EXPECT_EQ(DecodeReadPerformance(a.data(), c.returned), c.expected);
  }
}

TEST(DecodeSmallAnswers, ShortAnswersGiveTheFailureValue) {
  Bytes sub = {0x00, 0x11, 0x00, 0x00};
  EXPECT_EQ(DecodeAudioStatus(sub.data(), 4), 0x11);
  EXPECT_EQ(DecodeAudioStatus(sub.data(), 1), -1);
  Bytes config = {0, 0, 0, 0x20, 0, 0, 0x00, 0x10};
  EXPECT_EQ(DecodeCurrentProfile(config.data(), 8), 0x10);
  EXPECT_EQ(DecodeCurrentProfile(config.data(), 7), -1);
  Bytes capacity = {0x00, 0x05, 0x14, 0xC7, 0, 0, 0x08, 0};
  EXPECT_EQ(DecodeLastBlock(capacity.data(), 8), 333000u - 1);
  EXPECT_EQ(DecodeLastBlock(capacity.data(), 3), 0u);
}

// Only a media class event counts: a new disc, and not a power or an
// operational change the drive reports first, nor "no event".
TEST(DecodeMediaEvent, OnlyAMediaClassEventInAWholeAnswer) {
  struct Case {
    Bytes answer;
    bool found;
  };
  const Case cases[] = {
      {{0, 6, 0x04, 0x10, 0x02, 0x02, 0, 0}, true},   // media class: new media
      {{0, 6, 0x02, 0x10, 0x02, 0x02, 0, 0}, false},  // power management class
      {{0, 6, 0x84, 0x10, 0x02, 0x02, 0, 0}, false},  // no event available
      {{0, 2, 0x04, 0x10, 0x02, 0x02, 0, 0}, false},  // no event descriptor announced
      {{0, 6, 0x04, 0x10, 0x02, 0x02, 0}, false},     // cut short
  };
  for (const Case& c : cases) {
    MediaEvent event = MediaEvent::None;
    EXPECT_EQ(DecodeMediaEvent(c.answer.data(), c.answer.size(), event), c.found) << int(c.answer[2]);
    EXPECT_EQ(event, c.found ? MediaEvent::NewMedia : MediaEvent::None);
  }
}

TEST(SenseKeyOf, NeedsThreeSenseBytes) {
  uint8_t sense[16] = {0x70, 0, 0x22};
  EXPECT_EQ(SenseKeyOf(sense, 18), 0x22);
  EXPECT_EQ(SenseKeyOf(sense, 3), 0x22);
  EXPECT_EQ(SenseKeyOf(sense, 2), -1);
  EXPECT_EQ(SenseKeyOf(sense, 0), -1);
}

}  // namespace
