// varnel-driver: pokes a running varnel.exe from the outside, the way the
// end-to-end tests need it.
//
//   find                         print the Varnel window handle (exit 1: none)
//   send ID [LPARAM]             SendMessage WM_COMMAND ID to the Varnel window
//   post ID [LPARAM]             PostMessage WM_COMMAND ID to the Varnel window
//   windows PID|NAME.exe         list the process's top-level windows and the
//                                child controls of each (class, id, text)
//   listen SECONDS [COUNT]       pose as a running Varnel: create its window and
//                                print every WM_COMMAND as "command W L"
//   wait-window TITLE SECONDS    wait until a visible top-level window has TITLE
//   screenshot FILE.bmp          save the whole screen (the virtual desktop)
//   volume EVENT UNITMASK FLAGS [DELAY]
//                                send WM_DEVICECHANGE EVENT (0x8000 arrival,
//                                0x8004 removal) with the volume record a system
//                                sends: Wine sends none for the virtual drives;
//                                DELAY milliseconds after the driver started,
//                                so that a test times it without Wine's start
//   power EVENT                  post WM_POWERBROADCAST EVENT (7: resumed)
//   letter TARGET LETTER         give the virtual ASPI drive at adapter 0,
//                                TARGET its drive letter, through the keys of
//                                the Windows 9x configuration manager
//   popups                       print the rectangle of every shown pop-up menu
//   objects PID|NAME.exe         print the process's GDI and USER object counts
//                                and its handle count, with where each came from
//                                (from Wine's GDI table, also the GDI objects
//                                of each kind)
//   ping MILLISECONDS [ID [LPARAM]]
//                                send the Varnel window WM_NULL; print how long
//                                it took to answer (exit 1: no answer in time);
//                                with ID, post WM_COMMAND ID first (one Wine
//                                start instead of two)
//   cancel PID|NAME.exe [ID]     press Cancel (or the button ID) in every shown
//                                dialog of the process; print how many there were
//   machine-policy user|admin    give HKLM's Explorer policy key the rights a
//                                standard user has on it (read only) or an
//                                administrator's (full); Wine checks a key's
//                                access list when it is opened
//   layout PID|NAME.exe          like windows, for the layout check: each
//                                window's client area, and per control its
//                                parent, style and the width its text covers
//                                when drawn in the dialog font
//   check-layout PID|NAME.exe [DPI] [all-shown]
//                                check the layout of every shown dialog of the
//                                process (tests/harness/layout) at the screen's
//                                density or DPI; all-shown: no control the layout
//                                placed may be hidden. Prints what is wrong
//                                (exit 1) or "layout ok"
//
// Texts are printed as UTF-8.
#include <windows.h>
#include <dbt.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/handle_win32.h"
#include "tests/harness/layout/shown_dialog_win32.h"

namespace {

std::string ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return Utf8(name);
}

// An edit field, a combo box and a tooltip keep their texts themselves: only
// WM_GETTEXT reads what was typed or is shown. The text of any other window is kept with the window and
// read without a message, so that a listing of a dialog busy between the
// steps of a long run waits for no answer from it.
std::string WindowText(HWND window) {
  wchar_t text[1024] = {};
  const std::string kind = ClassOf(window);
  if (kind == "Edit" || kind == "ComboBox" || kind == "tooltips_class32" || kind.rfind("RICHEDIT", 0) == 0 ||
      kind.rfind("RichEdit", 0) == 0)
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, LPARAM(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  else
    GetWindowTextW(window, text, 1024);
  return OneLine(text);
}

HWND FindVarnel() { return FindWindowA("Varnel", "Varnel"); }

int Command(bool post, int argc, char** argv) {
  if (argc < 3) return 2;
  HWND window = FindVarnel();
  if (!window) {
    std::fprintf(stderr, "no Varnel window\n");
    return 1;
  }
  WPARAM id = std::strtoul(argv[2], nullptr, 0);
  LPARAM arg = argc > 3 ? LPARAM(std::strtol(argv[3], nullptr, 0)) : 0;
  if (post) return PostMessageA(window, WM_COMMAND, id, arg) ? 0 : 1;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, WM_COMMAND, id, arg, SMTO_NORMAL, 20000, &result)) return 1;
  std::printf("result %lu\n", (unsigned long)result);
  return 0;
}

