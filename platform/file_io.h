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

// Read-only open of an existing regular file. When the exact name is absent, the last path
// component is matched case-insensitively in its folder ("data0.dat" finds "Data0.dat"). The
// open never blocks: a pipe, device or folder by that name is refused (kNotRegularFile or
// EISDIR) without being read.
FileHandle OpenExisting(const std::string& path);
// Read-only descriptor of an existing regular file, for readers that keep their own buffering
// (stdio, libsndfile): the same name matching and refusals as OpenExisting; -1 when refused,
// noted as a failure. The caller closes the descriptor.
int OpenRegularDescriptor(const std::string& path);
// Write-only open of a new, empty working file in place of whatever regular file had the name
// (mode 0644, or the replaced file's permission bits). For the files a run rewrites step by
// step in its own session or scratch folder; a finished file that may replace another goes
// through CreateReplacement. Never follows a symlink: a symlink, folder, device or pipe by that
// name makes it fail and is left alone, and so does a file that appears between the removal
// and the creation.
FileHandle CreateAlways(const std::string& path);
// Write-only open of a file that must not exist yet (O_EXCL, never through a symlink).
FileHandle CreateNew(const std::string& path, unsigned mode = 0644);

// Writing a finished file safely (logs, Vorsk.INI, MIDI files, excerpts, stems, every output
// that may replace an older one or lies in a folder others can write):
//
//   FileHandle h = CreateReplacement(path);
//   ... WriteFile(h, ...) ...
//   if (!CommitFile(h)) { /* LastFileFailure() names the file and the cause */ }
//
// CreateReplacement creates a fresh file beside the target (O_EXCL, so never through a
// symlink, mode 0600) and writes go there; the target is not touched. CommitFile checks that
// every write went through, flushes the file to the disk when it replaces one that had
// content, gives it its final mode (the replaced file's permission bits and owner, or 0666
// less the umask) and renames it over the target, all or nothing. CloseFile without
// CommitFile (a failure, a cancel) removes the fresh file and leaves the target as it was. A process killed in between leaves the target
// whole and the fresh file ".<name>.XXXXXX" beside it.
//
// Refused (kInvalidHandle, noted with the path and the cause, nothing changed): a target that
// is a folder (EISDIR), a symlink (ELOOP), a device or pipe (kNotRegularFile), a regular file
// this process may not write, or a folder in which it may not create a file.
// LinkRule::kReplaceTarget is for a file users may keep as a symlink on purpose (Vorsk.INI
// managed by dotfile tools): the file the link finally points to is replaced, and the link
// stays. A dangling link is refused.
enum class LinkRule { kRefuse, kReplaceTarget };
FileHandle CreateReplacement(const std::string& path, LinkRule links = LinkRule::kRefuse);
// Finishes any open handle: a replacement is published as above, any other handle is closed
// as CloseFile does. false when anything on the way failed; the handle is closed either way.
bool CommitFile(FileHandle h);
// The POSIX descriptor of an open handle, for a library that writes the file itself (an
// encoder); the handle keeps it: the library must not close it. -1 for a handle not open.
int DescriptorOf(FileHandle h);
// Error number noted for a path that names a device, a pipe or a socket where a regular file
// is needed; ErrorText gives "Not a regular file".
constexpr int kNotRegularFile = 0x7F00;

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
// failed (true for 0 and kInvalidHandle). An uncommitted replacement is discarded.
bool CloseFile(FileHandle h);
// Closes an open handle held in a field and clears the field to 0; result as CloseFile.
bool CloseAndClear(FileHandle& h);

struct FileFailure {
  int nError = 0;        // errno; 0 when nothing failed
  std::string strPath;   // the file it happened to
};
FileFailure LastFileFailure();
void ClearFileFailure();
// The system's text for an error number ("No space left on device"; "Not a regular file" for
// kNotRegularFile).
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
