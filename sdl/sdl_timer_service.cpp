#include "sdl/sdl_timer_service.h"

#include <SDL.h>

#include <cstdint>

#include "platform/ui_queue.h"

namespace vorsk_sdl {
namespace {

// SDL's timer thread: the id travels in the parameter pointer.
Uint32 PostTick(Uint32 interval, void* param) {
  platform::UiQueue().PostTimer(static_cast<int>(reinterpret_cast<intptr_t>(param)));
  return interval;
}

}  // namespace

CSdlTimerService::CSdlTimerService() : m_bInitialised(SDL_InitSubSystem(SDL_INIT_TIMER) == 0) {}

CSdlTimerService::~CSdlTimerService() {
  for (const auto& entry : m_timers) SDL_RemoveTimer(entry.second);
  if (m_bInitialised) SDL_QuitSubSystem(SDL_INIT_TIMER);
}

bool CSdlTimerService::SetTimer(int id, int periodMs) {
  if (!m_bInitialised || periodMs < 1) return false;
  KillTimer(id);
  const SDL_TimerID timer =
      SDL_AddTimer(static_cast<Uint32>(periodMs), PostTick, reinterpret_cast<void*>(intptr_t{id}));
  if (timer == 0) return false;
  m_timers[id] = timer;
  return true;
}

bool CSdlTimerService::KillTimer(int id) {
  const auto it = m_timers.find(id);
  if (it == m_timers.end()) return false;
  SDL_RemoveTimer(it->second);
  m_timers.erase(it);
  return true;
}

unsigned int InstallUiQueueWakeup() {
  static const Uint32 type = SDL_RegisterEvents(1);
  if (type == static_cast<Uint32>(-1)) return 0;
  platform::UiQueue().SetWakeup([] {
    SDL_Event event{};
    event.type = type;
    SDL_PushEvent(&event);
  });
  return type;
}

}  // namespace vorsk_sdl