std::vector<DWORD> ProcessIds(const char* which) {
  std::vector<DWORD> ids;
  char* end = nullptr;
  unsigned long pid = std::strtoul(which, &end, 0);
  if (end && *end == '\0') {
    ids.push_back(pid);
    return ids;
  }
  OwnedHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return ids;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32First(snap.Get(), &entry); ok; ok = Process32Next(snap.Get(), &entry))
    if (lstrcmpiA(entry.szExeFile, which) == 0) ids.push_back(entry.th32ProcessID);
  return ids;
}

struct ListContext {
  std::vector<DWORD> ids;
};

bool OwnedByListed(HWND window, const ListContext& context) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  for (DWORD id : context.ids)
    if (id == pid) return true;
  return false;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  RECT r;
  GetWindowRect(child, &r);
  std::printf("  control class=\"%s\" id=%d text=\"%s\" rect=%ld,%ld,%ld,%ld visible=%d enabled=%d\n",
              ClassOf(child).c_str(), GetDlgCtrlID(child), WindowText(child).c_str(), r.left, r.top,
              r.right, r.bottom, IsWindowVisible(child) ? 1 : 0, IsWindowEnabled(child) ? 1 : 0);
  return TRUE;
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM param) {
  auto* context = reinterpret_cast<ListContext*>(param);
  if (!OwnedByListed(window, *context)) return TRUE;
  RECT r;
  GetWindowRect(window, &r);
  std::printf("window class=\"%s\" title=\"%s\" rect=%ld,%ld,%ld,%ld visible=%d enabled=%d\n",
              ClassOf(window).c_str(), WindowText(window).c_str(), r.left, r.top, r.right, r.bottom,
              IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0);
  EnumChildWindows(window, PrintChild, 0);
  return TRUE;
}

// Prints every top-level window of the process named in argv[2] with PRINT.
int ListProcessWindows(int argc, char** argv, WNDENUMPROC print) {
  if (argc < 3) return 2;
  ListContext context{ProcessIds(argv[2])};
  if (context.ids.empty()) {
    std::fprintf(stderr, "no such process\n");
    return 1;
  }
  EnumWindows(print, LPARAM(&context));
  return 0;
}

int ListWindows(int argc, char** argv) { return ListProcessWindows(argc, argv, PrintTopLevel); }

// Texts are read without sending the program a message (GetWindowTextW of
// another process's window), so that the listing is quick also while the
// program is busy between the steps of a long run.
BOOL CALLBACK PrintLayoutChild(HWND child, LPARAM font) {
  RECT r;
  GetWindowRect(child, &r);
  wchar_t text[1024] = {};
  GetWindowTextW(child, text, 1024);
  const std::string shown = OneLine(text);
  std::printf("  control class=\"%s\" id=%d text=\"%s\" rect=%ld,%ld,%ld,%ld visible=%d enabled=%d handle=%p parent=%p style=0x%lx textwidth=%ld\n",
              ClassOf(child).c_str(), GetDlgCtrlID(child), shown.c_str(), r.left, r.top, r.right, r.bottom,
              IsWindowVisible(child) ? 1 : 0, IsWindowEnabled(child) ? 1 : 0, (void*)child, (void*)GetParent(child),
              (unsigned long)GetWindowLongA(child, GWL_STYLE), long(DrawnTextExtent(HFONT(font), text).width));
  return TRUE;
}

BOOL CALLBACK PrintLayoutWindow(HWND window, LPARAM param) {
  auto* context = reinterpret_cast<ListContext*>(param);
  if (!OwnedByListed(window, *context)) return TRUE;
  RECT r, client;
  GetWindowRect(window, &r);
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  std::printf("window class=\"%s\" title=\"%s\" rect=%ld,%ld,%ld,%ld visible=%d enabled=%d handle=%p client=%ld,%ld,%ld,%ld\n",
              ClassOf(window).c_str(), Utf8(title).c_str(), r.left, r.top, r.right, r.bottom,
              IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0, (void*)window, client.left, client.top,
              client.right, client.bottom);
  OwnedGdiObject<HFONT> font(CreateDialogLikeFont());
  EnumChildWindows(window, PrintLayoutChild, LPARAM(font.Get()));
  return TRUE;
}

