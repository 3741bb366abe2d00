// The playback controller in a terminal, shared by "vorsk-cli play" and "generate --play".
//
// RunPlayLoop plays the session's piece (m_strPiecePath, at m_nPieceTempo, with m_nPhraseCount
// phrases) through SDL audio, or silently when no device opens (said once on standard error).
// Standard output carries one status line,
//   MM:SS/MM:SS  phrase NN/NN  [position bar]  playing        (or "paused")
// redrawn in place on a terminal (as wide as the terminal, so a resize redraws it) and printed
// as a new line whenever it changes otherwise; none with bQuiet.
// Keys on standard input (raw mode while it is a terminal): space pause/resume; n or Right
// next phrase; p or Left previous phrase; s save (the playing phrase as excerpts once the
// first phrase has begun, otherwise the whole session); q or Esc stop and quit. Ctrl-C stops.
// Messages go to standard error.
//
// Returns the exit status: 0 at the end of the piece or after q, 1 when the piece cannot be
// played, 130 after Ctrl-C. UI (main) thread only.
#pragma once

#include <string>

class CSession;

inline constexpr int kExitPlayed = 0;
inline constexpr int kExitCantPlay = 1;
// After a cancelling signal (Ctrl-C, SIGTERM, SIGHUP): this plus the signal's number, so 130,
// 143 and 129.
inline constexpr int kExitSignalBase = 128;

int RunPlayLoop(CSession& session, bool bQuiet = false);

// The status line without its in-place control characters. barWidth characters between the
// brackets; with 0 the bar is left out.
std::string PlayStatusLine(int seconds, int totalSeconds, int phrase, int phraseCount,
                           bool bPaused, int barWidth);
