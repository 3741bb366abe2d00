#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {
namespace {

// Descriptors are stored as fd + 1 so that a handle of 0 never names a real file, even when
// descriptor 0 is free (no standard input).
FileHandle FromFd(int fd) { return fd < 0 ? kInvalidHandle : static_cast<FileHandle>(fd) + 1; }
int ToFd(FileHandle h) { return IsOpen(h) ? static_cast<int>(h - 1) : -1; }

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string ResolveExisting(const std::string& path) {
  struct stat st {};
  if (path.empty()) return {};
  if (::stat(path.c_str(), &st) == 0) return path;
  const auto slash = path.find_last_of('/');
  const std::string folder = FolderOf(path);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string found;
  while (dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

bool FileExists(const std::string& path) { return !ResolveExisting(path).empty(); }

FileHandle OpenExisting(const std::string& path) {
  const std::string real = ResolveExisting(path);
  if (real.empty()) return kInvalidHandle;
  struct stat st {};
  if (::stat(real.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return kInvalidHandle;
  return FromFd(::open(real.c_str(), O_RDONLY | O_CLOEXEC));
}

FileHandle CreateAlways(const std::string& path) {
  if (path.empty()) return kInvalidHandle;
  // Replacing an existing regular file by a new one rather than truncating it: some file
  // systems (ext4) flush a truncated-and-rewritten file on close, which stalls every piece mix.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {  // only when the file itself may be written, as a truncation would need
      ::close(fd);
      ::unlink(path.c_str());
    }
  }
  return FromFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
}

int ReadFile(FileHandle h, void* buffer, int count) {
  const int fd = ToFd(h);
  if (fd < 0 || count <= 0) return 0;
  int total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < count) {
    const ssize_t n = ::read(fd, out + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += static_cast<int>(n);
  }
  return total;
}

int WriteFile(FileHandle h, const void* buffer, int count) {
  const int fd = ToFd(h);
  if (fd < 0 || count <= 0) return 0;
  int total = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (total < count) {
    const ssize_t n = ::write(fd, in + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += static_cast<int>(n);
  }
  return total;
}

bool SeekFile(FileHandle h, long long offset) {
  const int fd = ToFd(h);
  if (fd < 0 || offset < 0) return false;
  return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

long long FileSize(FileHandle h) {
  struct stat st {};
  const int fd = ToFd(h);
  if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

void CloseFile(FileHandle h) {
  const int fd = ToFd(h);
  if (fd >= 0) ::close(fd);
}

void CloseAndClear(FileHandle& h) {
  CloseFile(h);
  h = 0;
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> ListFolder(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (name.compare(0, prefix.size(), prefix) == 0) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace platform
