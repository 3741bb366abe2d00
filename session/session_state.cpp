#include "session/session_state.h"

#include <utility>

#include "platform/system_paths.h"

CSession::CSession(COptionSet& options, std::string programFolder, IGenerateView* view)
    : m_strProgramFolder(std::move(programFolder)),
      m_diskFree(platform::DiskFreeMegabytes),
      m_options(options),
      m_pView(view) {}

std::string CSession::ArchiveFolderForRun() const {
  if (m_strArchiveOverride.empty()) return m_strProgramFolder + "/" + "Archive/";
  std::string folder = m_strArchiveOverride;
  if (folder.back() != '/') folder += '/';
  return folder;
}
