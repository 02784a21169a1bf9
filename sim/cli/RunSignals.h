// The signals that ask `kestrane-sim run` to stop: SIGINT, SIGTERM and, where the system has it,
// SIGHUP. The first only sets a flag, which the run reads between frames, so that it ends on a
// whole frame and writes its outputs; a second ends the program at once, leaving every file as
// its last whole write made it.
#pragma once

namespace sim {

class RunSignals {
public:
  // Catches the signals for the life of the object, then puts the earlier handling back.
  RunSignals();
  ~RunSignals();
  RunSignals(const RunSignals &) = delete;
  RunSignals &operator=(const RunSignals &) = delete;

  // The number of the signal that asked the run to stop; 0 while none has.
  static int Received();
};

// A file that grows past the size the process may write fails with EFBIG, reported like a full
// disk, instead of ending the program (SIGXFSZ, where the system has it).
void IgnoreFileSizeSignal();

}  // namespace sim