int ListLayout(int argc, char** argv) { return ListProcessWindows(argc, argv, PrintLayoutWindow); }

// The control tree of an engine dialog of another process: its state (the
// dialog's user data) and the controls after it, read from that process's
// memory. The program and the driver are built by one compiler from one
// header, so the records are the same.
bool ReadControlTree(HWND dialog, std::vector<ControlState>& tree) {
  const auto* at = reinterpret_cast<const DialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
  DWORD pid = 0;
  GetWindowThreadProcessId(dialog, &pid);
  OwnedHandle process(OpenProcess(PROCESS_VM_READ, FALSE, pid));
  DialogState state{};
  SIZE_T got = 0;
  constexpr uint32_t MostControls = 1000;
  if (at == nullptr || !process || !ReadProcessMemory(process.Get(), at, &state, sizeof state, &got) ||
      got != sizeof state || state.count > MostControls)
    return false;
  tree.resize(state.count);
  const SIZE_T bytes = state.count * sizeof(ControlState);
  return ReadProcessMemory(process.Get(), state.controls, tree.data(), bytes, &got) && got == bytes;
}

struct LayoutRun {
  ListContext context;
  int dpi;  // 0: the screen's
  HiddenControls hidden;
  int dialogs, controls;
  std::vector<std::string> problems;
};

BOOL CALLBACK CheckDialogLayout(HWND window, LPARAM param) {
  auto* run = reinterpret_cast<LayoutRun*>(param);
  if (!OwnedByListed(window, run->context) || !IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
  ++run->dialogs;
  std::vector<ControlState> tree;
  if (!ReadControlTree(window, tree)) {
    run->problems.push_back("\"" + WindowText(window) + "\": no control tree of the dialog engine");
    return TRUE;
  }
  OwnedGdiObject<HFONT> font(CreateDialogLikeFont());
  ShownDialog shown = ShownDialogOf(window, tree.data(), uint32_t(tree.size()), font.Get());
  if (run->dpi != 0) shown.dpi = run->dpi;
  run->controls += int(shown.controls.size());
  for (std::string& problem : FindLayoutProblems(shown, run->hidden)) run->problems.push_back(std::move(problem));
  return TRUE;
}

int CheckLayout(int argc, char** argv) {
  if (argc < 3) return 2;
  LayoutRun run{{ProcessIds(argv[2])}, 0, HiddenControls::Allowed, 0, 0, {}};
  if (run.context.ids.empty()) {
    std::fprintf(stderr, "no such process\n");
    return 1;
  }
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "all-shown") == 0) run.hidden = HiddenControls::Reported;
    else run.dpi = std::atoi(argv[i]);
  }
  EnumWindows(CheckDialogLayout, LPARAM(&run));
  for (const std::string& problem : run.problems) std::printf("%s\n", problem.c_str());
  if (run.dialogs == 0) std::printf("no dialog shown\n");
  if (run.dialogs == 0 || !run.problems.empty()) return 1;
  std::printf("layout ok: %d dialog(s), %d controls\n", run.dialogs, run.controls);
  return 0;
}

int g_commandsLeft = 0;

LRESULT CALLBACK ListenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    std::printf("command %lu %ld\n", (unsigned long)wParam, (long)lParam);
    std::fflush(stdout);
    if (--g_commandsLeft == 0) PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int Listen(int argc, char** argv) {
  if (argc < 3) return 2;
  UINT seconds = std::strtoul(argv[2], nullptr, 0);
  g_commandsLeft = argc > 3 ? std::atoi(argv[3]) : -1;
  WNDCLASSA wc{};
  wc.lpfnWndProc = ListenProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "Varnel";
  if (!RegisterClassA(&wc)) return 1;
  HWND window = CreateWindowExA(0, "Varnel", "Varnel", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return 1;
  std::printf("listening\n");
  std::fflush(stdout);
  SetTimer(window, 1, seconds * 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) == 1) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageA(&msg);
  }
  DestroyWindow(window);
  return 0;
}

