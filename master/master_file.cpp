#include "master/master_file.h"

namespace master {

namespace {

std::string Cause(const std::string& what) {
  const platform::FileFailure failure = platform::LastFileFailure();
  const std::string path = failure.strPath.empty() ? what : failure.strPath;
  return path + ": " + (failure.nError != 0 ? platform::ErrorText(failure.nError) : "short write");
}

}  // namespace

MasterFile::~MasterFile() { Discard(); }

void MasterFile::Discard() {
  if (platform::IsOpen(m_hFile)) platform::CloseFile(m_hFile);  // removes the fresh file
  m_hFile = 0;
}

bool MasterFile::Create(const std::string& destination, std::string& error) {
  Discard();
  m_destination = destination;
  platform::ClearFileFailure();
  m_hFile = platform::CreateReplacement(destination);
  if (platform::IsOpen(m_hFile)) return true;
  m_hFile = 0;
  error = "cannot create " + Cause(destination);
  return false;
}

bool MasterFile::Commit(std::string& error) {
  if (!platform::IsOpen(m_hFile)) {
    error = "nothing to store as " + m_destination;
    return false;
  }
  platform::ClearFileFailure();
  const bool bStored = platform::CommitFile(m_hFile);
  m_hFile = 0;
  if (!bStored) error = "cannot store " + Cause(m_destination);
  return bStored;
}

}  // namespace master
