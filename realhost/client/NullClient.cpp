#include "NullClient.h"

#include <imgui.h>

#include <algorithm>
#include <string>

#include "GdiPad.h"
#include "Surface.h"
#include "TextRoute.h"

namespace nullclient {

namespace {

constexpr DWORD viewportWidth = 1280;
// The generic cockpit's displays are 35 × (6 + 5) pixels times the viewport's height over 800:
// 400 pixels at this height.
constexpr DWORD viewportHeight = 832;

RECT Area(DWORD x, DWORD y, DWORD w, DWORD h) {
  return RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + w), static_cast<LONG>(y + h)};
}

std::vector<TextRun> *RunsOfSurface(HDC dc) {
  Surface *surface = Surface::FromDc(dc);
  return surface != nullptr ? &surface->Runs() : nullptr;
}

// The host's device colours are 0x00RRGGBB (clbkGetDeviceColour), GDI's 0x00BBGGRR.
COLORREF FromDeviceColour(DWORD colour) { return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF); }

}  // namespace

void Fail(const std::string &reason) { oapiWriteLogV("NullClient: error: %s", reason.c_str()); }

NullClient::NullClient(HINSTANCE module)
    : oapi::GraphicsClient(module), renderSurface(std::make_unique<Surface>(viewportWidth, viewportHeight)) {}

NullClient::~NullClient() {
  for (Surface *surface : surfaces) delete surface;
  // A stream a vessel still holds goes with the process.
  for (std::unique_ptr<Stream> &stream : streams)
    if (stream->Attached()) stream.release();
}

void NullClient::ReadSettings(FILEHANDLE scn) {
  ClientSettings settings;
  char *line = nullptr;
  while (oapiReadScenario_nextline(scn, line)) {
    const std::string problem = settings.ReadLine(line);
    if (!problem.empty()) Fail("in BEGIN_NullClient: " + problem);
  }
  capture = std::make_unique<DisplayCapture>(std::move(settings));
}

bool NullClient::clbkInitialise() {
  if (!oapi::GraphicsClient::clbkInitialise()) return false;
  GetVideoData()->fullscreen = false;
  return true;
}

HWND NullClient::clbkCreateRenderWindow() {
  GetVideoData()->winw = static_cast<int>(viewportWidth);
  GetVideoData()->winh = static_cast<int>(viewportHeight);
  return oapi::GraphicsClient::clbkCreateRenderWindow();
}

void NullClient::clbkPostCreation() { RouteTextCalls(RunsOfSurface); }

void NullClient::clbkNewVessel(OBJHANDLE) { RouteTextCalls(RunsOfSurface); }

void NullClient::clbkCloseSession(bool) {
  if (capture) capture->Finish();
  capture.reset();
}

void NullClient::clbkDestroyRenderWindow(bool fastclose) {
  DeleteDetachedStreams();
  oapi::GraphicsClient::clbkDestroyRenderWindow(fastclose);
}

oapi::ParticleStream *NullClient::KeepStream(std::unique_ptr<Stream> stream) {
  DeleteDetachedStreams();
  stream->wasAttached = stream->Attached();
  streams.push_back(std::move(stream));
  return streams.back().get();
}

void NullClient::DeleteDetachedStreams() {
  streams.erase(std::remove_if(streams.begin(), streams.end(),
                               [](const std::unique_ptr<Stream> &stream) { return stream->LetGo(); }),
                streams.end());
}

oapi::ParticleStream *NullClient::clbkCreateParticleStream(PARTICLESTREAMSPEC *pss) {
  return KeepStream(std::make_unique<Stream>(this, pss));
}

oapi::ParticleStream *NullClient::clbkCreateExhaustStream(PARTICLESTREAMSPEC *pss, OBJHANDLE vessel,
                                                          const double *level, const VECTOR3 *ref, const VECTOR3 *dir) {
  auto stream = std::make_unique<Stream>(this, pss);
  stream->Attach(vessel, ref, dir, level);
  return KeepStream(std::move(stream));
}

oapi::ParticleStream *NullClient::clbkCreateExhaustStream(PARTICLESTREAMSPEC *pss, OBJHANDLE vessel,
                                                          const double *level, const VECTOR3 &ref, const VECTOR3 &dir) {
  auto stream = std::make_unique<Stream>(this, pss);
  stream->Attach(vessel, ref, dir, level);
  return KeepStream(std::move(stream));
}

