// Session clean-up and SAVE outside playback.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "session/generate_test_util.h"
#include "session/session_files.h"

using gentest::Rig;
using Events = std::vector<std::string>;

namespace {

constexpr const char* kName = "061122_153000_";

// An archive folder holding one session's files, an excerpt pair, a leftover scratch file and
// the files of another session.
class SessionFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = rig.programDir.Path() + "/Archive/";
    ASSERT_TRUE(platform::MakeFolder(folder));
    for (const std::string name : {"log.txt", "Mix.wav", "Piano.wav", "tmp.wav", "Mix_03.wav", "Piano_03.wav"}) {
      fixtures::WriteAll(folder + kName + name, {1});
    }
    for (const std::string name : {"061122_152959_log.txt", "061122_152959_Mix.wav"}) {
      fixtures::WriteAll(folder + name, {1});
    }
    CSession& s = rig.session;
    s.m_strArchiveFolder = folder;
    s.m_strSessionName = kName;
    s.m_strSessionPrefix = folder + kName;
    s.m_bSessionUnsaved = s.m_bLogUnsaved = true;
  }
  Events Left() const { return platform::ListFolder(folder, ""); }

  Rig rig;
  std::string folder;
};

TEST_F(SessionFiles, UnsavedSessionLosesAllButItsExcerpts) {
  EXPECT_EQ(DeleteSessionFiles(rig.session), 0);
  EXPECT_EQ(Left(), (Events{"061122_152959_Mix.wav", "061122_152959_log.txt",
                            "061122_153000_Mix_03.wav", "061122_153000_Piano_03.wav"}));
  EXPECT_TRUE(rig.boxes.shown.empty());
}

TEST_F(SessionFiles, LogStaysOnceAnExcerptWasSaved) {
  rig.session.m_bLogUnsaved = false;
  DeleteSessionFiles(rig.session);
  EXPECT_EQ(Left(), (Events{"061122_152959_Mix.wav", "061122_152959_log.txt", "061122_153000_Mix_03.wav",
                            "061122_153000_Piano_03.wav", "061122_153000_log.txt"}));
}

TEST_F(SessionFiles, NothingGoesWithoutAnUnsavedSession) {
  const Events before = Left();
  rig.session.m_bSessionUnsaved = false;
  DeleteSessionFiles(rig.session);
  EXPECT_EQ(Left(), before);
  rig.session.m_bSessionUnsaved = true;
  rig.session.m_strSessionName.clear();
  DeleteSessionFiles(rig.session);
  EXPECT_EQ(Left(), before);
}

TEST_F(SessionFiles, FolderPathWithAnExcerptMarkerKeepsEverything) {
  // The skip test looks at the full path, so a folder named like an excerpt protects all.
  const std::string odd = rig.programDir.Path() + "/Mix_old/";
  ASSERT_TRUE(platform::MakeFolder(odd));
  fixtures::WriteAll(odd + kName + "Mix.wav", {1});
  fixtures::WriteAll(odd + kName + "log.txt", {1});
  rig.session.m_strArchiveFolder = odd;
  DeleteSessionFiles(rig.session);
  EXPECT_EQ(platform::ListFolder(odd, "").size(), 2u);
}

TEST_F(SessionFiles, UndeletableFileAsksRetryOrCancelAndGoesOn) {
  // A folder carrying the session's name cannot be unlinked, whoever runs the test.
  const std::string stuck = folder + kName + "held";
  ASSERT_EQ(::mkdir(stuck.c_str(), 0755), 0);
  rig.boxes.answers = {platform::IDRETRY, platform::IDRETRY, platform::IDCANCEL};
  DeleteSessionFiles(rig.session);
  ASSERT_EQ(rig.boxes.shown.size(), 3u);
  for (const gentest::Box& box : rig.boxes.shown) {
    EXPECT_EQ(box.text, "Can't delete file: " + stuck + "\nbecause it's being used by another program.");
    EXPECT_EQ(box.caption, "Vorsk - File Error");
    EXPECT_EQ(box.icon, platform::MbIcon::Exclamation);
    EXPECT_EQ(box.buttons, platform::MbButtons::RetryCancel);
  }
  // The files after it in the listing were still removed.
  EXPECT_FALSE(platform::FileExists(folder + kName + "log.txt"));
  EXPECT_FALSE(platform::FileExists(folder + kName + "tmp.wav"));
  EXPECT_TRUE(platform::FileExists(stuck));
}

TEST_F(SessionFiles, SaveOutsidePlaybackKeepsTheWholeSession) {
  EXPECT_EQ(SaveSession(rig.session), 0);
  EXPECT_EQ(rig.events, (Events{"show 1051", "show 1051", "box Vorsk - Save Session", "hide 1051"}));
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text,
            "Files are saved in folder " + rig.programDir.Path() +
                "/Archive/\n\nLog    file:\t\t061122_153000_log.txt"
                "\nMusic file:\t\t061122_153000_Mix.wav\nPiano file:\t\t061122_153000_Piano.wav");
  EXPECT_EQ(rig.boxes.shown[0].icon, platform::MbIcon::Information);
  EXPECT_FALSE(rig.session.m_bSessionUnsaved);
  EXPECT_TRUE(rig.session.m_bLogUnsaved);
  const Events before = Left();
  DeleteSessionFiles(rig.session);
  EXPECT_EQ(Left(), before);
}

TEST_F(SessionFiles, SaveWithoutSessionSaysNothingToSave) {
  rig.session.m_strSessionName.clear();
  EXPECT_EQ(SaveSession(rig.session), 0);
  EXPECT_EQ(rig.events, (Events{"show 1051", "box Vorsk - Save Session", "hide 1051", "show 1061"}));
  EXPECT_EQ(rig.boxes.shown[0].text, "Nothing to save!");
  EXPECT_EQ(rig.boxes.shown[0].icon, platform::MbIcon::Information);
  EXPECT_TRUE(rig.session.m_bSessionUnsaved);
}

TEST_F(SessionFiles, SaveDuringPlaybackHandsOverToTheExcerptSaver) {
  int calls = 0;
  rig.session.m_saveExcerpts = [&] { return ++calls, 0; };
  rig.session.m_nPhraseNumber = 3;
  SaveSession(rig.session);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(rig.session.m_bSessionUnsaved);
  EXPECT_TRUE(rig.boxes.shown.empty());
  // In the lead-in (phrase 0) the whole session is saved.
  rig.session.m_nPhraseNumber = 0;
  SaveSession(rig.session);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(rig.session.m_bSessionUnsaved);
}

TEST_F(SessionFiles, SummaryNamesTheOutFolderOfTheCommandLine) {
  rig.session.m_strArchiveOverride = "/data/pieces";
  SaveSession(rig.session);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text.rfind("Files are saved in folder /data/pieces/\n\n", 0), 0u);
}

}  // namespace