struct TitleSearch {
  std::wstring title;
  HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TitleSearch*>(param);
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  if (IsWindowVisible(window) && search->title == text) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

int WaitWindow(int argc, char** argv) {
  if (argc < 4) return 2;
  wchar_t title[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, title, 512);
  TitleSearch search{title, nullptr};
  DWORD deadline = GetTickCount() + std::strtoul(argv[3], nullptr, 0) * 1000;
  while (!search.found) {
    EnumWindows(MatchTitle, LPARAM(&search));
    if (search.found) break;
    if (int(GetTickCount() - deadline) >= 0) return 1;
    Sleep(100);
  }
  std::printf("%p\n", (void*)search.found);
  return 0;
}

int Screenshot(int argc, char** argv) {
  if (argc < 3) return 2;
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  DWORD stride = (DWORD(width) * 3 + 3) & ~3u, size = stride * DWORD(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + size;
  bool ok = false;
  if (FILE* out = std::fopen(argv[2], "wb")) {
    ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
         std::fwrite(bits, size, 1, out) == 1;
    ok = std::fclose(out) == 0 && ok;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok ? 0 : 1;
}

int VolumeNotice(int argc, char** argv) {
  if (argc < 5) return 2;
  if (argc > 5) Sleep(DWORD(std::strtoul(argv[5], nullptr, 0)));
  HWND window = FindVarnel();
  if (!window) return 1;
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = DWORD(std::strtoul(argv[3], nullptr, 0));
  volume.dbcv_flags = WORD(std::strtoul(argv[4], nullptr, 0));
  // Sent, not posted, as the system does: the record is marshalled with it.
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_DEVICECHANGE, std::strtoul(argv[2], nullptr, 0), LPARAM(&volume), SMTO_NORMAL,
                             20000, &result)
             ? 0
             : 1;
}

int Power(int argc, char** argv) {
  if (argc < 3) return 2;
  HWND window = FindVarnel();
  return window && PostMessageA(window, WM_POWERBROADCAST, std::strtoul(argv[2], nullptr, 0), 0) ? 0 : 1;
}

bool SetString(HKEY root, const std::string& path, const char* name, const std::string& value) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1)) ==
            ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

// The virtual ASPI layer names the device at adapter 0, target T
// 0x7E57000T; its hardware key leads to the letter.
int Letter(int argc, char** argv) {
  if (argc < 4) return 2;
  char node[16];
  std::snprintf(node, sizeof node, "%08X", 0x7E570000u | unsigned(std::strtoul(argv[2], nullptr, 0)));
  std::string hardwareKey = std::string("SCSI\\VARNEL__VIRTUAL\\") + node;
  bool ok = SetString(HKEY_DYN_DATA, std::string("Config Manager\\Enum\\") + node, "HardWareKey", hardwareKey) &&
            SetString(HKEY_LOCAL_MACHINE, "Enum\\" + hardwareKey, "CurrentDriveLetterAssignment", argv[3]);
  return ok ? 0 : 1;
}

// Everyone may read the key; a standard user may neither set its values nor
// make sub-keys (the 0x2001F the program asks for fails), an administrator
// may do anything.
constexpr char StandardUserRights[] = "D:(D;;0x6;;;WD)(A;;KA;;;WD)";  // deny KEY_SET_VALUE | KEY_CREATE_SUB_KEY
constexpr char AdministratorRights[] = "D:(A;;KA;;;WD)";

int MachinePolicy(int argc, char** argv) {
  if (argc < 3) return 2;
  const char* rights = std::strcmp(argv[2], "user") == 0 ? StandardUserRights : AdministratorRights;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(rights, SDDL_REVISION_1, &descriptor, nullptr)) return 1;
  HKEY key;
  LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
                                0, nullptr, 0, WRITE_DAC | KEY_READ, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    RegCloseKey(key);
  }
  LocalFree(descriptor);
  return status == ERROR_SUCCESS ? 0 : 1;
}

