// STOP and EXIT reach a running generation through the pumps of the renderers and the mixer.
// Each case runs one full generation to learn where the pumps fall, then cancels fresh runs at
// the first, second and middle pump of every phase and at evenly spread points, and checks
// that nothing of the new session is left while the previous, saved session is untouched.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <set>

#include "render/sample_catalog.h"
#include "session/generate_test_util.h"
#include "session/session_files.h"
#include "session/stop_generation.h"

using gentest::Rig;
using Events = std::vector<std::string>;

namespace {

class GenerateCancel : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.Tracks("F", "DB", "SV");  // every renderer takes part
    ASSERT_EQ(rig.Generate([&](int) { m_tracks.push_back(gentest::CurrentTrack()); }), 0);
    // This run is the previous session, saved whole.
    SaveSession(rig.session);
    m_previousPiece = rig.session.m_strPiecePath;
    for (const std::string& file : rig.ArchiveFiles()) {
      m_previousFiles[file] = fixtures::Digest(fixtures::ReadAll(rig.ArchiveFolder() + file));
    }
    m_descriptors = gentest::OpenDescriptors();
  }

  // 1-based pump numbers: the first and the middle pump of each phase (a phase is a run of
  // pumps with the same track's files on disk) and the last pump; with bSpread also the second
  // pump of each phase and points spread evenly over the run.
  std::vector<int> PumpPoints(bool bSpread) const {
    const int n = static_cast<int>(m_tracks.size());
    std::set<int> points{n};
    int start = 1;
    for (int k = 2; k <= n + 1; ++k) {
      if (k <= n && m_tracks[k - 1] == m_tracks[k - 2]) continue;
      points.insert({start, (start + k - 1) / 2});
      if (bSpread) points.insert(std::min(start + 1, k - 1));
      start = k;
    }
    for (int k = 1; bSpread && k <= n; k += std::max(1, n / 10)) points.insert(k);
    return {points.begin(), points.end()};
  }

  // Nothing of the cancelled session is left, nothing of the previous one is changed.
  void ExpectNoTrace(const std::string& name, int k) {
    SCOPED_TRACE("cancelled at pump " + std::to_string(k));
    EXPECT_EQ(rig.pump.count, k);  // the routine returned at its next check
    EXPECT_TRUE(rig.ArchiveFiles(name).empty()) << rig.ArchiveFiles(name).front();
    EXPECT_TRUE(rig.TempFiles().empty()) << rig.TempFiles().front();
    EXPECT_EQ(rig.session.m_strSessionName, "");
    EXPECT_EQ(rig.session.m_strPiecePath, m_previousPiece);
    EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
    std::map<std::string, std::string> files;
    for (const std::string& file : rig.ArchiveFiles()) {
      files[file] = fixtures::Digest(fixtures::ReadAll(rig.ArchiveFolder() + file));
    }
    EXPECT_EQ(files, m_previousFiles);
    EXPECT_EQ(theComposer.m_bAbort, 0);
    EXPECT_EQ(theComposer.m_hArchive, 0);
    EXPECT_EQ(theComposer.m_hOutWave, 0);
    EXPECT_TRUE(theMixer.m_hOut == 0 && theMixer.m_hIn1 == 0 && theMixer.m_hIn2 == 0 &&
                theMixer.m_hSource == 0);
    EXPECT_EQ(gentest::OpenDescriptors(), m_descriptors);
    EXPECT_FALSE(rig.board.IsVisible(1052));
    EXPECT_FALSE(rig.board.IsAnimating(view::Panel::Generation));
    EXPECT_TRUE(rig.boxes.shown.empty());
  }

  // The last n notifications other than progress steps (the piano track's render step comes
  // before its cancel check).
  Events Tail(size_t n) const {
    Events shown;
    for (const std::string& e : rig.events) {
      if (e != "stepit 1052") shown.push_back(e);
    }
    return n > shown.size() ? shown : Events(shown.end() - n, shown.end());
  }

  Rig rig;
  std::string m_previousPiece;
  std::map<std::string, std::string> m_previousFiles;
  std::vector<std::string> m_tracks;  // track files on disk at each pump of a full run
  int m_descriptors = 0;
};

TEST_F(GenerateCancel, StopAtAnyPumpLeavesNoSession) {
  const std::vector<int> points = PumpPoints(true);
  ASSERT_GE(points.size(), 20u);
  ASSERT_EQ(m_previousFiles.size(), 3u);
  for (const int k : points) {
    rig.NextSecond();
    const std::string name = rig.SessionNameNow();
    EXPECT_EQ(rig.Generate([&](int n) {
      if (n == k) PressStop(rig.session);
    }), 1);
    ExpectNoTrace(name, k);
    // The click, the stop action, then the pipeline's abort exit.
    EXPECT_EQ(Tail(6), (Events{"show 1061", "series 2", "show 1061", "hide 1052", "hide 1061", "stop fan"}))
        << "k=" << k;
  }
  rig.NextSecond();
  EXPECT_EQ(rig.Generate(), 0);  // the flags do not linger
}

