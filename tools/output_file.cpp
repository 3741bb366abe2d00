#include "tools/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace archives {

COutputFile::COutputFile(std::string path)
    : m_path(std::move(path)), m_tempPath(m_path + ".partial-" + std::to_string(::getpid())) {}

COutputFile::~COutputFile() {
  if (m_file) std::fclose(m_file);
  if (!m_committed) std::remove(m_tempPath.c_str());
}

bool COutputFile::Open(std::string& error) {
  m_file = std::fopen(m_tempPath.c_str(), "wb");
  if (!m_file) error = "cannot create " + m_tempPath + ": " + std::strerror(errno);
  return m_file != nullptr;
}

bool COutputFile::Write(const void* data, size_t bytes, std::string& error) {
  if (!m_file || std::fwrite(data, 1, bytes, m_file) != bytes) {
    error = "cannot write " + m_tempPath + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool COutputFile::Commit(std::string& error) {
  if (!m_file) {
    error = "nothing written for " + m_path;
    return false;
  }
  const bool flushed = std::fflush(m_file) == 0 && ::fsync(::fileno(m_file)) == 0;
  const bool closed = std::fclose(m_file) == 0;
  m_file = nullptr;
  if (!flushed || !closed) {
    error = "cannot finish " + m_tempPath + ": " + std::strerror(errno);
    return false;
  }
  if (std::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
    error = "cannot rename " + m_tempPath + " to " + m_path + ": " + std::strerror(errno);
    return false;
  }
  m_committed = true;
  return true;
}

}  // namespace archives
