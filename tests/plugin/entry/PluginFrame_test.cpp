#include "plugin/entry/PluginFrame.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <dlfcn.h>
#endif

#include "plugin/display/TetherDisplay.h"
#include "plugin/entry/Callbacks.h"
#include "plugin/math/VecMath.h"
#include "plugin/registry/TetherData.h"
#include "sim/display/DisplayHost.h"
#include "sim/scenario/ScenarioStream.h"
#include "support/TestWorld.h"

namespace kestrane {

namespace {

// The handle under which the program finds its own exports, as a module's entry is given its own.
HINSTANCE OpenSelf() {
#ifdef _WIN32
  return GetModuleHandleA(nullptr);
#else
  return dlopen(nullptr, RTLD_NOW);
#endif
}

void CloseSelf(HINSTANCE self) {
#ifndef _WIN32
  dlclose(self);
#else
  (void)self;
#endif
}

// The module entry and the host callbacks, in a test program that exports its own symbols as the
// module does, so that the entry finds the callbacks by name.
class PluginFrameTest : public WorldTest {
protected:
  void SetUp() override {
    self = OpenSelf();
    ASSERT_NE(self, nullptr);
    ASSERT_EQ(tetherData, nullptr);
    ASSERT_EQ(initialised, 0);
  }

  void TearDown() override {
    opcDLLExit(self);
    CloseSelf(self);
  }

  static size_t Objects(const sim::Vessel *v) {
    return v->Propellants().size() + v->Thrusters().size() + v->Exhausts().size();
  }

  HINSTANCE self = nullptr;
  sim::DisplayHost displays;
};

TEST_F(PluginFrameTest, LoadingFillsTheTableAndCreatesTheRegistry) {
  EXPECT_EQ(DllMain(self, DLL_PROCESS_ATTACH, nullptr), TRUE);
  const CallbackTable *table = __opcGetInterface();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->openRenderViewport, &opcOpenRenderViewport);
  EXPECT_EQ(table->closeRenderViewport, &opcCloseRenderViewport);
  EXPECT_EQ(table->timestep, &opcTimestep);
  EXPECT_EQ(table->focusChanged, nullptr);
  EXPECT_EQ(table->timeAccChanged, nullptr);

  ASSERT_NE(tetherData, nullptr);
  EXPECT_EQ(initialised, 1);
  ASSERT_EQ(displays.ModeCount(), 1u);
  EXPECT_EQ(displays.ModeAt(0).Name(), "Kestrane");
  EXPECT_EQ(displays.ModeAt(0).Key(), 20u);
  EXPECT_EQ(displays.ModeAt(0).Spec().msgproc, &ModeMessageProc);

  // Thread notifications change nothing and never refuse.
  TetherData *registry = tetherData;
  EXPECT_EQ(DllMain(self, DLL_THREAD_ATTACH, nullptr), TRUE);
  EXPECT_EQ(DllMain(self, DLL_THREAD_DETACH, nullptr), TRUE);
  EXPECT_EQ(tetherData, registry);
  EXPECT_EQ(initialised, 1);
  EXPECT_EQ(displays.ModeCount(), 1u);

