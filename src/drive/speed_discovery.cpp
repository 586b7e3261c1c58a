// Finding the speeds a drive offers for the medium in it: by asking for
// speeds and reading back what the drive reports, or by timing real reads.
#include <algorithm>
#include <memory>
#include <new>

#include "clock/clock.h"
#include "drive/busy_guard.h"
#include "drive/drive.h"
#include "mmc/commands.h"

namespace {

constexpr uint32_t MeasureChunk = 256;               // sectors per read while measuring
constexpr uint32_t MeasureIntervalMs = 1000;
constexpr int MeasureWarmUps = 30;
constexpr uint32_t MeasureTopSpeed = 160 * SpeedUnitCD;  // 28160 kB/s
constexpr int MeasureTotal = 33264;                  // progress range of a measurement
constexpr uint32_t ToleranceCD = 2 * SpeedUnitCD;    // 2x CD
constexpr uint32_t ToleranceDVD = 2 * SpeedUnitDVD;  // 2x DVD

// A read speed of 0 is no request a drive should see: many take it as their
// slowest speed (SET STREAMING with a read size of 0 applied to a CD), and a
// drive left there is never lifted by a restore, which only slows drives.
void SendSpeed(const DriveRecord& drive, bool streaming, uint32_t speed) {
  if (speed == 0) return;
  if (streaming)
    SetStreaming(drive.Address, speed, drive.CurrentWriteSpeed);
  else
    SetCdSpeed(drive.Address, speed, drive.CurrentWriteSpeed);
}

// One run of a method on the active list: how speeds are sent and read back.
struct SpeedProbe {
  DriveRecord& drive;
  bool streaming;    // SET STREAMING rather than SET CD SPEED
  bool performance;  // read back with GET PERFORMANCE rather than the capabilities page
  uint32_t maximum;
  ProgressCallback progress;
  void* context;

  SpeedRange& Range() { return drive.Active(); }

  void Send(uint32_t speed) { SendSpeed(drive, streaming, speed); }

  uint32_t Ask() {
    if (performance) return GetReadPerformance(drive.Address);
    CapabilitiesPage page{};
    ModeSenseCapabilities(drive.Address, page);  // a failed read decodes as 0
    return page.CurrentReadSpeed;
  }

  // False when the caller asks to stop.
  bool Progress(int phase, int total, int done) {
    return !progress || progress(phase, total, done, 0, 0, context) != 0;
  }

  bool Listed(uint32_t speed) {
    const SpeedRange& range = Range();
    for (uint32_t i = 0; i < range.Count && i < MaxSpeedEntries; ++i)
      if (range.Entries[i].Speed == speed) return true;
    return false;
  }

