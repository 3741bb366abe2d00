// What both programs set up first and how their entry points end when something is thrown.
#pragma once

#include <functional>

namespace platform {

// SIGXFSZ is ignored, so a write beyond the file-size limit (ulimit -f) fails with EFBIG and is
// reported like a full disk, naming the file, instead of ending the process without a word.
void PrepareProcess();

// Runs body and returns its result. Whatever it throws is reported in one line on standard
// error, "<program>: Out of memory" for std::bad_alloc, else "<program>: <what()>", and the
// result is then 1. Files are left to the unwinding (their owners' destructors).
int RunGuarded(const char* program, const std::function<int()>& body);

// The one-line text for the exception being handled (call inside a catch block).
const char* CurrentExceptionText();

}  // namespace platform
