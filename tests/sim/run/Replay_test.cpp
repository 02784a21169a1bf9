#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/run/ReplayFile.h"
#include "sim/run/ReplayRecorder.h"
#include "sim/run/Simulation.h"
#include "sim/world/World.h"

using sim::ReplayRecorder;
using sim::TetherSample;
using sim::Vec3;
using sim::Vessel;
using sim::World;

namespace {

// A quaternion turned back into a rotation is exact to a few ulps of 1.
constexpr double kRotationTolerance = 1e-12;

// A stream on `vessel` as the plug-in draws a tether: fed by a thruster of its own.
void AddStream(World &world, Vessel &vessel, const char *texture, Vec3 pos, Vec3 dir, double length, double width) {
  sim::Propellant *tank = vessel.CreatePropellant(2, -1, 1);
  sim::Thruster thruster;
  thruster.propellant = tank;
  thruster.dir = {0, 0, 1};
  thruster.maxThrust = 0.01;
  sim::Exhaust e;
  e.thruster = vessel.CreateThruster(thruster);
  e.lscale = length;
  e.wscale = width;
  e.pos = pos;
  e.dir = dir;
  e.texture = world.RegisterExhaustTexture(texture);
  vessel.AddExhaust(e);
}

TetherSample Tether(int link, const char *ship1, const char *ship2) {
  TetherSample t;
  t.link = link;
  t.connected = 1;
  t.ship1 = ship1;
  t.ship2 = ship2;
  t.pull = 100.0 * (link + 1);
  t.stretch = 101;
  return t;
}

std::vector<TetherSample> EightTethers(std::vector<TetherSample> connected) {
  std::vector<TetherSample> all(8);
  for (int i = 0; i < 8; ++i) all[i].link = i;
  for (const TetherSample &t : connected) all[t.link] = t;
  return all;
}

// A column of the encoded data, undone as the page undoes it.
template <class T>
std::vector<T> Column(const std::vector<uint8_t> &data, const std::string &name) {
  uint32_t headerLength = 0;
  for (int i = 0; i < 4; ++i) headerLength |= uint32_t{data[i]} << (8 * i);
  const std::string header(data.begin() + 4, data.begin() + 4 + headerLength);
  // The column's entry: "name":{"type":"…","offset":N,"count":M,"xor":true|false,…}
  const size_t entry = header.find("\"" + name + "\":{\"type\":");
  if (entry == std::string::npos) {
    ADD_FAILURE() << "no column " << name << " in " << header;
    return {};
  }
  auto field = [&](const std::string &key) { return header.find("\"" + key + "\":", entry) + key.size() + 3; };
  const size_t base = (4 + headerLength + 7) / 8 * 8;
  const size_t offset = std::stoul(header.substr(field("offset"))), count = std::stoul(header.substr(field("count")));
  const bool xored = header.compare(field("xor"), 4, "true") == 0;
  constexpr size_t size = sizeof(T);
  std::vector<uint8_t> raw(count * size);
  for (size_t i = 0; i < count; ++i)
    for (size_t b = 0; b < size; ++b) raw[i * size + b] = data[base + offset + b * count + i];
  if (xored)
    for (size_t i = 1; i < count; ++i)
      for (size_t b = 0; b < size; ++b) raw[i * size + b] ^= raw[(i - 1) * size + b];
  std::vector<T> values(count);
  if (count > 0) std::memcpy(values.data(), raw.data(), raw.size());
  return values;
}

std::string Header(const std::vector<uint8_t> &data) {
  uint32_t headerLength = 0;
  for (int i = 0; i < 4; ++i) headerLength |= uint32_t{data[i]} << (8 * i);
  return std::string(data.begin() + 4, data.begin() + 4 + headerLength);
}

}  // namespace

