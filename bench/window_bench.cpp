// Window benchmark: the vorsk window on an X server (without DISPLAY it runs itself again under
// xvfb-run), SDL's x11 video driver, the dummy sound driver. Figures, each beside its aim:
//   idle CPU: the vorsk program, started in a scratch program folder, over SECONDS seconds
//   (default 10) once its splash has gone and it has settled, from utime+stime in
//   /proc/<pid>/stat; beside it the X server's share over the same seconds. Aim: under 1 % of
//   one core.
//   click to repaint: 20 left clicks, alternately MINOR and MAJOR, each pushed into the window's
//   event queue while its loop waits, timed to the end of sending the first frame that shows
//   the changed indicator 1015. Aim: under 16 ms.
//   boxes: 10 times key S with no piece ("Nothing to save!"): from the box's opening to the end
//   of sending the first frame that shows it (aim: under 50 ms), and from the key; then Return,
//   timed to the frame that shows the board without it. With the last box open, the CPU of
//   this process (the window's loop and the idle driver) over SECONDS / 2 (aim: under 1 %).
//   GENERATE 15 MIN.: RUNS runs (default 5) of key 1 in the window, each timed from the key to
//   the frame that shows the run ended, alternating with `vorsk-cli generate` of the same
//   options timed as a process (Rhythm BD, Harmony SV, the other options at their defaults).
//   Medians and their ratio; aim: within 1.1x. While the window generates: the largest gap
//   between two looks at whether the board needs repainting (aim: 50 ms) and between two
//   frames sent (the generating animation has a new frame every 66.7 ms).
// The window part runs the program's own code (RunWindowProgram) in this process, with the
// program folder, TMPDIR and the archive folder all in a scratch folder. Archives: ARCHIVES,
// else the program folder's, else the tests' marker archives.
// Usage: vorsk_bench_window_bench [SECONDS [RUNS [ARCHIVES]]]
#include <SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "options/option_set.h"
#include "platform/file_io.h"
#include "platform/message_pump.h"
#include "platform/system_paths.h"
#include "session/generate.h"
#include "session/session_files.h"
#include "session/session_state.h"
#include "support/fixtures.h"
#include "ui/window_program.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kAimIdlePercent = 1.0;
constexpr double kAimClickMs = 16.0;
constexpr double kAimRatio = 1.1;
constexpr double kAimLookGapMs = 50.0;
constexpr double kAimBoxMs = 50.0;
constexpr int kClicks = 20;
constexpr int kBoxes = 10;
// The splash stays 3 s; the board then settles before the idle CPU is read.
constexpr int kStartSeconds = 3, kSettleSeconds = 3;
constexpr int kMinorIndicator = 1015;
constexpr int kGenerate15Indicator = 1048;
// MINOR and MAJOR on the board.
constexpr int kMinorX = 280, kMajorX = 190, kScaleY = 220;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool HasArchives(const std::string& folder) {
  for (const char* name : {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat", "data4.dat"}) {
    if (!platform::FileExists(folder + "/" + name)) return false;
  }
  return true;
}

// CPU ticks (utime + stime) of a process, or -1 when it is gone.
long long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return -1;
  // Fields after the command name (which may hold blanks) start at field 3.
  std::istringstream rest(line.substr(line.rfind(')') + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::atoll(field.c_str());
    if (i == 15) stime = std::atoll(field.c_str());
  }
  return utime + stime;
}

// The X server xvfb-run started beside this process, or 0.
pid_t FindXvfb() {
  const std::string parent = std::to_string(::getppid());
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "stat");
    std::string line;
    if (!std::getline(in, line) || line.find("(Xvfb)") == std::string::npos) continue;
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string state, ppid;
    rest >> state >> ppid;
    if (ppid == parent) return static_cast<pid_t>(std::atoi(entry.path().filename().c_str()));
  }
  return 0;
}

// Starts program with args, its output thrown away; the child's pid.
pid_t Start(const std::string& program, const std::vector<std::string>& args) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A program folder of its own: copies of both programs, links to the archives and the help.
void MakeProgramFolder(const std::string& folder, const std::string& archives) {
  const std::string bin = platform::ProgramFolder();
  fs::create_directories(folder);
  for (const char* program : {"vorsk", "vorsk-cli"}) {
    fs::copy_file(bin + "/" + program, folder + "/" + program, fs::copy_options::overwrite_existing);
  }
  for (const char* name : {"Data0.dat", "Data1.dat", "Data2.dat", "Data3.dat", "data4.dat"}) {
    fs::create_symlink(archives + "/" + name, folder + "/" + name);
  }
  if (fs::exists(bin + "/help")) fs::create_directory_symlink(bin + "/help", folder + "/help");
}

