// The host's API as a plug-in sees it: basic types, handles, the display-mode record, the
// functions the host exports and the key codes. Declarations only; the host executable implements
// them and a plug-in links against it. Every declaration a plug-in uses agrees with the host's own
// SDK headers (names, parameter types, const-ness, class layouts, virtual functions in order).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "Win32Subset.h"
#endif

#include <cstdint>

// OAPIFUNC marks what the host exports. In the host it exports; in a plug-in module on Windows it
// imports from the host's import library; in a program that links the host statically (the unit
// tests) it is plain.
#if defined(_WIN32)
#if defined(KESTRANE_HOST_EXPORTS)
#define OAPIFUNC __declspec(dllexport)
#elif defined(KESTRANE_HOST_IMPORTS)
#define OAPIFUNC __declspec(dllimport)
#else
#define OAPIFUNC
#endif
#define DLLCLBK extern "C" __declspec(dllexport)
#else
#define OAPIFUNC __attribute__((visibility("default")))
#define DLLCLBK extern "C" __attribute__((visibility("default")))
#endif

#ifndef PI
#define PI 3.14159265358979323846
#endif

// The anonymous structs of the two unions are a language extension that every host compiler
// supports; __extension__ keeps pedantic warnings quiet about it.
#if defined(__GNUC__)
#define OAPI_ANONYMOUS __extension__
#else
#define OAPI_ANONYMOUS
#endif

typedef union {
  double data[3];
  OAPI_ANONYMOUS struct {
    double x, y, z;
  };
} VECTOR3;

typedef union {
  double data[9];
  OAPI_ANONYMOUS struct {
    double m11, m12, m13, m21, m22, m23, m31, m32, m33;
  };
} MATRIX3;

typedef void *OBJHANDLE;
typedef void *THRUSTER_HANDLE;
typedef void *PROPELLANT_HANDLE;
typedef void *DOCKHANDLE;
typedef void *ATTACHMENTHANDLE;
typedef void *SURFHANDLE;
typedef void *FILEHANDLE;

// The message procedure returns the new display's address: an int on 32-bit Windows, as wide as a
// pointer everywhere else, so the address is never cut to 32 bits.
#if defined(_WIN32) && !defined(_WIN64)
#define OAPI_MSGTYPE int
#else
#define OAPI_MSGTYPE LRESULT
#endif

typedef struct {
  char *name;
  DWORD key;
  OAPI_MSGTYPE (*msgproc)(UINT msg, UINT mfd, WPARAM wparam, LPARAM lparam);
} MFDMODESPEC;

// A display mode with a context pointer of the mode's own.
typedef struct {
  char *name;
  DWORD key;
  void *context;
  OAPI_MSGTYPE (*msgproc)(UINT msg, UINT mfd, WPARAM wparam, LPARAM lparam);
} MFDMODESPECEX;

// Sent with OAPI_MSG_MFD_OPENEDEX; wparam points to it.
typedef struct {
  int w, h;
  MFDMODESPECEX *spec;
} MFDMODEOPENSPEC;

#pragma pack(push, 1)
typedef struct {
  const char *line1, *line2;
  char selchar;
} MFDBUTTONMENU;
#pragma pack(pop)

// A display's button events, as ConsumeButton takes them.
#define PANEL_MOUSE_LBDOWN 0x01
#define PANEL_MOUSE_RBDOWN 0x02
#define PANEL_MOUSE_LBUP 0x04
#define PANEL_MOUSE_RBUP 0x08
#define PANEL_MOUSE_LBPRESSED 0x10
#define PANEL_MOUSE_RBPRESSED 0x20

#define OAPI_MSG_MFD_OPENED 1
#define OAPI_MSG_MFD_CLOSED 2
#define OAPI_MSG_MFD_OPENEDEX 4

class VESSEL;

