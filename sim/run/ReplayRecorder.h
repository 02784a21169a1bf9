// The samples of a run that its replay page shows: every vessel's position, orientation and
// docking ports, every exhaust stream as the host holds it, the tethers' pull and stretch, and each
// redraw of the display. Read from the world's public state between frames and from the display
// host as it redraws; the tethers come from Simulation::Tethers, which has the plug-in's display
// write its scenario block (WriteStatus) as a save would, and changes nothing in the plug-in.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/display/Canvas.h"
#include "sim/run/PluginContract.h"
#include "sim/scenario/MeshLibrary.h"
#include "sim/world/Vessel.h"

namespace sim {

class Simulation;
class DisplayHost;
class World;
struct TetherSample;

// A vessel of the replay, as first sampled, and where its samples lie.
struct ReplayVessel {
  std::string name, className;
  double mass = 0;  // kg
  Vec3 pmi;         // m^2
  std::vector<DockingPort> docks;
  int mesh = -1;           // index into the recording's meshes; −1: none, drawn as a box
  size_t firstSample = 0;  // the sample that first holds it; it is in every sample after, until deleted
  // One entry per sample it is in, from firstSample on.
  std::vector<double> x, y, z;        // global, m
  std::vector<float> qx, qy, qz, qw;  // orientation: global = q · vessel frame
  size_t SampleCount() const { return x.size(); }
};

// A mesh that vessels of the recording wear, under its name in the host's Meshes folder.
struct ReplayMesh {
  std::string name;
  const Mesh *mesh = nullptr;  // owned by the recorder's library
};

// One exhaust stream between two frames, in the frame of the vessel that carries it.
struct ReplayStream {
  uint32_t vessel = 0;            // index into the vessels
  int8_t link = -1;               // the tether it draws, −1 when it matches none
  uint8_t texture = 0;            // index into the texture names
  double px = 0, py = 0, pz = 0;  // m
  float dx = 0, dy = 0, dz = 0;   // unit
  double length = 0;              // m
  float width = 0;                // m
};

// The display as one redraw left it, at a simulated time.
struct ReplayRedraw {
  double time = 0;  // s
  // The samples taken before it was drawn: a redraw at a sample's time may come before that sample
  // (at the end of a frame) or after it (keys at the start of the next), which its time cannot tell.
  size_t samplesBefore = 0;
  struct Run {
    int x = 0, y = 0;  // pixels
    std::string text;  // printable ASCII, other bytes as '?'
    COLORREF textColour = 0, backColour = 0;
    bool opaque = false;
  };
  std::vector<Run> runs;
};

class ReplayRecorder {
public:
  static constexpr int linkCount = plugin::linkCount;
  static constexpr uint32_t noVessel = std::numeric_limits<uint32_t>::max();

  // What a recording of a run or a session holds at most, bytes: an hour of nine vessels on eight
  // tethers sampled every 0.1 s takes about 45 MB with the display's redraws, and a page of this
  // much opens in a few seconds.
  static constexpr size_t defaultMaxBytes = size_t{64} << 20;

  // `every`: simulated seconds between samples. `maxBytes` (0: no limit) bounds the memory of a
  // long recording: past it every other sample is dropped and the interval doubles.
  explicit ReplayRecorder(double every, size_t maxBytes = 0);
  ~ReplayRecorder();
  ReplayRecorder(const ReplayRecorder &) = delete;
  ReplayRecorder &operator=(const ReplayRecorder &) = delete;

  // Takes the first sample and the display as it stands, and listens to the display's redraws.
  // With the run's host installation the vessels wear their classes' meshes.
  void Start(Simulation &simulation);
  // After a frame: a sample when the frame reached the next sample time.
  void AfterFrame(Simulation &simulation);
  // The last sample, unless the last frame already took one; stops listening to redraws.
  void Finish(Simulation &simulation);

  // One sample of the world between frames, with the tethers as the plug-in's block and the host's
  // geometry describe them (empty when no display of the plug-in is open). Past `maxBytes`, every
  // other sample is dropped and the interval doubles: the first sample, the newest and the last
  // redraw of each new interval stay.
  void Sample(const World &world, const std::vector<TetherSample> &tethers);
  // A redraw of the display at a simulated time (s): kept when it shows something new.
  void Record(const Canvas &canvas, double time);

  // Seconds between samples: the interval asked for, or a multiple of it once thinned.
  double Every() const { return every; }
  // The bytes of samples and redraws held (without the containers' spare room).
  size_t Bytes() const;
  size_t SampleCount() const { return times.size(); }
  const std::vector<double> &Times() const { return times; }
  const std::vector<uint32_t> &Focus() const { return focus; }
  const std::vector<ReplayVessel> &Vessels() const { return vessels; }
  // The streams of sample i are streams[streamStart[i] .. streamStart[i + 1]).
  const std::vector<ReplayStream> &Streams() const { return streams; }
  const std::vector<uint32_t> &StreamStart() const { return streamStart; }
  const std::vector<std::string> &TextureNames() const { return textureNames; }
  // linkCount entries per sample, link 0 first.
  const std::vector<uint8_t> &TetherConnected() const { return tetherConnected; }
  const std::vector<float> &TetherPull() const { return tetherPull; }        // N
  const std::vector<float> &TetherStretch() const { return tetherStretch; }  // percent
  const std::vector<ReplayRedraw> &Redraws() const { return redraws; }
  // Pixels of the recorded display and of its character cells; 0 when none was open.
  int DisplayWidth() const { return displayWidth; }
  int DisplayHeight() const { return displayHeight; }
  int CellWidth() const { return cellWidth; }
  int CellHeight() const { return cellHeight; }
  const std::vector<ReplayMesh> &Meshes() const { return meshes; }
  // Why a vessel that should wear a mesh does not, one line each.
  const std::vector<std::string> &Notes() const { return notes; }
  // The date at the first sample, MJD; 0 when the recording was not started from a run.
  double StartDate() const { return startDate; }
  double Step() const { return step; }            // s
  double GravityGM() const { return gravityGM; }  // m^3/s^2, 0 without a central body

private:
  uint32_t VesselId(const Vessel *vessel);
  int MeshOf(const std::string &vesselName, const std::string &className);
  uint8_t TextureId(const std::string &name);
  static size_t RedrawBytes(const ReplayRedraw &redraw);
  void Thin();
  void Detach();

  double every;
  double nextSample;
  size_t maxBytes;
  double step = 0, gravityGM = 0, startDate = 0;
  std::unique_ptr<MeshLibrary> meshLibrary;
  std::vector<ReplayMesh> meshes;
  size_t meshBytes = 0;
  std::vector<std::string> notes;
  DisplayHost *listening = nullptr;

  std::vector<double> times;
  std::vector<uint32_t> focus;
  std::vector<ReplayVessel> vessels;
  std::unordered_map<const Vessel *, uint32_t> vesselIds;
  std::vector<ReplayStream> streams;
  std::vector<uint32_t> streamStart{0};
  std::vector<std::string> textureNames;
  std::vector<uint8_t> tetherConnected;
  std::vector<float> tetherPull, tetherStretch;
  std::vector<ReplayRedraw> redraws;
  size_t redrawBytes = 0;
  int displayWidth = 0, displayHeight = 0, cellWidth = 0, cellHeight = 0;
};

// The quaternion (x, y, z, w) of a rotation matrix, w ≥ 0.
void QuaternionFromRotation(const Mat3 &r, double q[4]);

}  // namespace sim
