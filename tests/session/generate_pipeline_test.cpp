// The pipeline end to end over marker archives and 1-minute pieces (16 bars at tempo 60).
#include <gtest/gtest.h>

#include <ostream>

#include <sys/stat.h>

#include <algorithm>

#include "session/generate_test_util.h"
#include "session/session_files.h"

using gentest::Rig;
using Events = std::vector<std::string>;

namespace {

const Events kClearDisplay = {"lock",      "hide 1054", "hide 1055", "hide 1056", "hide 1057",
                              "hide 1065", "hide 1066", "unlock",    "stop mag",  "hide 1061",
                              "mci close vk wait"};
const Events kBarShown = {"start fan", "range 1052 0 28", "pos 1052 0", "step 1052 1", "show 1052"};
const Events kFinish = {"hide 1052", "stop fan",  "digit 1054 341", "show 1054", "digit 1055 341",
                        "show 1055", "digit 1056 341", "show 1056", "digit 1057 341", "show 1057",
                        "show 1061"};

Events Concat(std::initializer_list<Events> parts) {
  Events all;
  for (const Events& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Events Tracks(const Events& events) {
  Events tracks;
  for (const std::string& e : events) {
    if (e.rfind("track ", 0) == 0 && e != "track -") tracks.push_back(e.substr(6));
  }
  return tracks;
}

}  // namespace

TEST(GeneratePipeline, EveryOptionOnNotifiesInOrder) {
  Rig rig;
  rig.Tracks("F", "DB", "SV");
  ASSERT_EQ(rig.Generate(), 0);

  const std::string step = "stepit 1052";
  const Events expected = Concat({
      {"series 3"}, kClearDisplay, kBarShown,
      {step, step},                           // bar shown; Compose
      {"track TP", step, step, "track -", step},  // RenderTP, Piano.wav, copy to Mix.wav
      {"track TA", step, step, step},         // render, two voices, piece
      {"track PP", step, step},
      {"track CH", step, step, step},
      {"track DL", step, step, step},
      {"track TF", step, step, step},
      {"track BS", step, step, step},
      {"track ST", step, step, step},
      {"track VO", step, step, step},
      kFinish});
  EXPECT_EQ(rig.events, expected);
  // Every track's three steps: the bar reaches its end.
  EXPECT_EQ(rig.board.ProgressPos(1052), 28);
  EXPECT_TRUE(rig.boxes.shown.empty());
}

struct TrackCase {
  const char* hand;
  const char* rhythm;
  const char* harmony;
  int range;
  int steps;
  Events tracks;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TrackCase& c, std::ostream* out) {
  *out << "Hand=" << c.hand << " Rhythm=" << c.rhythm << " Harmony=" << c.harmony;
}

class GenerateTracks : public ::testing::TestWithParam<TrackCase> {};

TEST_P(GenerateTracks, RendersTheTracksTheOptionsAskForAndCleansUp) {
  const TrackCase& c = GetParam();
  Rig rig;
  rig.Tracks(c.hand, c.rhythm, c.harmony);
  const int descriptors = gentest::OpenDescriptors();
  ASSERT_EQ(rig.Generate(), 0);

  EXPECT_EQ(rig.board.ProgressUpper(1052), c.range);
  EXPECT_EQ(rig.Count("stepit 1052"), c.steps);
  EXPECT_EQ(rig.board.ProgressPos(1052), c.steps);
  EXPECT_EQ(Tracks(rig.events), c.tracks);

  const std::string name = rig.SessionNameNow();
  EXPECT_EQ(rig.session.m_strSessionName, name);
  EXPECT_EQ(rig.session.m_strPiecePath, rig.ArchiveFolder() + name + "Mix.wav");
  EXPECT_EQ(rig.session.m_nPhraseCount, 2);
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
  EXPECT_TRUE(rig.session.m_bSessionUnsaved);
  EXPECT_TRUE(rig.session.m_bLogUnsaved);
  EXPECT_EQ(rig.ArchiveFiles(), (Events{name + "Mix.wav", name + "Piano.wav", name + "log.txt"}));
  EXPECT_TRUE(rig.TempFiles().empty());
  EXPECT_EQ(gentest::OpenDescriptors(), descriptors);
  // The piece is as long as its last track: header, 16 bars, two pads of about an eighth (the
  // renderers round the pads to even byte counts).
  EXPECT_NEAR(static_cast<double>(fixtures::ReadAll(rig.session.m_strPiecePath).size()),
              44.0 + 16 * 352800 + 2 * 44100, 8.0);
}

INSTANTIATE_TEST_SUITE_P(
    OptionCombinations, GenerateTracks,
    ::testing::Values(TrackCase{"R", "", "", 5, 5, {"TP"}},
                      TrackCase{"F", "", "", 13, 13, {"TP", "TA", "PP", "CH"}},
                      TrackCase{"R", "D", "", 11, 11, {"TP", "DL", "TF"}},
                      TrackCase{"R", "B", "SV", 14, 14, {"TP", "BS", "ST", "VO"}}),
    [](const ::testing::TestParamInfo<TrackCase>& info) {
      return std::string("Hand") + info.param.hand + "_Rhythm" + info.param.rhythm + "_Harmony" +
             info.param.harmony;
    });

TEST(GeneratePipeline, RightHandWithoutRhythmMakesMixACopyOfPiano) {
  Rig rig;
  rig.Tracks("R", "", "");
  ASSERT_EQ(rig.Generate(), 0);
  const std::string prefix = rig.session.m_strSessionPrefix;
  const auto piano = fixtures::ReadAll(prefix + "Piano.wav");
  ASSERT_GT(piano.size(), 44u);
  EXPECT_EQ(fixtures::ReadAll(prefix + "Mix.wav"), piano);
}

TEST(GeneratePipeline, TooLittleDiskSpaceStopsBeforeAnythingChanges) {
  Rig rig;
  rig.session.m_strSessionName = "061122_153000_";
  rig.session.m_strPiecePath = "/old/061122_153000_Mix.wav";
  unsigned long long reported = 161;
  std::string askedFor;
  rig.session.m_diskFree = [&](const std::string& path, unsigned long long& mb) {
    askedFor = path;
    mb = reported;
    return true;
  };
  rig.options.SetGenerateLength("5");
  EXPECT_EQ(rig.Generate(), 1);
  EXPECT_EQ(askedFor, rig.ArchiveFolder());  // the folder the session goes to
  EXPECT_EQ(rig.events, (Events{"series 3", "box Vorsk - Not enough space on disk"}));
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  // Every track of a 5-minute piece: a little more than the floor of 162 MB.
  EXPECT_EQ(rig.boxes.shown[0].text,
            "Not enough space on disk.\nFree: 161 MB\nNeed: 164 MB\nFolder: " + rig.ArchiveFolder());
  EXPECT_EQ(rig.boxes.shown[0].icon, platform::MbIcon::Error);
  EXPECT_EQ(rig.session.m_strSessionName, "061122_153000_");
  EXPECT_EQ(rig.session.m_strPiecePath, "/old/061122_153000_Mix.wav");
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);

  rig.options.SetGenerateLength("15");
  reported = 485;
  EXPECT_EQ(rig.Generate(), 1);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text,
            "Not enough space on disk.\nFree: 485 MB\nNeed: 486 MB\nFolder: " + rig.ArchiveFolder());

