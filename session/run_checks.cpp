#include "session/run_checks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "compose/composer.h"
#include "options/option_set.h"
#include "platform/file_io.h"
#include "platform/message_box.h"
#include "platform/system_paths.h"
#include "render/sample_catalog.h"
#include "render/wave_format.h"
#include "session/session_state.h"

namespace {

constexpr unsigned long long kMegabyte = 1048576;
constexpr unsigned long long kLogBytes = 64 * 1024;  // the session log, generously

unsigned long long CeilMb(long long bytes) {
  return bytes <= 0 ? 0 : (static_cast<unsigned long long>(bytes) + kMegabyte - 1) / kMegabyte;
}

void ShowNotEnough(unsigned long long freeMb, unsigned long long needMb, const std::string& folder) {
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "Not enough space on disk.\nFree: %llu MB\nNeed: %llu MB", freeMb, needMb);
  platform::MessageBox(std::string(numbers) + "\nFolder: " + folder, "Vorsk - Not enough space on disk",
                       platform::MbIcon::Error);
}

// false (after the message) when folder reports fewer free megabytes than needMb.
bool Room(CSession& s, const std::string& folder, unsigned long long needMb) {
  unsigned long long freeMb = 0;
  if (!s.m_diskFree || !s.m_diskFree(folder, freeMb) || freeMb == 0) return true;
  if (freeMb >= needMb) return true;
  ShowNotEnough(freeMb, needMb, folder);
  return false;
}

}  // namespace

long long TrackFileBytes(const COptionSet& options) {
  int tempo = std::atoi(options.Tempo().c_str());
  if (tempo <= 0) tempo = 60;
  const int nBars = CComposer::PieceBars(std::atoi(options.GenerateLength().c_str()), tempo);
  return wave::kHeaderBytes + wave::DataSize(nBars, tempo, static_cast<double>(30000 / tempo));
}

DiskNeed DiskNeedFor(const COptionSet& options) {
  const long long track = TrackFileBytes(options);
  // Every track but the piano's renders into two voice files before it is mixed.
  const bool bTwoVoiceTracks = options.Hand() == "F" || !options.Rhythm().empty() || !options.Harmony().empty();
  DiskNeed need;
  need.sessionMb = CeilMb(3 * track + static_cast<long long>(kLogBytes));
  need.tempMb = CeilMb((bTwoVoiceTracks ? 3 : 2) * track);
  return need;
}

bool EnoughDiskSpace(CSession& s, const std::string& sessionFolder, const std::string& tempFolder) {
  const DiskNeed need = DiskNeedFor(s.Options());
  const std::string& length = s.Options().GenerateLength();
  const unsigned long long floorMb =
      length == "5" ? kNeedMegabytesShort : length == "15" ? kNeedMegabytesLong : 0;
  if (platform::SameFileSystem(sessionFolder, tempFolder)) {
    return Room(s, sessionFolder, std::max(need.sessionMb + need.tempMb, floorMb));
  }
  return Room(s, sessionFolder, std::max(need.sessionMb, floorMb)) && Room(s, tempFolder, need.tempMb);
}

bool ArchivesIntact(const CSession& s) {
  const CSampleCatalog catalog;
  const auto archives = catalog.Archives();
  for (size_t i = 0; i < archives.size(); ++i) {
    const std::string path = s.m_strDataFolder + "/data" + std::to_string(i) + ".dat";
    platform::FileHandle h = platform::OpenExisting(path);
    if (!platform::IsOpen(h)) {
      platform::MessageBox("Can't open sample file: " + path + ".\nPlease reinstall the application.",
                           "Vorsk - File Open Error", platform::MbIcon::Error);
      return false;
    }
    const long long size = platform::FileSize(h);
    platform::CloseFile(h);
    // The spare group has no archive of its own: data4.dat only has to exist.
    if (archives[i].group == &catalog.m_spareGroup) continue;
    const long long expected = archives[i].group->TotalSize();
    if (size != expected) {
      platform::MessageBox("Damaged sample file: " + path + " (" + std::to_string(size) +
                               " bytes, expected " + std::to_string(expected) +
                               ").\nPlease reinstall the application.",
                           "Vorsk - File Open Error", platform::MbIcon::Error);
      return false;
    }
  }
  return true;
}
