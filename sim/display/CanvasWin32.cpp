// The drawing surface on Windows: a GDI memory device context with a 32-bit DIB section, so a
// display draws with real GDI into a real bitmap, which the picture is written from.
//
// The host still needs the runs of text a display drew (the text screen, the terminal and the
// tests read them). A display's text calls go straight to GDI, so the canvas routes the GDI text
// imports of the host program and of its plug-in modules through itself: GDI does the work, and
// on a canvas's context the canvas keeps its record of the state in step and records each run at
// the position GDI drew it. The positions of the runs are those that GDI's own text widths gave.
#ifdef _WIN32

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/display/Canvas.h"

namespace sim {

struct Canvas::Native {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previousBitmap = nullptr;
  HFONT font = nullptr;
  HGDIOBJ previousFont = nullptr;
  uint32_t *pixels = nullptr;  // top-down rows of 0x00RRGGBB; null when the bitmap could not be made
};

namespace {

// The monospaced face the Linux picture uses too; GDI substitutes a fixed-pitch face without it.
constexpr const char *kFontFace = "DejaVu Sans Mono";

std::unordered_map<HDC, Canvas *> &LiveCanvases() {
  static std::unordered_map<HDC, Canvas *> live;
  return live;
}

// GDI's own text functions, looked up once.
struct GdiText {
  UINT(WINAPI *setTextAlign)(HDC, UINT);
  BOOL(WINAPI *moveToEx)(HDC, int, int, LPPOINT);
  int(WINAPI *setBkMode)(HDC, int);
  COLORREF(WINAPI *setBkColor)(HDC, COLORREF);
  COLORREF(WINAPI *setTextColor)(HDC, COLORREF);
  BOOL(WINAPI *textOutA)(HDC, int, int, LPCSTR, int);
};

template <typename Function>
void Lookup(HMODULE module, const char *name, Function &function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

const GdiText &Gdi() {
  static const GdiText gdi = [] {
    HMODULE module = GetModuleHandleA("gdi32.dll");
    GdiText found{};
    Lookup(module, "SetTextAlign", found.setTextAlign);
    Lookup(module, "MoveToEx", found.moveToEx);
    Lookup(module, "SetBkMode", found.setBkMode);
    Lookup(module, "SetBkColor", found.setBkColor);
    Lookup(module, "SetTextColor", found.setTextColor);
    Lookup(module, "TextOutA", found.textOutA);
    return found;
  }();
  return gdi;
}

// Each routed call lets GDI do the work and, when GDI accepted it on a canvas's context, keeps the
// canvas's record of the state in step.
UINT WINAPI RoutedSetTextAlign(HDC dc, UINT align) {
  const UINT previous = Gdi().setTextAlign(dc, align);
  Canvas *canvas = Canvas::FromDc(dc);
  if (canvas != nullptr && previous != GDI_ERROR) canvas->SetAlign(align);
  return previous;
}

BOOL WINAPI RoutedMoveToEx(HDC dc, int x, int y, LPPOINT previous) {
  const BOOL moved = Gdi().moveToEx(dc, x, y, previous);
  Canvas *canvas = Canvas::FromDc(dc);
  if (canvas != nullptr && moved) canvas->MovePosition(x, y);
  return moved;
}

int WINAPI RoutedSetBkMode(HDC dc, int mode) {
  const int previous = Gdi().setBkMode(dc, mode);
  Canvas *canvas = Canvas::FromDc(dc);
  if (canvas != nullptr && previous != 0) canvas->SetBackgroundMode(mode);
  return previous;
}

COLORREF WINAPI RoutedSetBkColor(HDC dc, COLORREF colour) {
  const COLORREF previous = Gdi().setBkColor(dc, colour);
  Canvas *canvas = Canvas::FromDc(dc);
  if (canvas != nullptr && previous != CLR_INVALID) canvas->SetBackgroundColour(colour);
  return previous;
}

COLORREF WINAPI RoutedSetTextColor(HDC dc, COLORREF colour) {
  const COLORREF previous = Gdi().setTextColor(dc, colour);
  Canvas *canvas = Canvas::FromDc(dc);
  if (canvas != nullptr && previous != CLR_INVALID) canvas->SetForegroundColour(colour);
  return previous;
}

// The run is recorded where GDI drew it, and the canvas's position follows GDI's advance, which
// the font's real character widths give.
BOOL WINAPI RoutedTextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  // GDI would read through a null text or take a negative length as huge.
  if (length < 0 || (text == nullptr && length > 0)) return FALSE;
  Canvas *canvas = Canvas::FromDc(dc);
  POINT before{};
  if (canvas != nullptr) GetCurrentPositionEx(dc, &before);
  const BOOL drawn = Gdi().textOutA(dc, x, y, text, length);
  if (canvas != nullptr && drawn) {
    canvas->MovePosition(before.x, before.y);
    canvas->DrawRun(x, y, text, length);
    POINT after{};
    GetCurrentPositionEx(dc, &after);
    canvas->MovePosition(after.x, after.y);
  }
  return drawn;
}

struct Route {
  ULONG_PTR from, to;
};

template <typename Function>
Route MakeRoute(Function gdi, Function routed) {
  return Route{reinterpret_cast<ULONG_PTR>(gdi), reinterpret_cast<ULONG_PTR>(routed)};
}

std::vector<Route> Routes() {
  const GdiText &gdi = Gdi();
  return {MakeRoute(gdi.setTextAlign, &RoutedSetTextAlign), MakeRoute(gdi.moveToEx, &RoutedMoveToEx),
          MakeRoute(gdi.setBkMode, &RoutedSetBkMode),       MakeRoute(gdi.setBkColor, &RoutedSetBkColor),
          MakeRoute(gdi.setTextColor, &RoutedSetTextColor), MakeRoute(gdi.textOutA, &RoutedTextOutA)};
}

// Replaces every import slot of `module` that holds a route's GDI function by the routed one.
void RedirectImports(HMODULE module, const std::vector<Route> &routes) {
  auto *base = reinterpret_cast<BYTE *>(module);
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return;
  const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  for (auto *library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    for (auto *slot = reinterpret_cast<IMAGE_THUNK_DATA *>(base + library->FirstThunk); slot->u1.Function != 0;
         ++slot) {
      for (const Route &route : routes) {
        if (route.from == 0 || slot->u1.Function != route.from) continue;
        DWORD protection = 0;
        if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection)) break;
        slot->u1.Function = route.to;
        VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
        break;
      }
    }
  }
}

