// Whole pieces from the built archives, measured as the sound report measures them: every
// track's attacks on the grid, sustained notes in tune, no DC, no cut at the end, the melody
// heard over the rest, an accompaniment without semitone clashes. And the catalog walked sample
// by sample: tuning, DC, attack placement and end level.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "render/sample_catalog.h"
#include "support/fixtures.h"
#include "tools/built_archives.h"
#include "tools/sound_report/piece_figures.h"
#include "tools/sound_report/sample_figures.h"
#include "test_paths.h"

namespace {

struct PieceCase {
  const char* note;
  const char* scale;
  int tempo;
  const char* session;
};

// Two-minute pieces with every track: both tempos, major, minor and both pentatonics; the last
// one ends on a loud melody note, whose damped ring once dropped the mix 33 dB in 50 ms there.
constexpr PieceCase kPieces[] = {{"C", "Maj", 60, "4242"},
                                 {"A", "Min", 90, "4242"},
                                 {"G", "PMaj", 60, "4242"},
                                 {"E", "PMin", 90, "4242"},
                                 {"B", "PMin", 90, "30"}};

// Generates the piece with its stems and MIDI export into dir; the session path, or "" on failure.
std::string Generate(const PieceCase& p, const fixtures::ScratchDir& dir) {
  const std::string command = std::string(VORSK_PROGRAM_DIR) + "/vorsk-cli generate --out " + dir.Path() +
                              " --note " + p.note + " --scale " + p.scale + " --tempo " + std::to_string(p.tempo) +
                              " --length 2 --rhythm BD --harmony SV --hand F --session-id " + p.session + " --stems --midi " +
                              dir.File("piece.mid") + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "";
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  if (pclose(pipe) != 0) return "";
  const size_t mix = out.find("Mix.wav");
  if (mix == std::string::npos) return "";
  const size_t start = out.rfind(dir.Path(), mix);
  return start == std::string::npos ? "" : out.substr(start, mix - start);
}

TEST(FinishedPieces, AttacksOnTheGridNotesInTuneNoDcNoCutAtTheEndTheMelodyHeardAndNoClashes) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  int heldBeats = 0, clashBeats = 0;
  for (const PieceCase& p : kPieces) {
    SCOPED_TRACE(std::string(p.note) + " " + p.scale + " tempo " + std::to_string(p.tempo));
    fixtures::ScratchDir dir;
    const std::string session = Generate(p, dir);
    ASSERT_FALSE(session.empty()) << "vorsk-cli generate failed";
    report::PieceFigures f;
    std::string error;
    ASSERT_TRUE(report::MeasurePiece(session, dir.File("piece.mid"), f, error)) << error;
    std::printf("%s", report::FormatPiece(f).c_str());
    ASSERT_EQ(f.tracks.size(), 9u);
    for (const report::TrackFigures& t : f.tracks) {
      SCOPED_TRACE(t.name);
      EXPECT_LT(std::fabs(t.dc), 1e-4);
      if (t.attacks > 0) {
        EXPECT_LE(std::fabs(t.medianAttackMs), 5.0);
      }
      if (t.tunedNotes > 0) {
        EXPECT_LE(std::fabs(t.medianCents), 5.0);
      }
    }
    EXPECT_GT(f.sharedBeats, 20);
    EXPECT_LE(std::fabs(f.melodyToBassMs), 5.0);
    EXPECT_LT(std::fabs(f.mixDc), 1e-4);
    // Where the music stops, nothing is cut: its last sounds die away. (Over the whole last 2 s
    // a drum hit of the last bar can decay faster than that; the report prints both.)
    EXPECT_LE(f.tailStepDb, 12.0);
    // The melody over everything else together in most bars, its notes standing out in their
    // own harmonic bands, and the band not far under it.
    EXPECT_GE(f.barsMelodyOnTop, 0.8);
    EXPECT_LE(f.maskedShare, 0.05);
    EXPECT_LE(f.medianMarginDb, 12.0);
    heldBeats += f.heldBeats;
    clashBeats += f.clashBeats;
  }
  // The accompaniment agrees with itself: semitone clashes with bass, strings or voices on at
  // most 1 % of the beats where two or more parts hold notes.
  EXPECT_GE(heldBeats, 500);
  EXPECT_LE(clashBeats, heldBeats / 100);
}

TEST(FinishedPieces, EverySampleOfTheCatalogIsInTuneWithoutDcPlacedAndEndsInSilence) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const CSampleCatalog catalog;
  std::map<std::string, int> checked;
  for (const auto& archive : catalog.Archives()) {
    // One entry at a time: the archives are too large to hold.
    std::ifstream in(built::ProgramFile(archive.fileName), std::ios::binary);
    ASSERT_TRUE(in) << archive.fileName;
    for (size_t i = 0; i < archive.group->m_names.size(); ++i) {
      const std::string& name = archive.group->m_names[i];
      std::vector<int16_t> pcm(static_cast<size_t>(archive.group->m_sizes[i] / 2));
      in.read(reinterpret_cast<char*>(pcm.data()), static_cast<std::streamsize>(2 * pcm.size()));
      ASSERT_EQ(in.gcount(), static_cast<std::streamsize>(2 * pcm.size())) << name;
      if (name.rfind("AA", 0) == 0) continue;
      const report::SampleFigures s = report::MeasureSample(name, pcm);
      SCOPED_TRACE(name);
      EXPECT_LT(std::fabs(s.dc), 1e-4);
      EXPECT_LT(s.endDb, -60.0);
      if (s.timed) {
        EXPECT_NEAR(s.attackMs, s.expectedAttackMs, 3.0);
      }
      for (const auto& [key, cents] : s.keyCents) EXPECT_NEAR(cents, 0.0, 5.0) << "key " << key;
      ++checked[name.substr(0, 2)];
    }
  }
  EXPECT_EQ(checked.size(), 9u);
}

}  // namespace
