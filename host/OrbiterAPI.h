// The host's API as a plug-in sees it: basic types, handles, the display-mode record, the
// functions the host exports and the DirectInput key codes. Declarations only; the host
// executable implements them and a plug-in links against it.
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
typedef int OAPI_MSGTYPE;
#else
typedef LRESULT OAPI_MSGTYPE;
#endif

struct MFDMODESPEC {
  char *name;
  DWORD key;
  OAPI_MSGTYPE (*msgproc)(UINT msg, UINT mfd, WPARAM wparam, LPARAM lparam);
};

// Sent with OAPI_MSG_MFD_OPENEDEX; wparam points to it.
struct MFDMODEOPENSPEC {
  DWORD w;
  DWORD h;
  void *spec;
};

struct MFDBUTTONMENU {
  const char *line1;
  const char *line2;
  char selchar;
};

#define OAPI_MSG_MFD_OPENED 1
#define OAPI_MSG_MFD_CLOSED 2
#define OAPI_MSG_MFD_OPENEDEX 4

// The callbacks that the host reads from a plug-in's table (__opcGetInterface), slot by slot.
typedef void (*OPC_OpenRenderViewport)(HWND renderWindow, DWORD width, DWORD height, BOOL fullscreen);
typedef void (*OPC_CloseRenderViewport)();
typedef void (*OPC_Timestep)(double simt, double simdt, double mjd);
typedef void (*OPC_FocusChanged)(OBJHANDLE newFocus, OBJHANDLE oldFocus);
typedef void (*OPC_TimeAccChanged)(double newWarp, double oldWarp);

struct OPC_CALLBACKTABLE {
  OPC_OpenRenderViewport openRenderViewport;
  OPC_CloseRenderViewport closeRenderViewport;
  OPC_Timestep timestep;
  OPC_FocusChanged focusChanged;
  OPC_TimeAccChanged timeAccChanged;
};
typedef OPC_CALLBACKTABLE *(*OPC_GetInterface)();

class VESSEL;

OAPIFUNC OBJHANDLE oapiGetVesselByName(char *name);
OAPIFUNC OBJHANDLE oapiGetVesselByIndex(int index);
OAPIFUNC DWORD oapiGetVesselCount();
OAPIFUNC OBJHANDLE oapiGetFocusObject();
OAPIFUNC VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel);
OAPIFUNC SURFHANDLE oapiRegisterExhaustTexture(char *name);
OAPIFUNC double oapiGetSimStep();
OAPIFUNC int oapiRegisterMFDMode(MFDMODESPEC &spec);

OAPIFUNC void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string);
OAPIFUNC void oapiWriteScenario_int(FILEHANDLE scn, char *item, int i);
OAPIFUNC void oapiWriteScenario_float(FILEHANDLE scn, char *item, double d);
OAPIFUNC void oapiWriteScenario_vec(FILEHANDLE scn, char *item, const VECTOR3 &vec);
OAPIFUNC bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line);

// DirectInput scan codes, the key codes of buffered key presses.
#define DIK_ESCAPE 0x01
#define DIK_1 0x02
#define DIK_2 0x03
#define DIK_3 0x04
#define DIK_4 0x05
#define DIK_5 0x06
#define DIK_6 0x07
#define DIK_7 0x08
#define DIK_8 0x09
#define DIK_9 0x0A
#define DIK_0 0x0B
#define DIK_MINUS 0x0C
#define DIK_EQUALS 0x0D
#define DIK_BACK 0x0E
#define DIK_TAB 0x0F
#define DIK_Q 0x10
#define DIK_W 0x11
#define DIK_E 0x12
#define DIK_R 0x13
#define DIK_T 0x14
#define DIK_Y 0x15
#define DIK_U 0x16
#define DIK_I 0x17
#define DIK_O 0x18
#define DIK_P 0x19
#define DIK_LBRACKET 0x1A
#define DIK_RBRACKET 0x1B
#define DIK_RETURN 0x1C
#define DIK_LCONTROL 0x1D
#define DIK_A 0x1E
#define DIK_S 0x1F
#define DIK_D 0x20
#define DIK_F 0x21
#define DIK_G 0x22
#define DIK_H 0x23
#define DIK_J 0x24
#define DIK_K 0x25
#define DIK_L 0x26
#define DIK_SEMICOLON 0x27
#define DIK_APOSTROPHE 0x28
#define DIK_GRAVE 0x29
#define DIK_LSHIFT 0x2A
#define DIK_BACKSLASH 0x2B
#define DIK_Z 0x2C
#define DIK_X 0x2D
#define DIK_C 0x2E
#define DIK_V 0x2F
#define DIK_B 0x30
#define DIK_N 0x31
#define DIK_M 0x32
#define DIK_COMMA 0x33
#define DIK_PERIOD 0x34
#define DIK_SLASH 0x35
#define DIK_RSHIFT 0x36
#define DIK_SPACE 0x39