struct IdleFigures {
  double percent = -1, xPercent = -1;
  int status = -1;
};

// The vorsk program alone: its CPU share once settled, then SIGTERM (its normal close).
IdleFigures MeasureIdle(const std::string& folder, double seconds) {
  IdleFigures f;
  const pid_t pid = Start(folder + "/vorsk", {});
  std::this_thread::sleep_for(std::chrono::seconds(kStartSeconds + kSettleSeconds));
  const pid_t xvfb = FindXvfb();
  const long hz = ::sysconf(_SC_CLK_TCK);
  const long long ticks = CpuTicks(pid), xTicks = xvfb ? CpuTicks(xvfb) : -1;
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const long long ticksAfter = CpuTicks(pid), xTicksAfter = xvfb ? CpuTicks(xvfb) : -1;
  const double wall = Ms(Clock::now() - start) / 1000;
  if (ticks >= 0 && ticksAfter >= 0) f.percent = 100.0 * (ticksAfter - ticks) / hz / wall;
  if (xTicks >= 0 && xTicksAfter >= 0) f.xPercent = 100.0 * (xTicksAfter - xTicks) / hz / wall;
  ::kill(pid, SIGTERM);
  f.status = Wait(pid);
  return f;
}

// What the paint probe saw, shared between the UI thread and the driver.
struct Probe {
  std::mutex m;
  std::condition_variable cv;
  // A click: the first frame that shows indicator 1015 lit (1) or unlit (0).
  int wantMinor = -1;
  Clock::time_point clickShown;
  // A box: when it opened, and the first frame with it open (wantBox 1) or gone again (0).
  int wantBox = -1;
  Clock::time_point boxOpened, boxFrame;
  // A GENERATE: from the first frame with its indicator lit to the first without it.
  bool bWatching = false, bStarted = false, bDone = false;
  Clock::time_point doneAt, lastLook, lastFrame;
  double maxLookGapMs = 0, maxFrameGapMs = 0;
  int frames = 0;
  long long pixels = 0;
};

struct RunFigures {
  std::vector<double> clickMs;
  std::vector<double> boxOpenMs, boxKeyMs, boxCloseMs;
  double boxIdlePercent = -1;
  std::vector<double> windowS, cliS;          // wall time of each run
  std::vector<double> windowCpuS, cliCpuS, xCpuS;  // CPU time (user + system) of each run
  double maxLookGapMs = 0, maxFrameGapMs = 0;
  int frames = 0;
  long long pixels = 0;
  int cliFailures = 0, windowFailures = 0;
};

void Push(const SDL_Event& event) {
  SDL_Event copy = event;
  SDL_PushEvent(&copy);
}

void PushClick(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = SDL_PRESSED;
  e.button.x = x;
  e.button.y = y;
  Push(e);
}

void PushKey(SDL_Keycode key) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = key;
  Push(e);
}

double CpuSeconds(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Removes the files of folder; the window's GENERATE would otherwise remove the previous unsaved
// piece inside its timed run, which the command line's run does not have to do.
void RemoveFiles(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_regular_file()) fs::remove(entry.path(), ec);
  }
}