// Each connected tether draws one stream on its first vessel, in link order; a stream of no
// connected tether is marked −1. A vessel deleted mid-run keeps the samples it had.
TEST(ReplayRecorderTest, AssignsStreamsToTethersAndKeepsEachVesselsSamplesTogether) {
  World world;
  Vessel *hub = world.CreateVessel("Hub");
  Vessel *a = world.CreateVessel("A");
  Vessel *b = world.CreateVessel("B");
  a->pos = {100, 0, 0};
  b->pos = {0, 200, 0};
  AddStream(world, *hub, "TetherTaut", {0, 0, 0}, {1, 0, 0}, 100, 1.25);
  AddStream(world, *hub, "Tether3", {0, 0, 1}, {0, 1, 0}, 150, 30);
  AddStream(world, *b, "Tether2", {0, 0, 0}, {0, -1, 0}, 20, 5);

  ReplayRecorder recorder(0.5);
  recorder.Sample(world, EightTethers({Tether(2, "Hub", "A"), Tether(5, "Hub", "B")}));
  world.time = 0.5;
  world.DeleteVessel(a);
  hub->pos = {1, 2, 3};
  recorder.Sample(world, EightTethers({Tether(5, "Hub", "B")}));

  ASSERT_EQ(recorder.SampleCount(), 2u);
  const auto &streams = recorder.Streams();
  ASSERT_EQ(recorder.StreamStart(), (std::vector<uint32_t>{0, 3, 6}));
  // First sample: the hub's two streams are tethers 2 and 5; B carries no tether's stream.
  EXPECT_EQ(streams[0].link, 2);
  EXPECT_EQ(streams[1].link, 5);
  EXPECT_EQ(streams[2].link, -1);
  // Second sample: A is gone, so tether 2 no longer draws; the hub's first stream is tether 5's.
  EXPECT_EQ(streams[3].link, 5);
  EXPECT_EQ(streams[4].link, -1);
  EXPECT_EQ(recorder.TextureNames(), (std::vector<std::string>{"TetherTaut", "Tether3", "Tether2"}));
  EXPECT_EQ(streams[1].texture, 1);
  EXPECT_EQ(streams[1].length, 150);
  EXPECT_EQ(streams[1].width, 30.0f);
  EXPECT_EQ(streams[1].pz, 1);

  const auto &vessels = recorder.Vessels();
  ASSERT_EQ(vessels.size(), 3u);
  EXPECT_EQ(vessels[0].name, "Hub");
  EXPECT_EQ(vessels[0].x, (std::vector<double>{0, 1}));
  EXPECT_EQ(vessels[1].name, "A");
  EXPECT_EQ(vessels[1].SampleCount(), 1u);
  EXPECT_EQ(vessels[2].y, (std::vector<double>{200, 200}));
  EXPECT_EQ(recorder.TetherConnected()[2], 1);
  EXPECT_EQ(recorder.TetherConnected()[8 + 2], 0);
  EXPECT_EQ(recorder.TetherPull()[5], 600.0f);
}

// Past its size a recording drops every other sample, the interval doubles, and the vessels,
// streams and tethers stay aligned with the samples that are left.
TEST(ReplayRecorderTest, ThinsALongRecordingEvenly) {
  auto record = [](ReplayRecorder &recorder, int samples) {
    World world;
    Vessel *tug = world.CreateVessel("Tug");
    for (int i = 0; i < samples; ++i) {
      world.time = 0.1 * i;
      tug->pos.x = i;
      if (i == 3) world.CreateVessel("Late")->pos.x = 30;
      recorder.Sample(world, {});
    }
  };
  ReplayRecorder four(0.1);
  record(four, 4);
  // Room for four samples: the fifth is one too many.
  ReplayRecorder recorder(0.1, four.Bytes());
  record(recorder, 5);
  EXPECT_DOUBLE_EQ(recorder.Every(), 0.2);
  ASSERT_EQ(recorder.SampleCount(), 3u);
  EXPECT_EQ(recorder.Times(), (std::vector<double>{0, 0.2, 0.1 * 4}));
  EXPECT_EQ(recorder.Vessels()[0].x, (std::vector<double>{0, 2, 4}));
  // Created at sample 3, which is dropped: its first kept sample is the old 4, now 2.
  EXPECT_EQ(recorder.Vessels()[1].firstSample, 2u);
  EXPECT_EQ(recorder.Vessels()[1].SampleCount(), 1u);
  EXPECT_EQ(recorder.StreamStart().size(), 4u);
  EXPECT_EQ(recorder.TetherConnected().size(), 3u * ReplayRecorder::linkCount);
  EXPECT_LE(recorder.Bytes(), four.Bytes());
}

