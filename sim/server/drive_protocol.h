/* What the bridge and the drive server say to each other over the server's
   Unix socket: one request and one reply per connection. Plain C, fixed
   sizes, host byte order: both ends run on the same machine, the bridge as
   a 32-bit library inside Wine, the server as a native program. */
#ifndef VARNEL_SIM_SERVER_DRIVE_PROTOCOL_H
#define VARNEL_SIM_SERVER_DRIVE_PROTOCOL_H
#include <stdint.h>

#define DRIVE_PROTOCOL_MAGIC 0x56445256u /* "VRDV" */
/* More than any command the drives answer moves; larger requests are
   refused before anything is sent. */
#define DRIVE_PROTOCOL_MAX_DATA (1u << 20)
#define DRIVE_PROTOCOL_SENSE_BYTES 18

enum DriveDirection { DriveDataNone = 0, DriveDataIn = 1, DriveDataOut = 2 };

/* Followed by DataLength bytes when Direction is DriveDataOut. */
struct DriveRequest {
  uint32_t Magic;
  uint32_t Drive;       /* index in the server's set */
  uint32_t Handle;      /* the caller's handle, for the command log */
  uint32_t CdbLength;   /* 1..16 */
  uint8_t Cdb[16];
  uint32_t Direction;   /* enum DriveDirection */
  uint32_t DataLength;
  /* The low bits of the caller's data buffer address, all an adapter's
     alignment mask looks at; 0 for the system's own buffers. */
  uint32_t BufferAddress;
};

/* Result values of a reply. */
enum DriveResult {
  DriveAnswered = 0,   /* Status, Sense and Transferred are the drive's answer */
  DriveNoAnswer = 1,   /* the drive never answered (an injected fault) */
  DriveNoSuchDrive = 2,
  DriveBadRequest = 3,
  DriveBeyondAdapter = 4 /* longer than the drive's adapter carries, or a buffer it cannot take */
};

/* Followed by Transferred bytes when the request's Direction is DriveDataIn. */
struct DriveReply {
  uint32_t Magic;
  uint32_t Result;      /* enum DriveResult */
  uint32_t Status;      /* SCSI status byte */
  uint32_t SenseLength; /* bytes of Sense the drive returned */
  uint8_t Sense[DRIVE_PROTOCOL_SENSE_BYTES];
  uint8_t Padding[2];
  uint32_t Transferred; /* data bytes moved */
};

#endif
