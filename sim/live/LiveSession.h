// The simulated host in the browser: one scenario run with the plug-in linked in, frame by frame
// as the page's clock asks, with the keys and button clicks typed on the page going to the display
// as `kestrane-sim run --keys` delivers them, and the state the page draws read out between frames.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/OrbiterAPI.h"
#include "sim/run/ReplayRecorder.h"
#include "sim/run/Simulation.h"

namespace sim {

class LiveSession {
public:
  // The file the plug-in is linked in place of.
  static constexpr const char *pluginFile = "kestrane.so";

  // Runs the scenario text, read as the file `name`: the module linked in is loaded, the world
  // populated and the display opened, as `run` does. Throws ScenarioError or SimulationError.
  LiveSession(const std::string &name, const std::string &text);
  ~LiveSession();
  LiveSession(const LiveSession &) = delete;
  LiveSession &operator=(const LiveSession &) = delete;

  // A key (a scan code, or DisplayHost::ButtonKey for a click on a button of the page shown) for
  // the display: pressed at the start of the next frame, after the keys before it.
  void Queue(DWORD key);
  // The keys queued, pressed now, between frames (the clock is stopped).
  void PressQueued();
  // `count` frames, the keys queued going with the first, as `run` runs them: the frame, then a
  // redraw of the display when it crossed a whole second. Stops at a frame after which no frame
  // can carry on.
  void Frames(int count);

  double Time() const;
  double Step() const;
  // Why the run cannot go on, in one line; empty while it can.
  const std::string &Broken() const { return broken; }

  // What stays for the session, as JSON: the scenario's description, step, central body and date,
  // the display's geometry, warnings about the plug-in's block, and the vessels (name, class,
  // mass, inertia, docking ports), in the order of the state's numbers.
  std::string Describe() const;
  // The state now, as numbers: time, date (MJD; 0 without one), focus vessel, vessel count, stream
  // count, texture name count; then per vessel x, y, z (global, m), its velocity (m/s) and the
  // orientation quaternion x, y, z, w; per link 0-7 connected, pull (N), stretch (%); per exhaust stream its vessel,
  // link (−1: none), texture, position and direction in the vessel's frame, length and width (m).
  const std::vector<double> &State();
  // What State() gave last.
  const std::vector<double> &LastState() const { return state; }
  // The names the streams' texture numbers stand for, as JSON.
  std::string TextureNames() const;
  // The display as last drawn, as JSON: its runs of text (x, y, text, colour, background colour,
  // opaque), its rows as `run --screen` writes them, the labels of the page of buttons shown,
  // that page, whether the button menu is shown, and how often it was drawn.
  std::string Screen();
  // How often the display was drawn: its screen changes only with it.
  int Redraws();
  // The whole scenario as it stands, as a save writes it.
  std::string Save();
  // The run so far as its replay would record it, sampled every tenth of a second of simulated
  // time (and thinned as it grows): the tethers' plots are drawn from it.
  const ReplayRecorder &History() const { return *history; }
  // One sample of the tethers and the vessels as `run --tethers` and `--vessels` write it: the
  // header and rows of each file, between them an empty line.
  std::string SampleCsv();

private:
  std::string path;
  std::unique_ptr<Simulation> simulation;
  std::unique_ptr<ReplayRecorder> history;  // listens to the simulation's display: goes first
  std::vector<DWORD> queued;
  std::vector<double> state;
  std::vector<std::string> textures;
  std::string broken;
  std::vector<std::string> warnings;
};

}  // namespace sim
