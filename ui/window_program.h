// The window program's run: the sound output, the multimedia interpreter and the timers
// installed as the process's services, the board and the window wired to them, the start-up
// sequence, the events until the dialog ends, and the shutdown sequence.
//
// The caller initialises SDL video and events before and quits SDL after. UI (main) thread.
#pragma once

#include <functional>
#include <string>

#include "platform/places.h"
#include "ui/main_window.h"
#include "ui/sdl_board.h"

namespace ui {

// Called once the start-up is done, just before the board is shown and its events run (the
// window benchmark installs its probes and its driver here).
using BeforeRun = std::function<void(CSdlBoard&, CMainWindow&)>;

// places says where the archives, the help page, Vorsk.INI and the sessions are.
// 0 after a normal end by any path (EXIT, the close button, Esc, SIGTERM); 1 when the window
// cannot be opened, after a message on standard error.
int RunWindowProgram(const platform::Places& places, const BeforeRun& beforeRun = {});

}  // namespace ui
