// The information text, with the program's own string table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "dialogs/dialogs.h"
#include "drive/drive.h"

namespace {

std::u16string Build(const TransportFacts& facts, const DriveRecord* drives, int count) {
  char16_t* text = BuildInfoText(facts, drives, count);
  EXPECT_NE(text, nullptr);
  std::u16string s = text != nullptr ? text : u"";
  std::free(text);
  return s;
}

const char* FakeVersion(const char* key) {
  if (std::strcmp(key, "ProductName") == 0) return "ASPI for Win32";
  if (std::strcmp(key, "FileVersion") == 0) return "4.60";
  return nullptr;
}

DriveRecord MakeDrive() {
  DriveRecord d{};
  std::strcpy(d.FullName, "TEAC CD-532E 1.0A");
  d.Address.Letter = 'E';
  d.MaxSpeed = 5632;
  d.CanGetSpeed = 1;
  d.CanSetSpeed = 1;
  d.CanSenseMedium = 1;
  return d;
}

TEST(InfoText, WholeTextOfOneCdDrive) {
  DriveRecord d = MakeDrive();
  d.Writer = 0x03;
  d.RangeCD.Count = 3;
  d.RangeCD.Entries[0] = {7056, 7056};
  d.RangeCD.Entries[1] = {3528, 3528};
  d.RangeCD.Entries[2] = {1764, 1764};
  const std::u16string expected =
      u"SPTI: ОК\r\n"
      u"ASPI: Поддержка не установлена\r\n\r\n"
      u"Метод доступа: SPTI (Windows NT/2K/XP)\r\n"
      u"\r\n*** E ***\r\n"
      u"Привод: TEAC CD-532E 1.0A\r\n\r\n"
      u"Макс. скорость:\t32x\r\n"
      u"Определение скорости:\tПоддерживается\r\n"
      u"Установка скорости:\tПоддерживается\r\n\r\n"
      u"DVD:\tНет\r\n"
      u"Пишущий:\tCD-R CD-RW\r\n"
      u"Определение типа диска:\tПоддерживается\r\n\r\n"
      u"Скорости  CD: 10x,20x,40x\r\n";
  EXPECT_EQ(Build({4, 1, 1, FakeVersion}, &d, 1), expected);
}

TEST(InfoText, DvdWriterKnownByAddressWithAspiVersionLines) {
  DriveRecord d = MakeDrive();
  d.Address = {1, 2, 3, 0};  // host adapter, target, LUN; no letter
  d.DVD = 0x38;
  d.Writer = 0x30;
  d.CanGetDVDSpeed = 1;
  d.DVDMethodDetected = 2;
  d.RangeDVD.Count = 2;
  d.RangeDVD.Entries[0] = {22160, 22160};  // 16X
  d.RangeDVD.Entries[1] = {5540, 5540};    // 4X
  std::u16string text = Build({1, 3, 2, FakeVersion}, &d, 1);
  EXPECT_EQ(text.find(u"SPTI: Не поддерживается этой версией Windows\r\nASPI: ОК\r\n\r\n"
                      u"ASPI LegalCopyright: \r\nASPI ProductName: ASPI for Win32\r\n"
                      u"ASPI FileVersion: 4.60\r\n\r\nМетод доступа: ASPI (Windows 95/98/ME)\r\n"),
            0u);
  EXPECT_NE(text.find(u"\r\n*** 1, 2, 3 ***\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"DVD:\tDVD-ROM DVD-R DVD-RAM\r\n"
                      u"Определение скорости DVD:\tПоддерживается\r\n"
                      u"Установка скорости DVD:\tНе поддерживается\r\n"
                      u"Метод установки скорости DVD:\tDVD (SET STREAMING)\r\n\r\n"
                      u"Пишущий:\t DVD-R DVD-RAM\r\n"),
            std::u16string::npos);
  EXPECT_NE(text.find(u"Скорости DVD: 4X,16X\r\n"), std::u16string::npos);
  EXPECT_EQ(text.find(u"Скорости  CD"), std::u16string::npos);
}

TEST(InfoText, StatusesMethodsAndNoDrives) {
  std::u16string text = Build({7, -1, 0, nullptr}, nullptr, 0);
  EXPECT_EQ(text,
            u"SPTI: Неизвестная ошибка!\r\nASPI: Неизвестная ошибка!\r\n\r\n"
            u"ASPI LegalCopyright: \r\nASPI ProductName: \r\nASPI FileVersion: \r\n\r\n"
            u"Метод доступа: Неизвестная ошибка!\r\n\r\nПриводы не найдены!\r\n");
  text = Build({3, 1, 3, nullptr}, nullptr, 0);  // a standard user of Windows Vista and later
  EXPECT_EQ(text.find(u"SPTI: Доступ запрещен!\r\nASPI: Поддержка не установлена\r\n\r\n"
                      u"Метод доступа: IOCTL (Windows Vista/7/8/10/11)\r\n"), 0u);
  DriveRecord d = MakeDrive();
  d.DVD = 0x08;
  struct Case {
    int32_t prefered, detected;
    const char16_t* method;
  };
  const Case cases[] = {{2, 1, u"DVD (SET STREAMING)"}, {1, 2, u"CD  (SET  CD SPEED)"},
                        {0, 1, u"CD  (SET  CD SPEED)"}, {0, 0, u"Не определен"}};
  for (const Case& c : cases) {
    d.DVDMethodPrefered = c.prefered;
    d.DVDMethodDetected = c.detected;
    text = Build({4, 1, 1, nullptr}, &d, 1);
    EXPECT_NE(text.find(std::u16string(u"Метод установки скорости DVD:\t") + c.method + u"\r\n"),
              std::u16string::npos)
        << c.prefered << c.detected;
  }
}

TEST(InfoText, NameFillingTheWholeRecordIsNotOverrun) {
  DriveRecord d = MakeDrive();
  std::memset(d.FullName, 'A', sizeof d.FullName);  // no terminator
  std::u16string text = Build({4, 1, 1, nullptr}, &d, 1);
  EXPECT_NE(text.find(u"Привод: " + std::u16string(32, u'A') + u"\r\n"), std::u16string::npos);
}

TEST(InfoText, SixteenDrivesWithFullListsGrowTheBuffer) {
  auto drives = std::make_unique<DriveRecord[]>(MaxDrives);
  for (int i = 0; i < MaxDrives; ++i) {
    DriveRecord& d = drives[i];
    d = MakeDrive();
    d.DVD = 0x38;
    d.Writer = 0x33;
    d.RangeCD.Count = MaxSpeedEntries;
    d.RangeDVD.Count = MaxSpeedEntries;
    for (uint32_t s = 0; s < MaxSpeedEntries; ++s) {
      d.RangeCD.Entries[s] = {176000 - s * 176, 0};
      d.RangeDVD.Entries[s] = {(128 - s) * 1385, 0};
    }
  }
  std::u16string text = Build({4, 3, 1, FakeVersion}, drives.get(), MaxDrives);
  EXPECT_GT(text.size(), 10000u);  // more than the old fixed buffer held
  size_t drivesSeen = 0;
  for (size_t at = 0; (at = text.find(u"*** E ***", at)) != std::u16string::npos; ++at) ++drivesSeen;
  EXPECT_EQ(drivesSeen, 16u);
  // Printed slowest first; the fastest wrap: 1000x mod 1000, 128X mod 100.
  EXPECT_NE(text.find(u"Скорости  CD: 873x,874x,"), std::u16string::npos);
  EXPECT_NE(text.find(u",999x,0x\r\n"), std::u16string::npos);
  EXPECT_NE(text.find(u"Скорости DVD: 1X,2X,"), std::u16string::npos);
  EXPECT_EQ(text.substr(text.size() - 10), u",27X,28X\r\n");
}

}  // namespace