// The driver: runs beside the window's event loop and feeds it as a user would.
void Drive(Probe& p, RunFigures& r, const std::string& folder, const std::string& cliOut, int runs,
           double idleSeconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  for (int i = 0; i < kClicks; ++i) {
    const bool bMinor = i % 2 == 0;
    std::unique_lock lock(p.m);
    p.wantMinor = bMinor ? 1 : 0;
    const auto pushed = Clock::now();
    PushClick(bMinor ? kMinorX : kMajorX, kScaleY);
    if (p.cv.wait_for(lock, std::chrono::seconds(2), [&] { return p.wantMinor < 0; })) {
      r.clickMs.push_back(Ms(p.clickShown - pushed));
    }
    p.wantMinor = -1;
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  // Boxes: "Nothing to save!" opened with S and closed with Return; the last one stays open
  // while the CPU of this process is read.
  for (int i = 0; i < kBoxes; ++i) {
    std::unique_lock lock(p.m);
    p.wantBox = 1;
    const auto pushed = Clock::now();
    PushKey(SDLK_s);
    if (p.cv.wait_for(lock, std::chrono::seconds(2), [&] { return p.wantBox < 0; })) {
      r.boxOpenMs.push_back(Ms(p.boxFrame - p.boxOpened));
      r.boxKeyMs.push_back(Ms(p.boxFrame - pushed));
    }
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    if (i == kBoxes - 1) {
      const double cpu = CpuSeconds(RUSAGE_SELF);
      const auto start = Clock::now();
      std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds / 2));
      r.boxIdlePercent = 100.0 * (CpuSeconds(RUSAGE_SELF) - cpu) / (Ms(Clock::now() - start) / 1000);
    }
    lock.lock();
    p.wantBox = 0;
    const auto closed = Clock::now();
    PushKey(SDLK_RETURN);
    if (p.cv.wait_for(lock, std::chrono::seconds(2), [&] { return p.wantBox < 0; })) {
      r.boxCloseMs.push_back(Ms(p.boxFrame - closed));
    }
    p.wantBox = -1;
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  // Rhythm B and Harmony S and V on, as the command line's run below.
  for (SDL_Keycode key : {SDLK_b, SDLK_g, SDLK_v}) PushKey(key);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<std::string> cliArgs{"generate", "--length", "15", "--rhythm", "BD",
                                         "--harmony", "SV", "--out", cliOut};
  const pid_t xvfb = FindXvfb();
  const double tick = 1.0 / ::sysconf(_SC_CLK_TCK);
  for (int run = 0; run < runs; ++run) {
    // Each run starts with the earlier pieces gone and their bytes on disk.
    RemoveFiles(folder + "/Archive");
    ::sync();
    {
      std::unique_lock lock(p.m);
      p.bWatching = true;
      p.bStarted = p.bDone = false;
      const long long xTicks = xvfb ? CpuTicks(xvfb) : 0;
      const double cpu = CpuSeconds(RUSAGE_SELF);
      const auto pushed = Clock::now();
      PushKey(SDLK_1);
      if (p.cv.wait_for(lock, std::chrono::minutes(5), [&] { return p.bDone; })) {
        r.windowS.push_back(Ms(p.doneAt - pushed) / 1000);
        r.windowCpuS.push_back(CpuSeconds(RUSAGE_SELF) - cpu);
        r.xCpuS.push_back(xvfb ? (CpuTicks(xvfb) - xTicks) * tick : 0);
      } else {
        ++r.windowFailures;
      }
      p.bWatching = false;
    }
    ::sync();
    const double cpu = CpuSeconds(RUSAGE_CHILDREN);
    const auto start = Clock::now();
    const int status = Wait(Start(folder + "/vorsk-cli", cliArgs));
    const double seconds = Ms(Clock::now() - start) / 1000;
    if (status == 0) {
      r.cliS.push_back(seconds);
      r.cliCpuS.push_back(CpuSeconds(RUSAGE_CHILDREN) - cpu);
    } else {
      ++r.cliFailures;
    }
    std::error_code ec;
    fs::remove_all(cliOut, ec);
  }
  std::lock_guard lock(p.m);
  r.maxLookGapMs = p.maxLookGapMs;
  r.maxFrameGapMs = p.maxFrameGapMs;
  r.frames = p.frames;
  r.pixels = p.pixels;
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  Push(quit);
}

// Called on the UI thread for every look (pixels 0), every frame sent and every box opened (-1).
void OnPaint(Probe& p, const ui::CSdlBoard& board, const ui::CMainWindow& window, int pixels) {
  const auto now = Clock::now();
  std::lock_guard lock(p.m);
  if (pixels < 0) {
    p.boxOpened = now;
    return;
  }
  if (pixels > 0 && p.wantBox >= 0 && board.BoxOpen() == (p.wantBox == 1)) {
    p.boxFrame = now;
    p.wantBox = -1;
    p.cv.notify_all();
  }
  if (p.bStarted && !p.bDone) {
    auto& last = pixels == 0 ? p.lastLook : p.lastFrame;
    double& gap = pixels == 0 ? p.maxLookGapMs : p.maxFrameGapMs;
    gap = std::max(gap, Ms(now - last));
    last = now;
    if (pixels > 0) ++p.frames, p.pixels += pixels;
  }
  if (pixels == 0) return;
  if (p.wantMinor >= 0 && window.Control(kMinorIndicator).bVisible == (p.wantMinor == 1)) {
    p.clickShown = now;
    p.wantMinor = -1;
    p.cv.notify_all();
  }
  if (p.bWatching) {
    const bool bLit = window.Control(kGenerate15Indicator).bVisible;
    if (bLit && !p.bStarted) {
      p.bStarted = true;
      p.lastLook = p.lastFrame = now;
    } else if (!bLit && p.bStarted && !p.bDone) {
      p.bDone = true;
      p.doneAt = now;
      p.cv.notify_all();
    }
  }
}

