#include "platform/system_paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <limits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

namespace platform {
namespace {

constexpr const char* kScratchPrefix = "vorsk-";

std::mutex g_scratchMutex;
std::map<std::string, std::string> g_scratch;  // parent folder -> this process's folder
unsigned g_nextName = 0;

// The process id in a scratch folder name "vorsk-<pid>-<random>", or 0.
// The pid of a scratch folder's name, exactly "vorsk-<pid>-XXXXXX" (six letters or digits, as
// mkdtemp makes them); 0 for any other name.
long PidOfScratchName(const std::string& name) {
  const size_t prefix = std::char_traits<char>::length(kScratchPrefix);
  if (name.rfind(kScratchPrefix, 0) != 0) return 0;
  const size_t dash = name.find('-', prefix);
  if (dash == std::string::npos || name.size() != dash + 7) return 0;
  for (size_t i = dash + 1; i < name.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return 0;
  }
  return ParsePid(name.substr(prefix, dash - prefix));
}

// The path itself when it exists, else its nearest existing parent folder.
std::string NearestExisting(const std::string& path) {
  std::string p = path.empty() ? "." : path;
  struct stat st {};
  while (::stat(p.c_str(), &st) != 0) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const auto slash = p.find_last_of('/');
    if (slash == std::string::npos) return ".";
    p = slash == 0 ? "/" : p.substr(0, slash);
  }
  return p;
}

}  // namespace

std::string ProgramFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  std::string path(buffer.data(), static_cast<size_t>(n));
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string() : path.substr(0, slash);
}

std::string TempFolder() {
  const char* env = std::getenv("TMPDIR");
  if (env && *env) {
    struct stat st {};
    if (::stat(env, &st) == 0 && S_ISDIR(st.st_mode) && ::access(env, W_OK | X_OK) == 0) {
      std::string folder = env;
      if (folder.back() != '/') folder += '/';
      return folder;
    }
  }
  return "/tmp/";
}

long ParsePid(const std::string& text) {
  std::string digits = text;
  if (!digits.empty() && digits.back() == '\n') digits.pop_back();
  if (digits.empty() || digits.size() > 10 || digits[0] == '0') return 0;
  long long value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value <= std::numeric_limits<pid_t>::max() ? static_cast<long>(value) : 0;
}

bool ProcessAlive(long pid) {
  // Only a real process id is asked about: kill(-1, 0) or kill(0, 0) would ask about others.
  if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

int RemoveDeadScratchFolders(const std::string& parent) {
  int removed = 0;
  DIR* dir = ::opendir(parent.empty() ? "." : parent.c_str());
  if (!dir) return 0;
  std::vector<std::string> dead;
  while (dirent* entry = ::readdir(dir)) {
    const long pid = PidOfScratchName(entry->d_name);
    if (pid == 0 || ProcessAlive(pid)) continue;
    const std::string path = parent + entry->d_name;
    struct stat st {};
    // Only real folders of this user: a symlink or someone else's folder is left alone.
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
      dead.push_back(path);
  }
  ::closedir(dir);
  for (const std::string& path : dead) {
    std::error_code ec;
    if (std::filesystem::remove_all(path, ec) != static_cast<std::uintmax_t>(-1) && !ec) ++removed;
  }
  return removed;
}

std::string ScratchFolder(const std::string& parent) {
  std::lock_guard<std::mutex> lock(g_scratchMutex);
  const auto known = g_scratch.find(parent);
  struct stat st {};
  if (known != g_scratch.end()) {
    if (::lstat(known->second.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return known->second;
    g_scratch.erase(known);  // removed behind our back: make a new one
  }
  RemoveDeadScratchFolders(parent);
  std::string pattern = parent + kScratchPrefix + std::to_string(::getpid()) + "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data())) return {};
  static const bool bRegistered = [] { return std::atexit(RemoveScratchFolders) == 0; }();
  (void)bRegistered;
  const std::string folder = std::string(buffer.data()) + "/";
  g_scratch[parent] = folder;
  return folder;
}

void RemoveScratchFolders() {
  std::lock_guard<std::mutex> lock(g_scratchMutex);
  for (const auto& entry : g_scratch) {
    std::error_code ec;
    std::filesystem::remove_all(entry.second, ec);
  }
  g_scratch.clear();
}

void ReleaseScratchFolder(const std::string& parent) {
  std::lock_guard<std::mutex> lock(g_scratchMutex);
  const auto known = g_scratch.find(parent);
  if (known == g_scratch.end()) return;
  if (::rmdir(known->second.c_str()) == 0 || errno == ENOENT) g_scratch.erase(known);
}

std::string MakeTempFileName(const std::string& folder) {
  const std::string scratch = ScratchFolder(folder);
  if (scratch.empty()) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned n;
    {
      std::lock_guard<std::mutex> lock(g_scratchMutex);
      n = ++g_nextName;
    }
    char name[32];
    std::snprintf(name, sizeof name, "vk%05u.tmp", n);
    const std::string path = scratch + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

bool DiskFreeMegabytes(const std::string& path, unsigned long long& megabytes) {
  struct statvfs st {};
  if (::statvfs(NearestExisting(path).c_str(), &st) != 0) return false;
  // A file system without blocks (proc-like, some FUSE mounts) reports nothing meaningful.
  if (st.f_blocks == 0) return false;
  megabytes = static_cast<unsigned long long>(st.f_bavail) * st.f_frsize / 1048576ULL;
  return true;
}

bool SameFileSystem(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(NearestExisting(a).c_str(), &sa) != 0 || ::stat(NearestExisting(b).c_str(), &sb) != 0)
    return false;
  return sa.st_dev == sb.st_dev;
}

}  // namespace platform
