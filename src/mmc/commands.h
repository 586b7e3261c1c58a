// The twelve SCSI/MMC commands the program sends, each building one
// ScsiRequest from the drive's address, running it and decoding the answer
// into plain values. None keeps state. The decoders are separate pure
// functions over the returned bytes so that short or garbage answers can be
// checked on their own. Queries whose answer is their whole point are
// [[nodiscard]].
#pragma once
#include <cstddef>
#include <cstdint>

#include "mmc/transport.h"

// Data lengths asked for by the commands.
constexpr uint32_t InquiryLength = 36;
constexpr uint32_t ModeSenseLength = 256;
constexpr uint32_t ReadCapacityLength = 16;
constexpr uint32_t SubChannelLength = 16;
constexpr uint32_t ConfigurationLength = 8;
constexpr uint32_t StreamingLength = 28;
constexpr uint32_t PerformanceLength = 136;
constexpr uint32_t SectorSize = 2048;
constexpr uint32_t MaxBlocksPerRead = 32;
constexpr uint32_t SenseWanted = 16;

// INQUIRY names, kept with the blanks the drive pads them with.
struct InquiryData {
  char Vendor[9];
  char Product[17];
  char Revision[5];
};

// The bits of the capabilities page the program reads.
// Byte 2, read capabilities: the DVD media the drive reads.
constexpr uint8_t ReadsDvdRom = 0x08, ReadsDvdR = 0x10, ReadsDvdRam = 0x20;
constexpr uint8_t ReadsDvdMedia = ReadsDvdRom | ReadsDvdR | ReadsDvdRam;
// Byte 3, write capabilities: the media the drive writes. Bit 2 (test
// write) is no medium: it only says that CD-R writing can be simulated.
constexpr uint8_t WritesCdR = 0x01, WritesCdRw = 0x02, WritesTest = 0x04, WritesDvdR = 0x10, WritesDvdRam = 0x20;
constexpr uint8_t WritesMedia = WritesCdR | WritesCdRw | WritesDvdR | WritesDvdRam;
// What a drive's stored Writer keeps of byte 3: the media and the test
// write, as every earlier version stored it (the information box lists the
// media only), so that a stored value means the same to every version.
constexpr uint8_t WriterBits = WritesMedia | WritesTest;
// Byte 6, mechanism: the drive can eject; its loading mechanism (bits 7-5),
// of which only a tray (001b) can be closed by the drive.
constexpr uint8_t MechanismEjects = 0x08;
constexpr uint8_t LoadingMechanismBits = 0xE0, LoadingTray = 0x20;

// The capabilities and mechanical status page (2A); all zero when the
// command failed or no page was found.
struct CapabilitiesPage {
  uint32_t MaxReadSpeed;       // page bytes 8-9, kB/s
  uint32_t CurrentReadSpeed;   // page bytes 14-15
  uint32_t CurrentWriteSpeed;  // page bytes 20-21, only for a drive that writes a medium
  uint8_t PageByte2;           // read capabilities
  uint8_t PageByte3;           // write capabilities
  uint8_t PageByte6;           // mechanism: lock, eject, loading type
  uint8_t MediumType;          // header byte 2 when the page sits after the regular header
};

// Decoders. Each reads only the first `length` bytes of `data`; a field the
// device did not return is treated as absent, never read.
[[nodiscard]] bool DecodeInquiry(const uint8_t* data, size_t length, InquiryData& out);
[[nodiscard]] bool DecodeCapabilities(const uint8_t* data, size_t length, CapabilitiesPage& out);
[[nodiscard]] uint32_t DecodeReadPerformance(const uint8_t* data, size_t length);  // kB/s, 0 when unavailable
[[nodiscard]] int DecodeAudioStatus(const uint8_t* data, size_t length);           // -1 when absent
[[nodiscard]] int DecodeCurrentProfile(const uint8_t* data, size_t length);        // -1 when absent
[[nodiscard]] uint32_t DecodeLastBlock(const uint8_t* data, size_t length);        // 0 when absent

// A media event of GET EVENT STATUS NOTIFICATION (MMC's event codes).
enum class MediaEvent : int32_t { None = 0, EjectRequest = 1, NewMedia = 2, Removal = 3, Changed = 4 };
// The media class event of an answer; false when the answer holds none.
[[nodiscard]] bool DecodeMediaEvent(const uint8_t* data, size_t length, MediaEvent& event);

// The commands. All take the drive's address first.
[[nodiscard]] bool Inquiry(const DeviceAddress& address, InquiryData& out);
bool ModeSenseCapabilities(const DeviceAddress& address, CapabilitiesPage& out);
bool SetCdSpeed(const DeviceAddress& address, uint32_t readSpeed, uint32_t writeSpeed);
bool StartStopUnit(const DeviceAddress& address, bool eject);  // false loads (closes the tray)
// 0 ready, 1 not ready (no disc, tray open, spinning up), -1 any other failure.
int TestUnitReady(const DeviceAddress& address);
[[nodiscard]] uint32_t ReadCapacity(const DeviceAddress& address);  // last block address, 0 on failure
// Reads count sectors of 2048 bytes into buffer (count * 2048 bytes), in
// commands of at most 32 blocks on one open handle, without retries. When
// a read fails, mediumLeft (if given) says whether its sense data told that
// the disc is gone (SenseSaysMediumLeft).
bool ReadSectors(const DeviceAddress& address, uint32_t firstBlock, uint32_t count, void* buffer,
                 bool* mediumLeft = nullptr);
// Sense data of a failed command that says the disc is no longer there to
// be read: NOT READY (no disc, tray open, a new disc spinning up) or a UNIT
// ATTENTION reporting a medium change (ASC 28h). length is what came back.
[[nodiscard]] bool SenseSaysMediumLeft(const uint8_t* sense, uint32_t length);
bool PreventAllowRemoval(const DeviceAddress& address, bool prevent);
[[nodiscard]] int ReadAudioStatus(const DeviceAddress& address);    // 0x11 playing, 0x12 paused, ..., -1 on failure
[[nodiscard]] int GetCurrentProfile(const DeviceAddress& address);  // -1 on failure
bool SetStreaming(const DeviceAddress& address, uint32_t readSpeed, uint32_t writeSpeed);
[[nodiscard]] uint32_t GetReadPerformance(const DeviceAddress& address);  // nominal kB/s, 0 when unavailable
// GET EVENT STATUS NOTIFICATION, polled, media class: the drive's next media
// event. False when the drive refuses it (older drives) or fails.
[[nodiscard]] bool GetMediaEvent(const DeviceAddress& address, MediaEvent& event);
