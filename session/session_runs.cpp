#include "session/session_runs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/system_paths.h"

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Creates path exclusively: 1 made, 0 taken (it exists), -1 the folder refused.
int CreateExclusive(const std::string& path, const std::string& content) {
  platform::FileHandle h = platform::CreateNew(path);
  if (!platform::IsOpen(h)) return errno == EEXIST ? 0 : -1;
  const int size = static_cast<int>(content.size());
  const bool bWritten = platform::WriteFile(h, content.data(), size) == size;
  if (!platform::CloseFile(h) || !bWritten) {
    platform::DeleteFile(path);
    return -1;
  }
  return 1;
}

// The process a marker names; 0 when it is malformed (empty, not a number, out of range).
long ReadPid(const std::string& path) {
  platform::FileHandle h = platform::OpenExisting(path);
  char text[32] = {};
  platform::ReadFile(h, text, sizeof text - 1);
  platform::CloseFile(h);
  return platform::ParsePid(text);
}

// A malformed marker is swept only once it is this old: a live run's marker is empty for the
// moment between its creation and its write.
constexpr std::time_t kMalformedMarkerSeconds = 60;

bool OlderThan(const std::string& path, std::time_t seconds) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && st.st_mtime + seconds < platform::Now();
}

}  // namespace

bool ClaimSessionName(const std::string& folder, std::string& name) {
  std::time_t t = platform::Now();
  for (int attempt = 0; attempt < kMaxClaimSeconds; ++attempt) {
    name = platform::FormatLocalTime(t, kSessionNameFormat);
    const std::string prefix = folder + name;
    const int marker = CreateExclusive(prefix + kRunMarkerName, std::to_string(::getpid()) + "\n");
    if (marker < 0) return false;
    if (marker > 0) {
      const int log = CreateExclusive(prefix + "log.txt", std::string());
      if (log > 0) return true;
      ReleaseSession(prefix);
      if (log < 0) return false;
    }
    // The name is taken (a run of this second made it): the next second names another.
    platform::WaitUntil(t + 1);
    t = std::max(t + 1, platform::Now());
  }
  errno = EEXIST;
  return false;
}

void ReleaseSession(const std::string& prefix) { platform::DeleteFile(prefix + kRunMarkerName); }

int RemoveAbandonedSessions(const std::string& folder) {
  int removed = 0;
  for (const std::string& marker : platform::ListFolder(folder, "")) {
    if (!EndsWith(marker, kRunMarkerName) || marker.size() == std::string(kRunMarkerName).size())
      continue;
    const long pid = ReadPid(folder + marker);
    if (pid != 0 ? platform::ProcessAlive(pid) : !OlderThan(folder + marker, kMalformedMarkerSeconds)) continue;
    const std::string session = marker.substr(0, marker.size() - std::string(kRunMarkerName).size());
    for (const std::string& name : platform::ListFolder(folder, session)) {
      if (name != marker) platform::DeleteFile(folder + name);
    }
    // Fresh files of replacements the run did not finish (".<session>log.txt.XXXXXX").
    for (const std::string& name : platform::ListFolder(folder, "." + session)) platform::DeleteFile(folder + name);
    platform::DeleteFile(folder + marker);
    ++removed;
  }
  return removed;
}
