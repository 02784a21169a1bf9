#include "sim/cli/RunSignals.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

#ifndef _WIN32
#include <signal.h>
#endif

namespace sim {

namespace {

// A signal handler may touch only lock-free atomics.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);

#ifdef _WIN32
constexpr int stopSignals[] = {SIGINT, SIGTERM};
#else
constexpr int stopSignals[] = {SIGINT, SIGTERM, SIGHUP};
#endif
constexpr int stopSignalCount = sizeof stopSignals / sizeof stopSignals[0];

extern "C" void OnStopSignal(int number) {
  int none = 0;
  // The second ends the program at once, as being killed by it would, but with the files whole:
  // rows reach them only in whole writes, which a handled signal does not cut short.
  if (!received.compare_exchange_strong(none, number)) std::_Exit(128 + number);
#ifdef _WIN32
  // The C library there puts the default handling back before it calls a handler.
  std::signal(number, OnStopSignal);
#endif
}

#ifdef _WIN32
void (*previous[stopSignalCount])(int);
#else
struct sigaction previous[stopSignalCount];
#endif

}  // namespace

RunSignals::RunSignals() {
  received = 0;
  // A signal the program was started ignoring stays ignored: a run under nohup goes on when its
  // terminal hangs up, and one started in the background of a script is not stopped by Ctrl-C.
  for (int i = 0; i < stopSignalCount; ++i) {
#ifdef _WIN32
    previous[i] = std::signal(stopSignals[i], OnStopSignal);
    if (previous[i] == SIG_IGN) std::signal(stopSignals[i], SIG_IGN);
#else
    sigaction(stopSignals[i], nullptr, &previous[i]);
    if (previous[i].sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Writes and waits go on after the handler: the run looks at the flag between frames.
    action.sa_flags = SA_RESTART;
    sigaction(stopSignals[i], &action, nullptr);
#endif
  }
}

RunSignals::~RunSignals() {
  for (int i = 0; i < stopSignalCount; ++i) {
#ifdef _WIN32
    std::signal(stopSignals[i], previous[i]);
#else
    sigaction(stopSignals[i], &previous[i], nullptr);
#endif
  }
}

int RunSignals::Received() { return received.load(); }

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace sim
