#include "sim/model/virtual_drive.h"

#include <algorithm>
#include <cstring>

#include "clock/clock.h"
#include "mmc/opcodes.h"
#include "mmc/wire.h"
#include "sim/model/json_fields.h"

namespace sim {

namespace {
// Sense keys and the additional sense codes drives send with them.
constexpr uint8_t kNotReady = 0x02, kIllegalRequest = 0x05, kUnitAttention = 0x06;
// UNIT ATTENTION reasons: not ready to ready change (medium may have
// changed), and power on or reset.
constexpr uint8_t kMediumChanged = 0x28, kPowerOnReset = 0x29;
// NOT READY reasons: becoming ready, incompatible medium, medium not present
// (qualifier 01 tray closed, 02 tray open, 00 not said).
constexpr uint8_t kBecomingReady = 0x04, kIncompatibleMedium = 0x30, kNoMedium = 0x3A;
// ILLEGAL REQUEST reasons.
constexpr uint8_t kInvalidOpcode = 0x20, kLbaOutOfRange = 0x21, kInvalidFieldInCdb = 0x24,
                  kParameterListLength = 0x1A, kInvalidFieldInList = 0x26, kRemovalPrevented = 0x53,
                  kIllegalModeForTrack = 0x64;
constexpr uint32_t kMaximumRequest = 0xFFFF;
// A command the drive never answers costs the host its whole wait: the
// program's SPTI time-out and its ASPI wait are both 30 seconds.
constexpr uint32_t kHostWaitMs = 30000;
// A CD speed counts raw sectors of 2352 bytes, 75 a second at 1x; 2048
// bytes of each are data. DVD speeds count data.
constexpr uint64_t kRawCdSector = 2352, kDataSector = 2048;

// Medium type byte of the mode header without a disc to name.
constexpr uint8_t kMediumDoorOpen = 0x71, kMediumNoDisc = 0x70;
constexpr uint8_t kPageSaveable = 0x80;  // PS bit of page byte 0
// READ SUB-CHANNEL audio status.
constexpr int kAudioPlaying = 0x11, kAudioPaused = 0x12, kAudioCompleted = 0x13, kAudioError = 0x14,
              kAudioNoStatus = 0x15;

void Check(CommandOutcome& out, uint8_t key, uint8_t asc, uint8_t ascq) {
  out.Status = kStatusCheckCondition;
  std::memset(out.Sense, 0, sizeof out.Sense);
  out.Sense[0] = 0x70;  // current error, fixed format
  out.Sense[2] = key;
  out.Sense[7] = kFixedSenseLength - 8;
  out.Sense[12] = asc;
  out.Sense[13] = ascq;
  out.SenseLength = kFixedSenseLength;
  out.Transferred = 0;
}

void InvalidField(CommandOutcome& out) { Check(out, kIllegalRequest, kInvalidFieldInCdb, 0x00); }

// Hands back at most `allocation` bytes of an answer, and never more than the
// caller's buffer holds.
void Give(CommandOutcome& out, uint8_t* data, uint32_t length, const std::vector<uint8_t>& answer,
          uint32_t allocation) {
  size_t n = std::min<size_t>({answer.size(), allocation, length});
  if (n) std::memcpy(data, answer.data(), n);
  out.Transferred = uint32_t(n);
}

void PutPadded(uint8_t* field, size_t width, const std::string& text) {
  std::memset(field, ' ', width);
  std::memcpy(field, text.data(), std::min(width, text.size()));
}

constexpr uint8_t kLockSupported = 0x01, kLockState = 0x02, kEjectSupported = 0x08;
constexpr uint8_t kLoadingTypeMask = 0xE0;
}  // namespace

uint32_t PickSpeed(const std::vector<uint32_t>& speeds, uint32_t request, SpeedRule rule) {
  if (speeds.empty()) return 0;
  uint32_t slowest = speeds.front(), fastest = speeds.back();
  switch (rule) {
    case SpeedRule::Ignore:
      return fastest;
    case SpeedRule::Below: {
      uint32_t pick = slowest;
      for (uint32_t s : speeds)
        if (s <= request) pick = s;
      return pick;
    }
    case SpeedRule::Up:
      for (uint32_t s : speeds)
        if (s >= request) return s;
      return fastest;
    case SpeedRule::Nearest: {
      uint32_t pick = slowest;
      for (uint32_t s : speeds) {
        uint32_t d = s > request ? s - request : request - s;
        uint32_t best = pick > request ? pick - request : request - pick;
        if (d < best) pick = s;
      }
      return pick;
    }
  }
  return fastest;
}

Drive::Drive(Profile profile) : profile_(std::move(profile)) {
  MediumSpec m;
  if (profile_.Medium != "none" && LookupMedium(profile_.Medium, m)) medium_ = m;
  trayOpen_ = profile_.TrayOpen && !IsSlot();
  faults_ = profile_.Faults;
}

bool Drive::IsSlot() const { return (profile_.Mechanism & kLoadingTypeMask) == 0; }

bool Drive::SpinningNow() const { return spinning_ && int32_t(ClockTickCount() - readyAt_) < 0; }

bool Drive::Readable() const {
  return medium_ && (!medium_->Dvd || (profile_.ReadCaps & 0x38) || !profile_.DvdSpeeds.empty());
}

bool Drive::Ready() const { return !trayOpen_ && medium_ && !SpinningNow() && Readable(); }

bool Drive::IsDvdLoaded() const { return !trayOpen_ && medium_ && medium_->Dvd && !profile_.DvdSpeeds.empty(); }

uint32_t Drive::ReadSpeedFor(bool dvd) const {
  return dvd ? PickSpeed(profile_.DvdSpeeds, requestedDvd_, profile_.Rule)
             : PickSpeed(profile_.CdSpeeds, requestedCd_, profile_.Rule);
}

uint32_t Drive::MaxReadSpeedFor(bool dvd) const {
  return dvd ? profile_.DvdSpeeds.back() : profile_.CdSpeeds.back();
}

uint32_t Drive::CurrentReadSpeed() const { return ReadSpeedFor(IsDvdLoaded()); }

uint32_t Drive::CurrentWriteSpeed() const {
  return PickSpeed(profile_.WriteSpeeds, requestedWrite_, SpeedRule::Below);
}

uint8_t Drive::MediumTypeByte() const {
  if (!profile_.ReportsMediumType) return 0;
  if (trayOpen_) return kMediumDoorOpen;
  if (!medium_) return kMediumNoDisc;  // door closed
  if (SpinningNow() && profile_.MediumTypeWhileSpinning >= 0) return uint8_t(profile_.MediumTypeWhileSpinning);
  if (medium_->Dvd && profile_.DvdMediumTypeZero) return 0;
  return medium_->MediumType;
}

bool Drive::MediumReady(CommandOutcome& out) const {
  if (trayOpen_) Check(out, kNotReady, kNoMedium, 0x02);
  else if (!medium_) Check(out, kNotReady, kNoMedium, 0x01);
  else if (SpinningNow()) Check(out, kNotReady, kBecomingReady, 0x01);
  else if (!Readable()) Check(out, kNotReady, kIncompatibleMedium, 0x00);
  else return true;
  return false;
}

// Drives that refuse speed commands without a disc say only "medium not
// present".
bool Drive::SpeedCommandRefused(CommandOutcome& out) const {
  if (!profile_.SpeedNeedsMedium || (medium_ && !trayOpen_)) return false;
  Check(out, kNotReady, kNoMedium, 0x00);
  return true;
}

void Drive::Load() {
  trayOpen_ = false;
  audio_ = kAudioNoStatus;
  spinning_ = medium_.has_value() && profile_.SpinUpMs > 0;
  readyAt_ = ClockTickCount() + profile_.SpinUpMs;
  if (profile_.UnitAttention) {
    if (spinning_ && !profile_.AttentionBeforeSpinUp)
      attentionWhenReady_ = true;
    else
      unitAttention_ = kMediumChanged;
  }
  if (medium_) mediaEvent_ = kMediaNewMedia;
  if (profile_.ForgetsSpeed && medium_) requestedCd_ = requestedDvd_ = requestedWrite_ = kMaximumRequest;
}

void Drive::Spend(uint64_t micros) {
  pendingMicros_ += micros;
  uint32_t ms = uint32_t(pendingMicros_ / 1000);
  pendingMicros_ %= 1000;
  if (ms) ClockSleep(ms);
}

void Drive::AdvanceClockForRead(uint32_t bytes) {
  bool dvd = IsDvdLoaded();
  uint32_t speed = ReadSpeedFor(dvd);
  uint64_t real = speed;
  for (const auto& [reported, measured] : profile_.Throughput)
    if (reported == speed) real = measured;
  if (!real) real = 1;
  // kB/s of data are bytes per millisecond.
  Spend(dvd ? uint64_t(bytes) * 1000 / real : uint64_t(bytes) * 1000 * kRawCdSector / (real * kDataSector));
}

CommandOutcome Drive::Execute(const uint8_t* cdb, uint32_t cdbLength, uint8_t* data, uint32_t dataLength,
                              bool dataOut, uint32_t handle) {
  if (!data) dataLength = 0;
  cdbLength = cdb ? std::min<uint32_t>(cdbLength, 16) : 0;
  LogEntry entry;
  entry.Tick = ClockTickCount();
  entry.Handle = handle;
  entry.Cdb.assign(cdb, cdb + cdbLength);
  if (dataOut) entry.DataOut.assign(data, data + std::min<size_t>(dataLength, kLoggedAnswerBytes));

  CommandOutcome out;
  Fault fault;
  bool faulted = false;
  for (size_t i = 0; i < faults_.size(); ++i) {
    Fault& f = faults_[i];
    if (f.Count == 0 || (f.Opcode >= 0 && (cdbLength == 0 || f.Opcode != cdb[0]))) continue;
    if (f.After > 0) {
      --f.After;
      continue;
    }
    fault = f;
    faulted = true;
    if (f.Count > 0 && --f.Count == 0) faults_.erase(faults_.begin() + long(i));
    break;
  }

  if (faulted && fault.NoAnswer) {
    out.Answered = false;
    Spend(uint64_t(kHostWaitMs) * 1000);
  } else {
    if (faulted && fault.SenseKey >= 0)
      Check(out, uint8_t(fault.SenseKey), fault.Asc, fault.Ascq);
    else if (cdbLength == 0)
      Check(out, kIllegalRequest, kInvalidOpcode, 0x00);
    else
      Dispatch(cdb, cdbLength, data, dataLength, dataOut, out);
    if (faulted && !dataOut) {
      if (fault.ShortData >= 0) out.Transferred = std::min(out.Transferred, uint32_t(fault.ShortData));
      if (fault.Garbage) {
        uint32_t seed = entry.Tick * 2654435761u + uint32_t(log_.size());
        for (uint32_t i = 0; i < out.Transferred; ++i) {
          seed = seed * 1664525u + 1013904223u;
          data[i] = uint8_t(seed >> 24);
        }
      }
    }
    if (faulted && fault.SenseLength >= 0 && out.Status == kStatusCheckCondition)
      out.SenseLength = std::min(out.SenseLength, uint32_t(fault.SenseLength));
    // A refusal is not free: the drive answers, the host fetches the sense.
    if (out.Status == kStatusCheckCondition) Spend(uint64_t(profile_.FailedCommandMs) * 1000);
  }

  entry.Status = out.Answered ? out.Status : -1;
  entry.Transferred = out.Transferred;
  if (!dataOut && out.Transferred) entry.Answer.assign(data, data + std::min<size_t>(out.Transferred, kLoggedAnswerBytes));
  entry.Sense.assign(out.Sense, out.Sense + out.SenseLength);
  log_.push_back(std::move(entry));
  return out;
}

void Drive::Dispatch(const uint8_t* cdb, uint32_t cdbLength, uint8_t* data, uint32_t length, bool dataOut,
                     CommandOutcome& out) {
  uint8_t opcode = cdb[0];
  // Each command reads CDB bytes up to the end of its own length.
  static const struct { uint8_t Opcode; uint32_t Length; } kLengths[] = {
      {OpInquiry, 6},         {OpModeSense10, 10},       {OpSetCdSpeed, 12},
      {OpStartStopUnit, 6},   {OpTestUnitReady, 6},      {OpReadCapacity, 10},
      {OpRead10, 10},         {OpPreventAllowRemoval, 6}, {OpReadSubChannel, 10},
      {OpGetConfiguration, 10}, {OpSetStreaming, 12},    {OpGetPerformance, 12},
      {OpGetEventStatus, 10}};
  bool known = false;
  for (const auto& k : kLengths) {
    if (k.Opcode != opcode) continue;
    known = cdbLength >= k.Length;
  }
  if ((opcode == OpGetConfiguration && !profile_.Configuration) || (opcode == OpSetStreaming && !profile_.Streaming) ||
      (opcode == OpGetPerformance && !profile_.Performance) ||
      (opcode == OpGetEventStatus && !profile_.EventStatus.value_or(profile_.Configuration)))
    known = false;
  if (!known) {
    Check(out, kIllegalRequest, kInvalidOpcode, 0x00);
    return;
  }
  // A disc that has finished spinning up reports its arrival now.
  if (attentionWhenReady_ && !SpinningNow()) {
    attentionWhenReady_ = false;
    unitAttention_ = kMediumChanged;
  }
  // INQUIRY, GET CONFIGURATION and GET EVENT STATUS NOTIFICATION are
  // answered while a unit attention waits.
  if (unitAttention_ && opcode != OpInquiry && opcode != OpGetConfiguration && opcode != OpGetEventStatus) {
    Check(out, kUnitAttention, unitAttention_, 0x00);
    unitAttention_ = 0;
    return;
  }
  // Data flows one way: answers go into `in`, SET STREAMING reads `out`.
  uint8_t* in = dataOut ? nullptr : data;
  uint32_t inLength = dataOut ? 0 : length;
  const uint8_t* sent = dataOut ? data : nullptr;
  uint32_t sentLength = dataOut ? length : 0;
  switch (opcode) {
    case OpInquiry: return Inquiry(cdb, in, inLength, out);
    case OpModeSense10: return ModeSense(cdb, in, inLength, out);
    case OpSetCdSpeed: return SetCdSpeed(cdb, out);
    case OpStartStopUnit: return StartStop(cdb, out);
    case OpTestUnitReady: return TestUnitReady(out);
    case OpReadCapacity: return ReadCapacity(in, inLength, out);
    case OpRead10: return Read10(cdb, in, inLength, out);
    case OpPreventAllowRemoval: return PreventAllow(cdb, out);
    case OpReadSubChannel: return ReadSubChannel(cdb, in, inLength, out);
    case OpGetConfiguration: return GetConfiguration(cdb, in, inLength, out);
    case OpSetStreaming: return SetStreaming(cdb, sent, sentLength, out);
    case OpGetPerformance: return GetPerformance(cdb, in, inLength, out);
    case OpGetEventStatus: return GetEventStatus(cdb, in, inLength, out);
  }
}

// Media class only, polled only: what a drive answers that has no
// asynchronous notification. One event per answer, the oldest kept.
void Drive::GetEventStatus(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out) {
  constexpr uint8_t kPolled = 0x01, kMediaClassBit = 0x10, kMediaClass = 4, kNoEventAvailable = 0x80;
  if (!(cdb[1] & kPolled)) return InvalidField(out);
  std::vector<uint8_t> answer(4, 0);
  answer[3] = kMediaClassBit;  // the classes it supports
  if (!(cdb[4] & kMediaClassBit)) {
    answer[2] = kNoEventAvailable;
    put_be16(&answer[0], 2);
  } else {
    answer.resize(8, 0);
    put_be16(&answer[0], 6);
    answer[2] = kMediaClass;
    answer[4] = mediaEvent_;
    answer[5] = uint8_t((trayOpen_ ? 0x01 : 0x00) | (medium_ ? 0x02 : 0x00));  // door open, media present
    mediaEvent_ = kMediaNoChange;
  }
  Give(out, data, length, answer, get_be16(cdb + 7));
}

void Drive::Inquiry(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out) {
  if (cdb[1] & 0x01) return InvalidField(out);  // no vital product data pages
  std::vector<uint8_t> answer(36, 0);
  answer[0] = 0x05;  // CD/DVD device
  answer[1] = 0x80;  // removable medium
  answer[3] = 0x02;  // response data format
  answer[4] = uint8_t(answer.size() - 5);
  PutPadded(&answer[8], 8, profile_.Vendor);
  PutPadded(&answer[16], 16, profile_.Product);
  PutPadded(&answer[32], 4, profile_.Revision);
  Give(out, data, length, answer, cdb[4]);
}

void Drive::ModeSense(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out) {
  uint8_t page = cdb[2] & 0x3F;
  if (page != 0x2A && page != 0x3F) return InvalidField(out);
  const size_t at = size_t(profile_.PageOffset);
  std::vector<uint8_t> answer(at + 2 + profile_.PageLength, 0);
  if (at >= 8) {
    put_be16(&answer[0], uint16_t(answer.size() - 2));
    answer[2] = MediumTypeByte();
    put_be16(&answer[6], uint16_t(at - 8));  // block descriptor length
    if (at == 16) put_be16(&answer[14], 2048);  // block length of the descriptor
  }
  uint8_t* p = &answer[at];
  bool dvd = IsDvdLoaded();
  bool noDisc = trayOpen_ || !medium_;
  p[0] = uint8_t(0x2A | (profile_.PageSaveable ? kPageSaveable : 0));
  p[1] = profile_.PageLength;
  p[2] = profile_.ReadCaps;
  p[3] = profile_.WriteCaps;
  p[4] = profile_.Byte4;
  p[5] = profile_.Byte5;
  p[6] = uint8_t((profile_.Mechanism & ~kLockState) | (locked_ ? kLockState : 0));
  p[7] = profile_.Byte7;
  put_be16(p + 8, uint16_t(MaxReadSpeedFor(dvd)));
  put_be16(p + 10, profile_.VolumeLevels);
  put_be16(p + 12, profile_.BufferKB);
  put_be16(p + 14, uint16_t(noDisc && profile_.NoSpeedWithoutDisc ? 0 : ReadSpeedFor(dvd)));
  put_be16(p + 18, uint16_t(profile_.WriteSpeeds.empty() ? 0 : profile_.WriteSpeeds.back()));
  if (profile_.PageLength >= 0x14) put_be16(p + 20, uint16_t(CurrentWriteSpeed()));
  Give(out, data, length, answer, get_be16(cdb + 7));
}

void Drive::SetCdSpeed(const uint8_t* cdb, CommandOutcome& out) {
  uint32_t read = get_be16(cdb + 2), write = get_be16(cdb + 4);
  if (SpeedCommandRefused(out)) return;
  bool dvd = IsDvdLoaded();
  if (dvd && profile_.CdOnDvd == CdSpeedOnDvd::Reject) return InvalidField(out);
  requestedCd_ = read;
  if (profile_.CdOnDvd == CdSpeedOnDvd::Apply) requestedDvd_ = read;
  requestedWrite_ = write;
}

void Drive::StartStop(const uint8_t* cdb, CommandOutcome& out) {
  bool loadEject = cdb[4] & 0x02, start = cdb[4] & 0x01;
  if (!loadEject) return;  // spindle start or stop only
  if (!start) {
    if (locked_) return Check(out, kIllegalRequest, kRemovalPrevented, 0x02);
    if (!(profile_.Mechanism & kEjectSupported)) return InvalidField(out);
    Eject();
    return;
  }
  if (IsSlot() || !trayOpen_) {
    if (!profile_.CanLoad) InvalidField(out);  // nothing this drive can close
    return;
  }
  if (!profile_.CanLoad) return InvalidField(out);  // the tray must be pushed in by hand
  Load();
}

void Drive::TestUnitReady(CommandOutcome& out) { MediumReady(out); }

void Drive::ReadCapacity(uint8_t* data, uint32_t length, CommandOutcome& out) {
  if (!MediumReady(out)) return;
  std::vector<uint8_t> answer(8);
  put_be32(&answer[0], medium_->Blocks - 1);
  put_be32(&answer[4], 2048);
  Give(out, data, length, answer, uint32_t(answer.size()));
}

void Drive::Read10(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out) {
  if (!MediumReady(out)) return;
  uint32_t lba = get_be32(cdb + 2), blocks = get_be16(cdb + 7);
  if (medium_->Audio) return Check(out, kIllegalRequest, kIllegalModeForTrack, 0x00);
  if (uint64_t(lba) + blocks > medium_->Blocks) return Check(out, kIllegalRequest, kLbaOutOfRange, 0x00);
  uint32_t fit = std::min(blocks, length / 2048);
  for (uint32_t i = 0; i < fit; ++i) {
    uint8_t* sector = data + size_t(i) * 2048;
    std::memset(sector, uint8_t(lba + i), 2048);
    put_be32(sector, lba + i);  // each sector names its own address
  }
  out.Transferred = fit * 2048;
  AdvanceClockForRead(out.Transferred);
}

void Drive::PreventAllow(const uint8_t* cdb, CommandOutcome& out) {
  bool prevent = cdb[4] & 0x01;
  if (prevent && !(profile_.Mechanism & kLockSupported)) return InvalidField(out);
  locked_ = prevent;
}

void Drive::ReadSubChannel(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out) {
  if (!MediumReady(out)) return;
  bool subQ = cdb[2] & 0x40;
  uint8_t format = cdb[3];
  if (subQ && format != 0x01) return InvalidField(out);
  std::vector<uint8_t> answer(subQ ? 16 : 4, 0);
  answer[1] = uint8_t(medium_->Audio ? audio_ : kAudioNoStatus);
  if (subQ) {
    put_be16(&answer[2], 12);
    answer[4] = 0x01;
    answer[5] = medium_->Audio ? 0x10 : 0x14;  // Q sub-channel ADR 1, audio or data track
    answer[6] = 1;
    answer[7] = 1;
  }
  // "Completed" and "error" are reported once, then "no status".
  if (audio_ == kAudioCompleted || audio_ == kAudioError) audio_ = kAudioNoStatus;
  Give(out, data, length, answer, get_be16(cdb + 7));
}

void Drive::GetConfiguration(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out) {
  uint16_t current = Ready() ? medium_->Profile : 0;
  std::vector<uint8_t> answer(8, 0);
  put_be16(&answer[6], current);
  // Profile List feature, then the Core feature.
  size_t list = answer.size();
  answer.resize(list + 4 + 4 * profile_.Profiles.size(), 0);
  answer[list + 2] = 0x03;  // persistent, current
  answer[list + 3] = uint8_t(4 * profile_.Profiles.size());
  for (size_t i = 0; i < profile_.Profiles.size(); ++i) {
    uint8_t* d = &answer[list + 4 + 4 * i];
    put_be16(d, profile_.Profiles[i]);
    d[2] = profile_.Profiles[i] == current ? 0x01 : 0x00;
  }
  size_t core = answer.size();
  answer.resize(core + 12, 0);
  put_be16(&answer[core], 0x0001);
  answer[core + 2] = 0x0B;
  answer[core + 3] = 8;
  put_be32(&answer[core + 4], 2);  // ATAPI
  // The Removable Medium feature repeats the mechanism byte of the page:
  // loading mechanism, eject, prevent jumper and lock in the same bits.
  size_t removable = answer.size();
  answer.resize(removable + 8, 0);
  put_be16(&answer[removable], 0x0003);
  answer[removable + 2] = 0x03;  // persistent, current
  answer[removable + 3] = 4;
  answer[removable + 4] = uint8_t(profile_.Mechanism & ~kLockState);
  put_be32(&answer[0], uint32_t(answer.size() - 4));
  Give(out, data, length, answer, get_be16(cdb + 7));
}

void Drive::SetStreaming(const uint8_t* cdb, const uint8_t* data, uint32_t length, CommandOutcome& out) {
  if (cdb[8] != 0) return InvalidField(out);  // only performance descriptors
  if (SpeedCommandRefused(out)) return;
  uint32_t listLength = get_be16(cdb + 9);
  if (listLength < 28 || length < 28) return Check(out, kIllegalRequest, kParameterListLength, 0x00);
  uint32_t readSize = get_be32(data + 12), readTime = get_be32(data + 16);
  uint32_t writeSize = get_be32(data + 20), writeTime = get_be32(data + 24);
  if (readTime == 0 || (readSize == 0 && profile_.RefusesZeroReadSize))
    return Check(out, kIllegalRequest, kInvalidFieldInList, 0x00);
  uint64_t read = uint64_t(readSize) * 1000 / readTime;
  uint32_t speed = uint32_t(std::min<uint64_t>(read, 0xFFFFFFFF));
  bool cdLoaded = medium_ && !trayOpen_ && !medium_->Dvd;
  if (cdLoaded && profile_.StreamingCd == StreamingOnCd::Apply)
    requestedCd_ = speed;
  else
    requestedDvd_ = speed;
  if (writeTime) requestedWrite_ = uint32_t(std::min<uint64_t>(uint64_t(writeSize) * 1000 / writeTime, 0xFFFFFFFF));
}

void Drive::GetPerformance(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out) {
  if (cdb[10] != 0) return InvalidField(out);  // only performance data
  if (!MediumReady(out)) return;
  bool write = cdb[1] & 0x04;
  uint8_t except = cdb[1] & 0x03;
  uint32_t zones = except ? 0 : std::min<uint32_t>(get_be16(cdb + 8), uint32_t(profile_.PerformanceDescriptors));
  std::vector<uint8_t> answer(8 + 16 * zones, 0);
  put_be32(&answer[0], uint32_t(answer.size() - 4));
  answer[4] = uint8_t((write ? 0x02 : 0) | (except ? 0x01 : 0));
  uint32_t speed = write                                                     ? CurrentWriteSpeed()
                   : profile_.PerformanceReports == PerformanceReport::Maximum ? MaxReadSpeedFor(IsDvdLoaded())
                                                                               : CurrentReadSpeed();
  uint32_t last = medium_->Blocks - 1;
  // Constant angular velocity: the rate climbs from 40 % at the centre to the
  // full speed at the edge.
  for (uint32_t i = 0; i < zones; ++i) {
    uint8_t* d = &answer[8 + 16 * i];
    put_be32(d, uint32_t(uint64_t(last) * i / zones));
    put_be32(d + 4, uint32_t(uint64_t(speed) * (40 + 60 * i / zones) / 100));
    put_be32(d + 8, uint32_t(uint64_t(last) * (i + 1) / zones));
    put_be32(d + 12, uint32_t(uint64_t(speed) * (40 + 60 * (i + 1) / zones) / 100));
  }
  Give(out, data, length, answer, uint32_t(answer.size()));
}

// ---- what a person does ----

bool Drive::InsertDisc(const MediumSpec& medium) {
  if (medium_) return false;
  if (!trayOpen_ && locked_ && !IsSlot()) return false;
  medium_ = medium;
  if (!trayOpen_) Load();  // a slot draws it in; a closed tray is opened, filled and closed
  LogControl("insert " + medium.Name);
  return true;
}

bool Drive::RemoveDisc() {
  if (!medium_ || (!trayOpen_ && locked_)) return false;
  medium_.reset();
  mediaEvent_ = kMediaRemoval;
  if (!trayOpen_) Load();  // as if the tray went out and back in
  LogControl("remove");
  return true;
}

// A slot drive hands its disc out; a tray drive opens its tray.
void Drive::Eject() {
  if (IsSlot()) {
    if (medium_) {
      medium_.reset();
      mediaEvent_ = kMediaRemoval;
      if (profile_.UnitAttention) unitAttention_ = kMediumChanged;
    }
  } else {
    trayOpen_ = true;
    if (medium_) mediaEvent_ = kMediaRemoval;
  }
  spinning_ = false;
  attentionWhenReady_ = false;
  audio_ = kAudioNoStatus;
}

bool Drive::OpenTray(bool evenWhenLocked) {
  if (locked_ && !evenWhenLocked) return false;
  if (IsSlot() && !medium_) return false;
  Eject();
  LogControl("open");
  return true;
}

bool Drive::CloseTray() {
  if (IsSlot() || !trayOpen_) return false;
  Load();
  LogControl("close");
  return true;
}

bool Drive::PlayAudio() {
  if (!Ready() || !medium_->Audio) return false;
  audio_ = kAudioPlaying;
  LogControl("play");
  return true;
}

bool Drive::PauseAudio() {
  if (audio_ != kAudioPlaying) return false;
  audio_ = kAudioPaused;
  LogControl("pause");
  return true;
}

bool Drive::StopAudio() {
  if (audio_ != kAudioPlaying && audio_ != kAudioPaused) return false;
  audio_ = kAudioCompleted;
  LogControl("stop");
  return true;
}

void Drive::AddFault(const Fault& fault) { faults_.push_back(fault); }
void Drive::ClearFaults() { faults_.clear(); }

void Drive::StartSpinUp(uint32_t milliseconds) {
  spinning_ = medium_.has_value() && milliseconds > 0;
  readyAt_ = ClockTickCount() + milliseconds;
}

void Drive::RaiseUnitAttention() { unitAttention_ = kMediumChanged; }

void Drive::PowerReset() {
  requestedCd_ = requestedDvd_ = requestedWrite_ = kMaximumRequest;
  locked_ = false;
  audio_ = kAudioNoStatus;
  StartSpinUp(profile_.SpinUpMs);
  unitAttention_ = kPowerOnReset;
  if (medium_) mediaEvent_ = kMediaNewMedia;
  LogControl("powerReset");
}

void Drive::LogControl(std::string text) {
  LogEntry entry;
  entry.Tick = ClockTickCount();
  entry.Control = std::move(text);
  log_.push_back(std::move(entry));
}

void Drive::LogRefused(const uint8_t* cdb, uint32_t cdbLength, uint32_t handle, AdapterVerdict verdict,
                       uint32_t length, uint32_t misalignment) {
  LogEntry entry;
  entry.Tick = ClockTickCount();
  entry.Handle = handle;
  entry.Cdb.assign(cdb, cdb + std::min<uint32_t>(cdbLength, 16));
  entry.Refused = verdict == AdapterVerdict::TooLong ? "tooLong" : "misaligned";
  entry.Length = length;
  entry.Misalignment = misalignment;
  log_.push_back(std::move(entry));
}

bool Drive::ApplyControl(std::string_view json, std::string& error) {
  Json obj;
  if (!ParseObject(json, obj, error)) return false;
  if (!CheckKeys(obj, {"drive", "action", "medium", "force", "fault", "ms"}, "control", error)) return false;
  std::string action;
  if (!ReadString(obj, "action", action, error)) return false;
  bool ok = false;
  if (action == "insert") {
    std::string name;
    MediumSpec medium;
    if (!ReadString(obj, "medium", name, error)) return false;
    if (!LookupMedium(name, medium)) {
      error = "unknown medium \"" + name + "\"";
      return false;
    }
    ok = InsertDisc(medium);
  } else if (action == "remove") {
    ok = RemoveDisc();
  } else if (action == "open") {
    bool force = false;
    if (!ReadBool(obj, "force", force, error)) return false;
    ok = OpenTray(force);
  } else if (action == "close") {
    ok = CloseTray();
  } else if (action == "play") {
    ok = PlayAudio();
  } else if (action == "pause") {
    ok = PauseAudio();
  } else if (action == "stop") {
    ok = StopAudio();
  } else if (action == "fault") {
    auto it = obj.find("fault");
    if (it == obj.end()) {
      error = "fault: missing \"fault\"";
      return false;
    }
    Fault f;
    if (!ParseFault(it->dump(), f, error)) return false;
    AddFault(f);
    LogControl("fault");
    ok = true;
  } else if (action == "clearFaults") {
    ClearFaults();
    LogControl("clearFaults");
    ok = true;
  } else if (action == "spinUp") {
    uint32_t ms = profile_.SpinUpMs;
    if (!ReadUint(obj, "ms", 600000, ms, error)) return false;
    StartSpinUp(ms);
    LogControl("spinUp");
    ok = true;
  } else if (action == "powerReset") {
    PowerReset();
    ok = true;
  } else if (action == "unitAttention") {
    RaiseUnitAttention();
    LogControl("unitAttention");
    ok = true;
  } else {
    error = "unknown action \"" + action + "\"";
    return false;
  }
  if (!ok) error = "the drive cannot " + action + " now";
  return ok;
}

std::string Drive::LogLine(const LogEntry& entry) {
  Json line = Json::object();
  line["t"] = entry.Tick;
  if (!entry.Control.empty()) {
    line["control"] = entry.Control;
    return line.dump();
  }
  if (entry.Handle) line["handle"] = entry.Handle;
  line["cdb"] = HexBytes(entry.Cdb.data(), entry.Cdb.size());
  if (!entry.Refused.empty()) {
    line["refused"] = entry.Refused;
    line["length"] = entry.Length;
    if (entry.Misalignment) line["misalignment"] = entry.Misalignment;
    return line.dump();
  }
  if (!entry.DataOut.empty()) line["out"] = HexBytes(entry.DataOut.data(), entry.DataOut.size());
  line["status"] = entry.Status;
  line["transferred"] = entry.Transferred;
  if (!entry.Answer.empty()) line["in"] = HexBytes(entry.Answer.data(), entry.Answer.size());
  if (!entry.Sense.empty()) line["sense"] = HexBytes(entry.Sense.data(), entry.Sense.size());
  return line.dump();
}

}  // namespace sim
