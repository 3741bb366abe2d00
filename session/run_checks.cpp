#include "session/run_checks.h"

#include <algorithm>
#include <cerrno>
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
  // Only a failed query lets the run go on unchecked; 0 MB free is no room.
  if (!s.m_diskFree || !s.m_diskFree(folder, freeMb)) return true;
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

int StemCount(const COptionSet& options) {
  int stems = 1;  // the melody
  if (options.Hand() == "F") stems += 3;  // figures, low notes, chords
  if (options.Rhythm().find('D') != std::string::npos) stems += 2;  // drums, rhythm figures
  if (options.Rhythm().find('B') != std::string::npos) ++stems;
  if (options.Harmony().find('S') != std::string::npos) ++stems;
  if (options.Harmony().find('V') != std::string::npos) ++stems;
  return stems;
}

DiskNeed DiskNeedFor(const COptionSet& options, bool bKeepStems) {
  const long long track = TrackFileBytes(options);
  // Every track but the piano's renders into two voice files before it is mixed.
  const bool bTwoVoiceTracks = options.Hand() == "F" || !options.Rhythm().empty() || !options.Harmony().empty();
  DiskNeed need;
  const long long stems = bKeepStems ? StemCount(options) * track : 0;
  need.sessionMb = CeilMb(3 * track + stems + static_cast<long long>(kLogBytes));
  need.tempMb = CeilMb((bTwoVoiceTracks ? 3 : 2) * track);
  return need;
}

bool EnoughDiskSpace(CSession& s, const std::string& sessionFolder, const std::string& tempFolder) {
  const DiskNeed need = DiskNeedFor(s.Options(), s.m_bKeepStems);
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
  for (const CSampleCatalog::Archive& archive : catalog.Archives()) {
    // Named as the catalog spells it, whatever case the file has on the disk.
    const std::string path = s.m_strDataFolder + "/" + archive.fileName;
    platform::ClearFileFailure();
    platform::FileHandle h = platform::OpenExisting(path);
    if (!platform::IsOpen(h)) {
      const int error = platform::LastFileFailure().nError;
      platform::MessageBox("Can't open sample file: " + path + " (" + platform::ErrorText(error ? error : ENOENT) +
                               ").\nPlease reinstall the application.",
                           "Vorsk - File Open Error", platform::MbIcon::Error);
      return false;
    }
    const long long size = platform::FileSize(h);
    platform::CloseFile(h);
    const long long expected = archive.group->TotalSize();
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
