#include "platform/system_paths.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {

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

std::string MakeTempFileName(const std::string& folder) {
  std::string pattern = folder + "vk_XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkstemp(buffer.data());
  if (fd < 0) return {};
  ::close(fd);
  return std::string(buffer.data());
}

bool DiskFreeMegabytes(const std::string& path, unsigned long long& megabytes) {
  struct statvfs st {};
  if (::statvfs(path.c_str(), &st) != 0) return false;
  megabytes = static_cast<unsigned long long>(st.f_bavail) * st.f_frsize / 1048576ULL;
  return true;
}

}  // namespace platform
