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
std::atomic<bool> secondEnds{true};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
constexpr int stopSignals[] = {SIGINT, SIGTERM};
#else
constexpr int stopSignals[] = {SIGINT, SIGTERM, SIGHUP};
#endif
constexpr int stopSignalCount = sizeof stopSignals / sizeof stopSignals[0];

extern "C" void OnStopSignal(int number) {
  int none = 0;
  // The second ends a run at once, as being killed by it would, but with the files whole: rows
  // reach them only in whole writes, which a handled signal does not cut short.
  if (!received.compare_exchange_strong(none, number)) {
    if (secondEnds.load()) std::_Exit(128 + number);
    received.store(number);
  }
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

RunSignals::RunSignals(Kind kind) {
  received = 0;
  secondEnds = kind == Kind::Run;
  const bool keepIgnored = kind == Kind::Run;
  for (int i = 0; i < stopSignalCount; ++i) {
#ifdef _WIN32
    previous[i] = std::signal(stopSignals[i], OnStopSignal);
    if (keepIgnored && previous[i] == SIG_IGN) std::signal(stopSignals[i], SIG_IGN);
#else
    sigaction(stopSignals[i], nullptr, &previous[i]);
    if (keepIgnored && previous[i].sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // A run looks at the flag between frames: its writes and waits go on after the handler.
    action.sa_flags = kind == Kind::Run ? SA_RESTART : 0;
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

void RunSignals::Forget() { received = 0; }

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace sim