BOOL CALLBACK PrintPopup(HWND window, LPARAM) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  RECT r{};
  if (IsWindowVisible(window) && lstrcmpW(name, L"#32768") == 0 && GetWindowRect(window, &r))
    std::printf("popup %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
  return TRUE;
}

int Popups() {
  EnumWindows(PrintPopup, 0);
  return 0;
}

// ---- Object counts of another process, for the endurance run ----------
//
// GetGuiResources and GetProcessHandleCount are what Windows offers; Wine 8
// answers 0 for all three counts. Then:
// - GDI: the used entries of the process's GDI handle table. Wine keeps one
//   per process like Windows, but 8.0 does not publish it in the PEB
//   (GdiSharedHandleTable stays 0): it is the process's one private block of
//   exactly 65536 entries whose first 32 are free (handles start at 32) and
//   whose 33rd holds the first stock object.
// - USER: the process's windows, top-level and child: the USER objects that
//   can be seen from outside (menus and icons cannot).
// - handles: the process's entries in the system handle list.

// Wine's table entry: object (8 bytes), owner (4), unique (2), type (1),
// flags (1), user pointer (8). A free entry has type 0.
constexpr DWORD kGdiEntryBytes = 24;
constexpr DWORD kGdiEntryTypeOffset = 14;
constexpr DWORD kGdiMaxHandles = 0x10000;
constexpr DWORD kGdiFirstHandle = 32;
constexpr SIZE_T kGdiTableBytes = SIZE_T(kGdiEntryBytes) * kGdiMaxHandles;
constexpr DWORD kPeb32GdiTableOffset = 0x94;
constexpr int kProcessBasicInformation = 0;
constexpr int kSystemHandleInformation = 16;