  // A report of 0 MB is no room (only a failed query, the rig's default, lets a run start).
  rig.options.SetGenerateLength("1");
  rig.Tracks("R", "", "");
  reported = 0;
  EXPECT_EQ(rig.Generate(), 1);
  EXPECT_EQ(rig.boxes.shown.back().text,
            "Not enough space on disk.\nFree: 0 MB\nNeed: 28 MB\nFolder: " + rig.ArchiveFolder());
}

TEST(GeneratePipeline, FreeSpaceEqualToTheNeedIsEnough) {
  Rig rig;
  rig.Tracks("R", "", "");
  rig.session.m_diskFree = [](const std::string&, unsigned long long& mb) {
    mb = 28;  // what a 1-minute piano piece needs in the session and temporary folders together
    return true;
  };
  EXPECT_EQ(rig.Generate(), 0);
  EXPECT_TRUE(rig.boxes.shown.empty());
}

TEST(GeneratePipeline, MissingData4StopsWithItsPathAndKeepsThePreviousSession) {
  Rig rig(/*withData4=*/false);
  // A previous, unsaved session with its files.
  ASSERT_TRUE(platform::MakeFolder(rig.ArchiveFolder()));
  const std::string old = "061122_153000_";
  for (const char* file : {"log.txt", "Mix.wav", "Piano.wav"}) {
    fixtures::WriteAll(rig.ArchiveFolder() + old + file, {1, 2, 3});
  }
  rig.session.m_strArchiveFolder = rig.ArchiveFolder();
  rig.session.m_strSessionName = old;
  rig.session.m_strSessionPrefix = rig.ArchiveFolder() + old;
  rig.session.m_strPiecePath = rig.ArchiveFolder() + old + "Mix.wav";
  rig.session.m_bSessionUnsaved = rig.session.m_bLogUnsaved = true;

  EXPECT_EQ(rig.Generate(), 1);
  EXPECT_EQ(rig.events, Concat({{"series 3"}, kClearDisplay, {"box Vorsk - File Open Error"}}));
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text, "Can't open sample file: " + rig.programDir.Path() +
                                         "/data4.dat (No such file or directory).\nPlease reinstall the application.");
  EXPECT_EQ(rig.boxes.shown[0].icon, platform::MbIcon::Error);
  EXPECT_EQ(rig.session.m_strSessionName, old);
  EXPECT_EQ(rig.session.m_strPiecePath, rig.ArchiveFolder() + old + "Mix.wav");
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
  EXPECT_EQ(rig.ArchiveFiles().size(), 3u);
  EXPECT_EQ(rig.pump.count, 0);
}