oapi::ParticleStream *NullClient::clbkCreateReentryStream(PARTICLESTREAMSPEC *pss, OBJHANDLE vessel) {
  auto stream = std::make_unique<Stream>(this, pss);
  stream->Attach(vessel, _V(0, 0, 0), _V(0, 0, -1), nullptr);
  return KeepStream(std::move(stream));
}

void NullClient::clbkGetViewportSize(DWORD *width, DWORD *height) const {
  *width = viewportWidth;
  *height = viewportHeight;
}

bool NullClient::clbkGetRenderParam(DWORD prm, DWORD *value) const {
  switch (prm) {
    case RP_COLOURDEPTH:
      *value = 32;
      return true;
    case RP_REQUIRETEXPOW2:
      *value = 0;
      return true;
    default:
      // The host reads the value whatever the answer.
      *value = 0;
      return false;
  }
}

// The scene is never rendered: there is no picture of it (the host asks for one as it closes).
bool NullClient::clbkSaveSurfaceToImage(SURFHANDLE surf, const char *fname, oapi::ImageFileFormat, float) {
  Surface *surface = surf != nullptr ? Target(surf) : nullptr;
  if (surface == nullptr || fname == nullptr) return false;
  std::string error;
  if (surface->WritePng(std::string(fname) + ".png", error)) return true;
  Fail(error);
  return false;
}

void NullClient::clbkImGuiInit() {
  // The host's dialogs need a built font atlas; the host's own fonts may not be installed.
  ImGuiIO &io = ImGui::GetIO();
  io.BackendRendererName = "NullClient";
  if (io.Fonts->Fonts.empty()) io.Fonts->AddFontDefault();
  unsigned char *pixels = nullptr;
  int width = 0, height = 0;
  io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
}

Surface *NullClient::Target(SURFHANDLE surf) const {
  if (surf == nullptr) return renderSurface.get();
  Surface *surface = static_cast<Surface *>(surf);
  return surfaces.count(surface) != 0 ? surface : nullptr;
}

SURFHANDLE NullClient::Keep(Surface *surface) {
  surfaces.insert(surface);
  return surface;
}

SURFHANDLE NullClient::clbkCreateSurfaceEx(DWORD w, DWORD h, DWORD) {
  return Keep(new Surface(static_cast<int>(w), static_cast<int>(h)));
}

SURFHANDLE NullClient::clbkCreateSurface(DWORD w, DWORD h, SURFHANDLE) {
  return Keep(new Surface(static_cast<int>(w), static_cast<int>(h)));
}

SURFHANDLE NullClient::clbkCreateTexture(DWORD w, DWORD h) {
  return Keep(new Surface(static_cast<int>(w), static_cast<int>(h)));
}

SURFHANDLE NullClient::clbkCreateSurface(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || GetObject(bitmap, sizeof info, &info) == 0) return nullptr;
  Surface *surface = new Surface(info.bmWidth, info.bmHeight);
  surface->DrawBitmap(bitmap, RECT{0, 0, info.bmWidth, info.bmHeight});
  return Keep(surface);
}

void NullClient::clbkIncrSurfaceRef(SURFHANDLE surf) {
  if (surf == nullptr) return;
  if (Surface *surface = Target(surf)) ++surface->references;
}

bool NullClient::clbkReleaseSurface(SURFHANDLE surf) {
  Surface *surface = surf != nullptr ? Target(surf) : nullptr;
  if (surface == nullptr) return false;
  if (--surface->references > 0) return true;
  surfaces.erase(surface);
  delete surface;
  return true;
}

bool NullClient::clbkGetSurfaceSize(SURFHANDLE surf, DWORD *w, DWORD *h) {
  Surface *surface = Target(surf);
  *w = surface != nullptr ? static_cast<DWORD>(surface->Width()) : 0;
  *h = surface != nullptr ? static_cast<DWORD>(surface->Height()) : 0;
  return surface != nullptr;
}

bool NullClient::clbkBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, SURFHANDLE src, DWORD) const {
  Surface *target = Target(tgt), *source = Target(src);
  if (target == nullptr || source == nullptr || src == nullptr) return false;
  target->CopyFrom(*source, RECT{0, 0, source->Width(), source->Height()}, static_cast<int>(tgtx),
                   static_cast<int>(tgty));
  Redrawn(*target);
  return true;
}

bool NullClient::clbkBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, SURFHANDLE src, DWORD srcx, DWORD srcy, DWORD w,
                         DWORD h, DWORD) const {
  Surface *target = Target(tgt), *source = Target(src);
  if (target == nullptr || source == nullptr || src == nullptr) return false;
  target->CopyFrom(*source, Area(srcx, srcy, w, h), static_cast<int>(tgtx), static_cast<int>(tgty));
  Redrawn(*target);
  return true;
}

