// A graphics client for the host that renders nothing. The host opens its panes and displays only
// when a graphics client gives it a render window; this one does, and gives the displays (and
// everything else the host draws in two dimensions) surfaces that are GDI DIB sections, so that a
// display's Update(HDC) draws with real GDI into a real bitmap. It keeps each display's text and
// pictures as its block asks (DisplayCapture.h).
//
// The viewport is 1280 × 832 pixels, on which the host's generic cockpit makes its displays
// 400 × 400 pixels, the size of kestrane-sim's. The host's generic font names stand for the DejaVu
// faces (GdiPad.h).
#pragma once

#include <memory>
#include <unordered_set>
#include <vector>

#include "GraphicsAPI.h"
#include "Orbitersdk.h"

#include "DisplayCapture.h"

namespace nullclient {

class Surface;

class NullClient : public oapi::GraphicsClient {
public:
  explicit NullClient(HINSTANCE module);
  ~NullClient() override;

  // The client's block of the scenario, which the host hands the module.
  void ReadSettings(FILEHANDLE scn);

  bool clbkInitialise() override;
  bool clbkFullscreenMode() const override { return false; }
  void clbkGetViewportSize(DWORD *width, DWORD *height) const override;
  bool clbkGetRenderParam(DWORD prm, DWORD *value) const override;
  // A PNG file for any format asked for (fname without its extension; ".png" is added).
  bool clbkSaveSurfaceToImage(SURFHANDLE surf, const char *fname, oapi::ImageFileFormat fmt,
                              float quality = 0.7f) override;
  void clbkNewVessel(OBJHANDLE vessel) override;

  // Streams that draw nothing: the host's vessels hold on to what these return.
  oapi::ParticleStream *clbkCreateParticleStream(PARTICLESTREAMSPEC *pss) override;
  oapi::ParticleStream *clbkCreateExhaustStream(PARTICLESTREAMSPEC *pss, OBJHANDLE vessel, const double *level,
                                                const VECTOR3 *ref, const VECTOR3 *dir) override;
  oapi::ParticleStream *clbkCreateExhaustStream(PARTICLESTREAMSPEC *pss, OBJHANDLE vessel, const double *level,
                                                const VECTOR3 &ref, const VECTOR3 &dir) override;
  oapi::ParticleStream *clbkCreateReentryStream(PARTICLESTREAMSPEC *pss, OBJHANDLE vessel) override;

  SURFHANDLE clbkCreateSurfaceEx(DWORD w, DWORD h, DWORD attrib) override;
  SURFHANDLE clbkCreateSurface(DWORD w, DWORD h, SURFHANDLE templ = NULL) override;
  SURFHANDLE clbkCreateTexture(DWORD w, DWORD h) override;
  SURFHANDLE clbkCreateSurface(HBITMAP bitmap) override;
  void clbkIncrSurfaceRef(SURFHANDLE surf) override;
  bool clbkReleaseSurface(SURFHANDLE surf) override;
  bool clbkGetSurfaceSize(SURFHANDLE surf, DWORD *w, DWORD *h) override;
  bool clbkSetSurfaceColourKey(SURFHANDLE surf, DWORD key) override { return Target(surf) != nullptr; }
  bool clbkBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, SURFHANDLE src, DWORD flag = 0) const override;
  bool clbkBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, SURFHANDLE src, DWORD srcx, DWORD srcy, DWORD w, DWORD h,
               DWORD flag = 0) const override;
  bool clbkScaleBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, DWORD tgtw, DWORD tgth, SURFHANDLE src, DWORD srcx,
                    DWORD srcy, DWORD srcw, DWORD srch, DWORD flag = 0) const override;
  bool clbkFillSurface(SURFHANDLE surf, DWORD col) const override;
  bool clbkFillSurface(SURFHANDLE surf, DWORD tgtx, DWORD tgty, DWORD w, DWORD h, DWORD col) const override;
  bool clbkCopyBitmap(SURFHANDLE surf, HBITMAP bitmap, int x, int y, int dx, int dy) override;

  oapi::Sketchpad *clbkGetSketchpad(SURFHANDLE surf) override;
  void clbkReleaseSketchpad(oapi::Sketchpad *pad) override;
  oapi::Font *clbkCreateFont(int height, bool prop, const char *face, FontStyle style = FONT_NORMAL,
                             int orientation = 0) const override;
  oapi::Font *clbkCreateFontEx(int height, char *face, int width = 0, int weight = 400, FontStyle style = FONT_NORMAL,
                               float spacing = 0.0f) const override;
  void clbkReleaseFont(oapi::Font *font) const override;
  oapi::Pen *clbkCreatePen(int style, int width, DWORD col) const override;
  void clbkReleasePen(oapi::Pen *pen) const override;
  oapi::Brush *clbkCreateBrush(DWORD col) const override;
  void clbkReleaseBrush(oapi::Brush *brush) const override;
  HDC clbkGetSurfaceDC(SURFHANDLE surf) override;
  void clbkReleaseSurfaceDC(SURFHANDLE surf, HDC dc) override;

  // The host's dialogs are built each frame and never drawn.
  void clbkImGuiNewFrame() override {}
  void clbkImGuiRenderDrawData() override {}
  void clbkImGuiInit() override;
  void clbkImGuiShutdown() override {}
  uint64_t clbkImGuiSurfaceTexture(SURFHANDLE surf) override { return reinterpret_cast<uintptr_t>(surf); }

protected:
  bool clbkUseLaunchpadVideoTab() const override { return false; }
  HWND clbkCreateRenderWindow() override;
  void clbkPostCreation() override;
  void clbkCloseSession(bool fastclose) override;
  void clbkDestroyRenderWindow(bool fastclose) override;
  void clbkRenderScene() override {}
  bool clbkDisplayFrame() override { return true; }

private:
  // The surface a handle names: one of the client's, the render surface for none; null for a
  // handle that is not the client's.
  Surface *Target(SURFHANDLE surf) const;
  SURFHANDLE Keep(Surface *surface);
  // A display whose texture `surface` is has been drawn anew.
  void Redrawn(const Surface &surface) const;

  // A stream its vessel has let go of is the client's to delete.
  class Stream : public oapi::ParticleStream {
  public:
    Stream(oapi::GraphicsClient *client, PARTICLESTREAMSPEC *pss) : oapi::ParticleStream(client, pss) {}
    bool Attached() const { return hRef != nullptr; }
    bool LetGo() const { return wasAttached && hRef == nullptr; }
    bool wasAttached = false;
  };
  oapi::ParticleStream *KeepStream(std::unique_ptr<Stream> stream);
  void DeleteDetachedStreams();

  std::unordered_set<Surface *> surfaces;
  std::vector<std::unique_ptr<Stream>> streams;
  std::unique_ptr<Surface> renderSurface;
  std::unique_ptr<DisplayCapture> capture;
};

}  // namespace nullclient
