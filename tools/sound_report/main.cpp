// vorsk_sound_report: figures that tell whether pieces sound finished.
//
//   vorsk_sound_report --archives DIR [--list]
//       walks the sample catalog over the archives in DIR: per family the worst DC, end level,
//       attack placement and tuning (--list: one line per sample);
//   vorsk_sound_report SESSION MIDI
//       reads the session's stems (SESSION is the path up to and including the session name,
//       as vorsk-cli generate --stems writes them) and its MIDI export (--midi) and prints per
//       track the attack offsets from the grid, tuning, DC, the level steps of the last 2 s of
//       Mix.wav, the melody's per-bar margin and masked share, and the clash rate.
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "render/sample_catalog.h"
#include "tools/sound_report/piece_figures.h"
#include "tools/sound_report/sample_figures.h"

namespace {

struct FamilyWorst {
  int samples = 0;
  double dc = 0.0, endDb = -200.0, ringFallDb = 0.0, attackMs = 0.0, cents = 0.0;
  int pitched = 0;
};

std::vector<int16_t> ReadRange(std::FILE* f, long long offset, int bytes) {
  std::vector<int16_t> pcm(static_cast<size_t>(bytes / 2));
  if (std::fseek(f, offset, SEEK_SET) != 0) return {};
  const size_t got = std::fread(pcm.data(), 2, pcm.size(), f);
  pcm.resize(got);
  return pcm;
}

int WalkArchives(const std::string& dir, bool list) {
  const CSampleCatalog catalog;
  std::map<std::string, FamilyWorst> worst;
  int read = 0;
  for (const auto& archive : catalog.Archives()) {
    const std::string path = dir + "/" + archive.fileName;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
      std::fprintf(stderr, "vorsk_sound_report: cannot read %s; its samples are left out\n", path.c_str());
      continue;
    }
    ++read;
    long long offset = 0;
    for (size_t i = 0; i < archive.group->m_names.size(); ++i) {
      const std::string& name = archive.group->m_names[i];
      const int size = archive.group->m_sizes[i];
      const std::vector<int16_t> pcm = ReadRange(f, offset, size);
      offset += size;
      if (name.rfind("AA", 0) == 0) continue;
      const report::SampleFigures s = report::MeasureSample(name, pcm);
      FamilyWorst& w = worst[name.substr(0, 2)];
      ++w.samples;
      if (std::fabs(s.dc) > std::fabs(w.dc)) w.dc = s.dc;
      w.endDb = std::max(w.endDb, s.endDb);
      w.ringFallDb = std::max(w.ringFallDb, s.ringFallDb);
      const double attack = s.timed ? s.attackMs - s.expectedAttackMs : 0.0;
      if (std::fabs(attack) > std::fabs(w.attackMs)) w.attackMs = attack;
      if (s.pitched) {
        ++w.pitched;
        if (std::fabs(s.worstCents) > std::fabs(w.cents)) w.cents = s.worstCents;
      }
      if (list) {
        std::string tuning;
        for (const auto& [key, cents] : s.keyCents) tuning += " " + std::to_string(key) + ":" + std::to_string(cents);
        std::printf("%s\t%s\tdc %.2e\tend %.1f dBFS\trelease fall %.1f dB\tattack %+.1f ms\ttuning%s\n",
                    archive.fileName, name.c_str(), s.dc, s.endDb, s.ringFallDb, attack,
                    tuning.empty() ? " -" : tuning.c_str());
      }
    }
    std::fclose(f);
  }
  if (read == 0) {
    std::fprintf(stderr, "vorsk_sound_report: no archive in %s\n", dir.c_str());
    return 1;
  }
  std::printf("family\tsamples\tworst DC\tloudest end (last 10 ms)\tsteepest release (dB in 50 ms)\t"
              "worst attack offset\tworst tuning (of)\n");
  for (const auto& [family, w] : worst)
    std::printf("%s\t%d\t%.2e\t%.1f dBFS\t%.1f dB\t%+.1f ms\t%+.1f cents (%d)\n", family.c_str(), w.samples, w.dc,
                w.endDb, w.ringFallDb, w.attackMs, w.cents, w.pitched);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "--archives") return WalkArchives(args[1], args.size() > 2 && args[2] == "--list");
  if (args.size() == 2) {
    report::PieceFigures figures;
    std::string error;
    if (!report::MeasurePiece(args[0], args[1], figures, error)) {
      std::fprintf(stderr, "vorsk_sound_report: %s\n", error.c_str());
      return 1;
    }
    std::fputs(report::FormatPiece(figures).c_str(), stdout);
    return 0;
  }
  std::fprintf(stderr,
               "usage: vorsk_sound_report --archives DIR [--list]\n"
               "       vorsk_sound_report SESSION MIDI   (SESSION: the path up to the session name)\n");
  return 2;
}
