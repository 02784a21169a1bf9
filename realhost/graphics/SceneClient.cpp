#include "SceneClient.h"

#include <imgui.h>

#include <string>

#include "TextRoute.h"

namespace nullclient {

namespace {

SceneClient *client = nullptr;

}  // namespace

void Fail(const std::string &reason) { oapiWriteLogV("D3D7Client: error: %s", reason.c_str()); }

SceneClient::SceneClient(HINSTANCE module) : oapi::D3D7Client(module) { client = this; }

SceneClient::~SceneClient() {
  if (client == this) client = nullptr;
}

void SceneClient::ReadSettings(FILEHANDLE scn) {
  ClientSettings settings;
  char *line = nullptr;
  while (oapiReadScenario_nextline(scn, line)) {
    const std::string problem = settings.ReadLine(line);
    if (!problem.empty()) Fail("in BEGIN_D3D7Client: " + problem);
  }
  capture = std::make_unique<DisplayCapture>(std::move(settings));
}

// A window on the virtual display, never the whole screen.
HWND SceneClient::clbkCreateRenderWindow() {
  GetVideoData()->fullscreen = false;
  return oapi::D3D7Client::clbkCreateRenderWindow();
}

void SceneClient::clbkPostCreation() {
  oapi::D3D7Client::clbkPostCreation();
  RouteTextCalls(RunsOfDc);
}

// A vessel's module may draw on a display: its text calls are routed as it arrives.
void SceneClient::clbkNewVessel(OBJHANDLE vessel) {
  oapi::D3D7Client::clbkNewVessel(vessel);
  RouteTextCalls(RunsOfDc);
}

void SceneClient::clbkCloseSession(bool fastclose) {
  if (capture) capture->Finish();
  capture.reset();
  oapi::D3D7Client::clbkCloseSession(fastclose);
}

void SceneClient::clbkImGuiInit() {
  // The host's dialogs need a built font atlas; the host's own fonts may not be installed.
  ImGuiIO &io = ImGui::GetIO();
  io.BackendRendererName = "D3D7Client";
  if (io.Fonts->Fonts.empty()) io.Fonts->AddFontDefault();
  unsigned char *pixels = nullptr;
  int width = 0, height = 0;
  io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
}

// A surface the host draws text on again and again without clearing it (an instrument of a panel)
// keeps its latest runs only.
constexpr size_t mostRuns = 4096;

std::vector<TextRun> *SceneClient::RunsOfDc(HDC dc) {
  if (client == nullptr) return nullptr;
  const auto found = client->drawing.find(dc);
  if (found == client->drawing.end()) return nullptr;
  std::vector<TextRun> &runs = client->texts[found->second];
  if (runs.size() >= mostRuns) runs.erase(runs.begin(), runs.begin() + mostRuns / 2);
  return &runs;
}

// The render window's own surface (none) is drawn on every frame and is no display's: its text is
// not kept.
HDC SceneClient::clbkGetSurfaceDC(SURFHANDLE surf) {
  HDC dc = oapi::D3D7Client::clbkGetSurfaceDC(surf);
  if (dc != nullptr && surf != nullptr) drawing[dc] = surf;
  return dc;
}

void SceneClient::clbkReleaseSurfaceDC(SURFHANDLE surf, HDC dc) {
  drawing.erase(dc);
  oapi::D3D7Client::clbkReleaseSurfaceDC(surf, dc);
}

bool SceneClient::clbkReleaseSurface(SURFHANDLE surf) {
  // The surface goes with its last reference, and its text with it.
  if (surf != nullptr) {
    auto *surface = static_cast<LPDIRECTDRAWSURFACE7>(surf);
    surface->AddRef();
    if (surface->Release() == 1) texts.erase(surf);
  }
  return oapi::D3D7Client::clbkReleaseSurface(surf);
}

PixelArea SceneClient::Whole(SURFHANDLE surf) const {
  DWORD w = 0, h = 0;
  const_cast<SceneClient *>(this)->clbkGetSurfaceSize(surf, &w, &h);
  return PixelArea{0, 0, static_cast<int>(w), static_cast<int>(h)};
}

bool SceneClient::clbkFillSurface(SURFHANDLE surf, DWORD col) const {
  texts.erase(surf);
  return oapi::D3D7Client::clbkFillSurface(surf, col);
}

bool SceneClient::clbkFillSurface(SURFHANDLE surf, DWORD tgtx, DWORD tgty, DWORD w, DWORD h, DWORD col) const {
  ForgetRuns(texts[surf], PixelArea{static_cast<int>(tgtx), static_cast<int>(tgty), static_cast<int>(tgtx + w),
                                    static_cast<int>(tgty + h)});
  return oapi::D3D7Client::clbkFillSurface(surf, tgtx, tgty, w, h, col);
}

bool SceneClient::clbkBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, SURFHANDLE src, DWORD flag) const {
  const bool copied = oapi::D3D7Client::clbkBlt(tgt, tgtx, tgty, src, flag);
  if (copied && src != nullptr) Copied(tgt, static_cast<int>(tgtx), static_cast<int>(tgty), src, Whole(src));
  return copied;
}

