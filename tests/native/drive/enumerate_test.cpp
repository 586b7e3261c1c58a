#include <algorithm>
#include <cmath>

#include "mmc/commands.h"
#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

using Enumerate = VirtualDrives;

// A CD reader answering each request with the given rule.
std::string CdReader(const std::string& speeds, const char* rule, const char* extra = "") {
  return std::string(R"({"name":"test","inquiry":{"vendor":"TEST","product":"READER","revision":"1.00"},
    "modePage":{"offset":8,"readCaps":"0x03","mechanism":"0x29"},
    "speeds":{"cd":[)") + speeds + R"(],"rule":")" + rule + "\"" + extra + R"(},
    "commands":{"getConfiguration":false},"mechanism":{},"disc":{"medium":"data-cd","spinUpMs":0}})";
}

std::string Multiples(uint32_t from, uint32_t to, uint32_t step) {
  std::string s;
  for (uint32_t v = from; v <= to; v += step) s += (s.empty() ? "" : ",") + std::to_string(v);
  return s;
}

struct Calls {
  struct Call {
    int phase, total, done, speed, command;
  };
  std::vector<Call> all;
  int stopAt = -1;  // progress call (counted from 1) that answers "stop"
  void (*atStop)() = nullptr;

  static int Record(int phase, int total, int done, int speed, int command, void* context) {
    Calls& c = *static_cast<Calls*>(context);
    c.all.push_back({phase, total, done, speed, command});
    bool notice = phase == 0 && total == 0 && done == 0;
    if (notice) return 1;
    if (int(c.Progress().size()) == c.stopAt) {
      if (c.atStop) c.atStop();
      return c.atStop ? 1 : 0;  // a vanishing drive goes on being asked
    }
    return 1;
  }
  std::vector<Call> Progress() const {
    std::vector<Call> p;
    for (const Call& c : all)
      if (!(c.phase == 0 && c.total == 0 && c.done == 0)) p.push_back(c);
    return p;
  }
  size_t Notices() const { return all.size() - Progress().size(); }
};

TEST_F(Enumerate, FastOnSpeedsThatAreMultiplesOf176) {
  std::string speeds = "704,1408,2112,2816,4224,5632,7040";
  sim::Drive& sd = Add(ParsedProfile(CdReader(speeds, "below")));
  Discover();
  DriveRecord& d = Drives[0];
  std::vector<uint32_t> expected{7040, 5632, 4224, 2816, 2112, 1408, 704};
  EXPECT_EQ(Speeds(d.RangeCD), expected) << "built by discovery";
  Calls calls;
  EnumerateSpeeds(d, SpeedMethod::Fast, Calls::Record, &calls);
  EXPECT_EQ(Speeds(d.RangeCD), expected);
  EXPECT_EQ(Commands(d.RangeCD), expected);
  // Probe (0xFFFF), one request per pass, closing request of the old speed.
  std::vector<uint32_t> sent = SpeedsSent(sd, 0xBB);
  EXPECT_LE(sent.size(), 7040u / 176 + 4 + 2);
  EXPECT_EQ(sent.front(), 0xFFFFu);
  EXPECT_EQ(sent.back(), 7040u) << "back to the speed before the probe";
  EXPECT_EQ(SpeedsSent(sd, 0xB6).size(), 0u) << "no closing SET STREAMING of 0: the drive never held a DVD";

  EXPECT_EQ(calls.Notices(), 7u);
  auto progress = calls.Progress();
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().total, 7040);
  EXPECT_EQ(progress.back().done, 7040) << "the closing report";
}