OAPIFUNC OBJHANDLE oapiGetVesselByName(char *name);
OAPIFUNC OBJHANDLE oapiGetVesselByIndex(int index);
OAPIFUNC DWORD oapiGetVesselCount();
// Whether a handle is that of a vessel that still exists.
OAPIFUNC bool oapiIsVessel(OBJHANDLE hVessel);
OAPIFUNC OBJHANDLE oapiGetFocusObject();
OAPIFUNC VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel);
OAPIFUNC SURFHANDLE oapiRegisterExhaustTexture(char *name);
OAPIFUNC double oapiGetSimStep();
// Both host generations know the registration with a context pointer; the one without is kept
// for old modules, and the real host logs it as obsolete.
OAPIFUNC int oapiRegisterMFDMode(MFDMODESPECEX &spec);
OAPIFUNC int oapiRegisterMFDMode(MFDMODESPEC &spec);
// Takes the identifier oapiRegisterMFDMode returned; false when no mode has it.
OAPIFUNC bool oapiUnregisterMFDMode(int mode);

OAPIFUNC void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string);
OAPIFUNC void oapiWriteScenario_int(FILEHANDLE scn, char *item, int i);
OAPIFUNC void oapiWriteScenario_float(FILEHANDLE scn, char *item, double d);
OAPIFUNC void oapiWriteScenario_vec(FILEHANDLE scn, char *item, const VECTOR3 &vec);
OAPIFUNC bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line);

// The key codes of buffered key presses: the DirectInput scan codes under the host's own names.
#define OAPI_KEY_ESCAPE 0x01
#define OAPI_KEY_1 0x02
#define OAPI_KEY_2 0x03
#define OAPI_KEY_3 0x04
#define OAPI_KEY_4 0x05
#define OAPI_KEY_5 0x06
#define OAPI_KEY_6 0x07
#define OAPI_KEY_7 0x08
#define OAPI_KEY_8 0x09
#define OAPI_KEY_9 0x0A
#define OAPI_KEY_0 0x0B
#define OAPI_KEY_MINUS 0x0C
#define OAPI_KEY_EQUALS 0x0D
#define OAPI_KEY_BACK 0x0E
#define OAPI_KEY_TAB 0x0F
#define OAPI_KEY_Q 0x10
#define OAPI_KEY_W 0x11
#define OAPI_KEY_E 0x12
#define OAPI_KEY_R 0x13
#define OAPI_KEY_T 0x14
#define OAPI_KEY_Y 0x15
#define OAPI_KEY_U 0x16
#define OAPI_KEY_I 0x17
#define OAPI_KEY_O 0x18
#define OAPI_KEY_P 0x19
#define OAPI_KEY_LBRACKET 0x1A
#define OAPI_KEY_RBRACKET 0x1B
#define OAPI_KEY_RETURN 0x1C
#define OAPI_KEY_LCONTROL 0x1D
#define OAPI_KEY_A 0x1E
#define OAPI_KEY_S 0x1F
#define OAPI_KEY_D 0x20
#define OAPI_KEY_F 0x21
#define OAPI_KEY_G 0x22
#define OAPI_KEY_H 0x23
#define OAPI_KEY_J 0x24
#define OAPI_KEY_K 0x25
#define OAPI_KEY_L 0x26
#define OAPI_KEY_SEMICOLON 0x27
#define OAPI_KEY_APOSTROPHE 0x28
#define OAPI_KEY_GRAVE 0x29
#define OAPI_KEY_LSHIFT 0x2A
#define OAPI_KEY_BACKSLASH 0x2B
#define OAPI_KEY_Z 0x2C
#define OAPI_KEY_X 0x2D
#define OAPI_KEY_C 0x2E
#define OAPI_KEY_V 0x2F
#define OAPI_KEY_B 0x30
#define OAPI_KEY_N 0x31
#define OAPI_KEY_M 0x32
#define OAPI_KEY_COMMA 0x33
#define OAPI_KEY_PERIOD 0x34
#define OAPI_KEY_SLASH 0x35
#define OAPI_KEY_RSHIFT 0x36
#define OAPI_KEY_SPACE 0x39
#define OAPI_KEY_F1 0x3B
#define OAPI_KEY_F2 0x3C
