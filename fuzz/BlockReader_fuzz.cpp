// The plug-in's scenario block reader fed arbitrary lines through the host's line reader, on a
// world of a few vessels. After the read the tethers run a few frames and the block is written;
// the written block must read back into a fresh registry with the same tethers tied, and a block
// written after reading must read back to the same text.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "plugin/registry/TetherData.h"

// The harness works the plug-in's code directly.
using namespace kestrane;

namespace {

constexpr int framesAfterRead = 3;

struct LinkImage {
  int32_t connected;
  std::string ship1, ship2;
  double length, force, reelSpeed;
  SpoolMode spoolMode;
};

std::vector<LinkImage> Links() {
  std::vector<LinkImage> links;
  for (const TetherLink *link : tetherData->TM)
    links.push_back({link->connected, link->ship1Name, link->ship2Name, link->length, link->force, link->reelSpeed,
                     link->spoolMode});
  return links;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sim::World world;
  fuzz::AddStandardVessels(world);
  sim::DisplayHost displays;
  fuzz::PluginRun plugin(displays);
  sim::DisplayHost::Display *display = fuzz::OpenDisplay(displays, world);

  fuzz::ReadBlock(displays, *display, fuzz::SplitLines(data, size));
  for (int i = 0; i < framesAfterRead; ++i) {
    fuzz::Frame(world);
    fuzz::CheckRegistry(world);
  }
  displays.Redraw(*display);
  const std::vector<std::string> written = fuzz::WriteBlock(displays, *display);
  fuzz::CheckWrittenBlock(written);
  const std::vector<LinkImage> before = Links();

  plugin.FreshRegistry();
  fuzz::ReadBlock(displays, *display, written);
  fuzz::CheckRegistry(world);
  const std::vector<LinkImage> after = Links();
  for (int n = 0; n < TetherData::linkCount; ++n) {
    const LinkImage &b = before[n], &a = after[n];
    const std::string link = "link " + std::to_string(n);
    fuzz::Require(a.connected == b.connected, link + ": connected " + std::to_string(b.connected) + " reads back as " +
                                                  std::to_string(a.connected));
    if (b.connected != 1) continue;
    fuzz::Require(a.ship1 == b.ship1 && a.ship2 == b.ship2, link + ": the vessel names do not read back");
    fuzz::Require(a.spoolMode == b.spoolMode, link + ": the spool mode does not read back");
    fuzz::RequireReadBack(b.length, a.length, link + " length");
    fuzz::RequireReadBack(b.force, a.force, link + " force");
    fuzz::RequireReadBack(b.reelSpeed, a.reelSpeed, link + " reel speed");
  }

  // Once through the reader, every value is what the reader makes of it: the next round trip
  // changes nothing.
  const std::vector<std::string> once = fuzz::WriteBlock(displays, *display);
  plugin.FreshRegistry();
  fuzz::ReadBlock(displays, *display, once);
  const std::vector<std::string> twice = fuzz::WriteBlock(displays, *display);
  fuzz::Require(once == twice, "a block read back does not write the same lines again");
  return 0;
}
