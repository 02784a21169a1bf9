#include "sim/cli/ExitStatus.h"

#include <cstdio>

namespace sim {

void Say(const std::string &line) { std::fprintf(stderr, "kestrane-sim: %s\n", line.c_str()); }

int Fail(int status, const std::string &reason) {
  Say(reason);
  return status;
}

}  // namespace sim
