#include "platform/text_file.h"

#include "platform/file_io.h"

namespace platform {

bool CTextFile::OpenWrite(const std::string& path) {
  Close();
  m_file = std::fopen(path.c_str(), "wb");
  m_bWriteFailed = false;
  return m_file != nullptr;
}

bool CTextFile::OpenRead(const std::string& path) {
  Close();
  const std::string real = ResolveExisting(path);
  if (real.empty()) return false;
  m_file = std::fopen(real.c_str(), "rb");
  return m_file != nullptr;
}

bool CTextFile::Write(const std::string& text) {
  if (!m_file) return false;
  for (const char c : text) {
    if (c == '\n' && std::fputc('\r', m_file) == EOF) m_bWriteFailed = true;
    if (std::fputc(static_cast<unsigned char>(c), m_file) == EOF) m_bWriteFailed = true;
  }
  return !m_bWriteFailed;
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

bool CTextFile::Close() {
  if (!m_file) return true;
  const bool ok = std::fclose(m_file) == 0 && !m_bWriteFailed;
  m_file = nullptr;
  return ok;
}

}  // namespace platform
