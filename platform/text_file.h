// Text-mode files (the session log, Vorsk.INI): "\n" is stored as CR LF; reading turns
// CR LF back into "\n" and keeps a lone CR. The file is closed when the object goes.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

class CTextFile {
 public:
  CTextFile() = default;
  ~CTextFile() { Close(); }
  CTextFile(const CTextFile&) = delete;
  CTextFile& operator=(const CTextFile&) = delete;

  bool OpenWrite(const std::string& path);  // create or truncate
  bool OpenRead(const std::string& path);   // existing file, case-insensitive fallback
  bool Write(const std::string& text);      // false when not every byte was stored
  // Like fgets: at most size - 1 characters, up to and including a "\n"; false at the end.
  bool ReadLine(char* buffer, int size);
  bool Close();  // false when buffered text could not be stored
  bool IsOpen() const { return m_file != nullptr; }

 private:
  std::FILE* m_file = nullptr;
  bool m_bWriteFailed = false;
};

}  // namespace platform