#ifndef _WIN32
// pairs.scn, sixteen vessels on eight tethers, for 400 s sampled every 0.1 s into room for a few
// dozen samples and redraws, one vessel deleted on the way: the recording stays within its room, its samples
// stay evenly spaced from the first at 0 s to the last at the end, and each is exactly the sample
// an unbounded recording of the same run took at that time.
TEST(ReplayRecorderTest, ALongRunStaysWithinItsBoundWithExactSamplesFromStartToEnd) {
  sim::Simulation simulation({std::string(KESTRANE_TEST_SCENARIOS) + "/pairs.scn", KESTRANE_MODULE, {}});
  constexpr double every = 0.1;                   // s
  constexpr size_t room = 64 * 1024;              // bytes
  constexpr double evenSpacing = 1e-9;            // s: sample times are sums of steps
  constexpr int frames = 20000, deletion = 7777;  // steps of 0.02 s
  ReplayRecorder bounded(every, room), unbounded(every);
  bounded.Start(simulation);
  unbounded.Sample(simulation.GetWorld(), simulation.Tethers());
  // The most the recording held, and the most one frame added to it (a sample and a redraw).
  size_t largest = 0, growth = 0, previous = bounded.Bytes();
  for (int frame = 1; frame <= frames; ++frame) {
    if (frame == deletion) simulation.DeleteVessel("Pod3");
    const double start = simulation.Time();
    simulation.Frame();
    if (std::floor(simulation.Time() + 1e-9) > std::floor(start + 1e-9)) simulation.RedrawDisplays();
    bounded.AfterFrame(simulation);
    unbounded.AfterFrame(simulation);
    const size_t bytes = bounded.Bytes();
    if (bytes > previous) growth = std::max(growth, bytes - previous);
    largest = std::max(largest, bytes);
    previous = bytes;
  }
  simulation.RedrawDisplays();
  bounded.Finish(simulation);
  unbounded.Finish(simulation);

  // Past its room it halves at the next odd count of samples: it never holds more than two
  // samples and their redraws beyond the room.
  EXPECT_LE(largest, room + 2 * growth);
  EXPECT_GT(largest, room / 2);
  EXPECT_GT(unbounded.Bytes(), 20 * room);
  const std::vector<double> &times = bounded.Times();
  ASSERT_GE(times.size(), 3u);
  EXPECT_EQ(times.front(), 0);
  EXPECT_EQ(times.back(), simulation.Time());
  EXPECT_EQ(times.back(), unbounded.Times().back());
  // The interval doubled each time the recording was thinned.
  const double widened = bounded.Every() / every;
  EXPECT_GE(widened, 64);
  EXPECT_EQ(widened, std::exp2(std::round(std::log2(widened))));
  for (size_t i = 1; i + 1 < times.size(); ++i) EXPECT_NEAR(times[i] - times[i - 1], bounded.Every(), evenSpacing) << i;
  EXPECT_LE(times.back() - times[times.size() - 2], bounded.Every() + evenSpacing);

  // Each kept sample is the unbounded recording's at the same time: vessels, streams, tethers.
  const auto &all = unbounded.Times();
  ASSERT_EQ(bounded.Vessels().size(), unbounded.Vessels().size());
  for (size_t i = 0; i < times.size(); ++i) {
    const size_t j = static_cast<size_t>(std::find(all.begin(), all.end(), times[i]) - all.begin());
    ASSERT_LT(j, all.size()) << "no sample at " << times[i];
    for (size_t v = 0; v < bounded.Vessels().size(); ++v) {
      const sim::ReplayVessel &a = bounded.Vessels()[v], &b = unbounded.Vessels()[v];
      const bool held = i >= a.firstSample && i < a.firstSample + a.SampleCount();
      ASSERT_EQ(held, j >= b.firstSample && j < b.firstSample + b.SampleCount()) << a.name << " at " << times[i];
      if (held) {
        EXPECT_EQ(a.x[i - a.firstSample], b.x[j - b.firstSample]) << a.name << " at " << times[i];
        EXPECT_EQ(a.qw[i - a.firstSample], b.qw[j - b.firstSample]) << a.name << " at " << times[i];
      }
    }
    const auto &aStart = bounded.StreamStart(), &bStart = unbounded.StreamStart();
    ASSERT_EQ(aStart[i + 1] - aStart[i], bStart[j + 1] - bStart[j]) << times[i];
    for (uint32_t k = 0; k < aStart[i + 1] - aStart[i]; ++k)
      EXPECT_EQ(bounded.Streams()[aStart[i] + k].length, unbounded.Streams()[bStart[j] + k].length) << times[i];
    for (int link = 0; link < ReplayRecorder::linkCount; ++link)
      EXPECT_EQ(bounded.TetherPull()[i * ReplayRecorder::linkCount + link],
                unbounded.TetherPull()[j * ReplayRecorder::linkCount + link])
          << times[i];
  }
  // The display keeps its first screen and its last, and changes no more often than the scene.
  const auto &redraws = bounded.Redraws();
  ASSERT_GE(redraws.size(), 2u);
  EXPECT_EQ(redraws.front().time, 0);
  EXPECT_EQ(redraws.back().time, simulation.Time());
  EXPECT_LE(redraws.size(), times.size() + 1);
  // Each says which of the kept samples came before it, through every thinning.
  for (const sim::ReplayRedraw &redraw : redraws) {
    ASSERT_LE(redraw.samplesBefore, times.size()) << redraw.time;
    if (redraw.samplesBefore > 0) {
      EXPECT_LE(times[redraw.samplesBefore - 1], redraw.time) << redraw.time;
    }
    if (redraw.samplesBefore < times.size()) {
      EXPECT_GE(times[redraw.samplesBefore], redraw.time) << redraw.time;
    }
  }
}
#endif

