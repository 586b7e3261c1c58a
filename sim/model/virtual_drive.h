// One virtual MMC optical drive: answers the commands the program sends as a
// drive of its profile would, changes state when a person handles it
// (insert, remove, open, close, play), and logs every command.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/model/profile.h"

namespace sim {

constexpr uint8_t kStatusGood = 0x00;
constexpr uint8_t kStatusCheckCondition = 0x02;
constexpr uint32_t kFixedSenseLength = 18;

// What the drive did with one command.
struct CommandOutcome {
  bool Answered = true;        // false: the drive did not answer at all
  uint8_t Status = kStatusGood;
  uint8_t Sense[kFixedSenseLength] = {};
  uint32_t SenseLength = 0;    // bytes of Sense the drive returns (0 when GOOD)
  uint32_t Transferred = 0;    // data bytes moved
};

// One line of the command log: a command and its answer, or a control
// action applied by hand.
struct LogEntry {
  uint32_t Tick = 0;
  uint32_t Handle = 0;               // open handle the command came on, 0 for single commands
  std::vector<uint8_t> Cdb;
  std::vector<uint8_t> DataOut;
  std::vector<uint8_t> Answer;       // first bytes of the data returned (at most 256)
  uint32_t Transferred = 0;
  int Status = -1;                   // -1: no answer
  std::vector<uint8_t> Sense;
  std::string Control;               // non-empty for a control action
  // Non-empty for a request the host adapter refused ("tooLong",
  // "misaligned"): it never reached the drive.
  std::string Refused;
  uint32_t Length = 0;               // a refused request's data length
  uint32_t Misalignment = 0;         // a misaligned buffer's address bits under the mask
};
constexpr size_t kLoggedAnswerBytes = 256;

class Drive {
 public:
  explicit Drive(Profile profile);

  // Runs one command. data holds dataLength bytes: filled for data-in,
  // read for data-out. The virtual clock advances by the time reads take.
  CommandOutcome Execute(const uint8_t* cdb, uint32_t cdbLength, uint8_t* data, uint32_t dataLength, bool dataOut,
                         uint32_t handle = 0);

  // What a person does. Each returns false when the drive cannot do it now.
  bool InsertDisc(const MediumSpec& medium);  // into the open tray, or drawn in by a closed or slot drive
  bool RemoveDisc();                          // takes the disc out (opening and closing a tray)
  bool OpenTray(bool evenWhenLocked = false); // the eject button
  bool CloseTray();                           // pushing the tray in
  bool PlayAudio();                           // audio play started from elsewhere
  bool PauseAudio();
  bool StopAudio();                           // reported once as "completed"
  void AddFault(const Fault& fault);
  void ClearFaults();
  void StartSpinUp(uint32_t milliseconds);
  void RaiseUnitAttention();
  // Power returns after sleep: speeds back to the maximum, lock released,
  // UNIT ATTENTION (power on or reset) on the next command.
  void PowerReset();

  // Applies one control action, a JSON object such as
  // {"action":"insert","medium":"audio-cd"}; false with a message otherwise.
  bool ApplyControl(std::string_view json, std::string& error);

  // State, for tests and front ends.
  const Profile& profile() const { return profile_; }
  bool TrayOpen() const { return trayOpen_; }
  bool Locked() const { return locked_; }
  const std::optional<MediumSpec>& Medium() const { return medium_; }
  bool Ready() const;
  uint32_t CurrentReadSpeed() const;
  uint32_t CurrentWriteSpeed() const;
  int AudioStatus() const { return audio_; }

  const std::vector<LogEntry>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // A request the adapter in front of the drive refused, into the log.
  void LogRefused(const uint8_t* cdb, uint32_t cdbLength, uint32_t handle, AdapterVerdict verdict, uint32_t length,
                  uint32_t misalignment);
  // One JSON object per entry, without a line end.
  static std::string LogLine(const LogEntry& entry);

 private:
  struct Answer;
  void Dispatch(const uint8_t* cdb, uint32_t cdbLength, uint8_t* data, uint32_t dataLength, bool dataOut,
                CommandOutcome& out);
  bool MediumReady(CommandOutcome& out) const;
  bool SpeedCommandRefused(CommandOutcome& out) const;
  void Load();  // the tray closes or the slot draws a disc in
  bool IsSlot() const;       // no tray: ejecting hands the disc out
  bool SpinningNow() const;
  bool Readable() const;     // the drive can read the disc it holds
  bool IsDvdLoaded() const;
  uint8_t MediumTypeByte() const;
  uint32_t ReadSpeedFor(bool dvd) const;
  uint32_t MaxReadSpeedFor(bool dvd) const;
  void Spend(uint64_t micros);  // the clock moves on in whole milliseconds
  void AdvanceClockForRead(uint32_t bytes);
  void LogControl(std::string text);
  void Eject();

  void Inquiry(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out);
  void ModeSense(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out);
  void SetCdSpeed(const uint8_t* cdb, CommandOutcome& out);
  void StartStop(const uint8_t* cdb, CommandOutcome& out);
  void TestUnitReady(CommandOutcome& out);
  void ReadCapacity(uint8_t* data, uint32_t length, CommandOutcome& out);
  void Read10(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out);
  void PreventAllow(const uint8_t* cdb, CommandOutcome& out);
  void ReadSubChannel(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out);
  void GetConfiguration(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out);
  void SetStreaming(const uint8_t* cdb, const uint8_t* data, uint32_t length, CommandOutcome& out);
  void GetEventStatus(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out);
  void GetPerformance(const uint8_t* cdb, uint8_t* data, uint32_t length, CommandOutcome& out);

  Profile profile_;
  std::optional<MediumSpec> medium_;
  bool trayOpen_ = false;
  bool locked_ = false;
  // The media event GET EVENT STATUS NOTIFICATION reports next.
  static constexpr uint8_t kMediaNoChange = 0, kMediaNewMedia = 2, kMediaRemoval = 3;
  uint8_t mediaEvent_ = kMediaNoChange;
  uint8_t unitAttention_ = 0;   // pending UNIT ATTENTION's additional sense code, 0: none
  bool attentionWhenReady_ = false;  // a medium change to report once the spin-up ends
  uint32_t readyAt_ = 0;        // tick when a spinning-up disc becomes ready
  bool spinning_ = false;       // spinning up
  int audio_ = 0x15;            // READ SUB-CHANNEL audio status: no status
  uint32_t requestedCd_ = 0xFFFF, requestedDvd_ = 0xFFFF, requestedWrite_ = 0xFFFF;
  uint64_t pendingMicros_ = 0;  // time taken but not yet given to the clock
  std::vector<Fault> faults_;
  std::vector<LogEntry> log_;
};

// The speed a drive with this rule and these speeds runs at for a request.
uint32_t PickSpeed(const std::vector<uint32_t>& speeds, uint32_t request, SpeedRule rule);

}  // namespace sim
