// Stems: each track's own file, kept beside the piece before it is mixed into it, as
// session prefix + "Stem_" + track name + ".wav" (for example 061122_153000_Stem_Chords.wav).
//
// The pipeline keeps them when the session's m_bKeepStems is set (vorsk-cli --stems); they are
// session files like "Mix.wav": the clean-up of an unsaved session removes them, a whole-session
// save keeps them. A track gets its stem name from the table below; a track that has no row
// has no stem.
#pragma once

#include <string>

enum class StemTrack { kMelody, kFigures, kLowNotes, kChords, kDrums, kRhythmFigures, kBass, kStrings, kVoices };

struct StemName {
  StemTrack track;
  const char* name;
};

// Every track that can have a stem, in the order the pipeline renders them.
inline constexpr StemName kStemNames[] = {
    {StemTrack::kMelody, "Melody"},    {StemTrack::kFigures, "Figures"},
    {StemTrack::kLowNotes, "LowNotes"}, {StemTrack::kChords, "Chords"},
    {StemTrack::kDrums, "Drums"},      {StemTrack::kRhythmFigures, "RhythmFigures"},
    {StemTrack::kBass, "Bass"},        {StemTrack::kStrings, "Strings"},
    {StemTrack::kVoices, "Voices"},
};

// "Stem_<Track>.wav", the part of the file name after the session prefix.
inline std::string StemFileName(const StemName& stem) { return std::string("Stem_") + stem.name + ".wav"; }
inline std::string StemFileName(StemTrack track) {
  for (const StemName& stem : kStemNames) {
    if (stem.track == track) return StemFileName(stem);
  }
  return {};
}
