// HELP's browser: the opener is run and its exit status looked at, so a page that nobody
// opened is reported (SDL's own call says it succeeded either way).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "platform/ui_queue.h"
#include "support/fixtures.h"
#include "ui/url_opener.h"

namespace {

struct Counter : platform::IUiMessageHandler {
  void OnTimer(int) override {}
  void OnMciNotify(int, const std::string&) override {}
};

TEST(UrlOpener, ReportsAnOpenerThatIsMissingOrFailsAndPassesItTheUrl) {
  fixtures::ScratchDir bin;
  const std::string received = bin.Path() + "/received";
  {
    std::ofstream script(bin.Path() + "/" + ui::kUrlOpener);
    script << "#!/bin/sh\nprintf '%s' \"$1\" > '" << received << "'\nexit 3\n";
  }
  ::chmod((bin.Path() + "/" + ui::kUrlOpener).c_str(), 0755);
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath ? oldPath : "";
  const struct {
    const char* what;
    std::string path;
  } cases[] = {{"no opener on PATH", "/nonexistent"}, {"an opener that finds no browser", bin.Path()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ::setenv("PATH", c.path.c_str(), 1);
    platform::UiQueue().Clear();
    int failures = 0;
    ui::OpenUrlInBackground("file:///help/vorsk.html#context-20", [&failures] { ++failures; });
    ::setenv("PATH", savedPath.c_str(), 1);
    ASSERT_TRUE(platform::UiQueue().WaitForMessage(20000)) << "no failure reported";
    Counter handler;
    platform::UiQueue().DispatchAll(handler);
    EXPECT_EQ(failures, 1);
  }
  const auto bytes = fixtures::ReadAll(received);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "file:///help/vorsk.html#context-20");
}

}  // namespace
