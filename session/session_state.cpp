#include "session/session_state.h"

#include <utility>

#include "platform/system_paths.h"

CSession::CSession(COptionSet& options, std::string programFolder, IGenerateView* view)
    : CSession(options, platform::PortablePlaces(programFolder), view) {}

CSession::CSession(COptionSet& options, const platform::Places& places, IGenerateView* view)
    : m_strDataFolder(places.strDataFolder),
      m_strArchiveHome(places.strArchiveFolder),
      m_diskFree(platform::DiskFreeMegabytes),
      m_options(options),
      m_pView(view) {}

std::string CSession::ArchiveFolderForRun() const {
  if (m_strArchiveOverride.empty()) return m_strArchiveHome;
  std::string folder = m_strArchiveOverride;
  if (folder.back() != '/') folder += '/';
  return folder;
}
