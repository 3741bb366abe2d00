#include "platform/text_file.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {
// Text gathered before it is handed to the file in one write.
constexpr size_t kFlushBytes = 64 * 1024;
}  // namespace

CTextFile::~CTextFile() {
  if (m_file) std::fclose(m_file);
  CloseFile(m_hWrite);  // an unfinished replacement is discarded
}

bool CTextFile::OpenWrite(const std::string& path, LinkRule links) {
  Close();
  m_pending.clear();
  m_hWrite = CreateReplacement(path, links);
  if (!platform::IsOpen(m_hWrite)) m_hWrite = 0;
  return m_hWrite != 0;
}

bool CTextFile::OpenRead(const std::string& path) {
  Close();
  const int fd = OpenRegularDescriptor(path);
  if (fd < 0) return false;
  m_file = ::fdopen(fd, "rb");
  if (!m_file) ::close(fd);
  return m_file != nullptr;
}

bool CTextFile::Write(const std::string& text) {
  if (m_hWrite == 0) return false;
  for (const char c : text) {
    if (c == '\n') m_pending += '\r';
    m_pending += c;
  }
  if (m_pending.size() < kFlushBytes) return true;
  const int size = static_cast<int>(m_pending.size());
  const bool bStored = WriteFile(m_hWrite, m_pending.data(), size) == size;
  m_pending.clear();
  return bStored;
}

bool CTextFile::ReadLine(char* buffer, int size) {
  if (!m_file || size < 2) return false;
  int n = 0;
  while (n < size - 1) {
    int c = std::fgetc(m_file);
    if (c == EOF) break;
    if (c == '\r') {
      const int next = std::fgetc(m_file);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        std::ungetc(next, m_file);
      }
    }
    buffer[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[n] = '\0';
  return n > 0;
}

long long CTextFile::Size() const {
  struct stat st {};
  if (!m_file || ::fstat(::fileno(m_file), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

bool CTextFile::Close() {
  if (m_file) {
    const bool ok = std::fclose(m_file) == 0;
    m_file = nullptr;
    return ok;
  }
  if (m_hWrite == 0) return true;
  const int size = static_cast<int>(m_pending.size());
  const bool bStored = size == 0 || WriteFile(m_hWrite, m_pending.data(), size) == size;
  m_pending.clear();
  const bool bCommitted = CommitFile(m_hWrite);  // false too when a write failed
  m_hWrite = 0;
  return bStored && bCommitted;
}

}  // namespace platform