  // The drive answered `asked` with `reported`: ask for the reported speed
  // itself and keep it with whichever command gets it.
  void TakeReported(uint32_t asked, uint32_t reported) {
    Send(reported);
    uint32_t again = Ask();
    AddEntry(Range(), reported, again == reported ? reported : asked, progress, context);
  }
};

void RunFast(SpeedProbe& probe) {
  const int64_t maximum = probe.maximum;
  int64_t v = maximum;  // signed: the last step goes below 0
  do {
    probe.Send(uint32_t(v));
    uint32_t reported = probe.Ask();
    if (reported == v) {
      AddEntry(probe.Range(), reported, reported, probe.progress, probe.context);
      v -= SpeedUnitCD;
    } else if (reported < v) {
      v = reported;  // the next pass asks exactly for the reported speed
    } else {
      if (!probe.Listed(reported)) probe.TakeReported(uint32_t(v), reported);
      v -= SpeedUnitCD;
    }
    if (!probe.Progress(0, int(maximum), int(maximum - v))) break;
  } while (v >= SpeedUnitCD);
  // The closing report goes out also after a stop.
  probe.Progress(0, int(maximum), int(maximum));
}

void RunFull(SpeedProbe& probe) {
  for (uint32_t v = probe.maximum; v >= 1; --v) {
    probe.Send(v);
    uint32_t reported = probe.Ask();
    if (!probe.Listed(reported)) probe.TakeReported(v, reported);
    if (!probe.Progress(1, int(probe.maximum), int(probe.maximum - v + 1))) return;
  }
}

// True when the disc left the drive: what was timed since is no speed of
// it, and the run stops at once.
bool RunMeasure(SpeedProbe& probe) {
  DriveRecord& drive = probe.drive;
  uint32_t lastBlock = ReadCapacity(drive.Address);
  if (lastBlock == 0) return false;  // no readable disc
  bool dvd = drive.DvdActive();
  uint32_t tolerance = dvd ? ToleranceDVD : ToleranceCD;

  bool discLeft = false;
  probe.Send(SpeedMaximum);
  for (int i = 1; i <= MeasureWarmUps; ++i) {
    MeasureReadSpeed(drive.Address, lastBlock, MeasureIntervalMs, dvd, &discLeft);
    if (discLeft) return true;
    if (!probe.Progress(0, MeasureTotal, i * int(SpeedUnitCD))) return false;
  }
  for (uint32_t v = MeasureTopSpeed; v >= SpeedUnitCD; v -= SpeedUnitCD) {
    probe.Send(v);
    uint32_t measured = MeasureReadSpeed(drive.Address, lastBlock, MeasureIntervalMs, dvd, &discLeft);
    if (discLeft) return true;
    // An interval that read nothing says nothing about speed v.
    if (measured != 0) {
      SpeedRange& range = probe.Range();
      int k = FindEntryNear(range, measured, tolerance);
      if (k < 0) {
        AddEntry(range, measured, v, probe.progress, probe.context);
      } else {
        // The request nearest to the measured speed becomes its command.
        SpeedEntry& entry = range.Entries[k];
        int64_t fromRequest = int64_t(entry.Speed) - int64_t(v);
        int64_t fromCommand = int64_t(entry.Speed) - int64_t(entry.Command);
        if ((fromRequest < 0 ? -fromRequest : fromRequest) < (fromCommand < 0 ? -fromCommand : fromCommand))
          entry.Command = v;
      }
    }
    if (!probe.Progress(0, MeasureTotal, int(MeasureTotal + SpeedUnitCD - v))) return false;
  }
  return false;
}

// A maximum read from a drive or the registry, bounded to what a speed
// command can carry, so that a garbage answer cannot make a run endless.
uint32_t BoundedMaximum(int32_t maximum) {
  return std::min<uint32_t>(uint32_t(maximum), SpeedMaximum);
}

// True when the disc left the drive during a measurement.
bool RunMethod(SpeedProbe& probe, SpeedMethod method) {
  switch (method) {
    case SpeedMethod::Fast: RunFast(probe); return false;
    case SpeedMethod::Full: RunFull(probe); return false;
    case SpeedMethod::Measure: return RunMeasure(probe);
  }
  return false;
}

// Raises a capability maximum to a larger speed seen later.
void Raise(int32_t& maximum, uint32_t speed) {
  if (speed > uint32_t(maximum)) maximum = int32_t(speed);
}

}  // namespace

void ProbeDrive(DriveRecord& drive) {
  CapabilitiesPage page{};
  bool read = ModeSenseCapabilities(drive.Address, page);
  if (read) {
    drive.CanEject = page.PageByte6 & MechanismEjects;
    drive.CanClose = (page.PageByte6 & LoadingMechanismBits) == LoadingTray ? 1 : 0;
    drive.Writer = page.PageByte3 & WriterBits;
    drive.CanSenseMedium = page.MediumType != 0 ? 1 : 0;
    drive.DVD = page.PageByte2 & ReadsDvdMedia;
  } else {
    drive.CanEject = 1;
    drive.CanClose = 1;
    drive.Writer = 0;
    drive.CanSenseMedium = 0;
    drive.DVD = 0;
  }
  ApplyCapabilitiesPage(drive, page);

  CapabilitiesPage again{};
  if (!drive.DvdActive()) {
    drive.CanGetSpeed = read && page.CurrentReadSpeed != 0 ? 1 : 0;
    drive.MaxSpeed = int32_t(page.MaxReadSpeed);
    drive.CanSetSpeed = SetCdSpeed(drive.Address, SpeedMaximum, drive.CurrentWriteSpeed) ? 1 : 0;
    if (ModeSenseCapabilities(drive.Address, again)) {
      Raise(drive.MaxSpeed, again.MaxReadSpeed);
      Raise(drive.MaxSpeed, again.CurrentReadSpeed);
    }
    return;
  }
  drive.CanGetCDSpeed = page.CurrentReadSpeed != 0 ? 1 : 0;
  drive.MaxCDSpeed = int32_t(page.MaxReadSpeed);
  drive.CanSetCDSpeed = SetCdSpeed(drive.Address, SpeedMaximum, drive.CurrentWriteSpeed) ? 1 : 0;
  if (ModeSenseCapabilities(drive.Address, again)) {
    Raise(drive.MaxCDSpeed, again.MaxReadSpeed);
    Raise(drive.MaxCDSpeed, again.CurrentReadSpeed);
  }
  drive.MaxDVDSpeed = int32_t(GetReadPerformance(drive.Address));
  drive.CanGetDVDSpeed = drive.MaxDVDSpeed != 0 ? 1 : 0;
  drive.CanSetDVDSpeed = SetStreaming(drive.Address, SpeedMaximum, drive.CurrentWriteSpeed) ? 1 : 0;
  Raise(drive.MaxDVDSpeed, GetReadPerformance(drive.Address));
}

