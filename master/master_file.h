// MasterFile: the master's way to its name, through the program's one replacement path
// (platform::CreateReplacement): written under a fresh name in the destination's folder and
// renamed onto the destination only when whole, so a cancel, a crash or a full disk leaves an
// older file of that name as it was, and a folder, device or pipe of that name is refused. The
// object removes its fresh file unless committed. One thread at a time.
#pragma once

#include <string>

#include "platform/file_io.h"

namespace master {

class MasterFile {
 public:
  MasterFile() = default;
  ~MasterFile();
  MasterFile(const MasterFile&) = delete;
  MasterFile& operator=(const MasterFile&) = delete;

  // Creates the fresh file; false with a line naming the file and the cause in error.
  bool Create(const std::string& destination, std::string& error);
  // The fresh file's descriptor for the encoder, which must not close it.
  int Descriptor() const { return platform::DescriptorOf(m_hFile); }
  // Puts the file in place of the destination; false with a line naming the file and the cause
  // (the fresh file is then removed).
  bool Commit(std::string& error);

 private:
  void Discard();
  std::string m_destination;
  platform::FileHandle m_hFile = 0;
};

}  // namespace master