TEST(GeneratePipeline, RhythmFigureFailureIsShownAndTheRunCompletes) {
  Rig rig;
  rig.Tracks("R", "D", "");
  // Data3.dat goes away while the drum loops are rendered, so the figure track cannot open it.
  const std::string data3 = rig.programDir.File("Data3.dat");
  ASSERT_EQ(rig.Generate([&](int) {
    if (gentest::CurrentTrack() == "DL") ::unlink(data3.c_str());
  }), 0);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text, "TF Error 1");
  EXPECT_EQ(rig.boxes.shown[0].caption, "Vorsk - Error");
  EXPECT_EQ(rig.boxes.shown[0].icon, platform::MbIcon::Information);
  // The box comes after the figure track's step and before its two mixes.
  const auto box = std::find(rig.events.begin(), rig.events.end(), "box Vorsk - Error");
  ASSERT_NE(box, rig.events.end());
  EXPECT_EQ(*(box - 1), "stepit 1052");
  EXPECT_EQ(Events(box + 1, rig.events.end()), Concat({{"stepit 1052", "stepit 1052"}, kFinish}));
  EXPECT_TRUE(platform::FileExists(rig.session.m_strPiecePath));
  EXPECT_TRUE(rig.TempFiles().empty());
}

// Any other track that fails ends the run with the file and the cause, and leaves nothing.
TEST(GeneratePipeline, OtherTrackFailuresEndTheRunWithTheCause) {
  Rig rig;
  rig.Tracks("F", "", "");
  // Data1.dat goes away while the accompaniment is rendered: the chord track cannot open it.
  const std::string data1 = rig.programDir.File("Data1.dat");
  ASSERT_EQ(rig.Generate([&](int) {
    if (gentest::CurrentTrack() == "TA") ::unlink(data1.c_str());
  }), 1);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text, "The piece was not made.\nFile: " + data1 + "\nNo such file or directory.");
  EXPECT_EQ(rig.session.m_strSessionName, "");
  EXPECT_EQ(rig.ArchiveFiles(), std::vector<std::string>{});
  EXPECT_TRUE(rig.TempFiles().empty());
}

