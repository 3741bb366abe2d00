#include "master/master_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace master {

MasterFile::~MasterFile() { Discard(); }

void MasterFile::Discard() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (!m_bCommitted && !m_fresh.empty()) ::unlink(m_fresh.c_str());
  m_fresh.clear();
}

bool MasterFile::Create(const std::string& destination, std::string& error) {
  Discard();
  m_bCommitted = false;
  m_destination = destination;
  const size_t slash = destination.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  std::string pattern = folder + "." + name + ".XXXXXX";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  // mkostemp opens with O_CREAT | O_EXCL, so it never follows a symlink or reuses a file.
  m_fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (m_fd < 0) {
    error = "cannot create a file in " + (folder.empty() ? std::string(".") : folder) + ": " + std::strerror(errno);
    return false;
  }
  m_fresh = path.data();
  ::fchmod(m_fd, 0644);
  return true;
}

bool MasterFile::Commit(std::string& error) {
  if (m_fd < 0) {
    error = "nothing to store as " + m_destination;
    return false;
  }
  int cause = 0;
  if (::fsync(m_fd) != 0) cause = errno;
  if (::close(m_fd) != 0 && cause == 0) cause = errno;
  m_fd = -1;
  if (cause == 0 && std::rename(m_fresh.c_str(), m_destination.c_str()) != 0) cause = errno;
  if (cause != 0) {
    error = "cannot store " + m_destination + ": " + std::strerror(cause);
    Discard();
    return false;
  }
  m_bCommitted = true;
  m_fresh.clear();
  return true;
}

}  // namespace master