#ifndef _WIN32
// A run with a host folder: each vessel wears its class's mesh, written once however many wear it,
// its visible triangles the file's own, each material's drawn together; a vessel whose mesh is
// missing is a box, and the page is told why. The page also learns the run's date.
TEST(ReplayFileTest, CarriesTheMeshesTheVesselsWear) {
  namespace fs = std::filesystem;
  const fs::path host = fs::path(testing::TempDir()) / "replay_mesh_host";
  fs::remove_all(host);
  fs::create_directories(host / "Config/Vessels");
  fs::create_directories(host / "Meshes");
  std::ofstream(host / "Config/Vessels/Probe.cfg") << "MeshName = Probe\nMass = 100\nInertia = 1 1 1\n";
  // Three groups: a hidden one between two of different materials, the first of the later
  // material.
  std::ofstream(host / "Meshes/Probe.msh") << "MSHX1\nGROUPS 3\nMATERIAL 2\nGEOM 3 1\n"
                                              "0 0 0 0 1 0\n1 0 0 0 1 0\n0 0 1 0 1 0\n0 1 2\n"
                                              "FLAG 2\nGEOM 3 1\n5 5 5\n6 5 5\n5 5 6\n0 1 2\n"
                                              "MATERIAL 1\nGEOM 4 2\n"
                                              "0 2 0 0 0 1\n1 2 0 0 0 1\n1 3 0 0 0 1\n0 3 0 0 0 1\n0 1 2\n0 2 3\n"
                                              "MATERIALS 2\nred\nglass\n"
                                              "MATERIAL red\n1 0 0 1\n0 0 0 1\n0 0 0 1\n0 0 0 1\n"
                                              "MATERIAL glass\n0.5 0.5 1 0.25\n0 0 0 1\n1 1 1 1 20\n0 0 0 1\n";
  const std::string scenario = (host / "probes.scn").string();
  std::ofstream(scenario)
      << "BEGIN_ENVIRONMENT\n  STEP 0.02\n  Date MJD 60000.25\nEND_ENVIRONMENT\n"
         "BEGIN_SHIPS\nP1:Probe\n  RPOS 0 0 0\nEND\nP2:Probe\n  RPOS 10 0 0\nEND\n"
         "Pod:ShuttlePB\n  RPOS 0 10 0\nEND\nBox:Generic\n  MASS 10\n  PMI 1 1 1\n  RPOS 0 0 10\nEND\n"
         "END_SHIPS\n";
  sim::Simulation::Options options(scenario, KESTRANE_MODULE);
  options.hostDir = host.string();
  sim::Simulation simulation(options);
  ReplayRecorder recorder(0.1);
  recorder.Start(simulation);
  simulation.Frame();
  recorder.Finish(simulation);

  ASSERT_EQ(recorder.Meshes().size(), 1u);
  EXPECT_EQ(recorder.Meshes()[0].name, "Probe");
  std::vector<int> worn;
  for (const sim::ReplayVessel &v : recorder.Vessels()) worn.push_back(v.mesh);
  EXPECT_EQ(worn, (std::vector<int>{0, 0, -1, -1}));
  EXPECT_EQ(recorder.Notes(),
            (std::vector<std::string>{"Pod is drawn as a box: no mesh file Meshes/ShuttlePB.msh in '" + host.string() +
                                      "'"}));
  EXPECT_EQ(recorder.StartDate(), 60000.25);

  const std::vector<uint8_t> data = sim::EncodeReplay(recorder, "probes.scn");
  const std::string header = Header(data);
  EXPECT_NE(header.find("\"date\":60000.25"), std::string::npos) << header;
  EXPECT_NE(header.find("\"notes\":[\"Pod is drawn as a box: no mesh file"), std::string::npos) << header;
  EXPECT_NE(header.find("\"materials\":[{\"name\":\"red\",\"diffuse\":[1,0,0,1],\"specular\":[0,0,0],\"power\":0},"
                        "{\"name\":\"glass\",\"diffuse\":[0.5,0.5,1,0.25],\"specular\":[1,1,1],\"power\":20}]"),
            std::string::npos)
      << header;
  // The red square's two triangles first, then the glass triangle; the hidden group is left out.
  EXPECT_NE(
      header.find("\"parts\":[{\"material\":0,\"start\":0,\"count\":6},{\"material\":1,\"start\":6,\"count\":3}]"),
      std::string::npos)
      << header;
  const auto x = Column<float>(data, "meshX"), y = Column<float>(data, "meshY"), z = Column<float>(data, "meshZ");
  const auto ny = Column<int8_t>(data, "meshNy"), nz = Column<int8_t>(data, "meshNz");
  const auto index = Column<uint32_t>(data, "meshIndex");
  ASSERT_EQ(x.size(), 7u);
  ASSERT_EQ(index.size(), 9u);
  auto corner = [&](size_t k) { return std::vector<float>{x[index[k]], y[index[k]], z[index[k]]}; };
  EXPECT_EQ(corner(0), (std::vector<float>{0, 2, 0}));
  EXPECT_EQ(corner(4), (std::vector<float>{1, 3, 0}));
  EXPECT_EQ(corner(7), (std::vector<float>{1, 0, 0}));
  EXPECT_EQ(nz[index[0]], 127);
  EXPECT_EQ(ny[index[7]], 127);
}
#endif

