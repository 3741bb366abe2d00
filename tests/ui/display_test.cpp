// The window program without a usable display: it must end at once with status 1 and say why,
// instead of running on SDL's offscreen fallback where nobody can see or close it.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/fixtures.h"

namespace {

TEST(WindowProgram, EndsWithStatus1AndTheCauseWhenNoDisplayOpens) {
  const struct {
    const char* env;
    const char* cause;  // part of the message after "cannot open a window: "
  } cases[] = {
      {"", "neither DISPLAY nor WAYLAND_DISPLAY is set"},
      {"DISPLAY=:7357", "X11 display ':7357'"},
      {"WAYLAND_DISPLAY=vorsk-no-compositor XDG_RUNTIME_DIR=/nonexistent", "Wayland display 'vorsk-no-compositor'"},
      {"SDL_VIDEODRIVER=no-such-driver", "SDL_VIDEODRIVER='no-such-driver'"},
  };
  fixtures::ScratchDir home;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.env);
    // Only the variables of the case; a program still running after 20 s is killed (status 137).
    const std::string command = "env -i HOME='" + home.Path() + "' TMPDIR='" + home.Path() + "' " + c.env +
                                " timeout -s KILL 20 '" VORSK_WINDOW_PROGRAM "' 2>&1 >/dev/null";
    std::string err;
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[1024];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) err.append(buffer, n);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << err;
    // A display library may say more before it (libwayland does).
    EXPECT_NE(err.find("vorsk: cannot open a window: "), std::string::npos) << err;
    EXPECT_NE(err.find(c.cause), std::string::npos) << err;
  }
}

}  // namespace
