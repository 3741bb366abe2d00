// Text-mode files (the session log, Vorsk.INI): "\n" is stored as CR LF; reading turns
// CR LF back into "\n" and keeps a lone CR. The file is closed when the object goes.
//
// Writing goes through the safe replacement of file_io.h: the text is gathered, written to a
// fresh file beside the target and renamed over it by Close, so the old file stays whole until
// the new one is; an object that goes without Close keeps the old file. Reading opens only a
// regular file (never a pipe or device) and never blocks on the open.
#pragma once

#include <cstdio>
#include <string>

#include "platform/file_io.h"

namespace platform {

class CTextFile {
 public:
  CTextFile() = default;
  ~CTextFile();
  CTextFile(const CTextFile&) = delete;
  CTextFile& operator=(const CTextFile&) = delete;

  // Starts a replacement of path (CreateReplacement with links); false, noted with the path
  // and the cause, when the target is refused.
  bool OpenWrite(const std::string& path, LinkRule links = LinkRule::kRefuse);
  bool OpenRead(const std::string& path);   // existing regular file, case-insensitive fallback
  bool Write(const std::string& text);      // false once the file is known to have failed
  // Like fgets: at most size - 1 characters, up to and including a "\n"; false at the end.
  bool ReadLine(char* buffer, int size);
  // Bytes of the file open for reading, -1 when none is.
  long long Size() const;
  // Reading: closes. Writing: stores the text and puts the file in place; false when it could
  // not (the old file, if any, is then as it was).
  bool Close();
  bool IsOpen() const { return m_file != nullptr || platform::IsOpen(m_hWrite); }

 private:
  std::FILE* m_file = nullptr;  // reading
  FileHandle m_hWrite = 0;      // writing
  std::string m_pending;        // text not yet handed to the file
};

}  // namespace platform
