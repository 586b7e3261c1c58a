// The program's name and version, kept here alone: the tray tip, every
// dialog title and the about box use these, and gen_resources.py reads the
// two defines for the manifest and the string table's version entry.
#pragma once

#define VARNEL_PRODUCT_NAME "Varnel"
#define VARNEL_PRODUCT_VERSION "3.2"

// "3.2": the version the about box shows after "Varnel версия ".
inline constexpr char16_t ProductVersion[] = u"" VARNEL_PRODUCT_VERSION;
// "Varnel 3.2": the tray tip without drives and the prefix of dialog titles.
inline constexpr char16_t ProductTitle[] = u"" VARNEL_PRODUCT_NAME " " VARNEL_PRODUCT_VERSION;
