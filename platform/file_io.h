// Plain file handles over POSIX descriptors, the stand-in for the system's file calls.
//
// A FileHandle is a small integer owned by whoever stored it. 0 means "no file" (a cleared
// handle field); kInvalidHandle is what a failed open returns. Every call here accepts 0 and
// kInvalidHandle and then does nothing (reads and writes return 0). Handles are used on one
// thread at a time; the failure bookkeeping below is safe from any thread.
//
// Failures: every open, read, write, seek, resize or close that fails is noted twice: on the
// handle (CloseFile then returns false, so a write that went wrong is never mistaken for a
// finished file) and, when none is noted yet, as the process's first failure since
// ClearFileFailure, with the path and the system's error number, for the message that names
// the file and the cause. Deletions, lookups and listings are not noted.
#pragma once

#include <string>
#include <vector>

namespace platform {

using FileHandle = long;
constexpr FileHandle kInvalidHandle = -1;

inline bool IsOpen(FileHandle h) { return h != 0 && h != kInvalidHandle; }

// Read-only open of an existing file. When the exact name is absent, the last path component
// is matched case-insensitively in its folder ("data0.dat" finds "Data0.dat").
FileHandle OpenExisting(const std::string& path);
// Write-only open of a new, empty file in place of whatever regular file had the name (mode
// 0644, or the replaced file's permission bits). Never follows a symlink: a symlink or folder
// by that name makes it fail, and so does a file that appears between the removal and the
// creation. A device or pipe by that name is opened for writing as it is.
FileHandle CreateAlways(const std::string& path);
// Write-only open of a file that must not exist yet (O_EXCL, never through a symlink).
FileHandle CreateNew(const std::string& path, unsigned mode = 0644);

// Bytes read (0 at the end of the file or on an error).
int ReadFile(FileHandle h, void* buffer, int count);
// Bytes written; fewer than count means the disk is full or the file failed.
int WriteFile(FileHandle h, const void* buffer, int count);
// Moves to offset bytes from the start; false on failure.
bool SeekFile(FileHandle h, long long offset);
long long FileSize(FileHandle h);
// Cuts the file to size bytes or extends it with zero bytes; false on failure.
bool SetFileSize(FileHandle h, long long size);
// Closes the handle; false when the close or any earlier read, write, seek or resize on it
// failed (true for 0 and kInvalidHandle).
bool CloseFile(FileHandle h);
// Closes an open handle held in a field and clears the field to 0; result as CloseFile.
bool CloseAndClear(FileHandle& h);

struct FileFailure {
  int nError = 0;        // errno; 0 when nothing failed
  std::string strPath;   // the file it happened to
};
FileFailure LastFileFailure();
void ClearFileFailure();
// The system's text for an error number ("No space left on device").
std::string ErrorText(int error);

// The exact name, or the case-insensitive match of the last component, or "" when none exists.
// The name with its first letter in the other case is tried before the folder is listed, so a
// folder that may be searched but not listed still finds "Data0.dat" for "data0.dat".
std::string ResolveExisting(const std::string& path);
bool FileExists(const std::string& path);
bool DeleteFile(const std::string& path);
// Creates one folder (0755); an existing folder counts as success.
bool MakeFolder(const std::string& path);
// Creates the folder with every missing parent (0755 each); an existing folder counts as
// success. A folder that cannot be made is noted as a failure with its path and the cause.
bool MakeFolders(const std::string& path);
// Names (not paths) of the entries of folder that begin with prefix, sorted.
std::vector<std::string> ListFolder(const std::string& folder, const std::string& prefix);

}  // namespace platform
