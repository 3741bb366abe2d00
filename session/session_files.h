// Keeping and removing a session's files in the archive folder.
//
// DeleteSessionFiles removes the files of an unsaved session: every entry of the archive folder
// whose name begins with the session name, except the excerpts (paths containing "Piano_" or
// "Mix_") and, once an excerpt was saved (log-unsaved flag clear), the log ("_log.txt"). It
// does nothing when the session name is empty or the session-unsaved flag is clear. The files
// every run makes (log, piano track, piece, mixer scratch, in-progress marker) and the stems
// are removed by name first, so a folder that may be written but not listed loses them too. A
// file that cannot be deleted brings up a Retry/Cancel box ("Vorsk - File Error"): Retry tries
// again, Cancel leaves it and goes on. Returns 0.
//
// SaveSession is the SAVE button: with no session it shows "Nothing to save!"; during playback
// (phrase number not 0) it hands over to the player's excerpt saver; otherwise it marks the
// whole session as saved (clears the session-unsaved flag, so no clean-up ever removes it)
// and shows the summary. Returns 0. Neither pumps messages. UI thread only.
#pragma once

#include <string>

class CSession;

int DeleteSessionFiles(CSession& session);
int SaveSession(CSession& session);

// Whether the piece of a finished run is there as it was written: the log not empty, and
// "Piano.wav" and "Mix.wav" each exactly as long as their headers announce (44 bytes + data).
// "" when they are; otherwise what is wrong, naming the file ("... is missing", "... holds N
// bytes, its header announces M").
std::string CheckPieceFiles(const std::string& sessionPrefix);

// The summary text of a whole-session save.
std::string WholeSessionSummary(const std::string& folder, const std::string& sessionName);
