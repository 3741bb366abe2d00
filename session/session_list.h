// The sessions of an archive folder, as their file names show them.
//
// A session's files begin with its name, the local time of its start ("yymmdd_hhmmss_"); the
// rest of the name says what the file is: "log.txt", "Mix.wav" (the whole piece), "Piano.wav",
// the excerpts "Mix_NN.wav" and "Piano_NN.wav", the stems "Stem_<Track>.wav", and the
// in-progress marker of a run still making it. Files of other names are not sessions' and are
// left out. Reads the folder only; any thread.
#pragma once

#include <string>
#include <vector>

struct ArchivedSession {
  std::string strName;           // "261208_151453_"
  bool bLog = false, bMix = false, bPiano = false;
  bool bInProgress = false;      // a run is making it (or was killed making it)
  bool bRunGone = false;         // ... and its marker names no live process: it was killed
  int nExcerpts = 0;             // phrases saved as excerpts (distinct NN of Mix_NN / Piano_NN)
  int nStems = 0;
  long long nMixBytes = 0;       // size of Mix.wav
  std::vector<std::string> files;  // the session's file names, sorted
};

enum SessionListResult { kSessionsListed = 0, kSessionsUnreadable = 1 };

// The sessions of folder, oldest first (by name, which is the start time). A folder that does
// not exist holds none. kSessionsUnreadable when the folder cannot be read; *cause says why.
SessionListResult ListSessions(const std::string& folder, std::vector<ArchivedSession>& sessions,
                               std::string* cause = nullptr);

// "yymmdd_hhmmss_" as "20yy-mm-dd hh:mm:ss"; "" for a name of another form.
std::string SessionStartText(const std::string& sessionName);