// A redraw is kept when it shows something new; two at one instant leave the later screen; bytes
// that are not printable show as '?'.
TEST(ReplayRecorderTest, RecordsRedrawsThatChangeTheScreen) {
  sim::Canvas canvas(400, 400, 10, 16);
  ReplayRecorder recorder(0.1);
  auto draw = [&](const char *text, COLORREF colour) {
    canvas.Clear();
    canvas.SetForegroundColour(colour);
    canvas.DrawRun(5, 16, text, static_cast<int>(std::strlen(text)));
  };
  draw("Pull 1", 0x00FF00);
  recorder.Record(canvas, 0);
  recorder.Record(canvas, 1);  // the same screen
  draw("Pull 2", 0x00FF00);
  recorder.Record(canvas, 2);
  draw(
      "Pull\x01"
      "3",
      0x0000FF);
  recorder.Record(canvas, 2);  // a key at the same instant
  const auto &redraws = recorder.Redraws();
  ASSERT_EQ(redraws.size(), 2u);
  EXPECT_EQ(redraws[0].time, 0);
  EXPECT_EQ(redraws[1].time, 2);
  ASSERT_EQ(redraws[1].runs.size(), 1u);
  EXPECT_EQ(redraws[1].runs[0].text, "Pull?3");
  EXPECT_EQ(redraws[1].runs[0].textColour, 0x0000FFu);
  EXPECT_EQ(redraws[1].runs[0].y, 16);
  EXPECT_EQ(recorder.CellWidth(), 10);
}

