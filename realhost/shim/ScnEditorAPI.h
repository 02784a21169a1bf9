// What the host's vessel modules take from the scenario editor's interface: the message an editor
// page sends its editor and the record of a page a module adds to it. The editor is not built here,
// so no page is ever added; the modules compile unchanged.
#pragma once

#include <windows.h>

#define WM_SCNEDITOR (WM_USER + 0x0100)
#define SE_ADDPAGEBUTTON 1
#define SE_GETVESSEL 2

typedef struct {
  const char *btnlabel;
  HINSTANCE hDLL;
  WORD ResId;
  DLGPROC TabProc;
} EditorPageSpec;
