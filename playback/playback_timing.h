// The time base of the playback displays and the phrase jumps, from the tempo the piece was
// composed at (CSession::m_nPieceTempo), never from the Tempo option: the option may have been
// changed since the piece was made.
//
// Every track starts with a lead-in (one eighth of silence); a phrase is 8 bars of 4 beats.
// The display timer works in single precision, the jumps in double precision with the
// single-precision lead-in; at tempo 60 both give the same times. Pure values, any thread.
#pragma once

struct PlaybackTiming {
  float fLeadInSec;             // 0.5 at tempo 60, 0.333 otherwise
  float fTimerPhraseSec;        // phrase length the display timer divides by
  double dJumpPhraseSec;        // phrase length of PREV./NEXT
};

// Tempo 60 has its own figures; every other tempo (the option offers 60 and 90) uses 90's.
inline PlaybackTiming PlaybackTimingFor(int tempo) {
  if (tempo == 60) return {0.5f, 32.0f, 32.0};
  return {0.333f, 21.333f, 64.0 / 3.0};
}