TEST_F(GenerateCancel, ExitAtAnyPumpLeavesNoSession) {
  for (const int k : PumpPoints(false)) {
    rig.NextSecond();
    const std::string name = rig.SessionNameNow();
    EXPECT_EQ(rig.Generate([&](int n) {
      if (n == k) PressExit(rig.session);
    }), 1);
    ExpectNoTrace(name, k);
    EXPECT_EQ(Tail(3), (Events{"hide 1052", "hide 1061", "stop fan"})) << "k=" << k;
  }
  rig.NextSecond();
  EXPECT_EQ(rig.Generate(), 0);
}

// Of the cancelled steps only the piano track's render advances the bar (its step comes before
// its cancel check); every other step advances only when it was not cancelled. Positions at the
// first pump of each phase: 2 after the bar is shown and the piece composed, 3 steps for the
// piano track (render, mix into Piano.wav, copy: "-" is the copy, when no track file exists),
// 3 per track of two voices and 2 for the low notes.
TEST_F(GenerateCancel, CancelledStepsLeaveTheBarWhereItWas) {
  const std::map<std::string, int> expected = {{"TP", 3}, {"-", 4},  {"TA", 5}, {"PP", 8},
                                               {"CH", 10}, {"DL", 13}, {"TF", 16},
                                               {"BS", 19}, {"ST", 22}, {"VO", 25}};
  std::set<std::string> seen;
  for (size_t i = 0; i < m_tracks.size(); ++i) {
    if (i > 0 && m_tracks[i] == m_tracks[i - 1]) continue;
    const int k = static_cast<int>(i) + 1;
    rig.NextSecond();
    EXPECT_EQ(rig.Generate([&](int n) {
      if (n == k) PressStop(rig.session);
    }), 1);
    EXPECT_EQ(rig.board.ProgressPos(1052), expected.at(m_tracks[i])) << "stop in " << m_tracks[i];
    seen.insert(m_tracks[i]);
  }
  EXPECT_EQ(seen.size(), expected.size());
}

TEST_F(GenerateCancel, StopClosesTheSuspendedFilesBeforeRemovingTheSession) {
  // At the first pump of the piano track's mix the mixer holds both voices and the scratch.
  bool seen = false;
  EXPECT_EQ(rig.Generate([&](int) {
    if (seen || theMixer.m_hIn1 == 0) return;
    seen = true;
    const std::string scratch = rig.session.m_strSessionPrefix + "tmp.wav";
    ASSERT_TRUE(platform::FileExists(scratch));
    PressStop(rig.session);
    EXPECT_EQ(theMixer.m_hIn1, 0);
    EXPECT_EQ(theMixer.m_hIn2, 0);
    EXPECT_EQ(theMixer.m_hOut, 0);
    EXPECT_FALSE(platform::FileExists(scratch));
    EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
  }), 1);
  EXPECT_TRUE(seen);
}

TEST(GenerateStop, StopWhileIdleOnlyResetsTheBoard) {
  Rig rig;
  rig.session.m_strSessionName = "061122_153000_";
  rig.session.m_bSessionUnsaved = true;
  rig.session.m_strArchiveFolder = rig.ArchiveFolder();
  ASSERT_TRUE(platform::MakeFolder(rig.ArchiveFolder()));
  fixtures::WriteAll(rig.ArchiveFolder() + "061122_153000_Mix.wav", {1});
  rig.session.m_nPhraseNumber = 4;
  PressStop(rig.session);
  EXPECT_EQ(rig.events, (Events{"show 1061", "series 2", "show 1061"}));
  EXPECT_EQ(theComposer.m_bAbort, 0);
  EXPECT_EQ(theMixer.m_bAbort, 0);
  EXPECT_EQ(rig.session.m_nPhraseNumber, 0);
  EXPECT_EQ(rig.ArchiveFiles().size(), 1u);  // the session's files are removed only while generating
}

// In a minor key the chord voices are silent, so their mix copies the averaged silence, and a
// STOP inside that copy comes back from the mix as 8 rather than -1. The run still ends as
// cancelled, without a message, and the next GENERATE does not inherit the cancel.
TEST(GenerateStop, StopDuringTheCopyOfSilentChordVoicesCancelsTheRun) {
  Rig rig;
  rig.Tracks("F", "", "");
  // Chords whose samples are all silence: both chord voices come out silent, and the mixer
  // copies its scratch file instead of mixing.
  const std::string chords = rig.programDir.File("Data1.dat");
  ASSERT_EQ(::unlink(chords.c_str()), 0);
  fixtures::WriteAll(chords, {});
  ASSERT_EQ(::truncate(chords.c_str(), CSampleCatalog().m_chordGroup.TotalSize()), 0);
  const std::string name = rig.SessionNameNow();
  bool stopped = false;
  EXPECT_EQ(rig.Generate([&](int) {
    if (!stopped && theMixer.m_hSource != 0 && gentest::CurrentTrack() == "CH") {
      stopped = true;
      PressStop(rig.session);
    }
  }), 1);
  ASSERT_TRUE(stopped);
  EXPECT_TRUE(rig.ArchiveFiles(name).empty());
  EXPECT_TRUE(rig.TempFiles().empty());
  EXPECT_EQ(rig.session.m_strSessionName, "");
  EXPECT_EQ(theComposer.m_bAbort, 0);
  EXPECT_TRUE(rig.boxes.shown.empty());
  rig.NextSecond();
  EXPECT_EQ(rig.Generate(), 0);
}

}  // namespace
