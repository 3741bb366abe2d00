// Reading a session log back: the options and the session identifier that Compose wrote into
// "<session>log.txt", as the option codes Compose takes, so that the same piece can be made
// again.
//
// The reader accepts exactly what Compose writes for the codes the option set offers: the
// header "Vorsk generate started at: ..." (or the empty line written when the date could not
// be formatted), an empty line, "Parameters:", the thirteen option lines in their order and
// labels, and " Session ID: N". Lines end with CR LF or LF; the identifier line may or may not
// end with one. Tempo must be one of the tempo codes and the length a whole number of minutes
// from 1 to kMaxLoggedMinutes. Anything else is refused with the number of the first line that
// differs and what was expected there. Any thread.
#pragma once

#include <cstdint>
#include <string>

// Larger files are not session logs (a log is about 300 bytes).
inline constexpr size_t kMaxSessionLogBytes = 4096;
// The longest piece a log may ask for, in minutes.
inline constexpr int kMaxLoggedMinutes = 60;

struct LoggedSession {
  std::string strNote, strScale, strPlayMode, strRhythm, strHarmony, strForcePitch, strTempo,
      strLength, strPCI, strMotive, strHand, strPianoInt;
  uint32_t nSessionId = 0;
  std::string strStarted;  // the header's date and time as written ("2026-12-08 15:14"), or ""
};

enum SessionLogResult { kSessionLogRead = 0, kSessionLogRefused = 1 };

// Reads the start of the file at path into text: enough of it (kMaxSessionLogBytes + 1 bytes)
// to tell a log from a larger file. Returns 0, or the errno value when it cannot be read.
int ReadSessionLogText(const std::string& path, std::string& text);

// Refused: *badLine (1-based) is the line that is wrong or missing, *why says what was expected.
SessionLogResult ReadSessionLog(const std::string& text, LoggedSession& session, int* badLine,
                                std::string* why);
