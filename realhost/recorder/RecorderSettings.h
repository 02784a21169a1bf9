// What the recorder module is asked to record, from its block in the scenario the host runs:
//
//   BEGIN_Recorder
//     Vessels vessels.csv     ; the vessels file, written as kestrane-sim run --vessels writes it
//     Tethers tethers.csv     ; the tethers file, as kestrane-sim run --tethers writes it
//     Every 1                 ; seconds between samples, as --every (default 1)
//     Block Kestrane          ; the module whose scenario block holds the tethers (default Kestrane)
//     Keys 0:MINUS,0:J,3:I    ; keys to press on the display, in kestrane-sim's --keys syntax
//     Mode Kestrane           ; the display mode the keys go to, opened on the left display when
//                             ; no display shows it (default Kestrane)
//     Shot 2.5 shot-2.5.png   ; the scene as drawn at 2.5 s, with a graphics client that draws it,
//                             ; and beside it shot-2.5.txt, what the picture shows where
//                             ; (ShotGeometry.h); one line per shot
//     Frames frames.txt       ; the frames' wall-clock and processor time, in blocks of frames
//                             ; (RecorderModule.cpp, FrameTimer)
//     Delete 10:Pod,20:Tug    ; vessels to delete, in kestrane-sim's --delete syntax: each at the
//                             ; end of the first frame that reaches its time, as kestrane-sim
//                             ; deletes it (one at or before the run's start at the end of the
//                             ; first frame: the host removes a vessel only at the end of a frame)
//   END
//
// Paths are the host's, relative to its folder. Each line may end in a ';' comment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "KeySchedule.h"

namespace recorder {

struct ShotRequest {
  double time = 0;   // s of simulated time
  std::string path;  // the picture, a PNG file
};

// A vessel to delete during the run.
struct TimedDeletion {
  double time = 0;   // s of simulated time
  std::string name;  // the host finds it without regard to case
};

struct RecorderSettings {
  std::string vessels;  // empty: no vessels file
  std::string tethers;  // empty: no tethers file
  double every = 1;     // s, above 0
  std::string block = "Kestrane";
  std::vector<TimedKey> keys;
  std::string mode = "Kestrane";
  std::vector<ShotRequest> shots;
  std::string frames;  // empty: frames are not timed
  std::vector<TimedDeletion> deletions;  // in the order listed

  // One line of the block, as the host hands it (trimmed, without its comment). Empty when it was
  // read; otherwise why it was not, in one line.
  std::string ReadLine(std::string_view line);
};

}  // namespace recorder
