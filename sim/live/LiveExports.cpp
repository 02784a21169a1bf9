// What the page calls: one session at a time, the scenario's text in, numbers and JSON texts out.
// A text returned stays valid until the next call that returns one.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <memory>
#include <string>

#include "sim/cli/KeyGuide.h"
#include "sim/cli/KeyNames.h"
#include "sim/live/LiveSession.h"
#include "sim/play/TypedKeys.h"
#include "sim/scenario/ScenarioFile.h"
#include "tools/Textures.h"

namespace {

std::unique_ptr<sim::LiveSession> session;
std::string text;  // the last text returned

const char *Returned(std::string value) {
  text = std::move(value);
  return text.c_str();
}

}  // namespace

extern "C" {

// Starts the scenario: "" on success, else why it cannot run (the session before it is gone).
EMSCRIPTEN_KEEPALIVE const char *kestrane_open(const char *name, const char *scenario) {
  session.reset();
  try {
    session = std::make_unique<sim::LiveSession>(name, scenario);
    return Returned("");
  } catch (const std::exception &e) {
    return Returned(e.what());
  }
}

EMSCRIPTEN_KEEPALIVE const char *kestrane_describe() { return Returned(session ? session->Describe() : "null"); }

// The scan code of a typed character as `play` maps it, 0 for none.
EMSCRIPTEN_KEEPALIVE uint32_t kestrane_typed_key(int character) {
  return sim::ScanCodeForCharacter(character).value_or(0);
}

// The code of a key as `run --keys` names it (BTN1 to BTN12 for the buttons of the page shown),
// 0 for none.
EMSCRIPTEN_KEEPALIVE uint32_t kestrane_key_code(const char *name) { return sim::KeyCode(name).value_or(0); }

// The display's keys as JSON: name (as --keys takes it), the character typed, and what it does.
EMSCRIPTEN_KEEPALIVE const char *kestrane_keys() {
  // The names, characters and commands are printable ASCII.
  const auto quoted = [](const std::string &value) {
    std::string out = "\"";
    for (char c : value) out += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
  };
  std::string json = "[";
  for (const sim::DisplayKeyHelp &key : sim::DisplayKeys())
    json += (json.size() > 1 ? ",[" : "[") + quoted(key.name) + "," + quoted(std::string(1, key.typed)) + "," +
            quoted(key.command) + "]";
  return Returned(json + "]");
}

EMSCRIPTEN_KEEPALIVE void kestrane_queue(uint32_t key) {
  if (session) session->Queue(key);
}

EMSCRIPTEN_KEEPALIVE void kestrane_press_queued() {
  if (session) session->PressQueued();
}

// Runs `count` frames; the simulated time reached (s).
EMSCRIPTEN_KEEPALIVE double kestrane_frames(int count) {
  if (!session) return 0;
  session->Frames(count);
  return session->Time();
}

EMSCRIPTEN_KEEPALIVE double kestrane_time() { return session ? session->Time() : 0; }
EMSCRIPTEN_KEEPALIVE double kestrane_step() { return session ? session->Step() : 0; }
EMSCRIPTEN_KEEPALIVE const char *kestrane_broken() { return Returned(session ? session->Broken() : ""); }

// The state's numbers now (LiveSession::State); their count is kestrane_state_size's.
EMSCRIPTEN_KEEPALIVE const double *kestrane_state() { return session ? session->State().data() : nullptr; }
EMSCRIPTEN_KEEPALIVE int kestrane_state_size() { return session ? static_cast<int>(session->LastState().size()) : 0; }
EMSCRIPTEN_KEEPALIVE const char *kestrane_texture_names() { return Returned(session ? session->TextureNames() : "[]"); }

EMSCRIPTEN_KEEPALIVE int kestrane_redraws() { return session ? session->Redraws() : 0; }
EMSCRIPTEN_KEEPALIVE const char *kestrane_screen() { return Returned(session ? session->Screen() : "null"); }
// The history of the tethers: its sample count, and the samples' times (s), and per sample and link
// whether it was connected, its pull (N) and its stretch (%).
EMSCRIPTEN_KEEPALIVE int kestrane_history_count() {
  return session ? static_cast<int>(session->History().SampleCount()) : 0;
}
EMSCRIPTEN_KEEPALIVE const double *kestrane_history_times() { return session->History().Times().data(); }
EMSCRIPTEN_KEEPALIVE const uint8_t *kestrane_history_connected() { return session->History().TetherConnected().data(); }
EMSCRIPTEN_KEEPALIVE const float *kestrane_history_pull() { return session->History().TetherPull().data(); }
EMSCRIPTEN_KEEPALIVE const float *kestrane_history_stretch() { return session->History().TetherStretch().data(); }

EMSCRIPTEN_KEEPALIVE const char *kestrane_save() { return Returned(session ? session->Save() : ""); }
EMSCRIPTEN_KEEPALIVE const char *kestrane_sample_csv() { return Returned(session ? session->SampleCsv() : ""); }

// The tether's textures, as the host loads them: their count, and texture `index`'s name, size
// and pixels (RGBA, the top row first).
EMSCRIPTEN_KEEPALIVE int kestrane_texture_count() { return static_cast<int>(textures::MakeAll().size()); }
EMSCRIPTEN_KEEPALIVE const char *kestrane_texture_name(int index) {
  return Returned(textures::MakeAll().at(index).name);
}
EMSCRIPTEN_KEEPALIVE int kestrane_texture_width() { return textures::kWidth; }
EMSCRIPTEN_KEEPALIVE int kestrane_texture_height() { return textures::kHeight; }
EMSCRIPTEN_KEEPALIVE const uint8_t *kestrane_texture_pixels(int index) {
  static std::vector<textures::Texture> made;
  made = textures::MakeAll();
  return &made.at(index).pixels.front().r;
}

}  // extern "C"
