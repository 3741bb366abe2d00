#include "ui/url_opener.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include "platform/ui_queue.h"

extern char** environ;

namespace ui {

void OpenUrlInBackground(const std::string& url, std::function<void()> onFailure) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The opener's chatter stays out of the program's own output.
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string program = kUrlOpener, argument = url;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    platform::UiQueue().PostTask(std::move(onFailure));
    return;
  }
  std::thread([pid, onFailure = std::move(onFailure)]() mutable {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) platform::UiQueue().PostTask(std::move(onFailure));
  }).detach();
}

}  // namespace ui