TEST_F(Enumerate, FastOnDrivesThatAnswerOtherSpeeds) {
  // Rounds every request up to its next speed: the reported speeds are kept,
  // each with itself as command because asking for it gives it back.
  sim::Drive& up = Add(ParsedProfile(CdReader("1764,2822,4234,7056", "up")));
  // Runs at its maximum whatever is asked: one entry.
  sim::Profile stubborn = ParsedProfile(CdReader("1764,7056", "ignore"));
  stubborn.Product = "STUBBORN";
  Add(stubborn);
  Discover();
  EXPECT_EQ(Speeds(Drives[0].RangeCD), (std::vector<uint32_t>{7056, 4234, 2822, 1764}));
  EXPECT_EQ(Commands(Drives[0].RangeCD), (std::vector<uint32_t>{7056, 4234, 2822, 1764}));
  EXPECT_LE(SpeedsSent(up, 0xBB).size(), 7056u / 176 + 4 + 2);
  EXPECT_EQ(Speeds(Drives[1].RangeCD), (std::vector<uint32_t>{7056}));

  // Rounds requests up, but reports 2 kB/s more than the value that gets the
  // speed: asking for the reported value lands one speed higher, so the
  // request that first gave the speed becomes its command.
  QuirkTransport::Install([](ScsiRequest& r) {
    if (r.Cdb[0] != 0x5A || r.DataLength < 24) return;
    uint8_t* page = static_cast<uint8_t*>(r.DataBuffer) + 8;
    uint32_t current = uint32_t(page[14]) << 8 | page[15];
    if (current) current += 2;
    page[14] = uint8_t(current >> 8);
    page[15] = uint8_t(current);
  });
  EnumerateSpeeds(Drives[0], SpeedMethod::Fast, nullptr, nullptr);
  // Requests go 7058 (the maximum as reported), 6882, ... each lower speed is
  // first reached by the request just above the speed below it.
  EXPECT_EQ(Speeds(Drives[0].RangeCD), (std::vector<uint32_t>{7058, 4236, 2824, 1766}));
  std::vector<uint32_t> commands = Commands(Drives[0].RangeCD);
  EXPECT_EQ(commands[0], 7058u);
  for (size_t i = 1; i < commands.size(); ++i) {
    uint32_t speed = Drives[0].RangeCD.Entries[i].Speed - 2;
    uint32_t below = i + 1 < commands.size() ? Drives[0].RangeCD.Entries[i + 1].Speed - 2 : 0;
    EXPECT_LE(commands[i], speed) << i;
    EXPECT_GT(commands[i], below) << i;
    EXPECT_EQ((7058 - commands[i]) % 176, 0u) << "a request of the descent";
  }
}

TEST_F(Enumerate, ListIsCappedAt128Entries) {
  Add(ParsedProfile(CdReader(Multiples(176, 150 * 176, 176), "below")));
  Discover();
  const SpeedRange& r = Drives[0].RangeCD;
  ASSERT_EQ(r.Count, 128u);
  EXPECT_EQ(r.Entries[0].Speed, 150u * 176);
  EXPECT_EQ(r.Entries[127].Speed, 23u * 176);
  SaveCapabilities(Drives[0]);
  DriveRecord back{};
  std::strcpy(back.FullName, Drives[0].FullName);
  EXPECT_TRUE(LoadCapabilities(back));
  EXPECT_EQ(back.RangeCD.Count, 128u);
}

TEST_F(Enumerate, FullTriesEveryValue) {
  sim::Drive& sd = Add(ParsedProfile(CdReader("352,704,1056", "below")));
  Discover();
  Calls calls;
  EnumerateSpeeds(Drives[0], SpeedMethod::Full, Calls::Record, &calls);
  EXPECT_EQ(Speeds(Drives[0].RangeCD), (std::vector<uint32_t>{1056, 704, 352}));
  EXPECT_EQ(Commands(Drives[0].RangeCD), (std::vector<uint32_t>{1056, 704, 352}));
  // Probe, 1056 requests, one more for each speed seen first, the closing request.
  EXPECT_EQ(SpeedsSent(sd, 0xBB).size(), 1u + 1056 + 3 + 1);
  auto progress = calls.Progress();
  ASSERT_EQ(progress.size(), 1056u);
  EXPECT_EQ(progress.front().phase, 1);
  EXPECT_EQ(progress.front().done, 1);
  EXPECT_EQ(progress.back().done, 1056);
  EXPECT_EQ(progress.back().total, 1056);
}

