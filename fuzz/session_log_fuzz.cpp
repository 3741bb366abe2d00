// Feeds arbitrary bytes as a session log to the log reader: no input may crash, hang or read
// out of bounds, and an accepted log holds only values the composing commands accept.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "compose/session_log.h"
#include "options/option_set.h"

namespace {

template <size_t N>
bool OneOf(const std::string& value, const OptionCode (&codes)[N]) {
  for (const OptionCode& code : codes) {
    if (value == code.code) return true;
  }
  return false;
}

bool LettersOf(const std::string& value, const char* letters) {
  return value.find_first_not_of(letters) == std::string::npos && value.size() <= 2 &&
         (value.size() < 2 || value[0] != value[1]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  LoggedSession session;
  int line = 0;
  std::string why;
  if (ReadSessionLog(text, session, &line, &why) != kSessionLogRead) {
    if (line < 1 || why.empty()) std::abort();  // a refusal always names the line and the cause
    return 0;
  }
  const int minutes = std::atoi(session.strLength.c_str());
  const bool valid = OneOf(session.strNote, kNoteCodes) && OneOf(session.strScale, kScaleCodes) &&
                     OneOf(session.strPlayMode, kPlayModeCodes) && OneOf(session.strForcePitch, kForcePitchCodes) &&
                     OneOf(session.strTempo, kTempoCodes) && OneOf(session.strPCI, kPCICodes) &&
                     OneOf(session.strMotive, kMotiveCodes) && OneOf(session.strHand, kHandCodes) &&
                     (session.strPianoInt == kPianoIntOff || session.strPianoInt == kPianoIntOn) &&
                     LettersOf(session.strRhythm, "BD") && LettersOf(session.strHarmony, "SV") &&
                     minutes >= 1 && minutes <= kMaxLoggedMinutes;
  if (!valid) std::abort();
  return 0;
}