EnumerationEnd EnumerateSpeeds(DriveRecord& drive, SpeedMethod method, ProgressCallback progress, void* context) {
  BusyGuard guard(drive);
  if (!guard.Entered()) return EnumerationEnd::Done;
  // The whole run on one handle; the progress callback may show windows
  // meanwhile, but the run itself never waits for the user.
  DriveSession session(drive.Address);
  ProbeDrive(drive);
  SpeedRange& range = drive.Active();
  const SpeedRange before = range;  // kept when the disc leaves during a measurement
  range.Count = 0;
  if (TestUnitReady(drive.Address) == 0) range.Valid = 1;

  // Measuring times reads and needs no speed read back: it also runs where
  // the drive cannot tell its speed (the class-driver row before Windows 8).
  const bool measure = method == SpeedMethod::Measure;
  bool ran = false, discLeft = false;
  if (!drive.DvdActive()) {
    if ((drive.CanGetSpeed || measure) && drive.CanSetSpeed) {
      SpeedProbe probe{drive, false, false, BoundedMaximum(drive.MaxSpeed), progress, context};
      discLeft = RunMethod(probe, method);
      ran = true;
    }
  } else {
    if (drive.DVDMethodPrefered != DvdMethodCdSpeed && (drive.CanGetDVDSpeed || measure) && drive.CanSetDVDSpeed) {
      SpeedProbe probe{drive, true, true, BoundedMaximum(drive.MaxDVDSpeed), progress, context};
      discLeft = RunMethod(probe, method);
      ran = true;
    }
    if (range.Count != 0) {
      drive.DVDMethodDetected = DvdMethodStreaming;
    } else if (!discLeft && drive.DVDMethodPrefered != DvdMethodStreaming && (drive.CanGetCDSpeed || measure) &&
               drive.CanSetCDSpeed) {
      SpeedProbe probe{drive, false, false, BoundedMaximum(drive.MaxCDSpeed), progress, context};
      discLeft = RunMethod(probe, method);
      ran = true;
      drive.DVDMethodDetected = DvdMethodCdSpeed;
    }
  }
  // Speeds timed on a disc that left are none of the drive's.
  if (discLeft) range = before;
  // Put the drive back to the speed it had before the probe and lift any
  // streaming limit. Also after a run that found nothing or was stopped. A
  // drive that never held a DVD (MaxDVDSpeed 0) gets no request of 0; one
  // whose speed before was not known is set free at its maximum rather than
  // left at the slowest speed measured.
  if (ran) {
    SendSpeed(drive, false, drive.CurrentSpeed != 0 ? drive.CurrentSpeed : SpeedMaximum);
    SendSpeed(drive, true, uint32_t(drive.MaxDVDSpeed));
  }
  return discLeft ? EnumerationEnd::DiscRemoved : EnumerationEnd::Done;
}

uint32_t MeasureReadSpeed(const DeviceAddress& address, uint32_t lastBlock, uint32_t durationMs, bool dvdMedium,
                          bool* discLeft) {
  bool left = false;
  if (discLeft == nullptr) discLeft = &left;
  *discLeft = false;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[MeasureChunk * SectorSize]);
  if (!buffer) return 0;
  // The zone ends one read short of the last block and lies near the end of
  // the disc; on a disc smaller than the zone it starts at block 0.
  if (lastBlock <= MeasureChunk) return 0;
  uint32_t end = lastBlock - MeasureChunk;
  uint64_t lead = uint64_t(75) * durationMs / 8 + 5120;
  uint32_t start = end > lead ? uint32_t(end - lead) : 0;

  if (!ReadSectors(address, start, 1, buffer.get(), discLeft)) return 0;  // seek and spin up
  start += 1;
  uint32_t t0 = ClockTickCount();
  uint32_t t = t0;
  uint32_t position = start;
  // A failed read is tried again at the same position; every answer, a
  // refusal too, takes the drive time, so the interval still ends. A disc
  // that left ends it at once.
  while (ClockTickCount() - t0 < durationMs && position < end) {
    bool read = ReadSectors(address, position, MeasureChunk, buffer.get(), discLeft);
    t = ClockTickCount();
    if (read) position += MeasureChunk;
    else if (*discLeft) return 0;
  }
  uint32_t elapsed = t - t0;
  if (elapsed == 0) return 0;
  uint32_t sectors = position - start;
  // CD speeds count raw 2352-byte sectors: 75 sectors per second are 176
  // kB/s. DVD speeds count the 2048 bytes of user data: bytes per ms = kB/s.
  if (dvdMedium) return uint32_t(uint64_t(sectors) * SectorSize / elapsed);
  return sectors * 7040 / (elapsed * 3);
}