// True when the module imports from the program file named `program` (a plug-in of this host).
bool ImportsFrom(HMODULE module, const char *program) {
  auto *base = reinterpret_cast<const BYTE *>(module);
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return false;
  const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return false;
  for (auto *library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    if (lstrcmpiA(reinterpret_cast<const char *>(base + library->Name), program) == 0) return true;
  }
  return false;
}

// Routes the GDI text calls of the program and of every module loaded into it that imports from
// it (its plug-ins) through the canvas. Slots already routed are left as they are; system
// libraries are never touched.
void RouteTextCalls() {
  const std::vector<Route> routes = Routes();
  HMODULE program = GetModuleHandleA(nullptr);
  RedirectImports(program, routes);

  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(program, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const char *name = path;
  for (const char *c = path; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/') name = c + 1;
  }

  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
  if (snapshot == INVALID_HANDLE_VALUE) return;
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
    if (entry.hModule != program && ImportsFrom(entry.hModule, name)) RedirectImports(entry.hModule, routes);
  }
  CloseHandle(snapshot);
}

// PNG with stored (uncompressed) deflate blocks: exact, and small enough to need no compressor.
uint32_t Crc32(uint32_t crc, const unsigned char *data, size_t size) {
  static uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    ready = true;
  }
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutBigEndian(std::vector<unsigned char> &out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

void PutChunk(std::vector<unsigned char> &out, const char type[4], const std::vector<unsigned char> &data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, Crc32(0, out.data() + start, out.size() - start));
}

