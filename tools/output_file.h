// COutputFile: writes a file under a temporary name beside its final path and renames it into
// place only when everything was written, so an interrupted build never leaves a partial file
// under the real name. The object owns the temporary file and removes it unless committed.
#pragma once

#include <cstdio>
#include <string>

namespace archives {

class COutputFile {
 public:
  explicit COutputFile(std::string path);
  ~COutputFile();
  COutputFile(const COutputFile&) = delete;
  COutputFile& operator=(const COutputFile&) = delete;

  // Opens the temporary file; false with a reason in error.
  bool Open(std::string& error);
  // Appends bytes; false with a reason in error (a full disk, a failing device).
  bool Write(const void* data, size_t bytes, std::string& error);
  // Closes the temporary file and renames it to the final path; false with a reason in error.
  bool Commit(std::string& error);

 private:
  std::string m_path;
  std::string m_tempPath;
  std::FILE* m_file = nullptr;
  bool m_committed = false;
};

}  // namespace archives
