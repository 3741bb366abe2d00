#include "ui/window_program.h"

#include <cstdio>

#include "platform/mci.h"
#include "platform/mci_interpreter.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/system_paths.h"
#include "platform/timer_service.h"
#include "platform/ui_queue.h"
#include "sdl/sdl_audio_backend.h"
#include "sdl/sdl_timer_service.h"

namespace ui {

int RunWindowProgram(const platform::Places& places, const BeforeRun& beforeRun) {
  int status = 0;
  vorsk_sdl::CSdlAudioBackend backend([](const std::string& notice) {
    std::fprintf(stderr, "vorsk: %s\n", notice.c_str());
  });
  platform::CMciInterpreter interpreter(backend, platform::UiQueue());
  vorsk_sdl::CSdlTimerService timers;
  const unsigned int wakeup = vorsk_sdl::InstallUiQueueWakeup();
  platform::SetMciDevice(&interpreter);
  platform::SetTimerService(&timers);
  {
    CSdlBoard board(wakeup);
    if (!board.IsOpen()) {
      std::fprintf(stderr, "vorsk: cannot open a window: %s\n", SDL_GetError());
      status = 1;
    } else {
      CMainWindow window(board, places, platform::TempFolder());
      board.Attach(&window);
      window.SetSilentOutputCheck([&backend] { return backend.IsSilent(); });
      platform::SetMessageBoxes(&board);
      platform::SetMessagePump(&board);
      window.OnInitDialog();
      if (beforeRun) beforeRun(board, window);
      board.Run();
      window.OnDestroy();
      board.Hide();
      platform::SetMessagePump(nullptr);
      platform::SetMessageBoxes(nullptr);
      board.Attach(nullptr);
    }
  }
  platform::SetTimerService(nullptr);
  platform::SetMciDevice(nullptr);
  platform::UiQueue().SetWakeup(nullptr);
  platform::UiQueue().Clear();
  // EXIT, the close button and Esc are all a normal end.
  return status;
}

}  // namespace ui
