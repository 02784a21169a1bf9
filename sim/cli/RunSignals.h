// The signals that ask `kestrane-sim run` or `play` to stop: SIGINT, SIGTERM and, where the system
// has it, SIGHUP. The first only sets a flag, which the run reads between frames, so that it ends
// on a whole frame and writes its outputs.
#pragma once

namespace sim {

class RunSignals {
public:
  // A run: writes and sleeps go on after a signal, a second signal ends the program at once,
  // leaving every file as its last whole write made it, and a signal the program was started
  // ignoring stays ignored (a run under nohup goes on when its terminal hangs up, one in the
  // background of a script is not stopped by Ctrl-C). An interactive session: its wait for a key
  // returns at a signal, so that it sees it at once, a second signal only takes the place of the
  // first, as the terminal must still be put back, and every signal counts: its terminal sends them.
  enum class Kind { Run, Session };

  // Catches the signals for the life of the object, then puts the earlier handling back.
  explicit RunSignals(Kind kind = Kind::Run);
  ~RunSignals();
  RunSignals(const RunSignals &) = delete;
  RunSignals &operator=(const RunSignals &) = delete;

  // The number of the signal that asked the run to stop; 0 while none has.
  static int Received();
  // Forgets the signal received, so that a later one counts as the first.
  static void Forget();
};

// A file that grows past the size the process may write fails with EFBIG, reported like a full
// disk, instead of ending the program (SIGXFSZ, where the system has it).
void IgnoreFileSizeSignal();

}  // namespace sim