// In a piece mix the piece so far is the first input and the new track the second: the piece
// keeps the piano track's first 104 bytes and takes the length of the tracks mixed into it,
// which every track file has in common: the size its header announces (the piano track's
// lead-in and tail of 469 and 531 ms are two bytes short of two eighths and zero-filled).
TEST(GeneratePipeline, PieceMixKeepsThePieceStartAndFollowsTheNewTrack) {
  Rig rig;
  rig.Tracks("R", "D", "");
  ASSERT_EQ(rig.Generate(), 0);
  const auto piano = fixtures::ReadAll(rig.session.m_strSessionPrefix + "Piano.wav");
  const auto mix = fixtures::ReadAll(rig.session.m_strPiecePath);
  EXPECT_EQ(piano.size(), mix.size());
  EXPECT_EQ(mix.size(), 44u + 16u * 352800u + 2u * 44100u);
  ASSERT_TRUE(piano.size() >= 104 && mix.size() >= 104);
  EXPECT_TRUE(std::equal(piano.begin(), piano.begin() + 104, mix.begin()));
}

TEST(GeneratePipeline, TwoRunsInOneSecondShareTheNameAndTheSecondClearsTheFirst) {
  Rig rig;
  rig.Tracks("R", "", "");
  ASSERT_EQ(rig.Generate(), 0);
  const std::string prefix = rig.session.m_strSessionPrefix;
  fixtures::WriteAll(prefix + "tmp.wav", {0});      // a mixer leftover
  fixtures::WriteAll(prefix + "Mix_01.wav", {0});   // an excerpt saved during playback

  bool checked = false;
  const auto check = [&](int k) {
    if (k != 1) return;
    checked = true;
    // Inside the first renderer: the old unsaved files are gone, the new log is written.
    EXPECT_FALSE(platform::FileExists(prefix + "Mix.wav"));
    EXPECT_FALSE(platform::FileExists(prefix + "Piano.wav"));
    EXPECT_FALSE(platform::FileExists(prefix + "tmp.wav"));
    EXPECT_TRUE(platform::FileExists(prefix + "Mix_01.wav"));
    EXPECT_TRUE(platform::FileExists(prefix + "log.txt"));
  };
  ASSERT_EQ(rig.Generate(check), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(rig.session.m_strSessionPrefix, prefix);
  const std::string name = rig.session.m_strSessionName;
  EXPECT_EQ(rig.ArchiveFiles(),
            (Events{name + "Mix.wav", name + "Mix_01.wav", name + "Piano.wav", name + "log.txt"}));
}

TEST(GeneratePipeline, SavedSessionSurvivesTheNextRun) {
  Rig rig;
  rig.Tracks("R", "", "");
  ASSERT_EQ(rig.Generate(), 0);
  const std::string first = rig.session.m_strSessionName;
  SaveSession(rig.session);
  rig.NextSecond();
  ASSERT_EQ(rig.Generate(), 0);
  EXPECT_NE(rig.session.m_strSessionName, first);
  EXPECT_EQ(rig.ArchiveFiles(first), (Events{first + "Mix.wav", first + "Piano.wav", first + "log.txt"}));
}

// The log cannot be created: the run says so, renders nothing and leaves no session that
// names missing files.
class GenerateLogFailure : public ::testing::Test {
 protected:
  void SetUp() override { rig.Tracks("R", "", ""); }
  // Blocks the archive folder: a plain file where the folder should be.
  void BlockArchiveFolder(const std::string& folder) { fixtures::WriteAll(folder, {0}); }
  void ExpectFailedWithoutRendering(const std::string& folder) {
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].caption, "Vorsk - Error");
    EXPECT_EQ(rig.boxes.shown[0].icon, platform::MbIcon::Error);
    EXPECT_NE(rig.boxes.shown[0].text.find(folder), std::string::npos) << rig.boxes.shown[0].text;
    EXPECT_EQ(rig.pump.count, 0);  // no renderer ran
    EXPECT_TRUE(rig.TempFiles().empty());
    EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
    EXPECT_FALSE(rig.board.IsVisible(1052));
    EXPECT_FALSE(rig.board.IsAnimating(view::Panel::Generation));
    EXPECT_TRUE(rig.board.IsVisible(1061));
  }
  Rig rig;
};

