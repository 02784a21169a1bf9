// The small part of the Win32 API that the plug-in and the host use, for platforms other than
// Windows. On Windows <windows.h> supplies all of it. Types keep their Windows sizes where the
// plug-in relies on them (DWORD and UINT are 32 bits; WPARAM, LPARAM and LRESULT are
// pointer-sized). The GDI text calls are implemented by the host's drawing surface.
#pragma once

#ifndef _WIN32

#include <cstdint>
#ifndef __EMSCRIPTEN__
#include <dlfcn.h>
#endif

#define WINAPI

typedef int BOOL;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint32_t COLORREF;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef void *LPVOID;
typedef const char *LPCSTR;
typedef void *HINSTANCE;
typedef void *HMODULE;
typedef void *HWND;
typedef struct HDC__ *HDC;
typedef struct HFONT__ *HFONT;
typedef void (*FARPROC)();

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_TOP 0
#define TRANSPARENT 1
#define OPAQUE 2

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))

struct POINT {
  long x;
  long y;
};
typedef POINT *LPPOINT;

#ifdef __EMSCRIPTEN__
// A module's own exports, looked up by name. In the browser the module is linked into the host's
// program, which keeps the table of the module's exports: the module handle is that table's, and
// the host looks the name up there.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
#else
// A module's own exports, looked up by name: the host loads modules with dlopen, so the module
// handle is a dlopen handle.
inline FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  return reinterpret_cast<FARPROC>(dlsym(module, name));
}
#endif

#define GDI_EXPORT __attribute__((visibility("default")))
GDI_EXPORT UINT SetTextAlign(HDC hdc, UINT align);
GDI_EXPORT BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous);
GDI_EXPORT int SetBkMode(HDC hdc, int mode);
GDI_EXPORT COLORREF SetBkColor(HDC hdc, COLORREF colour);
GDI_EXPORT COLORREF SetTextColor(HDC hdc, COLORREF colour);
GDI_EXPORT BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length);
GDI_EXPORT int lstrlenA(LPCSTR text);
#undef GDI_EXPORT

#endif  // _WIN32
