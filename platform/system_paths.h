// Where the program and its scratch files live, and how much room there is.
#pragma once

#include <string>

namespace platform {

// Folder of the running executable, without a trailing "/".
std::string ProgramFolder();
// $TMPDIR when it names a writable folder, else "/tmp"; always ends with "/".
std::string TempFolder();
// Creates a new, empty, uniquely named file (O_EXCL, never through a symlink, mode 0600) in
// this process's private scratch folder under folder (which ends with "/") and returns its
// path; "" when the folder does not allow it.
std::string MakeTempFileName(const std::string& folder);

// The private scratch folder of this process under parent (which ends with "/"): named
// "vorsk-<process id>-<random>", mode 0700, made on first use; ends with "/". "" when it
// cannot be made. Making one first removes the scratch folders of runs whose process is gone
// (those of this user only; never through a symlink). It is removed again by
// RemoveScratchFolders and at normal process exit.
std::string ScratchFolder(const std::string& parent);
// Removes this process's scratch folders with everything in them (at exit).
void RemoveScratchFolders();
// Removes this process's scratch folder under parent when nothing is left in it; other users
// of the folder (files still in it) keep it until they are done or the process ends.
void ReleaseScratchFolder(const std::string& parent);
// Removes the scratch folders under parent left by processes that are gone; returns how many.
int RemoveDeadScratchFolders(const std::string& parent);
// true while a process with that id exists.
bool ProcessAlive(long pid);
// The process id a marker or folder name holds: decimal digits only (one trailing line feed
// allowed), no leading zero, within pid_t; 0 for anything else.
long ParsePid(const std::string& text);

// Space available to this user on the file system holding path, in whole MB (1 048 576 bytes);
// a path that does not exist yet is measured at its nearest existing folder. false when the
// query failed.
bool DiskFreeMegabytes(const std::string& path, unsigned long long& megabytes);
// true when both paths (or their nearest existing folders) lie on one file system.
bool SameFileSystem(const std::string& a, const std::string& b);

}  // namespace platform
