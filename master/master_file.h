// MasterFile: the one way a master reaches its name. It is written under a fresh hidden name
// in the destination's folder (".<name>.XXXXXX", created exclusively, never through a symlink)
// and renamed onto the destination only when whole, so a cancel, a crash or a full disk leaves
// an older file of that name as it was. The object removes its fresh file unless committed.
#pragma once

#include <string>

namespace master {

class MasterFile {
 public:
  MasterFile() = default;
  ~MasterFile();
  MasterFile(const MasterFile&) = delete;
  MasterFile& operator=(const MasterFile&) = delete;

  // Creates the fresh file; false with a line naming the folder and the cause in error.
  bool Create(const std::string& destination, std::string& error);
  int Descriptor() const { return m_fd; }
  const std::string& FreshPath() const { return m_fresh; }
  // Flushes the file to the disk, closes it and renames it onto the destination; false with a
  // line naming the file and the cause (the fresh file is then removed).
  bool Commit(std::string& error);

 private:
  void Discard();
  std::string m_destination, m_fresh;
  int m_fd = -1;
  bool m_bCommitted = false;
};

}  // namespace master
