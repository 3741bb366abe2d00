#include "options/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/system_paths.h"
#include "recording_view.h"
#include "support/fixtures.h"
#include "test_paths.h"

namespace {

using Strings = std::vector<std::string>;

const char kDefaultFile[] =
    "Note=C\r\nScale=Maj\r\nPlayMode=Clo\r\nRhythm=D\r\nHarmony=\r\nForcePitch=Reg\r\n"
    "Tempo=60\r\nHand=F\r\nMotive=B\r\nPianoInt=C\r\nPCI=Sim\r\n";

void WriteText(const std::string& path, const std::string& text) {
  fixtures::WriteAll(path, std::vector<unsigned char>(text.begin(), text.end()));
}

std::string ReadText(const std::string& path) {
  const auto bytes = fixtures::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

class SettingsFileTest : public ::testing::Test {
 protected:
  SettingsFileTest() : m_settings(m_dir.File(kSettingsFileName)), m_options(&m_view) {}

  void Write(const std::string& text) { WriteText(m_settings.Path(), text); }
  std::string Read(const std::string& key, const std::string& def = "<default>") {
    return m_settings.ReadSetting(key, def);
  }
  // Start-up as the window does it: defaults, then the file; view events of the load only.
  void StartUp() {
    m_options.SetDefaults();
    m_view.ClearEvents();
    m_settings.LoadSettings(m_options);
  }

  fixtures::ScratchDir m_dir;
  CSettingsFile m_settings;
  CRecordingView m_view;
  COptionSet m_options;
};

TEST(SettingsFilePath, DefaultPathIsBesideTheProgram) {
  const std::string path = CSettingsFile::DefaultPath();
  EXPECT_EQ(path, platform::ProgramFolder() + "/Vorsk.INI");
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(path).parent_path(),
                                          VORSK_PROGRAM_DIR));
  EXPECT_EQ(CSettingsFile().Path(), path);
}

TEST_F(SettingsFileTest, ReadSettingMissingFileOrKeyGivesTheDefault) {
  EXPECT_EQ(Read("Note", "C"), "C");
  Write("Scale=Min\r\n");
  EXPECT_EQ(Read("Note", "C"), "C");
  EXPECT_EQ(Read("Scale", "Maj"), "Min");
}

TEST_F(SettingsFileTest, ReadSettingMatchesLinesThatBeginWithTheKey) {
  Write(" Note=D\r\nnote=E\r\nNotes=F\r\nNote=G\r\nPlayModeX=Ope\r\nTempo=9=0\r\n");
  // Position 0 only, case-sensitive; a longer key that starts with the key matches.
  EXPECT_EQ(Read("Note"), "F");
  EXPECT_EQ(Read("PlayMode"), "Ope");
  // The text after the first "=".
  EXPECT_EQ(Read("Tempo"), "9=0");
  EXPECT_EQ(Read("Scale"), "<default>");
}

TEST_F(SettingsFileTest, ReadSettingFirstMatchWinsOverDuplicates) {
  Write("Hand=R\r\nHand=F\r\nRhythm=\r\nRhythm=BD\r\n");
  EXPECT_EQ(Read("Hand"), "R");
  EXPECT_EQ(Read("Rhythm"), "");
}

TEST_F(SettingsFileTest, ReadSettingLineWithoutEqualsYieldsTheWholeLine) {
  Write("Tempo90\r\nMotive\r\nHand\n");
  EXPECT_EQ(Read("Tempo"), "Tempo90");
  EXPECT_EQ(Read("Motive"), "Motive");
  EXPECT_EQ(Read("Hand"), "Hand");
}

TEST_F(SettingsFileTest, ReadSettingRemovesLineFeedsAndKeepsLoneCarriageReturns) {
  Write("Note=C\rX\r\nScale=Min\r\r\nPCI=Com\rTempo=90\nHand=F\r");
  EXPECT_EQ(Read("Note"), "C\rX");
  EXPECT_EQ(Read("Scale"), "Min\r");
  // A lone CR does not end a line: Tempo is inside the PCI line.
  EXPECT_EQ(Read("PCI"), "Com\rTempo=90");
  EXPECT_EQ(Read("Tempo"), "<default>");
  // A CR at the very end of the file stays too.
  EXPECT_EQ(Read("Hand"), "F\r");
}