// The engine alone: Generate in this process with a pump that only notes the time between two
// calls, the least the window can show between two looks at the board.
struct GapPump : platform::IMessagePump {
  Clock::time_point last;
  double maxGapMs = 0;
  void PumpOneMessage() override {
    const auto now = Clock::now();
    maxGapMs = std::max(maxGapMs, Ms(now - last));
    last = now;
  }
};

struct EngineFigures {
  std::vector<double> seconds;
  double maxGapMs = 0;
  int failures = 0;
};

EngineFigures MeasureEngine(const std::string& folder, const std::string& out, int runs) {
  EngineFigures f;
  COptionSet options;
  options.SetDefaults();
  options.ToggleRhythm("B");
  options.ToggleHarmony("S");
  options.ToggleHarmony("V");
  options.SetGenerateLength("15");
  GapPump pump;
  platform::SetMessagePump(&pump);
  for (int run = 0; run < runs; ++run) {
    CSession session(options, folder);
    session.m_strArchiveOverride = out;
    ::sync();
    const auto start = Clock::now();
    pump.last = start;
    const int result = Generate(session);
    const auto end = Clock::now();
    pump.maxGapMs = std::max(pump.maxGapMs, Ms(end - pump.last));
    if (result == kGenerateOk) {
      f.seconds.push_back(Ms(end - start) / 1000);
    } else {
      ++f.failures;
    }
    DeleteSessionFiles(session);
  }
  platform::SetMessagePump(nullptr);
  f.maxGapMs = pump.maxGapMs;
  return f;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY") && !std::getenv("VORSK_BENCH_UNDER_XVFB")) {
    ::setenv("VORSK_BENCH_UNDER_XVFB", "1", 1);
    std::vector<char*> args{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                            const_cast<char*>("-s"), const_cast<char*>("-screen 0 1280x800x24")};
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execvp("xvfb-run", args.data());
    std::fprintf(stderr, "no DISPLAY and no xvfb-run to start an X server\n");
    return 1;
  }
  ::setenv("SDL_VIDEODRIVER", "x11", 1);
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::string archives = argc > 3 ? argv[3] : platform::ProgramFolder();
  if (!HasArchives(archives)) {
    archives = fixtures::SharedMarkerArchives();
    std::printf("archives: the tests' marker archives (no real archives found)\n");
  } else {
    std::printf("archives: %s\n", archives.c_str());
  }
  fixtures::ScratchDir scratch;
  const std::string folder = scratch.File("program"), cliOut = scratch.File("cli-archive");
  fs::create_directories(scratch.File("tmp"));
  ::setenv("TMPDIR", scratch.File("tmp").c_str(), 1);
  MakeProgramFolder(folder, archives);

  const IdleFigures idle = MeasureIdle(folder, seconds);
  const bool idleMet = idle.percent >= 0 && idle.percent < kAimIdlePercent && idle.status == 0;
  std::printf("idle CPU of vorsk over %.0f s, %d s after start: %.2f %% of one core (aim < %.0f %%: %s);"
              " X server %.2f %%; exit status after SIGTERM %d\n",
              seconds, kStartSeconds + kSettleSeconds, idle.percent, kAimIdlePercent, Verdict(idleMet),
              idle.xPercent, idle.status);
  std::fflush(stdout);

  const EngineFigures engine = MeasureEngine(folder, scratch.File("engine-archive"), runs);

  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "cannot open a window: %s\n", SDL_GetError());
    return 1;
  }
  Probe probe;
  RunFigures r;
  std::thread driver;
  const int status = ui::RunWindowProgram(platform::PortablePlaces(folder), [&](ui::CSdlBoard& board, ui::CMainWindow& window) {
    board.SetPaintProbe([&probe, &board, &window](int pixels) { OnPaint(probe, board, window, pixels); });
    driver = std::thread(Drive, std::ref(probe), std::ref(r), folder, cliOut, runs, seconds);
  });
  if (driver.joinable()) driver.join();
  SDL_Quit();
  if (status != 0) std::printf("the window ended with status %d\n", status);

  std::vector<double> sorted = r.clickMs;
  std::sort(sorted.begin(), sorted.end());
  const double clickMax = sorted.empty() ? 1e9 : sorted.back();
  const bool clickMet = static_cast<int>(sorted.size()) == kClicks && clickMax < kAimClickMs;
  std::printf("click to repainted indicator (%zu of %d clicks seen): median %.2f ms, max %.2f ms"
              " (aim < %.0f ms: %s)\n",
              sorted.size(), kClicks, Median(sorted), clickMax, kAimClickMs, Verdict(clickMet));

  std::vector<double> boxes = r.boxOpenMs;
  std::sort(boxes.begin(), boxes.end());
  const double boxMax = boxes.empty() ? 1e9 : boxes.back();
  const bool boxMet = static_cast<int>(boxes.size()) == kBoxes && boxMax < kAimBoxMs &&
                      r.boxIdlePercent >= 0 && r.boxIdlePercent < kAimIdlePercent;
  std::printf("box opened to drawn (%zu of %d boxes seen): median %.2f ms, max %.2f ms (aim < %.0f ms); "
              "from the key: median %.2f ms; Return to the board without it: median %.2f ms (%zu seen);\n"
              "  CPU with a box open over %.0f s: %.2f %% of one core (aim < %.0f %%): %s\n",
              boxes.size(), kBoxes, Median(boxes), boxMax, kAimBoxMs, Median(r.boxKeyMs), Median(r.boxCloseMs),
              r.boxCloseMs.size(), seconds / 2, r.boxIdlePercent, kAimIdlePercent, Verdict(boxMet));

  const double window = Median(r.windowS), cli = Median(r.cliS);
  const double ratio = cli > 0 ? window / cli : 0;
  const bool ratioMet = r.windowFailures == 0 && r.cliFailures == 0 && ratio > 0 && ratio <= kAimRatio;
  std::printf("GENERATE 15 MIN. (Rhythm BD, Harmony SV), %d runs each, alternately, each after sync:\n", runs);
  std::printf("  %-5s %12s %12s %14s %12s %12s\n", "run", "window s", "vorsk-cli s", "window CPU s",
              "cli CPU s", "X CPU s");
  for (size_t i = 0; i < r.windowS.size() && i < r.cliS.size(); ++i) {
    std::printf("  %-5zu %12.3f %12.3f %14.3f %12.3f %12.3f\n", i + 1, r.windowS[i], r.cliS[i], r.windowCpuS[i],
                r.cliCpuS[i], r.xCpuS[i]);
  }
  std::printf("  median: window %.3f s, vorsk-cli %.3f s, ratio %.3f (aim <= %.1f: %s)%s\n", window, cli, ratio,
              kAimRatio, Verdict(ratioMet), r.windowFailures + r.cliFailures ? " (some runs failed)" : "");
  // CPU time moves far less than wall time with the load of other processes and the disk.
  const double cliCpu = Median(r.cliCpuS);
  std::printf("  median CPU: window %.3f s (X server %.3f s more), vorsk-cli %.3f s, ratio %.3f\n",
              Median(r.windowCpuS), Median(r.xCpuS), cliCpu, cliCpu > 0 ? Median(r.windowCpuS) / cliCpu : 0.0);
  std::printf("  the engine alone in this process (no window): median %.3f s%s\n", Median(engine.seconds),
              engine.failures ? " (some runs failed)" : "");
  const bool gapMet = r.maxLookGapMs > 0 && r.maxLookGapMs <= kAimLookGapMs;
  std::printf("while the window generates: largest gap between looks at the board %.1f ms (aim <= %.0f ms: %s);\n"
              "  between frames sent %.1f ms; %d frames, %.0f pixels a frame on average;\n"
              "  largest gap between two pumps of the engine alone: %.1f ms\n",
              r.maxLookGapMs, kAimLookGapMs, Verdict(gapMet), r.maxFrameGapMs, r.frames,
              r.frames ? static_cast<double>(r.pixels) / r.frames : 0.0, engine.maxGapMs);
  return idleMet && clickMet && boxMet && ratioMet && gapMet && status == 0 ? 0 : 1;
}
