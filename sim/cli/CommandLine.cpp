#include "sim/cli/CommandLine.h"

#include <cstdio>
#include <string>
#include <vector>

#include "sim/cli/ExitStatus.h"
#include "sim/cli/RunCommand.h"
#include "sim/cli/RunSignals.h"
#include "sim/cli/Sweep.h"

namespace sim {

int RunCommandLine(int argc, char **argv, PlayCommand play) {
  IgnoreFileSizeSignal();
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto command = ParseCommandLine(args, error);
  if (!command) return Fail(exitBadArguments, error + " (see " + HelpHint(args) + ")");
  switch (command->kind) {
    case Command::Kind::Help:
      std::fputs(HelpText(command->topic).c_str(), stdout);
      return 0;
    case Command::Kind::Usage:
      std::fputs(HelpText(Command::Topic::General).c_str(), stderr);
      return exitBadArguments;
    case Command::Kind::Version:
      std::printf("kestrane-sim %s\n", KESTRANE_VERSION);
      return 0;
    case Command::Kind::Run:
      return RunCommand(command->run);
    case Command::Kind::Sweep:
      return Sweep(command->sweep);
    case Command::Kind::Play:
      if (play == nullptr) return Fail(exitBadArguments, "this build has no interactive terminal");
      return play(command->play);
  }
  return 0;
}

}  // namespace sim