  // Unloading destroys the registry and leaves the table as it was.
  EXPECT_EQ(DllMain(self, DLL_PROCESS_DETACH, nullptr), TRUE);
  EXPECT_EQ(tetherData, nullptr);
  EXPECT_EQ(initialised, 0);
  EXPECT_EQ(table->timestep, &opcTimestep);
  opcTimestep(0, 0.02, 0);
  opcCloseRenderViewport();
}

TEST_F(PluginFrameTest, TheStepRunsOnlyBetweenInitAndExit) {
  AddVessel("Tug", {0, 0, 0});
  sim::Vessel *pod = AddVessel("Pod", {500, 0, 0});

  // A registry that the module did not set up is not stepped.
  {
    TetherData stray;
    tetherData = &stray;
    stray.TM[0]->Connect("Tug", "Pod", 1000, 10000, MakeVector(0, 0, 0), MakeVector(0, 0, 0));
    opcTimestep(0, 0.02, 0);
    EXPECT_EQ(stray.records[0].connected, 0);
    tetherData = nullptr;
  }

  opcDLLInit(self);
  ASSERT_NE(tetherData, nullptr);
  tetherData->TM[0]->Connect("Pod", "Tug", 1000, 10000, MakeVector(0, 0, 0), MakeVector(0, 0, 0));
  opcTimestep(0, 0.02, 0);
  EXPECT_EQ(tetherData->records[0].connected, 1);
  EXPECT_EQ(pod->Exhausts().size(), 1u);

  opcDLLExit(self);
  EXPECT_EQ(tetherData, nullptr);
  EXPECT_EQ(Objects(pod), 0u);
  opcTimestep(0, 0.02, 0);
}

TEST_F(PluginFrameTest, SecondInitKeepsTheRegistryAndTheOneMode) {
  opcDLLInit(self);
  TetherData *registry = tetherData;
  registry->setupLength = 5;
  opcDLLInit(self);
  EXPECT_EQ(tetherData, registry);
  EXPECT_EQ(tetherData->setupLength, 5);
  EXPECT_EQ(displays.ModeCount(), 1u) << "the host lists the display mode once";

  // After an exit the next init starts afresh.
  opcDLLExit(self);
  EXPECT_EQ(displays.ModeCount(), 0u);
  opcDLLInit(self);
  ASSERT_NE(tetherData, nullptr);
  EXPECT_EQ(tetherData->setupLength, 1000);
  EXPECT_EQ(displays.ModeCount(), 1u);
}

// The modern host calls opcDLLInit by name after the loader's notification has called it, and
// opcDLLExit by name before unloading, after which the loader's notification calls it again.
TEST_F(PluginFrameTest, HostAndEntryInitialiseAndEndTheModuleOnceWhicheverComesFirst) {
  DllMain(self, DLL_PROCESS_ATTACH, nullptr);
  TetherData *registry = tetherData;
  opcDLLInit(self);
  EXPECT_EQ(tetherData, registry);
  ASSERT_EQ(displays.ModeCount(), 1u);
  std::string error;
  ASSERT_NE(displays.Open("Kestrane", nullptr, &error), nullptr) << error;

  // The exit unregisters the mode, which closes its display while the module is still there.
  opcDLLExit(self);
  EXPECT_EQ(tetherData, nullptr);
  EXPECT_EQ(displays.ModeCount(), 0u);
  EXPECT_EQ(displays.DisplayCount(), 0u);
  EXPECT_EQ(DllMain(self, DLL_PROCESS_DETACH, nullptr), TRUE);
  EXPECT_EQ(tetherData, nullptr);
  EXPECT_EQ(initialised, 0);

  // A host that registered nothing itself sees the same through the entry alone.
  DllMain(self, DLL_PROCESS_ATTACH, nullptr);
  EXPECT_EQ(displays.ModeCount(), 1u);
  DllMain(self, DLL_PROCESS_DETACH, nullptr);
  EXPECT_EQ(displays.ModeCount(), 0u);
  EXPECT_EQ(tetherData, nullptr);
}

// The classic host steps the module with opcTimestep, the modern host with opcPreStep; a host may
// call both in one frame. Each way the tether reels once per frame: 10 frames of 0.02 s at 1 m/s
// shorten it by 0.2 m.
TEST_F(PluginFrameTest, TheTethersStepOncePerFrameWhicheverStepCallbacksTheHostCalls) {
  AddVessel("Tug", {0, 0, 0});
  AddVessel("Pod", {500, 0, 0});
  opcDLLInit(self);
  auto lengthAfterTenFrames = [this](auto callbacks) {
    opcOpenRenderViewport(nullptr, 800, 600, FALSE);
    tetherData->TM[0]->Connect("Tug", "Pod", 1000, 10000, MakeVector(0, 0, 0), MakeVector(0, 0, 0));
    tetherData->TM[0]->reelSpeed = -1.0;
    for (int frame = 0; frame < 10; ++frame) world.Frame(callbacks);
    const double length = tetherData->records[0].length;
    opcCloseRenderViewport();
    return length;
  };
  const double timestepAlone = lengthAfterTenFrames([] { opcTimestep(0, 0.02, 0); });
  EXPECT_NEAR(timestepAlone, 1000 - 10 * 0.02, 1e-9);
  EXPECT_EQ(lengthAfterTenFrames([] { opcPreStep(0, 0.02, 0); }), timestepAlone);
  EXPECT_EQ(lengthAfterTenFrames([] {
              opcPreStep(0, 0.02, 0);
              opcTimestep(0, 0.02, 0);
            }),
            timestepAlone);
  EXPECT_EQ(lengthAfterTenFrames([] {
              opcTimestep(0, 0.02, 0);
              opcPreStep(0, 0.02, 0);
            }),
            timestepAlone);
}

TEST_F(PluginFrameTest, ClosingTheViewportDisconnectsEveryLinkAndKeepsTheSetup) {
  sim::Vessel *tug = AddVessel("Tug", {0, 0, 0});
  sim::Vessel *pod = AddVessel("Pod", {500, 0, 0});
  sim::Vessel *buoy = AddVessel("Buoy", {0, 700, 0});
  opcDLLInit(self);
  TetherData &registry = *tetherData;
  const VECTOR3 origin = MakeVector(0, 0, 0);
  registry.TM[0]->Connect("Tug", "Pod", 1000, 10000, origin, origin);
  registry.TM[3]->Connect("Pod", "Buoy", 600, 10000, origin, origin);
  registry.TM[7]->Connect("Buoy", "Tug", 900, 10000, origin, origin);
  registry.setupLength = 2500;
  registry.setupForce = 1234;
  registry.setupTargetIndex = 2;
  registry.currentTether = 3;
  registry.attachTypeV1 = 1;
  registry.attachNoV1 = 2;
  registry.attachTypeV2 = 2;
  registry.attachNoV2 = 1;
  world.Frame([] { opcTimestep(0, 0.02, 0); });

  // Opening a viewport changes nothing.
  opcOpenRenderViewport(nullptr, 800, 600, FALSE);
  EXPECT_EQ(registry.TM[3]->IsConnected(), 1);
  EXPECT_EQ(pod->Exhausts().size(), 1u);

  opcCloseRenderViewport();
  for (TetherLink *link : registry.TM) EXPECT_EQ(link->IsConnected(), 0);
  EXPECT_EQ(Objects(tug) + Objects(pod) + Objects(buoy), 0u);
  EXPECT_EQ(registry.setupLength, 2500);
  EXPECT_EQ(registry.setupForce, 1234);
  EXPECT_EQ(registry.setupTargetIndex, 2u);
  EXPECT_EQ(registry.currentTether, 3);
  EXPECT_EQ(registry.attachTypeV1, 1);
  EXPECT_EQ(registry.attachNoV1, 2);
  EXPECT_EQ(registry.attachTypeV2, 2);
  EXPECT_EQ(registry.attachNoV2, 1);
  EXPECT_EQ(registry.records[7].connected, 1);
  EXPECT_EQ(tetherData, &registry);
}

// The module's own block carries the display's lines, so a save with no display of the mode open
// keeps the tethers; a load reads to the host's END and no further.
TEST_F(PluginFrameTest, ModuleBlockKeepsTheTethersWithoutADisplay) {
  AddVessel("Tug", {0, 0, 0});
  AddVessel("Pod", {500, 0, 0});
  opcDLLInit(self);
  tetherData->TM[2]->Connect("Tug", "Pod", 450, 2000, MakeVector(0, 0, 0), MakeVector(0, 0, 0));
  tetherData->TM[2]->DecreaseReelSpeed();
  tetherData->setupLength = 750;
  world.Frame([] { opcTimestep(0, 0.02, 0); });

  sim::ScenarioStream module, display;
  opcSaveState(module.Handle());
  tetherData->WriteScenario(display.Handle());
  EXPECT_EQ(module.Written(), display.Written());
  ASSERT_EQ(module.Written().size(), 24u);
  EXPECT_EQ(module.Written()[10], "  TetherData 2 CONNECT 1");

  opcDLLExit(self);
  opcDLLInit(self);
  std::vector<std::string> lines = module.Written();
  lines.push_back("END");
  lines.push_back("CurrentTether 5");
  sim::ScenarioStream in(lines);
  opcLoadState(in.Handle());
  EXPECT_EQ(in.LinesRead(), 25u);
  EXPECT_EQ(tetherData->TM[2]->IsConnected(), 1);
  EXPECT_EQ(tetherData->TM[2]->reelSpeed, -0.1f);
  EXPECT_EQ(tetherData->setupLength, 750);
  EXPECT_EQ(tetherData->currentTether, 0);
}

// A file saved now holds the module's block and, for each display of the mode that was open, the
// same lines in the display's block. The host reads the module's block first and the displays'
// after it; a host or a plug-in that knows nothing of the module's block reads the display's
// alone, as in a file saved before the module had a block. Every way leaves the same tethers: the
// second read ties each link again in place, with nothing of the first tie left on any vessel.
TEST_F(PluginFrameTest, ModuleAndDisplayBlocksEachAndTogetherLeaveTheSameTethers) {
  sim::Vessel *tug = AddVessel("Tug", {0, 0, 0});
  AddVessel("Pod", {0, 40, 300});
  AddVessel("Buoy", {-200, 0, 0});
  tug->docks.push_back({{0, 1.3, -1}, {0, 1, 0}, {0, 0, -1}});
  opcDLLInit(self);
  tetherData->TM[0]->Connect("Tug", "Pod", 290, 2000, MakeVector(0, 1.3, -1), MakeVector(0, 0, 0));
  tetherData->TM[0]->DecreaseReelSpeed();
  tetherData->TM[5]->Connect("Buoy", "Tug", 180, 700, MakeVector(2, 0, 0), MakeVector(0, 1.3, -1));
  tetherData->TM[5]->ToggleSpoolMode();
  tetherData->setupLength = 321;
  tetherData->currentTether = 5;
  tetherData->attachTypeV1 = 1;
  world.Frame([] { opcTimestep(0, 0.02, 0); });

  sim::ScenarioStream moduleBlock, displayBlock;
  opcSaveState(moduleBlock.Handle());
  std::string error;
  sim::DisplayHost::Display *display = displays.Open("Kestrane", nullptr, &error);
  ASSERT_NE(display, nullptr) << error;
  displays.WriteStatus(*display, displayBlock.Handle());
  ASSERT_EQ(moduleBlock.Written(), displayBlock.Written());
  ASSERT_EQ(moduleBlock.Written().size(), 32u);

  // What a load leaves: the block saved after it, each link as its first step finds it, and the
  // drawing objects on each vessel.
  auto loaded = [&](bool moduleBlockRead, bool displayBlockRead) {
    opcDLLExit(self);
    opcDLLInit(self);
    if (moduleBlockRead) {
      std::vector<std::string> lines = moduleBlock.Written();
      lines.push_back("END");
      sim::ScenarioStream in(lines);
      opcLoadState(in.Handle());
    }
    if (displayBlockRead) {
      std::vector<std::string> lines = displayBlock.Written();
      lines.push_back("END_MFD");
      sim::ScenarioStream in(lines);
      std::string openError;
      sim::DisplayHost::Display *reader = displays.Open("Kestrane", nullptr, &openError);
      EXPECT_NE(reader, nullptr) << openError;
      if (reader != nullptr) displays.ReadStatus(*reader, in.Handle());
    }
    std::ostringstream state;
    state.precision(17);
    tetherData->TimeStep();
    sim::ScenarioStream saved;
    opcSaveState(saved.Handle());
    for (const std::string &line : saved.Written()) state << line << '\n';
    for (const TetherLink *link : tetherData->TM)
      state << link->IsConnected() << ' ' << link->prevStretch << ' ' << link->GetStretch() << ' ' << link->GetPull()
            << '\n';
    for (size_t i = 0; i < world.VesselCount(); ++i)
      state << world.VesselAt(i)->Name() << ' ' << Objects(world.VesselAt(i)) << '\n';
    return state.str();
  };
  const std::string displayOnly = loaded(false, true);
  EXPECT_NE(displayOnly.find("  TetherData 5 SpoolMode 1\n"), std::string::npos) << displayOnly;
  EXPECT_NE(displayOnly.find("Tug 4\nPod 0\nBuoy 4\n"), std::string::npos) << displayOnly;
  EXPECT_EQ(loaded(true, false), displayOnly);
  EXPECT_EQ(loaded(true, true), displayOnly);
}

TEST_F(PluginFrameTest, ClosingTheViewportWithoutARegistryDoesNothing) {
  opcCloseRenderViewport();
  EXPECT_EQ(tetherData, nullptr);
}

}  // namespace

}  // namespace kestrane
