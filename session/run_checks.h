// The checks a GENERATE makes before it changes anything: room on the disks and intact sample
// archives. Each shows its message (platform::MessageBox) and returns false when the run must
// not start. UI thread only.
#pragma once

#include <string>

class COptionSet;
class CSession;

// Floors for the window's two lengths: "5" never asks for less than 162 MB and
// "15" never for less than 486 MB (the piece, the piano track and one track's scratch files).
inline constexpr unsigned long long kNeedMegabytesShort = 162;
inline constexpr unsigned long long kNeedMegabytesLong = 486;

// Bytes of one track file of the piece the options describe (header and data), as the
// composer will size it: bars from the length and tempo, rounded up to whole sections.
long long TrackFileBytes(const COptionSet& options);

// What a run writes at its peak, in whole MB rounded up: into the session folder the piece,
// the piano track and the mixer's scratch file, and with bKeepStems one track file for each
// stem the options make; into the temporary folder the voice files of the largest track (two
// voices and their mix, or the piano's two voices alone).
struct DiskNeed {
  unsigned long long sessionMb = 0;
  unsigned long long tempMb = 0;
};
DiskNeed DiskNeedFor(const COptionSet& options, bool bKeepStems = false);

// Checks the session folder and the temporary folder (one check of their sum when both lie on
// one file system). A failed query lets the run go on; one that reports less than the need,
// 0 MB included, refuses it. Message:
// "Not enough space on disk.\nFree: %d MB\nNeed: %d MB" and the folder, title
// "Vorsk - Not enough space on disk".
bool EnoughDiskSpace(CSession& session, const std::string& sessionFolder, const std::string& tempFolder);

// Opens the archives of the session's data folder as the catalog names them
// (CSampleCatalog::Archives: Data0.dat .. Data3.dat, data4.dat) and compares each one's size
// with its catalog group's total. The first missing or damaged file gives "Can't open sample
// file: <path> (<cause>).\nPlease reinstall the application." (or "Damaged sample file: ..."
// with its sizes), title "Vorsk - File Open Error". A pipe or device in an archive's place is
// refused without being read.
bool ArchivesIntact(const CSession& session);
