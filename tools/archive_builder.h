// Writes one sample archive: every entry of a catalog group rendered by its family's design,
// each family brought to its level, entries back to back in catalog order as 16-bit
// little-endian mono PCM without headers. Names, sizes and order come only from the group.
#pragma once

#include <map>
#include <string>

#include "render/sample_catalog.h"
#include "tools/note_synth.h"
#include "tools/sample_request.h"

namespace archives {

struct ArchiveReport {
  long long bytes = 0;
  std::map<Family, int> entries;       // entries per family
  std::map<Family, double> rawPeak;    // loudest sample of the family, evened (full scale 1)
  std::map<Family, double> meanRmsDb;  // mean RMS of the family's samples after levelling, dBFS
};

// Renders group into path (written atomically). false with a reason in error: an entry the
// builder does not know, a synthesizer failure, a file that cannot be written.
bool BuildArchive(CNoteSynth& synth, const SampleGroup& group, const std::string& path, ArchiveReport& report,
                  std::string& error);

// 16-bit samples as little-endian bytes.
std::string LittleEndianBytes(const std::vector<int16_t>& pcm);

}  // namespace archives
