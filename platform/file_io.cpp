#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

// What is known of each open descriptor, indexed by descriptor: its path and whether an
// operation on it failed. Plus the first failure of the process since it was last cleared.
struct OpenFile {
  std::string path;
  bool bFailed = false;
  // A replacement in progress: the fresh file being written, the final mode and owner, and
  // whether an older file is replaced (then the new one is flushed to the disk first).
  std::string fresh;
  unsigned mode = 0;
  uid_t uid = 0;
  gid_t gid = 0;
  bool bOlder = false;
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
int Opened(int fd, const std::string& path, OpenFile file = {}) {
  if (fd < 0) {
    const int error = errno;
    NotePathFailure(path, error);
    errno = error;
    return fd;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  if (static_cast<size_t>(fd) >= g_open.size()) g_open.resize(static_cast<size_t>(fd) + 16);
  file.path = path;
  file.bFailed = false;
  g_open[fd] = std::move(file);
  return fd;
}

// Takes the bookkeeping of fd out of the table (the descriptor itself stays open).
OpenFile Forget(int fd) {
  OpenFile file;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (fd >= 0 && static_cast<size_t>(fd) < g_open.size()) std::swap(file, g_open[fd]);
  return file;
}

// The error a target of this type is refused with, 0 for a regular file.
int RefusalOf(mode_t mode) {
  if (S_ISREG(mode)) return 0;
  if (S_ISDIR(mode)) return EISDIR;
  if (S_ISLNK(mode)) return ELOOP;
  return kNotRegularFile;
}

// The process's umask, read without changing it (umask() would, for a moment, for every thread).
unsigned CurrentUmask() {
  static const unsigned mask = [] {
    unsigned value = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
      char line[128];
      while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "Umask: %o", &value) == 1) break;
      }
      std::fclose(status);
    }
    return value & 0777;
  }();
  return mask;
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

int OpenRegularDescriptor(const std::string& path) {
  const std::string real = ResolveExisting(path);
  if (real.empty()) {
    NotePathFailure(path, ENOENT);
    errno = ENOENT;
    return -1;
  }
  // Non-blocking, so that a pipe with no writer cannot hold the open; nothing is read before
  // the type is known.
  const int fd = ::open(real.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    NotePathFailure(real, error);
    errno = error;
    return -1;
  }
  struct stat st {};
  const int refusal = ::fstat(fd, &st) != 0 ? errno : RefusalOf(st.st_mode);
  if (refusal != 0) {
    ::close(fd);
    NotePathFailure(real, refusal);
    errno = refusal;
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

FileHandle OpenExisting(const std::string& path) {
  const std::string real = ResolveExisting(path);
  const int fd = OpenRegularDescriptor(path);
  return FromFd(fd < 0 ? fd : Opened(fd, real));
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
    if (const int refusal = RefusalOf(st.st_mode)) {
      NotePathFailure(path, refusal);
      return kInvalidHandle;
    }
    // Only a file that may itself be written is replaced, as a truncation would need.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
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

FileHandle CreateReplacement(const std::string& path, LinkRule links) {
  if (path.empty()) return kInvalidHandle;
  std::string target = path;
  struct stat st {};
  bool bOlder = ::lstat(target.c_str(), &st) == 0;
  if (bOlder && S_ISLNK(st.st_mode) && links == LinkRule::kReplaceTarget) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) {
      NotePathFailure(path, errno);
      return kInvalidHandle;
    }
    target = resolved;
    std::free(resolved);
    bOlder = ::lstat(target.c_str(), &st) == 0;
  }
  if (!bOlder && errno != ENOENT) {
    NotePathFailure(target, errno);
    return kInvalidHandle;
  }
  OpenFile file;
  file.mode = 0666 & ~CurrentUmask();
  file.uid = ::geteuid();
  file.gid = ::getegid();
  // Only old content is worth a flush before the rename: an empty file (a claimed name) is not.
  file.bOlder = bOlder && st.st_size > 0;
  if (bOlder) {
    if (const int refusal = RefusalOf(st.st_mode)) {
      NotePathFailure(target, refusal);
      return kInvalidHandle;
    }
    // A file this process could not rewrite in place is not replaced either.
    if (::access(target.c_str(), W_OK) != 0) {
      NotePathFailure(target, errno);
      return kInvalidHandle;
    }
    file.mode = st.st_mode & 0777;  // never set-id bits on content written here
    file.uid = st.st_uid;
    file.gid = st.st_gid;
  }
  const auto slash = target.find_last_of('/');
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string fresh = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) +
                      "." + name + ".XXXXXX";
  // mkostemp creates with O_EXCL and mode 0600: a name someone placed there is never opened.
  const int fd = ::mkostemp(fresh.data(), O_CLOEXEC);
  if (fd < 0) {
    NotePathFailure(target, errno);
    return kInvalidHandle;
  }
  file.fresh = fresh;
  return FromFd(Opened(fd, target, std::move(file)));
}

bool CommitFile(FileHandle h) {
  const int fd = ToFd(h);
  if (fd < 0) return true;
  OpenFile file;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (static_cast<size_t>(fd) >= g_open.size() || g_open[fd].fresh.empty()) {
      // Not a replacement: an ordinary close.
    } else {
      std::swap(file, g_open[fd]);
    }
  }
  if (file.fresh.empty()) return CloseFile(h);
  int error = 0;
  if (file.bFailed) error = EIO;  // already noted with its own cause
  // Run as root, a replaced file keeps its owner.
  if (error == 0 && ::geteuid() == 0) (void)::fchown(fd, file.uid, file.gid);
  if (error == 0 && ::fchmod(fd, file.mode) != 0) error = errno;
  // The old content goes only once the new one is on the disk.
  if (error == 0 && file.bOlder && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error == 0 && ::rename(file.fresh.c_str(), file.path.c_str()) != 0) error = errno;
  if (error == 0) return true;
  if (!file.bFailed) NotePathFailure(file.path, error);
  ::unlink(file.fresh.c_str());
  return false;
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
  const OpenFile file = Forget(fd);
  const bool bClosed = ::close(fd) == 0 || errno == EINTR;
  if (!bClosed) NotePathFailure(file.path, errno);
  // A replacement that was not committed: the target keeps its old content.
  if (!file.fresh.empty()) ::unlink(file.fresh.c_str());
  return bClosed && !file.bFailed;
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
  if (error == kNotRegularFile) return "Not a regular file";
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

int DescriptorOf(FileHandle h) { return ToFd(h); }

}  // namespace platform