TEST_F(SettingsFileTest, ReadSettingSeesLongLinesAsPiecesOf127Characters) {
  // A value longer than the piece is cut at 127 characters of line.
  Write("Note=" + std::string(200, 'x') + "\r\n");
  EXPECT_EQ(Read("Note"), std::string(127 - 5, 'x'));

  // The second piece of a long line is a line of its own and can carry a key.
  Write(std::string(127, '#') + "Tempo=90\r\nTempo=60\r\n");
  EXPECT_EQ(Read("Tempo"), "90");

  // A line of exactly 127 characters leaves its line end as a piece "\n" of its own.
  Write("Motive=" + std::string(120, 'F') + "\r\nHand=R\r\n");
  EXPECT_EQ(Read("Motive"), std::string(120, 'F'));
  EXPECT_EQ(Read("Hand"), "R");

  // A key cut by the piece boundary is not found.
  Write(std::string(125, '#') + "Scale=Min\r\n");
  EXPECT_EQ(Read("Scale"), "<default>");
}

TEST_F(SettingsFileTest, ReadSettingFindsTheFileWhateverTheCaseOfItsName) {
  WriteText(m_dir.File("vorsk.ini"), "Tempo=90\r\n");
  EXPECT_EQ(Read("Tempo"), "90");
}

TEST_F(SettingsFileTest, LoadWithoutFileKeepsDefaultsAndClicksTwiceForRhythm) {
  StartUp();
  EXPECT_EQ(m_options.Note(), "C");
  EXPECT_EQ(m_options.Scale(), "Maj");
  EXPECT_EQ(m_options.Rhythm(), "D");
  EXPECT_EQ(m_options.Harmony(), "");
  EXPECT_EQ(m_options.PianoInt(), "C");
  EXPECT_EQ(m_options.PCI(), "Sim");
  // Rhythm is toggled off and on again; unchanged Scale, Hand and Motive stay silent.
  EXPECT_EQ(m_view.Trail(), (Strings{"Note", "PlayMode", "Rhythm", "sound", "Rhythm", "sound",
                                     "ForcePitch", "Tempo", "PCI"}));
  EXPECT_EQ(m_view.Visible(),
            (std::set<int>{1002, 1014, 1020, 1073, 1028, 1050, 1033, 1071, 1069}));
}

TEST_F(SettingsFileTest, LoadAppliesEveryStoredValueInOrder) {
  Write("Note=FG\r\nScale=PMin\r\nPlayMode=Ope\r\nRhythm=BD\r\nHarmony=VS\r\nForcePitch=Fre\r\n"
        "Tempo=90\r\nHand=R\r\nMotive=F\r\nPianoInt=C\r\nPCI=Com\r\n");
  StartUp();
  EXPECT_EQ(m_options.Note(), "FG");
  EXPECT_EQ(m_options.Scale(), "PMin");
  EXPECT_EQ(m_options.PlayMode(), "Ope");
  EXPECT_EQ(m_options.Rhythm(), "BD");
  EXPECT_EQ(m_options.Harmony(), "VS");
  EXPECT_EQ(m_options.ForcePitch(), "Fre");
  EXPECT_EQ(m_options.Tempo(), "90");
  EXPECT_EQ(m_options.Hand(), "R");
  EXPECT_EQ(m_options.Motive(), "F");
  EXPECT_EQ(m_options.PianoInt(), "C");
  EXPECT_EQ(m_options.PCI(), "Com");
  EXPECT_EQ(m_view.Visible(), (std::set<int>{1008, 1018, 1019, 1074, 1073, 1025, 1068, 1030,
                                             1034, 1072, 1070, 1049}));
  EXPECT_EQ(m_view.Trail(),
            (Strings{"Note", "Scale", "sound", "PlayMode", "Rhythm", "sound", "Rhythm", "sound",
                     "Rhythm", "sound", "Harmony", "ForcePitch", "Tempo", "Hand", "sound",
                     "Motive", "sound", "PCI"}));
}

TEST_F(SettingsFileTest, LoadEmptyRhythmLineDiffersFromMissingLine) {
  Write("Rhythm=\r\n");
  StartUp();
  EXPECT_EQ(m_options.Rhythm(), "");
  EXPECT_TRUE(m_view.VisibleOf(kRhythmCodes).empty());
  EXPECT_EQ(m_view.m_nSounds, 1);

  Write("Harmony=S\r\n");
  StartUp();
  EXPECT_EQ(m_options.Rhythm(), "D");
  EXPECT_EQ(m_options.Harmony(), "S");
}

TEST_F(SettingsFileTest, LoadRepeatedLettersToggleOffAgain) {
  Write("Rhythm=DD\r\nHarmony=SVS\r\n");
  StartUp();
  EXPECT_EQ(m_options.Rhythm(), "");
  EXPECT_TRUE(m_view.VisibleOf(kRhythmCodes).empty());
  EXPECT_EQ(m_options.Harmony(), "V");
  EXPECT_EQ(m_view.VisibleOf(kHarmonyCodes), std::set<int>{1068});
}

