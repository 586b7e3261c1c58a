// Medium type and profile classes.
#include "drive/drive.h"

bool IsCdMedium(int mediumType) {
  return (mediumType >= 0x01 && mediumType <= 0x08) || (mediumType >= 0x10 && mediumType <= 0x18) ||
         (mediumType >= 0x20 && mediumType <= 0x28) || mediumType == 0x30 || mediumType == 0x31 ||
         mediumType == 0x35 || (mediumType >= 0x70 && mediumType <= 0x72);
}

bool IsDvdMedium(int mediumType) {
  return mediumType == 0x40 || mediumType == 0x41 || mediumType == 0x43 || mediumType == 0x61;
}

bool IsAudioMedium(int mediumType) {
  switch (mediumType) {
    case 0x02: case 0x03: case 0x06: case 0x07:
    case 0x12: case 0x13: case 0x16: case 0x17:
    case 0x22: case 0x23: case 0x26: case 0x27:
      return true;
    default:
      return false;
  }
}

bool IsDataMedium(int mediumType) {
  // In each CD group (CD-ROM, CD-R, CD-RW) the low digit 1 is a 120 mm and 5
  // an 80 mm disc holding data only.
  const int size = mediumType & 0x0F;
  return IsDvdMedium(mediumType) ||
         (IsCdMedium(mediumType) && mediumType < 0x30 && (size == 0x01 || size == 0x05));
}

bool IsDvdProfile(int profile) {
  // DVD-ROM, DVD-R, DVD-RAM, DVD-RW (both modes), DVD+RW, DVD+R, and the
  // double-layer ones: DVD-R DL (both recording modes), DVD+RW DL, DVD+R DL.
  return (profile >= 0x10 && profile <= 0x16) || profile == 0x1A || profile == 0x1B || profile == 0x2A ||
         profile == 0x2B;
}
