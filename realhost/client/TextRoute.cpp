#include "TextRoute.h"

#include <tlhelp32.h>

#include <vector>

namespace nullclient {

namespace {

RunsOfDc runsOfDc = nullptr;

// Records into the runs of the surface behind `dc`, if any, a run of `length` bytes that GDI is
// about to draw at (x, y).
void RecordRun(HDC dc, int x, int y, const char *text, int length);

struct GdiText {
  BOOL(WINAPI *textOutA)(HDC, int, int, LPCSTR, int);
  BOOL(WINAPI *extTextOutA)(HDC, int, int, UINT, const RECT *, LPCSTR, UINT, const INT *);
};

template <typename Function>
void Lookup(HMODULE module, const char *name, Function &function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

const GdiText &Gdi() {
  static const GdiText gdi = [] {
    HMODULE module = GetModuleHandleA("gdi32.dll");
    GdiText found{};
    Lookup(module, "TextOutA", found.textOutA);
    Lookup(module, "ExtTextOutA", found.extTextOutA);
    return found;
  }();
  return gdi;
}

BOOL WINAPI RoutedTextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  RecordRun(dc, x, y, text, length);
  return Gdi().textOutA(dc, x, y, text, length);
}

BOOL WINAPI RoutedExtTextOutA(HDC dc, int x, int y, UINT options, const RECT *clip, LPCSTR text, UINT length,
                              const INT *spacing) {
  RecordRun(dc, x, y, text, static_cast<int>(length));
  return Gdi().extTextOutA(dc, x, y, options, clip, text, length, spacing);
}

struct Route {
  ULONG_PTR from, to;
};

std::vector<Route> Routes() {
  const GdiText &gdi = Gdi();
  return {{reinterpret_cast<ULONG_PTR>(gdi.textOutA), reinterpret_cast<ULONG_PTR>(&RoutedTextOutA)},
          {reinterpret_cast<ULONG_PTR>(gdi.extTextOutA), reinterpret_cast<ULONG_PTR>(&RoutedExtTextOutA)}};
}

const IMAGE_IMPORT_DESCRIPTOR *Imports(HMODULE module) {
  auto *base = reinterpret_cast<const BYTE *>(module);
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
  const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return nullptr;
  return reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
}

// Replaces every import slot of `module` that holds a routed GDI function by its route.
void RedirectImports(HMODULE module, const std::vector<Route> &routes) {
  auto *base = reinterpret_cast<BYTE *>(module);
  for (const IMAGE_IMPORT_DESCRIPTOR *library = Imports(module); library != nullptr && library->Name != 0; ++library) {
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

// True when the module imports from the program file named `program` (a module of this host).
bool ImportsFrom(HMODULE module, const char *program) {
  auto *base = reinterpret_cast<const BYTE *>(module);
  for (const IMAGE_IMPORT_DESCRIPTOR *library = Imports(module); library != nullptr && library->Name != 0; ++library)
    if (lstrcmpiA(reinterpret_cast<const char *>(base + library->Name), program) == 0) return true;
  return false;
}

void RecordRun(HDC dc, int x, int y, const char *text, int length) {
  std::vector<TextRun> *runs = runsOfDc != nullptr ? runsOfDc(dc) : nullptr;
  if (runs == nullptr || text == nullptr || length <= 0) return;
  const UINT align = GetTextAlign(dc);
  if (align != GDI_ERROR && (align & TA_UPDATECP) != 0) {
    POINT position{};
    GetCurrentPositionEx(dc, &position);
    x = position.x;
    y = position.y;
  }
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  if (align != GDI_ERROR && (align & (TA_CENTER | TA_RIGHT)) != 0) {
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, length, &extent);
    x -= (align & TA_CENTER) == TA_CENTER ? extent.cx / 2 : extent.cx;
  }
  if (align != GDI_ERROR && (align & TA_BASELINE) == TA_BASELINE)
    y -= metrics.tmAscent;
  else if (align != GDI_ERROR && (align & TA_BOTTOM) == TA_BOTTOM)
    y -= metrics.tmHeight;
  TextRun run;
  run.x = x;
  run.y = y;
  run.text.assign(text, static_cast<size_t>(length));
  // The character cell as the host measures it for a display: the height without the internal
  // leading, the average width.
  run.cellWidth = metrics.tmAveCharWidth;
  run.cellHeight = metrics.tmHeight - metrics.tmInternalLeading;
  runs->push_back(std::move(run));
}

}  // namespace

void RouteTextCalls(RunsOfDc runsOf) {
  runsOfDc = runsOf;
  const std::vector<Route> routes = Routes();
  HMODULE program = GetModuleHandleA(nullptr);
  RedirectImports(program, routes);

  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(program, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const char *name = path;
  for (const char *c = path; *c != '\0'; ++c)
    if (*c == '\\' || *c == '/') name = c + 1;

  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
  if (snapshot == INVALID_HANDLE_VALUE) return;
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry))
    if (entry.hModule != program && ImportsFrom(entry.hModule, name)) RedirectImports(entry.hModule, routes);
  CloseHandle(snapshot);
}

}  // namespace nullclient