TEST_F(SettingsFileTest, LoadPianoIntOneToFourLettersSwitchOnAndSaveTheOnCode) {
  for (const char* stored : {"Yes", "c", "P", "ABCD"}) {
    SCOPED_TRACE(stored);
    Write(std::string("PianoInt=") + stored + "\r\n");
    StartUp();
    EXPECT_EQ(m_options.PianoInt(), kPianoIntOn);
    ASSERT_EQ(m_settings.SaveSettings(m_options), kSettingsOk);
    EXPECT_NE(ReadText(m_settings.Path()).find("PianoInt=P\r\n"), std::string::npos);
  }
  for (const char* stored : {"C", "C ", "12", "ABCDE", ""}) {
    SCOPED_TRACE(stored);
    Write(std::string("PianoInt=") + stored + "\r\n");
    StartUp();
    EXPECT_EQ(m_options.PianoInt(), "C");
  }
}

// Each value outside its option's codes takes that option's default on its own; the letter
// sets keep their toggle rule over their own letters only.
TEST_F(SettingsFileTest, LoadReplacesCodesOutsideTheListsByTheirDefaults) {
  struct Case {
    const char* file;
    const char* note;
    const char* scale;
    const char* tempo;
    const char* rhythm;
    const char* harmony;
    const char* hand;
  };
  const Case cases[] = {
      {"Note=Q\r\nScale=Foo\r\nTempo=75\r\n", "C", "Maj", "60", "D", "", "F"},
      {"Note=GA\r\nTempo=0\r\nHand=R\r\n", "GA", "Maj", "60", "D", "", "R"},
      {"Tempo=1\r\nScale=PMin\r\n", "C", "PMin", "60", "D", "", "F"},
      {"Tempo=90\r\r\nHand=\r\nNote=c\r\n", "C", "Maj", "60", "D", "", "F"},
      {"Tempo=999999999999999999999\r\nTempo=90\r\n", "C", "Maj", "60", "D", "", "F"},
      {"Tempo=90\r\nRhythm=B\rDX\r\nHarmony=SQVS\r\n", "C", "Maj", "90", "BD", "V", "F"},
      {"Rhythm=xyz\r\nHarmony=V\r\n", "C", "Maj", "60", "", "V", "F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Write(c.file);
    StartUp();
    EXPECT_EQ(m_options.Note(), c.note);
    EXPECT_EQ(m_options.Scale(), c.scale);
    EXPECT_EQ(m_options.Tempo(), c.tempo);
    EXPECT_EQ(m_options.Rhythm(), c.rhythm);
    EXPECT_EQ(m_options.Harmony(), c.harmony);
    EXPECT_EQ(m_options.Hand(), c.hand);
    EXPECT_EQ(m_view.VisibleOf(kTempoCodes).size(), 1u);
    EXPECT_EQ(m_view.VisibleOf(kNoteCodes).size(), 1u);
  }
}

// A settings file that is not a small regular file is neither read nor written: the defaults
// stay and the refused file is as it was after the save at exit.
TEST_F(SettingsFileTest, ASpecialOrHugeFileIsRefusedAndLeftAlone) {
  const char* const kinds[] = {"pipe", "symlink to /dev/zero", "folder", "100 MB file", "65 KB file"};
  for (const std::string kind : kinds) {
    SCOPED_TRACE(kind);
    fixtures::ScratchDir dir;
    const std::string path = dir.File(kSettingsFileName);
    if (kind == "pipe") {
      ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    } else if (kind == "symlink to /dev/zero") {
      ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0);
    } else if (kind == "folder") {
      ASSERT_TRUE(platform::MakeFolder(path));
    } else {
      WriteText(path, "Note=D\r\nTempo=90\r\n");
      ASSERT_EQ(::truncate(path.c_str(), kind == "100 MB file" ? 100 << 20 : 65 * 1024), 0);
    }
    struct stat before {};
    ASSERT_EQ(::lstat(path.c_str(), &before), 0);
    CSettingsFile settings(path);
    m_options.SetDefaults();
    EXPECT_EQ(settings.LoadSettings(m_options), kSettingsRefused);
    EXPECT_FALSE(settings.Refusal().empty());
    EXPECT_EQ(settings.ReadSetting("Note", "none"), "none");
    EXPECT_EQ(m_options.Note(), "C");
    EXPECT_EQ(m_options.Tempo(), "60");
    m_options.SetNote("E");
    EXPECT_EQ(settings.SaveSettings(m_options), kSettingsRefused);
    struct stat after {};
    ASSERT_EQ(::lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mtime, before.st_mtime);
  }
  // A missing file is not refused: it is made at exit.
  CSettingsFile missing(m_dir.File("new.INI"));
  EXPECT_EQ(missing.LoadSettings(m_options), kSettingsOk);
  EXPECT_EQ(missing.SaveSettings(m_options), kSettingsOk);
}

