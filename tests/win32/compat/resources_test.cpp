// The executable's resources as Windows loads them: every string of the
// string table through the compatibility layer, the icons and bitmaps with
// their sizes and colour depths, and the manifest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compat/compat.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace {

std::u16string Text(WideSpan s) { return std::u16string(s.Text ? s.Text : u"", s.Length); }

std::u16string Expected(const StringTableEntry* table, uint32_t id) {
  for (size_t i = 0; i < VarnelStringTableCount; ++i)
    if (table[i].Id == id) return std::u16string(table[i].Text, table[i].Length);
  return u"";
}

TEST(StringResources, EveryIdLoadsInBothLanguagesAsTheStringTablesSay) {
  HMODULE self = GetModuleHandleA(nullptr);
  // The system's own reader picks a table by the thread's language: the
  // same one for every id, and it agrees on every block and entry.
  const StringTableEntry* systemTable = nullptr;
  for (uint32_t id = NoString; id <= LastStringId + 1; ++id) {
    const std::u16string russian = Expected(VarnelStringTable, id), english = Expected(VarnelEnglishStringTable, id);
    EXPECT_EQ(Text(FindString(id)), russian) << id;
    EXPECT_EQ(Text(FindStringResource(self, id, TextRussian)), russian) << id;
    EXPECT_EQ(Text(FindStringResource(self, id, TextEnglish)), english) << id;
    WCHAR system[512] = {};
    std::u16string loaded(AsUtf16(system), LoadStringW(self, id, system, 512));
    if (!systemTable && russian != english) systemTable = loaded == english ? VarnelEnglishStringTable : VarnelStringTable;
    EXPECT_EQ(loaded, Expected(systemTable ? systemTable : VarnelStringTable, id)) << id;
  }
  EXPECT_EQ(Text(FindString(NoString)), u"");
  EXPECT_EQ(Text(FindString(LastStringId + 1)), u"");
  SelectTextLanguage(TextEnglish);
  EXPECT_EQ(Text(FindString(StrSettings)), u"Settings");
  SelectTextLanguage(TextRussian);
}

TEST(StringResources, BlockEdgesAndTextsWithControlCharacters) {
  HMODULE self = GetModuleHandleA(nullptr);
  EXPECT_EQ(Text(FindStringResource(self, StrExplore, TextRussian)), u"Проводник");   // last of block 1
  EXPECT_EQ(Text(FindStringResource(self, StrAutorun, TextRussian)), u"Автозапуск");  // first of block 2
  WideSpan zero = FindStringResource(self, NoString, TextRussian);  // first of block 1, empty
  EXPECT_NE(zero.Text, nullptr);
  EXPECT_EQ(zero.Length, 0u);
  const uint32_t firstOfMissingBlock = (LastStringId / 16 + 1) * 16;
  EXPECT_EQ(FindStringResource(self, firstOfMissingBlock, TextRussian).Text, nullptr);
  EXPECT_EQ(FindStringResource(self, 0xFFFFFFFFu, TextEnglish).Text, nullptr);
  EXPECT_EQ(Text(FindString(StrRestartSessionNotice)),
            u"Для вступления изменений в силу\nнеобходимо перезапустить сеанс\nWindows.");
  EXPECT_EQ(Text(FindString(StrShowExploreCommand)), u"Показывать команду \"Проводник\"");
  EXPECT_EQ(Text(FindString(StrInfoGetDvdSpeed)), u"Определение скорости DVD:\t");
  EXPECT_EQ(Text(FindString(StrMethodSetCdSpeed)), u"CD  (SET  CD SPEED)");

  char16_t buffer[8];
  EXPECT_EQ(CopyStringResource(StrNewPassword, buffer, 5), 4u);  // "Новый пароль" has 12
  EXPECT_EQ(std::u16string(buffer), u"Новы");
  EXPECT_EQ(CopyStringResource(StrNewPassword, nullptr, 0), 12u);
}

struct IconCase {
  const char* name;
  int size;
  int bits;
};

// The images of a group icon as its directory lists them.
std::vector<IconCase> GroupImages(const char* name) {
  std::vector<IconCase> images;
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, name, MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  if (!found) return images;
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(self, found)));
  DWORD size = SizeofResource(self, found);
  if (!data || size < 6) return images;
  WORD count = *reinterpret_cast<const WORD*>(data + 4);
  for (WORD i = 0; i < count && 6 + 14u * (i + 1) <= size; ++i) {
    const BYTE* entry = data + 6 + 14 * i;  // width, height, colours, reserved, planes, bits, bytes, id
    images.push_back({name, entry[0] ? entry[0] : 256, *reinterpret_cast<const WORD*>(entry + 6)});
  }
  return images;
}

