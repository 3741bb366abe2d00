// Where a phrase lies in a session's wave files, for the excerpts that saving during playback
// cuts (CComposer::WriteMixExcerpt / WritePianoExcerpt in compose/composer.h).
//
// Every track starts with a pad of silence before phrase 1; a phrase is 8 bars. The cut is
// counted from byte 40 of the source (not from the end of its 44-byte header) past a lead-in a
// little shorter than the pad, so an excerpt starts a few milliseconds before the phrase's
// first beat and repeats that seam when it plays the phrase again. Pure arithmetic, any thread.
#pragma once

struct ExcerptLayout {
  int nLeadInBytes;        // the lead-in: 41 364 at tempo 60, 27 518 at any other
  int nPhraseBytes;        // 8 bars at the tempo
  long long nStartOffset;  // in the source file
  long long nDataSize;     // what the excerpt's header announces: 16 bars, no pad
};

// Lead-in of the excerpt cut: 469 ms at tempo 60, 312 ms at any other.
inline constexpr double kExcerptLeadInMs60 = 469.0;
inline constexpr double kExcerptLeadInMsOther = 312.0;
// Offset in the source of the byte after its header's first 40 (the cut counts from there).
inline constexpr int kExcerptCutBase = 40;
// The excerpt holds the phrase this many times, and announces twice the phrase's 8 bars.
inline constexpr int kExcerptRepeats = 2;
inline constexpr int kExcerptBars = 16;

ExcerptLayout ExcerptLayoutFor(int phrase, int tempo);
