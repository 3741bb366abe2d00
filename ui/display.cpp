#include "ui/display.h"

#include <SDL.h>

#include <cstdlib>

namespace ui {
namespace {

constexpr Uint32 kSubsystems = SDL_INIT_VIDEO | SDL_INIT_EVENTS;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Starts SDL video on driver (empty: SDL's own choice); false with the reason appended to cause.
bool TryDriver(const std::string& driver, const std::string& what, std::string& cause) {
  if (!driver.empty()) SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
  if (SDL_InitSubSystem(kSubsystems) == 0) return true;
  cause += (cause.empty() ? "" : "; ") + what + " does not answer (" + SDL_GetError() + ")";
  SDL_QuitSubSystem(kSubsystems);
  return false;
}

}  // namespace

bool OpenDisplay(std::string& cause) {
  cause.clear();
  const std::string chosen = Env("SDL_VIDEODRIVER");
  if (!chosen.empty()) return TryDriver({}, "the video driver SDL_VIDEODRIVER='" + chosen + "'", cause);
  const std::string x11 = Env("DISPLAY"), wayland = Env("WAYLAND_DISPLAY");
  if (x11.empty() && wayland.empty()) {
    cause = "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
    return false;
  }
  if (!x11.empty() && TryDriver("x11", "X11 display '" + x11 + "'", cause)) return true;
  if (!wayland.empty() && TryDriver("wayland", "Wayland display '" + wayland + "'", cause)) return true;
  return false;
}

}  // namespace ui