template <typename Fn>
Fn NtdllEntry(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

struct BasicProcessInfo {
  LONG ExitStatus;
  void* PebBaseAddress;
  ULONG_PTR AffinityMask;
  LONG BasePriority;
  ULONG_PTR UniqueProcessId;
  ULONG_PTR InheritedFromUniqueProcessId;
};
using QueryProcessFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using QuerySystemFn = LONG(WINAPI*)(int, void*, ULONG, ULONG*);

// Objects of each kind the table holds (its type byte), for telling a leak
// from a cache Wine fills once.
long g_gdiKinds[256];

long UsedGdiEntries(const std::vector<unsigned char>& table) {
  long used = 0;
  std::fill(std::begin(g_gdiKinds), std::end(g_gdiKinds), 0);
  for (size_t offset = 0; offset + kGdiEntryBytes <= table.size(); offset += kGdiEntryBytes) {
    const unsigned char kind = table[offset + kGdiEntryTypeOffset];
    if (kind != 0) ++used, ++g_gdiKinds[kind];
  }
  return used;
}

// Wine's names of the kinds (its NTGDI_OBJ_ values).
const char* GdiKindName(int kind) {
  switch (kind) {
    case 0x01: return "dc";
    case 0x04: return "region";
    case 0x05: return "surface";
    case 0x08: return "palette";
    case 0x09: return "bitmap";
    case 0x0a: return "font";
    case 0x10: return "brush";
    case 0x30: return "pen";
    case 0x41: return "memdc";
    case 0x50: return "extpen";
    default: return nullptr;
  }
}

bool LooksLikeGdiTable(const std::vector<unsigned char>& table) {
  for (DWORD i = 0; i < kGdiFirstHandle; ++i)
    if (table[i * kGdiEntryBytes + kGdiEntryTypeOffset] != 0) return false;
  return table[kGdiFirstHandle * kGdiEntryBytes + kGdiEntryTypeOffset] != 0;
}

bool ReadBlock(HANDLE process, const void* at, std::vector<unsigned char>& block) {
  SIZE_T got = 0;
  return ReadProcessMemory(process, at, block.data(), block.size(), &got) && got == block.size();
}

long GdiTableObjects(HANDLE process) {
  std::vector<unsigned char> table(kGdiTableBytes);
  auto query = NtdllEntry<QueryProcessFn>("NtQueryInformationProcess");
  BasicProcessInfo basic{};
  DWORD published = 0;
  SIZE_T got = 0;
  if (query && query(process, kProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
      ReadProcessMemory(process, static_cast<char*>(basic.PebBaseAddress) + kPeb32GdiTableOffset, &published,
                        sizeof published, &got) &&
      published && ReadBlock(process, reinterpret_cast<void*>(ULONG_PTR(published)), table))
    return UsedGdiEntries(table);
  MEMORY_BASIC_INFORMATION block{};
  for (const char* at = nullptr; VirtualQueryEx(process, at, &block, sizeof block) == sizeof block;) {
    if (block.State == MEM_COMMIT && block.Type == MEM_PRIVATE && block.RegionSize == kGdiTableBytes &&
        block.AllocationBase == block.BaseAddress && ReadBlock(process, block.BaseAddress, table) &&
        LooksLikeGdiTable(table))
      return UsedGdiEntries(table);
    const char* next = static_cast<const char*>(block.BaseAddress) + block.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return -1;
}

struct SystemHandleEntry {
  ULONG OwnerPid;
  UCHAR ObjectType;
  UCHAR Flags;
  USHORT Handle;
  void* Object;
  ACCESS_MASK Access;
};

long SystemListHandles(DWORD pid) {
  auto query = NtdllEntry<QuerySystemFn>("NtQuerySystemInformation");
  if (!query) return -1;
  std::vector<unsigned char> list(1 << 20);
  ULONG needed = 0;
  while (query(kSystemHandleInformation, list.data(), ULONG(list.size()), &needed) != 0) {
    if (list.size() >= (64u << 20)) return -1;
    list.resize(list.size() * 2);
  }
  ULONG count = 0;
  std::memcpy(&count, list.data(), sizeof count);
  size_t first = sizeof(ULONG_PTR);
  if (first + size_t(count) * sizeof(SystemHandleEntry) > list.size()) return -1;
  long owned = 0;
  for (ULONG i = 0; i < count; ++i) {
    SystemHandleEntry entry;
    std::memcpy(&entry, list.data() + first + i * sizeof entry, sizeof entry);
    if (entry.OwnerPid == pid) ++owned;
  }
  return owned;
}

struct WindowCount {
  DWORD pid;
  long count;
};

BOOL CALLBACK CountChild(HWND, LPARAM param) {
  ++reinterpret_cast<WindowCount*>(param)->count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param) {
  auto* windows = reinterpret_cast<WindowCount*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == windows->pid) {
    ++windows->count;
    EnumChildWindows(window, CountChild, param);
  }
  return TRUE;
}

int ObjectCounts(int argc, char** argv) {
  if (argc < 3) return 2;
  std::vector<DWORD> ids = ProcessIds(argv[2]);
  if (ids.empty()) {
    std::fprintf(stderr, "no such process\n");
    return 1;
  }
  OwnedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[0]));
  if (!process) return 1;
  long gdi = long(GetGuiResources(process.Get(), GR_GDIOBJECTS));
  long user = long(GetGuiResources(process.Get(), GR_USEROBJECTS));
  const char* gdiSource = "GetGuiResources";
  const char* userSource = "GetGuiResources";
  if (gdi == 0) {
    gdi = GdiTableObjects(process.Get());
    gdiSource = "gdi-handle-table";
  }
  if (user == 0) {
    WindowCount windows{ids[0], 0};
    EnumWindows(CountTopLevel, LPARAM(&windows));
    user = windows.count;
    userSource = "windows";
  }
  using HandleCountFn = BOOL(WINAPI*)(HANDLE, DWORD*);
  auto handleCount = reinterpret_cast<HandleCountFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetProcessHandleCount")));
  DWORD counted = 0;
  long handles = handleCount && handleCount(process.Get(), &counted) ? long(counted) : 0;
  const char* handleSource = "GetProcessHandleCount";
  if (handles == 0) {
    handles = SystemListHandles(ids[0]);
    handleSource = "system-handle-list";
  }
  std::printf("gdi %ld user %ld handles %ld sources %s,%s,%s", gdi, user, handles, gdiSource, userSource,
              handleSource);
  if (std::strcmp(gdiSource, "gdi-handle-table") == 0) {
    const char* separator = " kinds ";
    for (int kind = 1; kind < 256; ++kind) {
      if (!g_gdiKinds[kind]) continue;
      const char* name = GdiKindName(kind);
      if (name)
        std::printf("%s%s=%ld", separator, name, g_gdiKinds[kind]);
      else
        std::printf("%s0x%02x=%ld", separator, kind, g_gdiKinds[kind]);
      separator = ",";
    }
  }
  std::printf("\n");
  return gdi < 0 || handles < 0 ? 1 : 0;
}