bool NullClient::clbkScaleBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, DWORD tgtw, DWORD tgth, SURFHANDLE src,
                              DWORD srcx, DWORD srcy, DWORD srcw, DWORD srch, DWORD) const {
  Surface *target = Target(tgt), *source = Target(src);
  if (target == nullptr || source == nullptr || src == nullptr) return false;
  target->StretchFrom(*source, Area(srcx, srcy, srcw, srch), Area(tgtx, tgty, tgtw, tgth));
  return true;
}

bool NullClient::clbkFillSurface(SURFHANDLE surf, DWORD col) const {
  Surface *surface = Target(surf);
  if (surface == nullptr) return false;
  surface->Fill(RECT{0, 0, surface->Width(), surface->Height()}, FromDeviceColour(col));
  return true;
}

bool NullClient::clbkFillSurface(SURFHANDLE surf, DWORD tgtx, DWORD tgty, DWORD w, DWORD h, DWORD col) const {
  Surface *surface = Target(surf);
  if (surface == nullptr) return false;
  surface->Fill(Area(tgtx, tgty, w, h), FromDeviceColour(col));
  return true;
}

bool NullClient::clbkCopyBitmap(SURFHANDLE surf, HBITMAP bitmap, int x, int y, int dx, int dy) {
  Surface *surface = Target(surf);
  if (surface == nullptr) return false;
  surface->DrawBitmap(bitmap, RECT{x, y, x + dx, y + dy});
  return true;
}

oapi::Sketchpad *NullClient::clbkGetSketchpad(SURFHANDLE surf) {
  Surface *surface = Target(surf);
  return surface != nullptr ? new GdiPad(surf, *surface) : nullptr;
}

void NullClient::clbkReleaseSketchpad(oapi::Sketchpad *pad) { delete static_cast<GdiPad *>(pad); }

oapi::Font *NullClient::clbkCreateFont(int height, bool prop, const char *face, FontStyle style,
                                       int orientation) const {
  return new GdiFont(height, prop, face, style, orientation);
}

oapi::Font *NullClient::clbkCreateFontEx(int height, char *face, int, int weight, FontStyle style, float) const {
  const FontStyle weighted = weight >= FW_BOLD ? static_cast<FontStyle>(style | FONT_BOLD) : style;
  return new GdiFont(height, true, face, weighted, 0);
}

void NullClient::clbkReleaseFont(oapi::Font *font) const { delete static_cast<GdiFont *>(font); }

oapi::Pen *NullClient::clbkCreatePen(int style, int width, DWORD col) const { return new GdiPen(style, width, col); }

void NullClient::clbkReleasePen(oapi::Pen *pen) const { delete static_cast<GdiPen *>(pen); }

oapi::Brush *NullClient::clbkCreateBrush(DWORD col) const { return new GdiBrush(col); }

void NullClient::clbkReleaseBrush(oapi::Brush *brush) const { delete static_cast<GdiBrush *>(brush); }

HDC NullClient::clbkGetSurfaceDC(SURFHANDLE surf) {
  Surface *surface = Target(surf);
  return surface != nullptr ? surface->FreshDc() : nullptr;
}

// The context goes back to its fresh state, which lets go of the fonts and pens the host selected
// into it, so that the host can delete them.
void NullClient::clbkReleaseSurfaceDC(SURFHANDLE surf, HDC) {
  GdiFlush();
  if (Surface *surface = Target(surf)) surface->FreshDc();
}

void NullClient::Redrawn(const Surface &surface) const {
  if (!capture) return;
  for (int display = 0; display < MAXMFD; ++display) {
    if (GetMFDSurface(display) != &surface) continue;
    capture->Redrawn(display, oapiGetSimTime(), oapiGetSimStep(), surface.Runs(), surface.Width(), surface.Height(),
                     [&](const std::string &path, std::string &error) { return surface.WritePng(path, error); });
    return;
  }
}

}  // namespace nullclient

namespace {

nullclient::NullClient *client = nullptr;

}  // namespace

DLLCLBK void InitModule(HINSTANCE module) {
  client = new nullclient::NullClient(module);
  if (oapiRegisterGraphicsClient(client)) return;
  delete client;
  client = nullptr;
}

DLLCLBK void ExitModule(HINSTANCE) {
  if (client == nullptr) return;
  oapiUnregisterGraphicsClient(client);
  delete client;
  client = nullptr;
}

DLLCLBK void opcLoadState(FILEHANDLE scn) {
  if (client != nullptr) client->ReadSettings(scn);
}
