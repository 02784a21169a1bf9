// What the null graphics client keeps of the displays (ClientSettings.h): after every redraw of a
// display, its text in the screens file, and its picture when one was asked for from then on.
//
// The screens file holds each redraw as a line "display N at T s, R rows" followed by the R rows of
// the display's text (ScreenText.h), in the order drawn; T is the simulated time the redraw shows,
// written as kestrane-sim writes its clock.
#pragma once

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ClientSettings.h"
#include "ScreenText.h"

namespace nullclient {

// Writes a display's picture as a PNG file at `path`; false with a one-line reason in `error`.
using PictureWriter = std::function<bool(const std::string &path, std::string &error)>;

class DisplayCapture {
public:
  // Opens the screens file, when one is asked for.
  explicit DisplayCapture(ClientSettings asked);

  // Display `display` (0 the left one) has been drawn anew, showing the state at `time` (s),
  // reached by steps of `step` (s): its surface of width × height pixels holds `runs`, and
  // `writePicture` writes it.
  void Redrawn(int display, double time, double step, const std::vector<TextRun> &runs, int width, int height,
               const PictureWriter &writePicture);
  // Closes the screens file; says whether every request was met.
  void Finish();

private:
  ClientSettings settings;
  std::vector<bool> done;  // for each picture asked for: written
  std::ofstream screens;
  bool screensFailed = false;
};

// A failure, in a log line of its own that a run's check finds (each client says it in its name).
void Fail(const std::string &reason);

}  // namespace nullclient
