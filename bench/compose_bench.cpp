// Time to compose a 15-minute plan at tempo 90 (344 bars), over every option combination.
// Baseline measured in the same run: writing a log file of the same size alone, which is the
// file-system part of every plan.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "compose/composer.h"
#include "platform/file_io.h"
#include "platform/text_file.h"
#include "support/fixtures.h"

namespace {

const char* const kNotes[] = {"C", "CD", "D", "DE", "E", "F", "FG", "G", "GA", "A", "AB", "B"};
const char* const kScales[] = {"Maj", "Min", "PMaj", "PMin"};
const char* const kRhythms[] = {"", "B", "D", "BD", "DB"};
const char* const kHarmonies[] = {"", "S", "V", "SV", "VS"};

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

}  // namespace

int main() {
  fixtures::ScratchDir scratch;
  const std::string prefix = scratch.Path() + "/bench_";
  const std::string log = prefix + "log.txt";
  auto composer = std::make_unique<CComposer>();
  composer->m_bFixedSessionId = true;

  long plans = 0;
  long long checksum = 0;
  const Clock::time_point start = Clock::now();
  for (const char* note : kNotes) {
    for (const char* scale : kScales) {
      for (int bits = 0; bits < 64; ++bits) {
        // The letter sets reach only the log: they cycle through their values across the
        // combinations of the options that shape the plan.
        const char* rhythm = kRhythms[plans % 5];
        const char* harmony = kHarmonies[(plans / 5) % 5];
        composer->m_nFixedSessionId = static_cast<uint32_t>(plans * 2654435761u);
        platform::DeleteFile(log);  // a fresh file each time, as a new session has
        const int sections = composer->Compose(
            prefix, note, scale, bits & 1 ? "Ope" : "Clo", rhythm, harmony,
            bits & 2 ? "Fre" : "Reg", "90", "15", bits & 4 ? "Com" : "Sim", bits & 8 ? "F" : "B",
            bits & 16 ? "R" : "F", bits & 32 ? "P" : "C", "");
        if (sections != 43) {
          std::fprintf(stderr, "compose_bench: unexpected result %d\n", sections);
          return 1;
        }
        checksum += composer->m_nTotalNotes;
        ++plans;
      }
    }
  }
  const double perPlan = Microseconds(Clock::now() - start) / plans;

  const int logRuns = 2000;
  const Clock::time_point logStart = Clock::now();
  for (int i = 0; i < logRuns; ++i) {
    platform::DeleteFile(log);
    platform::CTextFile file;
    if (!file.OpenWrite(log)) return 1;
    for (int line = 0; line < 15; ++line) file.Write(" Parameter line of a log\n");
    file.Write(" Session ID: 1234567890");
    if (!file.Close()) return 1;
  }
  const double perLog = Microseconds(Clock::now() - logStart) / logRuns;

  std::printf("compose_bench: %ld plans (every combination of note, scale, play mode, force pitch,\n"
              "  melody/song, motive, hand and intensity; 344 bars each)\n", plans);
  std::printf("  compose, 15 min at tempo 90: %.1f us per plan\n", perPlan);
  std::printf("  baseline, log file alone:    %.1f us per file\n", perLog);
  std::printf("  (notes composed: %lld)\n", checksum);
  return 0;
}