bool SceneClient::clbkBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, SURFHANDLE src, DWORD srcx, DWORD srcy, DWORD w,
                          DWORD h, DWORD flag) const {
  const bool copied = oapi::D3D7Client::clbkBlt(tgt, tgtx, tgty, src, srcx, srcy, w, h, flag);
  if (copied && src != nullptr)
    Copied(tgt, static_cast<int>(tgtx), static_cast<int>(tgty), src,
           PixelArea{static_cast<int>(srcx), static_cast<int>(srcy), static_cast<int>(srcx + w),
                     static_cast<int>(srcy + h)});
  return copied;
}

// A scaled copy changes the text's size: the area holds no text the display's rows could show.
bool SceneClient::clbkScaleBlt(SURFHANDLE tgt, DWORD tgtx, DWORD tgty, DWORD tgtw, DWORD tgth, SURFHANDLE src,
                               DWORD srcx, DWORD srcy, DWORD srcw, DWORD srch, DWORD flag) const {
  ForgetRuns(texts[tgt], PixelArea{static_cast<int>(tgtx), static_cast<int>(tgty), static_cast<int>(tgtx + tgtw),
                                   static_cast<int>(tgty + tgth)});
  return oapi::D3D7Client::clbkScaleBlt(tgt, tgtx, tgty, tgtw, tgth, src, srcx, srcy, srcw, srch, flag);
}

void SceneClient::Copied(SURFHANDLE tgt, int tgtx, int tgty, SURFHANDLE src, PixelArea area) const {
  const auto source = texts.find(src);
  if (source != texts.end())
    CopyRuns(source->second, area, tgtx, tgty, texts[tgt]);
  else
    ForgetRuns(texts[tgt], PixelArea{tgtx, tgty, tgtx + area.right - area.left, tgty + area.bottom - area.top});
  if (!capture || tgt == nullptr) return;
  for (int display = 0; display < MAXMFD; ++display) {
    if (GetMFDSurface(display) != tgt) continue;
    const PixelArea whole = Whole(tgt);
    // The picture is the surface the display was drawn in; the host's save takes a name without
    // its extension.
    auto *self = const_cast<SceneClient *>(this);
    capture->Redrawn(display, oapiGetSimTime(), oapiGetSimStep(), texts[tgt], whole.right, whole.bottom,
                     [self, src](const std::string &path, std::string &error) {
                       const std::string stem = path.size() > 4 && path.compare(path.size() - 4, 4, ".png") == 0
                                                    ? path.substr(0, path.size() - 4)
                                                    : path;
                       if (self->GDIClient::clbkSaveSurfaceToImage(src, stem.c_str(), oapi::IMAGE_PNG)) return true;
                       error = "the display's picture could not be written to '" + path + "'";
                       return false;
                     });
    return;
  }
}

}  // namespace nullclient

// The client the host's module entry registers.
oapi::D3D7Client *NewGraphicsClient(HINSTANCE module) { return new nullclient::SceneClient(module); }

DLLCLBK void opcLoadState(FILEHANDLE scn) {
  if (nullclient::client != nullptr) nullclient::client->ReadSettings(scn);
}