TEST_F(GenerateLogFailure, FirstRunEndsWithNoSession) {
  BlockArchiveFolder(rig.programDir.File("Archive"));
  EXPECT_EQ(rig.Generate(), 1);
  ExpectFailedWithoutRendering(rig.programDir.Path() + "/Archive/");
  EXPECT_EQ(rig.session.m_strSessionName, "");
  EXPECT_EQ(rig.session.m_strPiecePath, "");
}

TEST_F(GenerateLogFailure, SavedPreviousSessionStaysCurrent) {
  fixtures::ScratchDir out;
  rig.session.m_strArchiveOverride = out.Path();
  ASSERT_EQ(rig.Generate(), 0);
  SaveSession(rig.session);
  const CSession before = rig.session;
  const auto piece = fixtures::ReadAll(before.m_strPiecePath);

  rig.NextSecond();
  rig.session.m_strArchiveOverride = out.File("blocked");
  BlockArchiveFolder(out.File("blocked"));
  EXPECT_EQ(rig.Generate(), 1);
  ExpectFailedWithoutRendering(out.File("blocked/"));
  EXPECT_EQ(rig.session.m_strSessionName, before.m_strSessionName);
  EXPECT_EQ(rig.session.m_strSessionPrefix, before.m_strSessionPrefix);
  EXPECT_EQ(rig.session.m_strPiecePath, before.m_strPiecePath);
  EXPECT_EQ(rig.session.m_nPhraseCount, before.m_nPhraseCount);
  EXPECT_FALSE(rig.session.m_bSessionUnsaved);
  EXPECT_EQ(fixtures::ReadAll(before.m_strPiecePath), piece);
}

TEST_F(GenerateLogFailure, UnsavedPreviousSessionIsGoneAndNotNamed) {
  fixtures::ScratchDir out;
  rig.session.m_strArchiveOverride = out.Path();
  ASSERT_EQ(rig.Generate(), 0);
  const std::string piecePath = rig.session.m_strPiecePath;

  rig.NextSecond();
  rig.session.m_strArchiveOverride = out.File("blocked");
  BlockArchiveFolder(out.File("blocked"));
  EXPECT_EQ(rig.Generate(), 1);
  ExpectFailedWithoutRendering(out.File("blocked/"));
  EXPECT_EQ(rig.session.m_strSessionName, "");
  EXPECT_EQ(rig.session.m_strPiecePath, piecePath);  // as after a cancel: names the old piece
  EXPECT_FALSE(platform::FileExists(piecePath));     // which the clean-up removed (unsaved)
}

TEST_F(GenerateLogFailure, ParentThatCannotBeMadeIsNamedWithTheCause) {
  fixtures::ScratchDir out;
  BlockArchiveFolder(out.File("blocked"));
  rig.session.m_strArchiveOverride = out.File("blocked/Music/Vorsk");
  EXPECT_EQ(rig.Generate(), 1);
  ExpectFailedWithoutRendering(out.File("blocked/Music/Vorsk/\nThe folder ") + out.File("blocked") +
                               " cannot be made: Not a directory.");
}

TEST(GeneratePipeline, ArchiveFolderIsMadeWithItsParents) {
  Rig rig;
  rig.Tracks("R", "", "");
  fixtures::ScratchDir home;
  rig.session.m_strArchiveOverride = home.File("Music/Vorsk");
  ASSERT_EQ(rig.Generate(), 0);
  EXPECT_EQ(rig.session.m_strPiecePath.rfind(home.File("Music/Vorsk/"), 0), 0u);
  EXPECT_TRUE(platform::FileExists(rig.session.m_strPiecePath));
}

