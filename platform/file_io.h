// Plain file handles over POSIX descriptors, the stand-in for the system's file calls.
//
// A FileHandle is a small integer owned by whoever stored it. 0 means "no file" (a cleared
// handle field); kInvalidHandle is what a failed open returns. Every call here accepts 0 and
// kInvalidHandle and then does nothing (reads and writes return 0). UI thread only.
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
// Write-only open that creates the file or truncates it (mode 0644).
FileHandle CreateAlways(const std::string& path);

// Bytes read (0 at the end of the file or on an error).
int ReadFile(FileHandle h, void* buffer, int count);
// Bytes written; fewer than count means the disk is full or the file failed.
int WriteFile(FileHandle h, const void* buffer, int count);
// Moves to offset bytes from the start; false on failure.
bool SeekFile(FileHandle h, long long offset);
long long FileSize(FileHandle h);
void CloseFile(FileHandle h);
// Closes an open handle held in a field and clears the field to 0.
void CloseAndClear(FileHandle& h);

// The exact name, or the case-insensitive match of the last component, or "" when none exists.
std::string ResolveExisting(const std::string& path);
bool FileExists(const std::string& path);
bool DeleteFile(const std::string& path);
// Creates one folder (0755); an existing folder counts as success.
bool MakeFolder(const std::string& path);
// Names (not paths) of the entries of folder that begin with prefix, sorted.
std::vector<std::string> ListFolder(const std::string& folder, const std::string& prefix);

}  // namespace platform