// The rotation's quaternion turns vectors as the matrix does, on every branch of the conversion
// (a large trace, and half turns about each axis).
TEST(ReplayRecorderTest, QuaternionsTurnAsTheirRotations) {
  const sim::Mat3 cases[] = {
      sim::AxisRotation(2, 0.3) * sim::AxisRotation(0, -1.1),
      sim::AxisRotation(0, M_PI) * sim::AxisRotation(1, 0.01),
      sim::AxisRotation(1, M_PI) * sim::AxisRotation(2, 0.02),
      sim::AxisRotation(2, M_PI) * sim::AxisRotation(0, 0.03),
  };
  for (const sim::Mat3 &r : cases) {
    double q[4];
    sim::QuaternionFromRotation(r, q);
    EXPECT_GE(q[3], 0);
    const Vec3 u{q[0], q[1], q[2]};
    for (Vec3 v : {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}) {
      // v' = v + 2w (u × v) + 2 u × (u × v)
      const Vec3 t = Cross(u, v) * 2.0;
      const Vec3 turned = v + t * q[3] + Cross(u, t);
      const Vec3 expected = r * v;
      EXPECT_NEAR(turned.x, expected.x, kRotationTolerance);
      EXPECT_NEAR(turned.y, expected.y, kRotationTolerance);
      EXPECT_NEAR(turned.z, expected.z, kRotationTolerance);
    }
  }
}

