// The host's own Direct3D 7 graphics client (OVP/D3D7Client, built from the host's sources with the
// patches in patches/d3d7), drawing the 3D scene under Wine, which keeps the displays' text and
// pictures as the null client does (DisplayCapture.h), so that a run with the scene drawn does all
// that a run with the null client does. Its block of the scenario is the null client's
// (ClientSettings.h), BEGIN_D3D7Client … END. It draws in a window, of the size the host's
// configuration gives (WindowWidth, WindowHeight), which the host reads before any scenario.
//
// The client's surfaces are DirectDraw surfaces; the text drawn into them through the device
// contexts the client hands out is recorded per surface and follows the surface's copies, as the
// null client's surfaces keep theirs.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "D3D7Client.h"
#include "DisplayCapture.h"
#include "ScreenText.h"

namespace nullclient {

class SceneClient : public oapi::D3D7Client {
public:
  explicit SceneClient(HINSTANCE module);
  ~SceneClient() override;

  void ReadSettings(FILEHANDLE scn);

  void clbkNewVessel(OBJHANDLE vessel) override;
  bool clbkReleaseSurface(SURFHANDLE surf) override;
  bool clbkBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, SURFHANDLE src, DWORD flag = 0) const override;
  bool clbkBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, SURFHANDLE src, DWORD srcx, DWORD srcy, DWORD w, DWORD h,
               DWORD flag = 0) const override;
  bool clbkScaleBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, DWORD tgtw, DWORD tgth, SURFHANDLE src, DWORD srcx,
                    DWORD srcy, DWORD srcw, DWORD srch, DWORD flag = 0) const override;
  bool clbkFillSurface(SURFHANDLE surf, DWORD col) const override;
  bool clbkFillSurface(SURFHANDLE surf, DWORD tgtx, DWORD tgty, DWORD w, DWORD h, DWORD col) const override;
  HDC clbkGetSurfaceDC(SURFHANDLE surf) override;
  void clbkReleaseSurfaceDC(SURFHANDLE surf, HDC dc) override;

  // The host's dialogs are built each frame and never drawn.
  void clbkImGuiNewFrame() override {}
  void clbkImGuiRenderDrawData() override {}
  void clbkImGuiInit() override;
  void clbkImGuiShutdown() override {}
  uint64_t clbkImGuiSurfaceTexture(SURFHANDLE surf) override { return reinterpret_cast<uintptr_t>(surf); }

protected:
  HWND clbkCreateRenderWindow() override;
  void clbkPostCreation() override;
  void clbkCloseSession(bool fastclose) override;

private:
  static std::vector<TextRun> *RunsOfDc(HDC dc);
  // The area (x, y, w, h) of `src` has been copied to (tgtx, tgty) of `tgt`.
  void Copied(SURFHANDLE tgt, int tgtx, int tgty, SURFHANDLE src, PixelArea area) const;
  PixelArea Whole(SURFHANDLE surf) const;

  std::unique_ptr<DisplayCapture> capture;
  std::map<HDC, SURFHANDLE> drawing;                         // contexts handed out, not yet released
  mutable std::map<SURFHANDLE, std::vector<TextRun>> texts;  // the runs on each surface
};

}  // namespace nullclient