std::vector<unsigned char> EncodePng(const std::vector<unsigned char> &rgb, int width, int height) {
  // Scanlines, each with filter type 0.
  const size_t stride = static_cast<size_t>(width) * 3;
  std::vector<unsigned char> raw;
  raw.reserve((stride + 1) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const auto row = rgb.begin() + static_cast<std::ptrdiff_t>(stride * static_cast<size_t>(y));
    raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(stride));
  }

  std::vector<unsigned char> zlib{0x78, 0x01};
  constexpr size_t kMaxBlock = 65535;
  size_t offset = 0;
  do {
    const size_t size = std::min(kMaxBlock, raw.size() - offset);
    const bool last = offset + size == raw.size();
    zlib.push_back(last ? 1 : 0);
    zlib.push_back(static_cast<unsigned char>(size & 0xFF));
    zlib.push_back(static_cast<unsigned char>(size >> 8));
    zlib.push_back(static_cast<unsigned char>(~size & 0xFF));
    zlib.push_back(static_cast<unsigned char>((~size >> 8) & 0xFF));
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                raw.begin() + static_cast<std::ptrdiff_t>(offset + size));
    offset += size;
  } while (offset < raw.size());
  uint32_t a = 1, b = 0;
  for (unsigned char byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(zlib, (b << 16) | a);

  std::vector<unsigned char> header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits per channel, RGB, no interlace

  std::vector<unsigned char> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace

Canvas::Canvas(int widthPixels, int heightPixels, int cellWidthPixels, int cellHeightPixels)
    : width(widthPixels < 1 ? 1 : widthPixels),
      height(heightPixels < 1 ? 1 : heightPixels),
      cellWidth(cellWidthPixels < 1 ? 1 : cellWidthPixels),
      cellHeight(cellHeightPixels < 1 ? 1 : cellHeightPixels),
      native(std::make_unique<Native>()) {
  native->dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  if (static_cast<long long>(width) * height <= maxPicturePixels) {
    native->bitmap = CreateDIBSection(native->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  }
  if (native->bitmap != nullptr) {
    native->pixels = static_cast<uint32_t *>(bits);
    native->previousBitmap = SelectObject(native->dc, native->bitmap);
  }
  // One character per cell: the face's cell height and average width are the display's cell.
  native->font = CreateFontA(cellHeight, cellWidth, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN,
                             kFontFace);
  if (native->font != nullptr) native->previousFont = SelectObject(native->dc, native->font);
  LiveCanvases()[native->dc] = this;
  Clear();
}

Canvas::~Canvas() {
  LiveCanvases().erase(native->dc);
  if (native->previousFont != nullptr) SelectObject(native->dc, native->previousFont);
  if (native->font != nullptr) DeleteObject(native->font);
  if (native->previousBitmap != nullptr) SelectObject(native->dc, native->previousBitmap);
  if (native->bitmap != nullptr) DeleteObject(native->bitmap);
  if (native->dc != nullptr) DeleteDC(native->dc);
}

HDC Canvas::Dc() { return native->dc; }

Canvas *Canvas::FromDc(HDC dc) {
  if (dc == nullptr) return nullptr;
  const auto found = LiveCanvases().find(dc);
  return found != LiveCanvases().end() ? found->second : nullptr;
}

void Canvas::ResetSurface() {
  // A module loaded after the canvas was made is routed from its first drawing pass on.
  RouteTextCalls();
  HDC dc = native->dc;
  GdiFlush();
  if (native->pixels != nullptr) {
    std::memset(native->pixels, 0, sizeof(uint32_t) * static_cast<size_t>(width) * static_cast<size_t>(height));
  }
  const DcState initial;
  SetTextAlign(dc, initial.textAlign);
  MoveToEx(dc, initial.x, initial.y, nullptr);
  SetBkMode(dc, initial.backMode);
  SetBkColor(dc, initial.backColour);
  SetTextColor(dc, initial.textColour);
}

// Through the routed calls: GDI draws into the bitmap and the canvas records the run, wherever
// the caller's own GDI imports lead.
void Canvas::HostText(int x, int y, const std::string &text, COLORREF textColour, COLORREF backColour, bool opaque) {
  HDC dc = native->dc;
  const UINT align = RoutedSetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  const int mode = RoutedSetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
  const COLORREF back = RoutedSetBkColor(dc, backColour);
  const COLORREF fore = RoutedSetTextColor(dc, textColour);
  RoutedTextOutA(dc, x, y, text.data(), static_cast<int>(text.size()));
  RoutedSetTextColor(dc, fore);
  RoutedSetBkColor(dc, back);
  RoutedSetBkMode(dc, mode);
  RoutedSetTextAlign(dc, align);
}

bool Canvas::RenderRgb(std::vector<unsigned char> &rgb, int &pixelWidth, int &pixelHeight, std::string &error,
                       const PngOptions &options) const {
  if (!PictureSizeAllowed(options.scale, error)) return false;
  if (native->pixels == nullptr) {
    error = "the display's bitmap could not be created";
    return false;
  }
  GdiFlush();
  const int scale = options.scale;
  pixelWidth = width * scale;
  pixelHeight = height * scale;
  rgb.resize(static_cast<size_t>(pixelWidth) * static_cast<size_t>(pixelHeight) * 3);
  size_t out = 0;
  for (int y = 0; y < pixelHeight; ++y) {
    const uint32_t *row = native->pixels + static_cast<size_t>(y / scale) * static_cast<size_t>(width);
    for (int x = 0; x < pixelWidth; ++x) {
      const uint32_t pixel = row[x / scale];
      rgb[out++] = static_cast<unsigned char>(pixel >> 16);
      rgb[out++] = static_cast<unsigned char>(pixel >> 8);
      rgb[out++] = static_cast<unsigned char>(pixel);
    }
  }
  return true;
}

bool Canvas::WritePng(const std::string &path, std::string &error, const PngOptions &options) const {
  std::vector<unsigned char> rgb;
  int pixelWidth = 0, pixelHeight = 0;
  if (!RenderRgb(rgb, pixelWidth, pixelHeight, error, options)) return false;
  const std::vector<unsigned char> png = EncodePng(rgb, pixelWidth, pixelHeight);
  // Written beside the target and moved over it when complete, so that a failed write leaves an
  // earlier picture in place.
  const std::string partial = path + ".part";
  std::FILE *file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write " + path + ": the file is incomplete";
    std::remove(partial.c_str());
    return false;
  }
  if (!MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    error = "cannot write " + path + " (error " + std::to_string(GetLastError()) + ")";
    std::remove(partial.c_str());
    return false;
  }
  return true;
}

}  // namespace sim

#endif  // _WIN32
