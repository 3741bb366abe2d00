// CSampleCatalog: the names and byte sizes of every sample inside the archives, in archive
// order, plus the wave-header work buffer and the range-copy primitives.
//
// An archive is raw 16-bit mono PCM at 44 100 Hz, samples back to back with no header; a
// sample's offset is the sum of the sizes before it. This table is the only description of
// the layout: the archive builder (tools/) writes the archives from it.
//
// Each group starts with the original layout; after it come, appended and never interleaved,
// every other name the renderers can form: first the missing tempo-060 names, then all tempo-090
// names, family by family. So every black key, length 6, both low-note variants, minor chords
// and tempo 90 are found, and entries added later go after these without moving any offset.
//
// The bass notes (BS) follow the drum loops in Data2.dat; the string and voice pads (ST, VO)
// fill data4.dat after its silence.
//
// Each renderer makes one catalog for the duration of its call. The catalog owns m_hArchive
// (used by CopyRhythmSample) and closes it when destroyed. Handles passed to the copy
// primitives belong to the caller. UI thread only.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_io.h"
#include "render/wave_format.h"

struct SampleGroup {
  std::vector<std::string> m_names;
  std::vector<int> m_sizes;

  void Add(const std::string& name, int size) {
    m_names.push_back(name);
    m_sizes.push_back(size);
  }
  int TotalSize() const;
};

class CSampleCatalog {
 public:
  CSampleCatalog();
  ~CSampleCatalog();
  CSampleCatalog(const CSampleCatalog&) = delete;
  CSampleCatalog& operator=(const CSampleCatalog&) = delete;

  // Byte offset of the first entry called name in its group, or -1. Piano and accompaniment
  // compare exactly; the chord lookup ignores case ("..._Maj_..." finds "..._maj_..."). The
  // lookups go through indexes built at construction; a group changed afterwards is walked.
  int FindPianoOffset(const std::string& name) const;
  int FindChordOffset(const std::string& name) const;
  int FindAccompOffset(const std::string& name) const;
  int FindRhythmOffset(const std::string& name) const;
  int FindSpareOffset(const std::string& name) const;
  // First piano entry with the same name up to the mask that has a '1' in a slot where name
  // has one; "" when none.
  std::string MatchPianoSample(const std::string& name) const;
  // Copies count bytes of a rhythm-group sample from m_hArchive to out: 0 done, 1 name not
  // found or seek failed, 2 short write.
  int CopyRhythmSample(platform::FileHandle out, const std::string& name, int count);

  // Wave file primitives (render/wave_file.cpp).
  // Creates path and writes the 44-byte header for bars at tempo with pad time m_dPadMs; the
  // returned handle (kInvalidHandle on failure) belongs to the caller, positioned at byte 44.
  // A working file (a track being rendered) is created in place (platform::CreateAlways); a
  // finished file that may replace an older one (a phrase excerpt) goes through
  // platform::CreateReplacement and is put in place by platform::CommitFile.
  enum class WaveTarget { kWorkingFile, kReplacement };
  platform::FileHandle WriteWaveHeader(const std::string& path, int bars, int tempo,
                                       WaveTarget target = WaveTarget::kWorkingFile);
  // Copies count bytes from offset of archive to out; returns the bytes written (count on
  // success), 0 on a failed seek, 2 on a short write.
  int CopyRange(platform::FileHandle archive, platform::FileHandle out, long long offset, int count);
  // As CopyRange with every sample scaled by the gain of level (1 and below: unchanged);
  // returns the bytes written, 0 on a failed seek, 1 on an empty read, 2 on a short write.
  int CopyRangeScaled(platform::FileHandle archive, platform::FileHandle out, long long offset,
                      int count, int level);

  // A release: as CopyRangeScaled, each sample further scaled by a gain that falls from 1 at
  // the first sample along the release curve (wave::ReleaseDb) and closes to 0 after the last
  // (wave_format.h). A sound cut there dies away without a click or a sudden drop (a bass note
  // or pad after its held eighths, the drums' last loop in the tail silence). Returns the bytes
  // written (0 for count 0 or a failed seek, 2 on a short write).
  int CopyRangeReleased(platform::FileHandle archive, platform::FileHandle out, long long offset,
                        int count, int level = 1);

  // Archive file names and their groups, in the order Data0.dat .. Data3.dat, data4.dat.
  struct Archive {
    const char* fileName;
    const SampleGroup* group;
  };
  std::vector<Archive> Archives() const;

  unsigned char m_header[40] = {};
  SampleGroup m_pianoGroup;   // Data0.dat
  SampleGroup m_rhythmGroup;  // Data2.dat
  SampleGroup m_spareGroup;   // data4.dat: the string and voice pads
  SampleGroup m_chordGroup;   // Data1.dat
  SampleGroup m_accompGroup;  // Data3.dat
  double m_dPadMs = 0.0;
  platform::FileHandle m_hArchive = 0;

 private:
  // Offsets of a group's names (lower-cased when the lookup ignores case), valid while the
  // group has as many entries as when it was built.
  struct NameIndex {
    size_t entries = 0;
    std::unordered_map<std::string, int> offsets;
    void Build(const SampleGroup& g, bool ignoreCase);
    int Find(const SampleGroup& g, const std::string& name, bool ignoreCase) const;
  };
  NameIndex m_pianoIndex;
  NameIndex m_chordIndex;
  NameIndex m_accompIndex;
  NameIndex m_rhythmIndex;
  NameIndex m_spareIndex;
  // Piano entries by their name up to the mask, in catalog order.
  std::unordered_map<std::string, std::vector<size_t>> m_pianoPrefixes;
};

// The silence every group starts with: four seconds of zeros.
inline constexpr const char* kSilenceName = "AA_silence.wav";
inline constexpr int kSilenceBytes = 352800;

// The bass notes the bass track plays: variant 2 of the BS names, the picked bass, whose pitch
// reads true all through its low octave.
inline constexpr int kBassTimbre = 2;
// Eighths a BS sample holds for its code (the eighths the note is held): 5, 6, 6, 7 for 2..5.
int BassNoteEighths(int code);
// Eighths a string or voice pad is held; the sample rings out one eighth more. A pad cut
// earlier is released over the eighth after the cut.
inline constexpr int kPadHeldEighths = 16;
