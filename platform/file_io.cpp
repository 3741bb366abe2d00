#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

// What is known of each open descriptor, indexed by descriptor: its path and whether an
// operation on it failed. Plus the first failure of the process since it was last cleared.
struct OpenFile {
  std::string path;
  bool bFailed = false;
};
std::mutex g_mutex;
std::vector<OpenFile> g_open;
FileFailure g_firstFailure;

void NoteFirst(int error, const std::string& path) {
  if (g_firstFailure.nError == 0) g_firstFailure = {error != 0 ? error : EIO, path};
}

void NotePathFailure(const std::string& path, int error) {
  std::lock_guard<std::mutex> lock(g_mutex);
  NoteFirst(error, path);
}

void NoteFdFailure(int fd, int error) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::string path;
  if (fd >= 0 && static_cast<size_t>(fd) < g_open.size()) {
    g_open[fd].bFailed = true;
    path = g_open[fd].path;
  }
  NoteFirst(error, path);
}

// Records a newly opened descriptor (fd < 0: the open failed, errno tells why).
int Opened(int fd, const std::string& path) {
  if (fd < 0) {
    const int error = errno;
    NotePathFailure(path, error);
    errno = error;
    return fd;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  if (static_cast<size_t>(fd) >= g_open.size()) g_open.resize(static_cast<size_t>(fd) + 16);
  g_open[fd] = {path, false};
  return fd;
}

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
  if (name.empty()) return {};
  // The likeliest other spelling first: it needs no listing of the folder.
  std::string flipped = path;
  const size_t first = slash == std::string::npos ? 0 : slash + 1;
  const auto c = static_cast<unsigned char>(flipped[first]);
  flipped[first] = static_cast<char>(std::isupper(c) ? std::tolower(c) : std::toupper(c));
  if (flipped != path && ::stat(flipped.c_str(), &st) == 0) return flipped;
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
  struct stat st {};
  if (real.empty()) {
    NotePathFailure(path, ENOENT);
    return kInvalidHandle;
  }
  if (::stat(real.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    NotePathFailure(real, EISDIR);
    return kInvalidHandle;
  }
  return FromFd(Opened(::open(real.c_str(), O_RDONLY | O_CLOEXEC), real));
}

FileHandle CreateNew(const std::string& path, unsigned mode) {
  if (path.empty()) return kInvalidHandle;
  return FromFd(Opened(
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode), path));
}

FileHandle CreateAlways(const std::string& path) {
  if (path.empty()) return kInvalidHandle;
  // Replacing an existing regular file by a new one rather than truncating it: some file
  // systems (ext4) flush a truncated-and-rewritten file on close, which stalls every piece mix.
  // The new file is created exclusively, so nothing placed by that name in the meantime (a
  // symlink to someone else's file) is ever followed.
  struct stat st {};
  unsigned mode = 0644;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode) || S_ISLNK(st.st_mode)) {
      NotePathFailure(path, S_ISDIR(st.st_mode) ? EISDIR : ELOOP);
      return kInvalidHandle;
    }
    if (!S_ISREG(st.st_mode)) {  // a device or a pipe is written in place, as it is
      return FromFd(Opened(::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC), path));
    }
    // Only a file that may itself be written is replaced, as a truncation would need.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      NotePathFailure(path, errno);
      return kInvalidHandle;
    }
    ::close(fd);
    mode = st.st_mode & 0777;
    if (::unlink(path.c_str()) != 0) {
      NotePathFailure(path, errno);
      return kInvalidHandle;
    }
  }
  return CreateNew(path, mode);
}

int ReadFile(FileHandle h, void* buffer, int count) {
  const int fd = ToFd(h);
  if (fd < 0 || count <= 0) return 0;
  int total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < count) {
    const ssize_t n = ::read(fd, out + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) NoteFdFailure(fd, errno);
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
    if (n <= 0) {
      NoteFdFailure(fd, n < 0 ? errno : ENOSPC);
      break;
    }
    total += static_cast<int>(n);
  }
  return total;
}

bool SeekFile(FileHandle h, long long offset) {
  const int fd = ToFd(h);
  if (fd < 0 || offset < 0) return false;
  if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset)) return true;
  NoteFdFailure(fd, errno);
  return false;
}

bool SetFileSize(FileHandle h, long long size) {
  const int fd = ToFd(h);
  if (fd < 0 || size < 0) return false;
  if (::ftruncate(fd, static_cast<off_t>(size)) == 0) return true;
  NoteFdFailure(fd, errno);
  return false;
}

long long FileSize(FileHandle h) {
  struct stat st {};
  const int fd = ToFd(h);
  if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

bool CloseFile(FileHandle h) {
  const int fd = ToFd(h);
  if (fd < 0) return true;
  OpenFile file;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (static_cast<size_t>(fd) < g_open.size()) std::swap(file, g_open[fd]);
  }
  if (::close(fd) != 0 && errno != EINTR) {
    NotePathFailure(file.path, errno);
    return false;
  }
  const bool bFailed = file.bFailed;
  return !bFailed;
}

bool CloseAndClear(FileHandle& h) {
  const bool bClean = CloseFile(h);
  h = 0;
  return bClean;
}

FileFailure LastFileFailure() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_firstFailure;
}

void ClearFileFailure() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_firstFailure = {};
}

std::string ErrorText(int error) {
  char buffer[256];
  return ::strerror_r(error, buffer, sizeof buffer);
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at < path.size() && path[at] != '/') continue;
    if (path[at - 1] == '/') continue;
    const std::string part = path.substr(0, at);
    if (!MakeFolder(part)) {
      NotePathFailure(part, errno == EEXIST ? ENOTDIR : errno);
      return false;
    }
  }
  return true;
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