TEST(IconResources, EveryIconHasItsSizesAndDepths) {
  struct Want {
    const char* name;
    std::vector<std::pair<int, int>> images;  // size, bits per pixel
  };
  // The small-icon sizes of 96, 120, 144 and 192 DPI, in 32-bit colour.
  const std::vector<std::pair<int, int>> XpSizes = {{16, 32}, {20, 32}, {24, 32}, {32, 32}};
  const Want wants[] = {
      {"IconApp", {{16, 4}, {32, 4}, {16, 32}, {32, 32}}},
      {"IconTask16", {{16, 4}}},      {"IconTask16Red", {{16, 4}}},  {"IconTask16Green", {{16, 4}}},
      {"IconQuestion16", {{16, 4}}},  {"IconWait16", {{16, 4}}},     {"IconError16", {{16, 4}}},
      {"IconTaskXP", XpSizes},        {"IconTaskXPRed", XpSizes},    {"IconTaskXPGreen", XpSizes},
      {"IconQuestionXP", XpSizes},    {"IconWaitXP", XpSizes},       {"IconErrorXP", XpSizes},
      // The Windows key beside each hot key, at the small-icon size of the density.
      {"IconWinLogo", {{16, 4}, {20, 4}, {24, 4}, {32, 4}}},
  };
  HINSTANCE self = GetModuleHandleA(nullptr);
  for (const Want& want : wants) {
    std::vector<IconCase> images = GroupImages(want.name);
    ASSERT_EQ(images.size(), want.images.size()) << want.name;
    for (size_t i = 0; i < images.size(); ++i) {
      EXPECT_EQ(images[i].size, want.images[i].first) << want.name << " image " << i;
      EXPECT_EQ(images[i].bits, want.images[i].second) << want.name << " image " << i;
    }
    for (auto [size, bits] : want.images) {
      HICON icon = static_cast<HICON>(LoadImageA(self, want.name, IMAGE_ICON, size, size, 0));
      ASSERT_NE(icon, nullptr) << want.name << " " << size;
      ICONINFO info = {};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP colour = {};
      GetObjectA(info.hbmColor, sizeof(colour), &colour);
      EXPECT_EQ(colour.bmWidth, size) << want.name;
      EXPECT_EQ(colour.bmHeight, size) << want.name;
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
  // The program asks by mixed-case name; resource names match without case.
  EXPECT_NE(LoadIconA(self, "ICONAPP"), nullptr);
  EXPECT_NE(LoadIconA(self, "icontask16red"), nullptr);
}

TEST(IconResources, TrayPicturesDifferFromEachOther) {
  // Each of the six states must look different: compare the images' bytes.
  const char* names[] = {"IconTask16", "IconTask16Red", "IconTask16Green", "IconQuestion16", "IconWait16",
                         "IconError16"};
  HMODULE self = GetModuleHandleA(nullptr);
  std::vector<std::string> pixels;
  for (const char* name : names) {
    HRSRC group = FindResourceA(self, name, MAKEINTRESOURCEA(14));
    ASSERT_NE(group, nullptr) << name;
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(self, group)));
    WORD imageId = *reinterpret_cast<const WORD*>(dir + 6 + 12);
    HRSRC image = FindResourceA(self, MAKEINTRESOURCEA(imageId), MAKEINTRESOURCEA(3));  // RT_ICON
    ASSERT_NE(image, nullptr) << name;
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(self, image)));
    pixels.emplace_back(bytes, SizeofResource(self, image));
  }
  for (size_t i = 0; i < pixels.size(); ++i)
    for (size_t j = i + 1; j < pixels.size(); ++j) EXPECT_NE(pixels[i], pixels[j]) << names[i] << " " << names[j];
}

TEST(BitmapResources, MonochromeWithTheirSizes) {
  struct Want {
    const char* name;
    int width, height;
  };
  // Drawn as check marks: no larger than the smallest check-mark size met.
  const Want wants[] = {{"BitmapCSpeed", 11, 11}, {"BitmapEject", 11, 11}, {"BitmapClose", 11, 11}};
  for (const Want& want : wants) {
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), want.name);
    ASSERT_NE(bitmap, nullptr) << want.name;
    BITMAP info = {};
    ASSERT_EQ(GetObjectA(bitmap, sizeof(info), &info), static_cast<int>(sizeof(info)));
    EXPECT_EQ(info.bmWidth, want.width) << want.name;
    EXPECT_EQ(info.bmHeight, want.height) << want.name;
    EXPECT_EQ(info.bmBitsPixel, 1) << want.name;
    DeleteObject(bitmap);
  }
}

TEST(ManifestResource, AsksForCommonControlsSix) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr);
  std::string manifest(static_cast<const char*>(LockResource(LoadResource(self, found))),
                       SizeofResource(self, found));
  for (const char* part : {"version=\"3.2.0.0\" processorArchitecture=\"X86\" name=\"Morbeck Software.Varnel.Varnel\"",
                           "<description>Varnel 3.2</description>", "name=\"Microsoft.Windows.Common-Controls\"",
                           "version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\"",
                           "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
                           // Runs with the user's own rights, not virtualised, on Vista to 11.
                           "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">",
                           "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
                           "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">",
                           "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
    EXPECT_NE(manifest.find(part), std::string::npos) << part;

  // The system honours it: comctl32.dll is redirected to the side-by-side
  // common controls of version 6 for this program.
  ACTCTX_SECTION_KEYED_DATA redirect = {};
  redirect.cbSize = sizeof(redirect);
  EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                       &redirect));
}

}  // namespace
