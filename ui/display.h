// Opening the window system. The board needs a real display: an X11 server (DISPLAY) or a
// Wayland compositor (WAYLAND_DISPLAY). SDL on its own falls back to an offscreen driver when
// neither answers, and the window would then run where nobody can see or close it; so only the
// drivers of the displays named in the environment are tried, unless SDL_VIDEODRIVER names one.
#pragma once

#include <string>

namespace ui {

// Initialises SDL video and events on the first display that opens. false when none does,
// with the reason in cause ("no display: neither DISPLAY nor WAYLAND_DISPLAY is set", or the
// display tried and what failed); SDL is then left uninitialised. UI thread, once per process.
bool OpenDisplay(std::string& cause);

}  // namespace ui
