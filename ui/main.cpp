// vorsk: the window program. "vorsk --help" and "vorsk --version" answer without a window.
#include <SDL.h>
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/places.h"
#include "platform/process_guard.h"
#include "platform/system_paths.h"
#include "ui/display.h"
#include "ui/window_program.h"

namespace {

constexpr const char* kUsage =
    "Usage: vorsk [--help | --version]\n"
    "Opens the Vorsk window: choose the options on the board, press GENERATE 5 MIN. or\n"
    "15 MIN. (keys 5 and 1), then PLAY (Y), PAUSE (U), STOP (T), SAVE (S), EXIT (X).\n"
    "Without a display, use vorsk-cli.\n";

// Where this copy reads and writes, after the usage text.
void PrintPlaces() {
  const platform::Places places = platform::ProgramPlaces();
  std::printf("\n%s copy. Pieces: %s\nOptions: %s\nSample archives and help: %s\n",
              places.bInstalled ? "Installed" : "Portable", places.strArchiveFolder.c_str(),
              places.SettingsPath().c_str(), places.strDataFolder.c_str());
}

// SDL turns SIGINT and SIGTERM into a quit event, which closes the window through its shutdown
// sequence (the unsaved session removed, the settings kept). A hang-up takes the same road.
extern "C" void OnHangUp(int) { ::raise(SIGTERM); }

int RunWindow() {
  std::string cause;
  if (!ui::OpenDisplay(cause)) {
    std::fprintf(stderr, "vorsk: cannot open a window: %s\n", cause.c_str());
    return 1;
  }
  struct sigaction hangUp {};
  hangUp.sa_handler = OnHangUp;
  sigemptyset(&hangUp.sa_mask);
  sigaction(SIGHUP, &hangUp, nullptr);
  const int status = ui::RunWindowProgram(platform::ProgramPlaces());
  SDL_Quit();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::fputs(kUsage, stdout);
      PrintPlaces();
      return 0;
    }
    if (!std::strcmp(argv[i], "--version")) {
      std::puts("vorsk 2.1.0");
      return 0;
    }
    std::fprintf(stderr, "vorsk: unknown argument '%s'\n%s", argv[i], kUsage);
    return 2;
  }
  platform::PrepareProcess();
  // A throw ends the window with one line; a session it was making keeps its in-progress
  // marker, so the next run removes its files.
  return platform::RunGuarded("vorsk", RunWindow);
}
