// Where the program and its scratch files live, and how much room there is.
#pragma once

#include <string>

namespace platform {

// Folder of the running executable, without a trailing "/".
std::string ProgramFolder();
// $TMPDIR when it names a writable folder, else "/tmp"; always ends with "/".
std::string TempFolder();
// Creates a new, empty, uniquely named file in folder (which ends with "/") and returns its
// path; "" when the folder does not allow it.
std::string MakeTempFileName(const std::string& folder);
// Space available to this user on the file system holding path, in whole MB (1 048 576 bytes).
// false when the query failed.
bool DiskFreeMegabytes(const std::string& path, unsigned long long& megabytes);

}  // namespace platform