TEST_F(Enumerate, FullStoppedAtItsFirstProgressCall) {
  sim::Drive& sd = Add("cd48-reader");
  Discover();
  Calls calls;
  calls.stopAt = 1;
  EnumerateSpeeds(Drives[0], SpeedMethod::Full, Calls::Record, &calls);
  // Probe, the maximum, the reported speed asked back, the closing request.
  EXPECT_EQ(SpeedsSent(sd, 0xBB), (std::vector<uint32_t>{0xFFFF, 8467, 8467, 8467}));
  EXPECT_EQ(SpeedsSent(sd, 0xB6).size(), 0u) << "no closing SET STREAMING of 0";
  EXPECT_EQ(Speeds(Drives[0].RangeCD), std::vector<uint32_t>{8467});
  EXPECT_EQ(calls.Progress().size(), 1u);
  EXPECT_EQ(Drives[0].Busy, 0);
}

TEST_F(Enumerate, DriveVanishingInTheMiddle) {
  for (SpeedMethod method : {SpeedMethod::Fast, SpeedMethod::Full, SpeedMethod::Measure}) {
    sim::ClearVirtualDrives();
    ClearDrives();
    MemoryRegistry::Reset();
    Add(ParsedProfile(CdReader("706,1411,2822", "below")));
    Discover();
    Calls calls;
    calls.stopAt = method == SpeedMethod::Measure ? 40 : 3;
    calls.atStop = [] { sim::ClearVirtualDrives(); };  // unplugged: every command fails at once
    uint32_t before = VirtualClock::Elapsed();
    EnumerateSpeeds(Drives[0], method, Calls::Record, &calls);
    EXPECT_EQ(Drives[0].Busy, 0);
    EXPECT_LE(Drives[0].RangeCD.Count, 3u);
    for (uint32_t i = 0; i < Drives[0].RangeCD.Count; ++i) EXPECT_NE(Drives[0].RangeCD.Entries[i].Speed, 0u);
    EXPECT_LT(VirtualClock::Elapsed() - before, 60u * 1000) << int(method);
  }
}

TEST_F(Enumerate, NoSpeedReportedMeansNoList) {
  // Reports a current speed of 0: nothing to enumerate, no command past the probe.
  sim::Profile p = ParsedProfile(CdReader("1764,7056", "below"));
  Add(p);
  QuirkTransport::Install([](ScsiRequest& r) {
    if (r.Cdb[0] == 0x5A && r.DataLength >= 24) {
      uint8_t* page = static_cast<uint8_t*>(r.DataBuffer) + 8;
      page[14] = page[15] = 0;
    }
  });
  DiscoverDrives();
  EXPECT_EQ(Drives[0].CanGetSpeed, 0);
  EXPECT_EQ(Drives[0].RangeCD.Count, 0u);
  EXPECT_EQ(Drives[0].RangeCD.Valid, 1) << "built with a disc inside: not tried again on every refresh";
  EXPECT_EQ(SpeedsSent(sim::VirtualDriveAt(0), 0xBB), std::vector<uint32_t>{0xFFFF});
}

TEST_F(Enumerate, PerformanceAboveTheCommandRange) {
  Add("dvdrom16-streaming");
  // GET PERFORMANCE answers 0x12345 kB/s however fast the drive runs.
  QuirkTransport::Install([](ScsiRequest& r) {
    if (r.Cdb[0] == 0xAC && r.DataLength >= 24) {
      uint8_t* a = static_cast<uint8_t*>(r.DataBuffer);
      a[20] = 0x00, a[21] = 0x01, a[22] = 0x23, a[23] = 0x45;
    }
  });
  DiscoverDrives();
  const DriveRecord& d = Drives[0];
  EXPECT_EQ(uint32_t(d.MaxDVDSpeed), 0x12345u);
  ASSERT_TRUE(d.DvdActive());
  // Every answer is above every request: one entry, and the descent is
  // bounded by the largest value a speed command carries.
  EXPECT_EQ(Speeds(d.RangeDVD), std::vector<uint32_t>{0x12345});
  EXPECT_LE(SpeedsSent(sim::VirtualDriveAt(0), 0xB6).size(), 0xFFFFu / 176 + 8);
}