// The encoded columns give back every number bit for bit, and the header names the vessels.
TEST(ReplayFileTest, EncodedColumnsReadBackExactly) {
  World world;
  world.gravityGM = 3.986004418e14;
  Vessel *tug = world.CreateVessel("Tug \"one\"");
  tug->docks.push_back({{3, 0, 0}, {1, 0, 0}, {0, 0, 1}});
  AddStream(world, *tug, "TetherTaut", {0, 0, 0}, {0.6, 0.8, 0}, 1234.5678, 1.5);
  ReplayRecorder recorder(0.1);
  const double xs[] = {7000328.215, 7000328.215 + 1e-9, -6998358.599, 0.1 + 0.2};
  for (int i = 0; i < 4; ++i) {
    world.time = 0.1 * i;
    tug->pos = {xs[i], -xs[i] / 3, 1e-300};
    recorder.Sample(world, EightTethers({}));
  }
  const std::vector<uint8_t> data = sim::EncodeReplay(recorder, "orbit.scn");
  const std::string header = Header(data);
  EXPECT_NE(header.find("\"title\":\"orbit.scn\""), std::string::npos) << header;
  EXPECT_NE(header.find("\"name\":\"Tug \\\"one\\\"\""), std::string::npos) << header;
  EXPECT_NE(header.find("\"gravityGM\":398600441800000"), std::string::npos) << header;
  EXPECT_NE(header.find("\"docks\":[{\"pos\":[3,0,0],\"dir\":[1,0,0],\"rot\":[0,0,1]}]"), std::string::npos) << header;

  EXPECT_EQ(Column<double>(data, "time"), recorder.Times());
  const auto x = Column<double>(data, "x"), y = Column<double>(data, "y"), z = Column<double>(data, "z");
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(x[i], xs[i]);
    EXPECT_EQ(y[i], -xs[i] / 3);
    EXPECT_EQ(z[i], 1e-300);
  }
  EXPECT_EQ(Column<float>(data, "qw"), (std::vector<float>{1, 1, 1, 1}));
  EXPECT_EQ(Column<double>(data, "streamLength"), (std::vector<double>(4, 1234.5678)));
  EXPECT_EQ(Column<float>(data, "streamDy"), (std::vector<float>(4, 0.8f)));
  EXPECT_EQ(Column<uint32_t>(data, "streamStart"), (std::vector<uint32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Column<uint32_t>(data, "focus"), (std::vector<uint32_t>(4, 0)));
}

TEST(ReplayFileTest, CompressesAndEncodesLosslessly) {
  EXPECT_EQ(sim::Base64({}), "");
  EXPECT_EQ(sim::Base64({'f'}), "Zg==");
  EXPECT_EQ(sim::Base64({'f', 'o'}), "Zm8=");
  EXPECT_EQ(sim::Base64({'f', 'o', 'o'}), "Zm9v");
  EXPECT_EQ(sim::Base64({'f', 'o', 'o', 'b', 'a', 'r'}), "Zm9vYmFy");
  EXPECT_EQ(sim::Base64({0xFB, 0xFF}), "+/8=");

  std::vector<uint8_t> bytes(3 << 20);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  const std::vector<uint8_t> packed = sim::Deflate(bytes);
  std::vector<uint8_t> unpacked(bytes.size());
  uLongf length = static_cast<uLongf>(unpacked.size());
  ASSERT_EQ(uncompress(unpacked.data(), &length, packed.data(), static_cast<uLong>(packed.size())), Z_OK);
  EXPECT_EQ(length, bytes.size());
  EXPECT_EQ(unpacked, bytes);
}

// The page is the template with the data in its one slot; a build without the page says so.
TEST(ReplayFileTest, WritesTheTemplateWithTheData) {
  World world;
  world.CreateVessel("Tug");
  ReplayRecorder recorder(0.1);
  recorder.Sample(world, {});
  const std::string path = testing::TempDir() + "replay_page_test.html";
  std::string error;
  const std::string_view page = sim::ReplayPageTemplate();
  const bool written = sim::WriteReplayPage(path, recorder, "t.scn", error);
  if (page.empty()) {
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("without the replay page"), std::string::npos) << error;
    return;
  }
  ASSERT_TRUE(written) << error;
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const size_t slot = page.find(sim::replayDataSlot);
  ASSERT_NE(slot, std::string_view::npos);
  const std::string data = sim::Base64(sim::Deflate(sim::EncodeReplay(recorder, "t.scn")));
  EXPECT_EQ(text.str(),
            std::string(page.substr(0, slot)) + data + std::string(page.substr(slot + sim::replayDataSlot.size())));

  EXPECT_FALSE(sim::WriteReplayPage(testing::TempDir() + "no/such/folder/x.html", recorder, "t.scn", error));
  EXPECT_NE(error.find("no/such/folder/x.html"), std::string::npos) << error;
}