TEST(GeneratePipeline, MissingPieceAtTheEndIsAFailure) {
  Rig rig;
  rig.Tracks("R", "", "");
  // Something takes the piece's name before the copy: the copy cannot create "Mix.wav".
  EXPECT_EQ(rig.Generate([&](int k) {
    if (k == 1) ::mkdir((rig.session.m_strSessionPrefix + "Mix.wav").c_str(), 0755);
  }), 1);
  ASSERT_FALSE(rig.boxes.shown.empty());
  EXPECT_EQ(rig.boxes.shown[0].text, "The piece was not made.\nFile: " + rig.ArchiveFolder() +
                                         rig.SessionNameNow() + "Mix.wav\nIs a directory.");
  EXPECT_EQ(rig.boxes.shown[0].caption, "Vorsk - Error");
  EXPECT_EQ(rig.session.m_strSessionName, "");
  EXPECT_EQ(rig.session.m_strPiecePath, "");
  EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
}

// Files that go or are cut while the last mix still writes through its open descriptor (the
// folder removed during a run): the run fails naming the file, and no session is left.
TEST(GeneratePipeline, PieceFilesGoneOrCutAtTheLastStepAreAFailure) {
  int lastPump = 0;
  {
    Rig rig;
    rig.Tracks("R", "", "");
    ASSERT_EQ(rig.Generate([&](int k) { lastPump = k; }), 0);
  }
  struct Case {
    const char* file;
    long long cutTo;  // -1: removed
    const char* says;
  };
  const Case cases[] = {{"Mix.wav", -1, "Mix.wav\nNo such file or directory."},
                        {"log.txt", -1, "log.txt\nNo such file or directory."},
                        {"Piano.wav", 1000, "Piano.wav holds 1000 bytes, its header announces "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Rig rig;
    rig.Tracks("R", "", "");
    EXPECT_EQ(rig.Generate([&](int k) {
      if (k != lastPump) return;
      const std::string path = rig.session.m_strSessionPrefix + c.file;
      if (c.cutTo < 0) ::unlink(path.c_str());
      else ASSERT_EQ(::truncate(path.c_str(), c.cutTo), 0);
    }), 1);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_NE(rig.boxes.shown[0].text.find(rig.SessionNameNow() + c.says), std::string::npos) << rig.boxes.shown[0].text;
    EXPECT_EQ(rig.session.m_strSessionName, "");
    EXPECT_EQ(rig.ArchiveFiles(), std::vector<std::string>{});
  }
}

// Each of the sustained tracks adds to the piece only: the same session id gives the same plan
// and the same piano track with the letter on or off, and a different piece.
TEST(GeneratePipeline, BassStringsAndVoicesChangeOnlyThePiece) {
  struct Run {
    std::vector<std::string> notes, rhythms;
    std::string piano, mix;
  };
  auto generate = [](const char* rhythm, const char* harmony) {
    Rig rig;
    rig.Tracks("F", rhythm, harmony);
    EXPECT_EQ(rig.Generate(), 0);
    return Run{theComposer.m_barNotes, theComposer.m_barRhythms,
               fixtures::Digest(fixtures::ReadAll(rig.session.m_strSessionPrefix + "Piano.wav")),
               fixtures::Digest(fixtures::ReadAll(rig.session.m_strPiecePath))};
  };
  const Run without = generate("D", "");
  for (const auto& [rhythm, harmony] : {std::pair{"DB", ""}, std::pair{"D", "S"}, std::pair{"D", "V"}}) {
    SCOPED_TRACE(std::string("Rhythm ") + rhythm + " Harmony " + harmony);
    const Run with = generate(rhythm, harmony);
    EXPECT_EQ(with.notes, without.notes);
    EXPECT_EQ(with.rhythms, without.rhythms);
    EXPECT_EQ(with.piano, without.piano);
    EXPECT_NE(with.mix, without.mix);
  }
}
