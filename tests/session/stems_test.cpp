// Stems: each track's file kept beside the piece, named after its track, and treated as a
// session file by the clean-up and the save.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "session/generate_test_util.h"
#include "session/session_files.h"
#include "session/stems.h"
#include "session/stop_generation.h"

using gentest::Rig;

namespace {

std::vector<std::string> Stems(const Rig& rig) {
  std::vector<std::string> stems;
  for (const std::string& name : rig.ArchiveFiles(rig.session.m_strSessionName)) {
    if (name.find("Stem_") != std::string::npos) stems.push_back(name.substr(rig.session.m_strSessionName.size()));
  }
  std::sort(stems.begin(), stems.end());
  return stems;
}

struct StemCase {
  const char* hand;
  const char* rhythm;
  bool bKeep;
  std::vector<std::string> stems;
};

class KeepStems : public ::testing::TestWithParam<StemCase> {};

TEST_P(KeepStems, EveryRenderedTrackLeavesItsStem) {
  const StemCase& c = GetParam();
  Rig rig;
  rig.Tracks(c.hand, c.rhythm, "");
  rig.session.m_bKeepStems = c.bKeep;
  ASSERT_EQ(rig.Generate(), 0);
  EXPECT_EQ(Stems(rig), c.stems);
  EXPECT_TRUE(rig.boxes.shown.empty());
  EXPECT_FALSE(rig.session.m_bStemsFailed);
  if (!c.bKeep) return;
  // The melody stem is the piano track; every stem is a whole track file of the piece's length.
  const std::string prefix = rig.session.m_strSessionPrefix;
  const std::vector<unsigned char> piano = fixtures::ReadAll(prefix + "Piano.wav");
  EXPECT_EQ(fixtures::ReadAll(prefix + "Stem_Melody.wav"), piano);
  for (const std::string& stem : c.stems) {
    const std::vector<unsigned char> bytes = fixtures::ReadAll(prefix + stem);
    ASSERT_GT(bytes.size(), 44u) << stem;
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF") << stem;
    EXPECT_NEAR(static_cast<double>(bytes.size()), static_cast<double>(piano.size()), 88200.0) << stem;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tracks, KeepStems,
    ::testing::Values(
        StemCase{"F", "D", true,
                 {"Stem_Chords.wav", "Stem_Drums.wav", "Stem_Figures.wav", "Stem_LowNotes.wav",
                  "Stem_Melody.wav", "Stem_RhythmFigures.wav"}},
        StemCase{"R", "", true, {"Stem_Melody.wav"}},
        StemCase{"F", "D", false, {}}),
    [](const ::testing::TestParamInfo<StemCase>& info) {
      return std::string("Hand") + info.param.hand + "Rhythm" + (*info.param.rhythm ? info.param.rhythm : "None") +
             (info.param.bKeep ? "Kept" : "NotAsked");
    });

TEST(Stems, GoWithAnUnsavedSessionAndStayWithASavedOne) {
  Rig rig;
  rig.Tracks("F", "", "");
  rig.session.m_bKeepStems = true;
  ASSERT_EQ(rig.Generate(), 0);
  const std::string first = rig.session.m_strSessionName;
  ASSERT_EQ(Stems(rig).size(), 4u);

  // Unsaved: the next run's clean-up removes them with the rest of the session.
  rig.NextSecond();
  ASSERT_EQ(rig.Generate(), 0);
  EXPECT_TRUE(rig.ArchiveFiles(first).empty());

  // Saved whole: they survive the next run.
  SaveSession(rig.session);
  const std::string saved = rig.session.m_strSessionName;
  rig.NextSecond();
  ASSERT_EQ(rig.Generate(), 0);
  rig.session.m_strSessionName = saved;
  EXPECT_EQ(Stems(rig).size(), 4u);
}

TEST(Stems, StopWhileAStemIsWrittenLeavesNoSessionFile) {
  Rig rig;
  rig.Tracks("F", "", "");
  rig.session.m_bKeepStems = true;
  // Press STOP once the melody stem is being written.
  bool stopped = false;
  ASSERT_EQ(rig.Generate([&](int) {
              if (!stopped && !rig.session.m_strSessionName.empty() && !Stems(rig).empty()) {
                stopped = true;
                PressStop(rig.session);
              }
            }),
            1);
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(rig.ArchiveFiles().empty());
}

}  // namespace

namespace {

TEST(Stems, AStemThatCannotBeWrittenIsReportedAndThePieceIsKept) {
  Rig rig;
  rig.Tracks("F", "", "");
  rig.session.m_bKeepStems = true;
  // A folder where the chord stem would go: the stem cannot be created.
  const std::string blocked = rig.ArchiveFolder() + rig.SessionNameNow() + "Stem_Chords.wav";
  ASSERT_TRUE(platform::MakeFolder(rig.ArchiveFolder()));
  ASSERT_TRUE(platform::MakeFolder(blocked));
  ASSERT_EQ(rig.Generate(), 0);
  ASSERT_EQ(rig.session.m_strSessionName, rig.SessionNameNow());
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].caption, "Vorsk - Error");
  EXPECT_NE(rig.boxes.shown[0].text.find(blocked), std::string::npos) << rig.boxes.shown[0].text;
  EXPECT_TRUE(platform::FileExists(rig.session.m_strPiecePath));
  // The session says so, for whoever would build on every stem (the master).
  EXPECT_TRUE(rig.session.m_bStemsFailed);
  // The stems made before it stay.
  for (const char* stem : {"Stem_Melody.wav", "Stem_Figures.wav", "Stem_LowNotes.wav"}) {
    EXPECT_GT(fixtures::ReadAll(rig.session.m_strSessionPrefix + stem).size(), 44u) << stem;
  }
}

}  // namespace