// Users who keep Vorsk.INI as a symlink (dotfile tools) keep the link: the file it points to
// is replaced whole.
TEST_F(SettingsFileTest, SaveThroughAKeptSymlinkReplacesTheFileItPointsTo) {
  ASSERT_TRUE(platform::MakeFolder(m_dir.File("dotfiles")));
  const std::string kept = m_dir.File("dotfiles/Vorsk.INI");
  WriteText(kept, "Note=E\r\n");
  ASSERT_EQ(::symlink("dotfiles/Vorsk.INI", m_settings.Path().c_str()), 0);
  StartUp();
  EXPECT_EQ(m_options.Note(), "E");
  ASSERT_EQ(m_settings.SaveSettings(m_options), kSettingsOk);
  struct stat st {};
  ASSERT_EQ(::lstat(m_settings.Path().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadText(kept).rfind("Note=E\r\nScale=Maj\r\n", 0), 0u);
}

TEST_F(SettingsFileTest, SaveWritesTheDefaultsByteForByte) {
  m_options.SetDefaults();
  m_options.SetGenerateLength("15");
  EXPECT_EQ(m_settings.SaveSettings(m_options), 0);
  EXPECT_EQ(ReadText(m_settings.Path()), kDefaultFile);
}

TEST_F(SettingsFileTest, SaveTruncatesAndRoundTrips) {
  Write(std::string(4000, 'z'));
  m_options.SetDefaults();
  m_options.SetNote("AB");
  m_options.SetScale("PMaj");
  m_options.ToggleRhythm("B");
  m_options.ToggleRhythm("D");
  m_options.ToggleHarmony("V");
  m_options.ToggleHarmony("S");
  m_options.SetTempo("90");
  m_options.SetPCI("Com");
  m_options.TogglePianoInt();
  ASSERT_EQ(m_settings.SaveSettings(m_options), 0);
  EXPECT_EQ(ReadText(m_settings.Path()),
            "Note=AB\r\nScale=PMaj\r\nPlayMode=Clo\r\nRhythm=B\r\nHarmony=VS\r\n"
            "ForcePitch=Reg\r\nTempo=90\r\nHand=F\r\nMotive=B\r\nPianoInt=P\r\nPCI=Com\r\n");

  COptionSet loaded;
  loaded.SetDefaults();
  m_settings.LoadSettings(loaded);
  for (const auto getter : {&COptionSet::Note, &COptionSet::Scale, &COptionSet::PlayMode,
                            &COptionSet::Rhythm, &COptionSet::Harmony, &COptionSet::ForcePitch,
                            &COptionSet::Tempo, &COptionSet::Hand, &COptionSet::Motive,
                            &COptionSet::PianoInt, &COptionSet::PCI}) {
    EXPECT_EQ((loaded.*getter)(), (m_options.*getter)());
  }
}

TEST_F(SettingsFileTest, SaveToAnUnwritablePlaceReturnsOneAndWritesNothing) {
  m_options.SetDefaults();

  const CSettingsFile missingFolder(m_dir.File("absent/Vorsk.INI"));
  EXPECT_EQ(missingFolder.SaveSettings(m_options), 1);
  EXPECT_FALSE(platform::FileExists(m_dir.File("absent")));

  ASSERT_TRUE(platform::MakeFolder(m_settings.Path()));  // a folder in the file's place
  EXPECT_EQ(m_settings.SaveSettings(m_options), 1);
  EXPECT_EQ(platform::ListFolder(m_settings.Path(), ""), Strings{});

  // A full disk: the text cannot be stored, and the old file stays as it was.
  fixtures::FullDisk full(false);
  if (!full.Reason().empty()) GTEST_SKIP() << full.Reason();
  WriteText(full.File("Vorsk.INI"), "Note=E\r\n");
  ASSERT_TRUE(full.Fill());
  EXPECT_EQ(CSettingsFile(full.File("Vorsk.INI")).SaveSettings(m_options), 1);
  EXPECT_EQ(ReadText(full.File("Vorsk.INI")), "Note=E\r\n");
}

TEST_F(SettingsFileTest, SaveIntoReadOnlyFolderReturnsOne) {
  const std::string folder = m_dir.File("ro");
  fixtures::TmpfsMount mount(folder, 64, /*bReadOnly=*/true);  // refuses writes even to root
  if (!mount.Mounted()) GTEST_SKIP() << mount.Reason();
  m_options.SetDefaults();
  EXPECT_EQ(CSettingsFile(folder + "/Vorsk.INI").SaveSettings(m_options), 1);
  EXPECT_EQ(platform::ListFolder(folder, ""), Strings{});
}

}  // namespace
