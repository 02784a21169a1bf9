#include "sim/cli/RunConsole.h"

#include <memory>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "sim/display/DisplayPanel.h"

namespace sim {

bool IsTerminal(std::FILE *file) { return isatty(fileno(file)) != 0; }

Progress::Progress(bool wanted, double total)
    : enabled(wanted && IsTerminal(stderr)), duration(total), start(Clock::now()), last(start) {}

void Progress::Show(double time) {
  if (!enabled) return;
  auto now = Clock::now();
  if (now - start < std::chrono::seconds(2) || now - last < std::chrono::milliseconds(200)) return;
  last = now;
  shown = true;
  std::fprintf(stderr, "\r  simulated %.1f of %.1f s (%3.0f %%)", time, duration,
               duration > 0 ? 100.0 * time / duration : 100.0);
  std::fflush(stderr);
}

void Progress::Done() {
  if (shown) std::fprintf(stderr, "\r%60s\r", "");
}

Watcher::Watcher(bool wanted, std::FILE *console) : enabled(wanted), terminal(IsTerminal(console)), out(console) {}

void Watcher::Look(Simulation &simulation) {
  DisplayHost::Display *display = simulation.FirstDisplay();
  if (!enabled || display == nullptr) return;
  // The display with its buttons' labels beside it, as the host's panel shows it.
  const std::unique_ptr<Canvas> panel = DrawPanel(simulation.Displays(), *display);
  std::string text = panel->Text();
  if (text == shown) return;
  shown = text;
  char time[64];
  std::snprintf(time, sizeof time, "t = %.2f s", simulation.Time());
  if (terminal) {
    // Back over the previous screen, each line cleared before it is drawn again.
    if (lines > 0) std::fprintf(out, "\033[%dA", lines);
    std::string ansi = panel->Ansi();
    std::string screen = "\033[K" + std::string(time) + "\n";
    lines = 1;
    for (size_t start = 0; start < ansi.size();) {
      size_t end = ansi.find('\n', start);
      if (end == std::string::npos) end = ansi.size();
      screen += "\033[K" + ansi.substr(start, end - start) + "\n";
      ++lines;
      start = end + 1;
    }
    std::fputs(screen.c_str(), out);
  } else {
    std::fprintf(out, "-- %s\n%s\n", time, text.c_str());
  }
  std::fflush(out);
}

}  // namespace sim
