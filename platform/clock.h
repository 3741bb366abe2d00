// Calendar and local time. The engine reads the time only through Now(), so tests can fix it.
#pragma once

#include <ctime>
#include <string>

namespace platform {

class IClock {
 public:
  virtual ~IClock() = default;
  virtual std::time_t Now() const = 0;
  // Returns once Now() has reached t. The system clock sleeps; a test clock may simply jump.
  virtual void WaitUntil(std::time_t t) const;
};

// Installs the clock that Now() reads; nullptr restores the system clock. Not owned.
void SetClock(const IClock* clock);
std::time_t Now();
// Waits until the installed clock reads t or later.
void WaitUntil(std::time_t t);
// strftime of the local time of t into a buffer of bufferSize characters; "" when it fails.
std::string FormatLocalTime(std::time_t t, const char* format, size_t bufferSize = 128);

// A clock that stands still until a test moves it.
class CFixedClock : public IClock {
 public:
  explicit CFixedClock(std::time_t t) : m_t(t) {}
  std::time_t Now() const override { return m_t; }
  void WaitUntil(std::time_t t) const override {
    if (m_t < t) m_t = t;
  }
  void Set(std::time_t t) { m_t = t; }

 private:
  mutable std::time_t m_t;
};

}  // namespace platform
