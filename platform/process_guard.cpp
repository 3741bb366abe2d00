#include "platform/process_guard.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

namespace platform {

void PrepareProcess() { std::signal(SIGXFSZ, SIG_IGN); }

const char* CurrentExceptionText() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unexpected failure";
  }
}

int RunGuarded(const char* program, const std::function<int()>& body) {
  try {
    return body();
  } catch (...) {
    // The message itself needs no memory beyond what stdio already holds.
    std::fprintf(stderr, "%s: %s\n", program, CurrentExceptionText());
    return 1;
  }
}

}  // namespace platform
