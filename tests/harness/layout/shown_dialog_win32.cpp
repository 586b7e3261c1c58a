#include "tests/harness/layout/shown_dialog_win32.h"

#include <string>

std::string Utf8(const wchar_t* text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

std::string OneLine(const wchar_t* text) {
  std::string shown;
  for (char c : Utf8(text)) {
    if (c == '\n') shown += "\\n";
    else if (c != '\r') shown += c;
  }
  return shown;
}

namespace {

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int32_t LineHeight(HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  DeleteDC(dc);
  return metrics.tmHeight;
}

}  // namespace

HFONT CreateDialogLikeFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
  LOGFONTW font = metrics.lfMessageFont;
  const int dpi = ScreenDpi();
  if (font.lfHeight < 0) font.lfHeight = -MulDiv(MulDiv(-font.lfHeight, 72, dpi), dpi, 72);
  return CreateFontIndirectW(&font);
}

Extent DrawnTextExtent(HFONT font, const wchar_t* text) {
  constexpr int Width = 2048, Height = 64;
  if (text[0] == 0) return {0, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, Width, -Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  Extent drawn{0, 0};
  if (bitmap != nullptr) {
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (const wchar_t* line = text;;) {
      const wchar_t* end = line;
      while (*end != 0 && *end != L'\n') ++end;
      RECT all{0, 0, Width, Height};
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      int length = int(end - line);
      if (length > 0 && line[length - 1] == L'\r') --length;
      DrawTextW(dc, line, length, &all, DT_SINGLELINE | DT_LEFT | DT_TOP);
      GdiFlush();
      for (int y = 0; y < Height; ++y)
        for (int x = Width - 1; x >= drawn.width; --x)
          if ((pixels[y * Width + x] & 0xFFFFFF) != 0xFFFFFF) {
            drawn.width = x + 1;
            break;
          }
      drawn.height += metrics.tmHeight;
      if (*end == 0) break;
      line = end + 1;
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
  return drawn;
}

ShownDialog ShownDialogOf(HWND dialog, const ControlState* tree, uint32_t count, HFONT font) {
  ShownDialog shown{};
  wchar_t text[1024] = {};
  GetWindowTextW(dialog, text, 1024);
  shown.title = Utf8(text);
  RECT client{};
  GetClientRect(dialog, &client);
  shown.width = client.right;
  shown.height = client.bottom;
  shown.dpi = ScreenDpi();
  shown.lineHeight = LineHeight(font);
  for (uint32_t i = 0; i < count; ++i) {
    HWND window = GetDlgItem(dialog, tree[i].id);
    ShownControl c{tree[i].id, tree[i].parentId, ControlLook::Other, {0, 0, 0, 0}, false, 0, 0, {}};
    char className[64] = "";
    if (window != nullptr && GetClassNameA(window, className, sizeof className) > 0) {
      c.look = LookOf(className, static_cast<uint32_t>(GetWindowLongA(window, GWL_STYLE)));
      RECT r{};
      GetWindowRect(window, &r);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
      c.rect = {r.left, r.top, r.right, r.bottom};
      c.visible = IsWindowVisible(window) != FALSE;
      // Of another process's control the text the system keeps, without a
      // message to a program that may be busy.
      text[0] = 0;
      GetWindowTextW(window, text, 1024);
      c.text = OneLine(text);
      if (c.look != ControlLook::Box) {
        const Extent drawn = DrawnTextExtent(font, text);
        c.textWidth = drawn.width;
        c.textHeight = drawn.height;
      }
    }
    shown.controls.push_back(c);
  }
  return shown;
}
