// The window program without a usable display: it must end at once with status 1 and say why,
// instead of running on SDL's offscreen fallback where nobody can see or close it.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/fixtures.h"

namespace {

struct Outcome {
  int status = -1;  // exit status, or -1 when it did not end
  std::string err;
  double seconds = 0;
};

// Runs the window program with exactly env and collects its standard error; a program still
// running after the guard is killed (a hang, not a slow start).
Outcome RunWindowProgram(const std::vector<std::string>& env) {
  fixtures::ScratchDir dir;
  const std::string errPath = dir.Path() + "/err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> envStore = env;
  envStore.push_back("HOME=" + dir.Path());
  envStore.push_back("TMPDIR=" + dir.Path());
  std::vector<char*> envp;
  for (std::string& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = VORSK_WINDOW_PROGRAM;
  char* argv[] = {program.data(), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  Outcome outcome;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return outcome;
  int status = 0;
  for (int i = 0; i < 1000; ++i) {  // guard: 20 s
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (outcome.status < 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  const auto bytes = fixtures::ReadAll(errPath);
  outcome.err.assign(bytes.begin(), bytes.end());
  return outcome;
}

TEST(WindowProgram, EndsWithStatus1AndTheCauseWhenNoDisplayOpens) {
  const struct {
    std::vector<std::string> env;
    const char* cause;  // part of the message after "cannot open a window: "
  } cases[] = {
      {{}, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
      {{"DISPLAY=:7357"}, "X11 display ':7357'"},
      {{"WAYLAND_DISPLAY=vorsk-no-compositor", "XDG_RUNTIME_DIR=/nonexistent"}, "Wayland display 'vorsk-no-compositor'"},
      {{"SDL_VIDEODRIVER=no-such-driver"}, "SDL_VIDEODRIVER='no-such-driver'"},
  };
  for (const auto& c : cases) {
    std::string what;
    for (const std::string& e : c.env) what += e + " ";
    SCOPED_TRACE(what);
    const Outcome outcome = RunWindowProgram(c.env);
    ASSERT_NE(outcome.status, -1) << "still running after " << outcome.seconds << " s";
    EXPECT_EQ(outcome.status, 1) << outcome.err;
    // A display library may say more before it (libwayland does).
    EXPECT_NE(outcome.err.find("vorsk: cannot open a window: "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(c.cause), std::string::npos) << outcome.err;
    std::printf("  ended after %.2f s: %s", outcome.seconds, outcome.err.c_str());
  }
}

}  // namespace
