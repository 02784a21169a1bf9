#include "DisplayCapture.h"

#include <algorithm>
#include <cmath>

#include "../recorder/CsvRows.h"
#include "../recorder/SampleClock.h"
#include "Orbitersdk.h"

namespace nullclient {

namespace {

// Clocks within this share of each other are the same instant: they are sums of steps.
constexpr double timeSlack = 1e-9;

bool Reached(double time, double target) { return time >= target - timeSlack * std::max(1.0, std::fabs(target)); }

}  // namespace

DisplayCapture::DisplayCapture(ClientSettings asked)
    : settings(std::move(asked)), done(settings.pictures.size(), false) {
  if (settings.screens.empty()) return;
  screens.open(settings.screens, std::ios::binary | std::ios::trunc);
  if (!screens) {
    screensFailed = true;
    Fail("cannot write '" + settings.screens + "'");
  }
}

void DisplayCapture::Redrawn(int display, double time, double step, const std::vector<TextRun> &runs, int width,
                             int height, const PictureWriter &writePicture) {
  const double shown = recorder::SampleClock::OnSteps(time, step);
  if (!settings.screens.empty() && !screensFailed) {
    const std::vector<std::string> rows = ScreenRows(runs, width, height);
    screens << "display " << display << " at " << recorder::FormatReal(shown) << " s, " << rows.size() << " rows\n";
    for (const std::string &row : rows) screens << row << '\n';
    screens.flush();
    if (!screens) {
      screensFailed = true;
      Fail("cannot write '" + settings.screens + "'");
    }
  }
  if (display != MFD_LEFT) return;
  for (size_t i = 0; i < settings.pictures.size(); ++i) {
    if (done[i] || !Reached(shown, settings.pictures[i].time)) continue;
    done[i] = true;
    std::string error;
    if (!writePicture(settings.pictures[i].path, error)) Fail(error);
  }
}

void DisplayCapture::Finish() {
  if (screens.is_open()) {
    screens.close();
    if (screens.fail() && !screensFailed) Fail("cannot write '" + settings.screens + "'");
  }
  for (size_t i = 0; i < settings.pictures.size(); ++i)
    if (!done[i])
      Fail("the left display was not drawn at or after " + recorder::FormatReal(settings.pictures[i].time) +
           " s for '" + settings.pictures[i].path + "'");
}

}  // namespace nullclient