// ---- Liveness and dialogs, for the endurance run ------------------------

int Ping(int argc, char** argv) {
  if (argc < 3) return 2;
  HWND window = FindVarnel();
  if (!window) {
    std::fprintf(stderr, "no Varnel window\n");
    return 1;
  }
  UINT limit = UINT(std::strtoul(argv[2], nullptr, 0));
  if (argc > 3 && !PostMessageA(window, WM_COMMAND, std::strtoul(argv[3], nullptr, 0),
                                argc > 4 ? LPARAM(std::strtol(argv[4], nullptr, 0)) : 0))
    return 1;
  DWORD start = GetTickCount();
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, limit, &result)) {
    std::printf("no answer within %u ms\n", limit);
    return 1;
  }
  std::printf("answered in %lu ms\n", (unsigned long)(GetTickCount() - start));
  return 0;
}

struct DialogSweep {
  std::vector<DWORD> ids;
  WORD button;
  int shown;
};

BOOL CALLBACK CancelDialog(HWND window, LPARAM param) {
  auto* sweep = reinterpret_cast<DialogSweep*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  bool owned = false;
  for (DWORD id : sweep->ids) owned = owned || id == pid;
  if (owned && IsWindowVisible(window) && ClassOf(window) == "#32770") {
    ++sweep->shown;
    // Posted: the dialog ends inside its own modal loop, as after a click.
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(sweep->button, BN_CLICKED), 0);
  }
  return TRUE;
}

int CancelDialogs(int argc, char** argv) {
  if (argc < 3) return 2;
  DialogSweep sweep{ProcessIds(argv[2]), WORD(argc > 3 ? std::strtoul(argv[3], nullptr, 0) : IDCANCEL), 0};
  if (sweep.ids.empty()) return 1;
  EnumWindows(CancelDialog, LPARAM(&sweep));
  std::printf("dialogs %d\n", sweep.shown);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2) {
    std::string verb = argv[1];
    if (verb == "find") {
      HWND window = FindVarnel();
      if (!window) return 1;
      std::printf("%p\n", (void*)window);
      return 0;
    }
    if (verb == "send") return Command(false, argc, argv);
    if (verb == "post") return Command(true, argc, argv);
    if (verb == "windows") return ListWindows(argc, argv);
    if (verb == "listen") return Listen(argc, argv);
    if (verb == "wait-window") return WaitWindow(argc, argv);
    if (verb == "screenshot") return Screenshot(argc, argv);
    if (verb == "volume") return VolumeNotice(argc, argv);
    if (verb == "power") return Power(argc, argv);
    if (verb == "letter") return Letter(argc, argv);
    if (verb == "popups") return Popups();
    if (verb == "objects") return ObjectCounts(argc, argv);
    if (verb == "ping") return Ping(argc, argv);
    if (verb == "cancel") return CancelDialogs(argc, argv);
    if (verb == "layout") return ListLayout(argc, argv);
    if (verb == "check-layout") return CheckLayout(argc, argv);
    if (verb == "machine-policy") return MachinePolicy(argc, argv);
  }
  std::fprintf(stderr, "usage: varnel-driver find|send|post|windows|listen|wait-window|screenshot|volume|power|letter|popups|objects|ping|cancel|layout|check-layout|machine-policy ...\n");
  return 2;
}