TEST_F(Enumerate, MeasureFindsThroughputCaps) {
  sim::Profile p = ParsedProfile(CdReader("706,1411,2822,3000,4234,5645", "below"));
  sim::Drive& sd = Add(p);
  Discover();
  Calls calls;
  uint32_t before = VirtualClock::Elapsed();
  EnumerateSpeeds(Drives[0], SpeedMethod::Measure, Calls::Record, &calls);
  uint32_t took = VirtualClock::Elapsed() - before;
  EXPECT_GT(took, 190u * 1000);
  EXPECT_LT(took, 250u * 1000);

  const SpeedRange& r = Drives[0].RangeCD;
  ASSERT_EQ(r.Count, 5u) << "3000 and 2822 are closer than 352: one entry";
  uint32_t caps[] = {5645, 4234, 3000, 1411, 706};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(double(r.Entries[i].Speed), caps[i], caps[i] * 0.03) << i;
  // Each command is the request nearest to the measured speed among those
  // that measured within the tolerance.
  // 32 x 176 = 5632 is below 5645 and runs at 4234: 33 x 176 is the nearest
  // request that reached 5645.
  EXPECT_EQ(r.Entries[0].Command, 5808u);
  EXPECT_EQ(r.Entries[1].Command, 4400u);
  EXPECT_EQ(r.Entries[2].Command, 2992u);  // ran at 2822, measured within 352 of 3000
  EXPECT_EQ(r.Entries[3].Command, 1584u);
  EXPECT_EQ(r.Entries[4].Command, 704u);  // below the slowest speed: runs at 706

  auto progress = calls.Progress();
  ASSERT_EQ(progress.size(), 190u);
  EXPECT_EQ(progress[0].done, 176);
  EXPECT_EQ(progress[29].done, 5280);
  EXPECT_EQ(progress[30].done, 33440 - 28160);
  EXPECT_EQ(progress[31].done, 33440 - 28160 + 176);
  EXPECT_EQ(progress.back().done, 33264);
  EXPECT_EQ(progress.back().total, 33264);
  // The measured zone lies near the end of the disc, never past it.
  uint32_t lowest = ~0u, highest = 0;
  for (const auto& cdb : Cdbs(sd)) {
    if (cdb[0] != 0x28) continue;
    uint32_t lba = uint32_t(cdb[2]) << 24 | cdb[3] << 16 | cdb[4] << 8 | cdb[5];
    uint32_t n = uint32_t(cdb[7]) << 8 | cdb[8];
    lowest = std::min(lowest, lba);
    highest = std::max(highest, lba + n - 1);
  }
  EXPECT_EQ(lowest, 333000u - 1 - 256 - 9375 - 5120);
  EXPECT_LE(highest, 333000u - 1);
}

// A read that fails on the way: a disc that left (tray opened, disc taken
// out, a reported medium change, not ready) stops the measurement at once
// and keeps the list it had; a reset or an unreadable zone does not, and an
// interval in which every read failed adds no entry.
TEST_F(Enumerate, MeasurementWhoseReadsFail) {
  struct Case {
    const char* what;
    int at;  // the progress call (from 1) after which it happens
    void (*happen)(sim::Drive&);
    bool stops;
  } cases[] = {
      {"tray opened in the warm-up", 10, [](sim::Drive& d) { d.OpenTray(); }, true},
      {"tray opened while measuring", 45, [](sim::Drive& d) { d.OpenTray(); }, true},
      {"disc taken out", 45, [](sim::Drive& d) { d.RemoveDisc(); }, true},
      {"medium change reported to a read", 12, [](sim::Drive& d) { d.RaiseUnitAttention(); }, true},
      {"disc not ready", 45, [](sim::Drive& d) { d.AddFault(sim::Fault{0x28, 1, 0x02, 0x04, 0x01}); }, true},
      {"power-on reset", 45, [](sim::Drive& d) { d.PowerReset(); }, false},
      {"every read of an interval fails", 45,
       [](sim::Drive& d) { d.AddFault(sim::Fault{0x28, -1, 0x03, 0x11, 0x00, -1, -1, false, false, 1}); }, false},
  };
  for (const Case& c : cases) {
    sim::ClearVirtualDrives();
    ClearDrives();
    MemoryRegistry::Reset();
    static sim::Drive* sd;
    static const Case* now;
    sd = &Add(ParsedProfile(CdReader("706,1411,2822", "below")));
    now = &c;
    Discover();
    const SpeedRange before = Drives[0].RangeCD;
    Calls calls;
    calls.stopAt = c.at;
    calls.atStop = [] { now->happen(*sd); };
    auto progress = [](int phase, int total, int done, int speed, int command, void* context) {
      Calls& record = *static_cast<Calls*>(context);
      if (int(record.Progress().size()) == record.stopAt + 1) sd->ClearFaults();  // one interval only
      return Calls::Record(phase, total, done, speed, command, context);
    };
    EnumerationEnd end = EnumerateSpeeds(Drives[0], SpeedMethod::Measure, progress, &calls);
    const SpeedRange& r = Drives[0].RangeCD;
    if (c.stops) {
      EXPECT_EQ(end, EnumerationEnd::DiscRemoved) << c.what;
      EXPECT_EQ(calls.Progress().size(), size_t(c.at)) << c.what << ": stopped at the next read";
      EXPECT_EQ(Speeds(r), Speeds(before)) << c.what;
      EXPECT_EQ(Commands(r), Commands(before)) << c.what;
    } else {
      EXPECT_EQ(end, EnumerationEnd::Done) << c.what;
      EXPECT_EQ(calls.Progress().size(), 190u) << c.what;
      ASSERT_EQ(r.Count, 3u) << c.what << ": no entry from the spoilt interval";
      EXPECT_GT(r.Entries[2].Speed, 706u * 97 / 100) << c.what;
    }
    EXPECT_EQ(Drives[0].Busy, 0);
  }
}

