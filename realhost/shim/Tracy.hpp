// The host's profiler hooks, with the profiler left out of this build.
#pragma once

#define ZoneScoped
#define ZoneScopedN(name)
#define FrameMark
#define FrameMarkNamed(name)
