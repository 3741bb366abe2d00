// Sessions being made: claiming a session name, marking the session as in progress, and
// removing what runs that were killed left behind.
//
// A session's name is the local time of its start ("%y%m%d_%H%M%S_"). ClaimSessionName makes
// it unique among the processes writing into one folder: it creates the in-progress marker
// (session name + "running.pid", holding the process id) and then the empty log, both with
// O_EXCL; when either exists already it waits for the next second and names the session again.
// The marker stays until the run ends (ReleaseSession); a run killed outright leaves it, and
// RemoveAbandonedSessions, called by the next run, removes every file of a marked session
// whose process is gone. Nothing here touches another session's files. UI thread only.
#pragma once

#include <string>

inline constexpr const char* kSessionNameFormat = "%y%m%d_%H%M%S_";
inline constexpr const char* kRunMarkerName = "running.pid";
// Seconds ClaimSessionName moves on before it gives up (a folder full of claimed names).
inline constexpr int kMaxClaimSeconds = 60;

// Claims a new session name in folder (ends with "/"): name receives it. false when the folder
// refuses new files (platform::LastFileFailure names the file and the cause).
bool ClaimSessionName(const std::string& folder, std::string& name);
// Removes the in-progress marker of the session with prefix (folder + name).
void ReleaseSession(const std::string& prefix);
// Removes every file of each session in folder (and the unfinished fresh files of its
// replacements, ".<session>...") whose marker names a process that is gone, or
// whose marker is malformed (empty, not a process id) and older than a minute; returns the
// number of sessions removed.
int RemoveAbandonedSessions(const std::string& folder);