TEST_F(Enumerate, MeasuredDvdSpeedsCountUserData) {
  Add("dvdrom16-streaming");
  Discover();
  ASSERT_TRUE(Drives[0].DvdActive());
  EnumerateSpeeds(Drives[0], SpeedMethod::Measure, nullptr, nullptr);
  const SpeedRange& r = Drives[0].RangeDVD;
  ASSERT_GE(r.Count, 1u);
  // 16x DVD is 22160 kB/s of user data; counted as CD sectors it would read 25450.
  EXPECT_NEAR(double(r.Entries[0].Speed), 22160.0, 22160 * 0.02);
}

TEST_F(Enumerate, MeasureWithoutAReadableDisc) {
  sim::Drive& sd = Add("cd48-reader");
  Discover();
  ASSERT_TRUE(sd.OpenTray());
  Calls calls;
  EnumerateSpeeds(Drives[0], SpeedMethod::Measure, Calls::Record, &calls);
  EXPECT_EQ(Drives[0].RangeCD.Count, 0u);
  EXPECT_TRUE(calls.all.empty());
  EXPECT_EQ(CountOf(sd, 0x28), 0u);
}

TEST_F(Enumerate, MeasureReadSpeedOnSmallDiscs) {
  sim::Profile p = Profile("cd48-reader");
  p.Medium = "none";
  sim::Drive& sd = Add(p);
  Discover();
  sim::MediumSpec m{};
  ASSERT_TRUE(sim::LookupMedium("data-cd", m));
  struct Case {
    uint32_t blocks;
    bool measured;
  } cases[] = {{5000, true}, {800, true}, {258, false}, {100, false}, {1, false}};
  for (const Case& c : cases) {
    if (sd.Medium()) {
      ASSERT_TRUE(sd.RemoveDisc());
    }
    m.Blocks = c.blocks;
    ASSERT_TRUE(sd.InsertDisc(m));
    VirtualClock::Advance(10000);
    TestUnitReady(Drives[0].Address);  // takes the unit attention of the new disc
    ASSERT_EQ(TestUnitReady(Drives[0].Address), 0);
    sd.ClearLog();
    uint32_t lastBlock = ReadCapacity(Drives[0].Address);
    uint32_t speed = MeasureReadSpeed(Drives[0].Address, lastBlock, 1000);
    if (c.measured) {
      EXPECT_NEAR(double(speed), double(sd.CurrentReadSpeed()), sd.CurrentReadSpeed() * 0.05) << c.blocks;
    } else {
      EXPECT_EQ(speed, 0u) << c.blocks;
    }
    for (const auto& cdb : Cdbs(sd)) {
      if (cdb[0] != 0x28) continue;
      uint32_t lba = uint32_t(cdb[2]) << 24 | cdb[3] << 16 | cdb[4] << 8 | cdb[5];
      uint32_t n = uint32_t(cdb[7]) << 8 | cdb[8];
      EXPECT_LT(lba + n - 1, c.blocks) << "read past the end of a disc of " << c.blocks;
    }
  }
}

}  // namespace
