// The pipeline against hostile conditions: damaged archives, full and read-only file systems
// (real tmpfs mounts), runs in the same second, runs killed outright; and every wave file it
// writes read back strictly.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iterator>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "session/generate_test_util.h"
#include "session/session_files.h"
#include "session/session_runs.h"
#include "session/stop_generation.h"

namespace {

using gentest::Rig;
using Strings = std::vector<std::string>;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Replaces a linked archive by a file of the given size (sparse: only the size is checked).
void ReplaceArchive(const std::string& path, long long size) {
  ::unlink(path.c_str());
  platform::FileHandle h = platform::CreateAlways(path);
  platform::SetFileSize(h, size);
  platform::CloseFile(h);
}

long long CatalogSize(int archive) {
  const CSampleCatalog catalog;
  return catalog.Archives()[static_cast<size_t>(archive)].group->TotalSize();
}

TEST(GenerateSafety, DamagedArchiveStopsBeforeAnythingChangesAndNamesTheFile) {
  struct Case {
    int archive;
    long long delta;  // size change; -size gives an empty file
  };
  for (const Case c : {Case{1, -1000}, Case{2, -CatalogSize(2)}, Case{0, +2}, Case{3, -2}, Case{4, -2}}) {
    SCOPED_TRACE(c.archive);
    Rig rig;
    const std::string name = CSampleCatalog().Archives()[static_cast<size_t>(c.archive)].fileName;
    ReplaceArchive(rig.programDir.File(name), CatalogSize(c.archive) + c.delta);
    EXPECT_EQ(rig.Generate(), kGenerateStopped);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    const std::string path = rig.programDir.File(name);
    EXPECT_TRUE(Contains(rig.boxes.shown[0].text, "Damaged sample file: " + path + " (")) << rig.boxes.shown[0].text;
    EXPECT_TRUE(Contains(rig.boxes.shown[0].text, "Please reinstall the application.")) << rig.boxes.shown[0].text;
    EXPECT_EQ(rig.boxes.shown[0].caption, "Vorsk - File Open Error");
    EXPECT_EQ(rig.ArchiveFiles(), Strings{});
    EXPECT_EQ(rig.session.m_nPlaybackState, kStateIdle);
  }
  // A pipe in an archive's place is refused with the cause, without waiting for a writer.
  Rig rig;
  const std::string pipe = rig.programDir.File("Data1.dat");
  ::unlink(pipe.c_str());
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  EXPECT_EQ(rig.Generate(), kGenerateStopped);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text, "Can't open sample file: " + pipe +
                                         " (Not a regular file).\nPlease reinstall the application.");
}

// A file system that fills up somewhere in the run, in the session folder or in the temporary
// folder: one message naming a file there and the cause, and nothing of the session is left.
TEST(GenerateSafety, FullDiskFailsWithTheCauseAndLeavesNothing) {
  struct Case {
    bool bTempFolder;  // the small file system holds the voice files, else the session
    long sizeKb;
  };
  // A 1-minute piece: each track file is 5.7 MB.
  for (const Case c : {Case{false, 64}, Case{false, 6000}, Case{false, 12000}, Case{false, 16000},
                       Case{true, 64}, Case{true, 6000}, Case{true, 12000}}) {
    SCOPED_TRACE(std::string(c.bTempFolder ? "temp " : "session ") + std::to_string(c.sizeKb) + " KB");
    Rig rig;
    rig.Tracks("F", "D", "");
    const std::string small = rig.tempDir.File("small");
    fixtures::TmpfsMount mount(small, c.sizeKb);
    if (!mount.Mounted()) GTEST_SKIP() << mount.Reason();
    if (c.bTempFolder) {
      theComposer.m_strTempDir = small + "/";
    } else {
      rig.session.m_strArchiveOverride = small;
    }
    const int descriptors = gentest::OpenDescriptors();
    EXPECT_EQ(rig.Generate(), kGenerateStopped);
    EXPECT_EQ(gentest::OpenDescriptors(), descriptors);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    const std::string& text = rig.boxes.shown[0].text;
    EXPECT_TRUE(Contains(text, "No space left on device")) << text;
    EXPECT_TRUE(Contains(text, small + "/")) << text;
    EXPECT_EQ(rig.boxes.shown[0].caption, "Vorsk - Error");
    EXPECT_EQ(platform::ListFolder(small, ""), Strings{});
    EXPECT_EQ(rig.TempFiles(), Strings{"small"});
    EXPECT_EQ(rig.session.m_strSessionName, "");
    EXPECT_EQ(rig.session.m_strPiecePath, "");
  }
}

TEST(GenerateSafety, ReadOnlySessionFolderFailsWithTheCause) {
  Rig rig;
  const std::string folder = rig.tempDir.File("ro");
  fixtures::TmpfsMount mount(folder, 64, /*bReadOnly=*/true);
  if (!mount.Mounted()) GTEST_SKIP() << mount.Reason();
  rig.session.m_strArchiveOverride = folder;
  EXPECT_EQ(rig.Generate(), kGenerateStopped);
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].text,
            "Can't create the session log in folder: " + folder + "/\nRead-only file system.");
}

// The disk check asks the session folder and the temporary folder for what this run needs.
TEST(GenerateSafety, DiskNeedFollowsLengthTempoAndTracks) {
  struct Case {
    const char *length, *tempo, *hand, *rhythm;
    unsigned long long sessionMb, tempMb;
  };
  const Case cases[] = {
      // 16 bars at tempo 60: 5.7 MB per track file.
      {"1", "60", "F", "D", 17, 17},
      {"1", "60", "R", "", 17, 11},
      // 5 minutes: 80 bars, 27 MB per file; 15 minutes: 232 bars (344 at tempo 90), 78 MB.
      {"5", "60", "F", "D", 82, 82},
      {"15", "60", "F", "D", 235, 235},
      {"15", "90", "F", "D", 232, 232},
      {"60", "60", "F", "D", 913, 913},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.length) + " min at " + c.tempo);
    COptionSet options;
    options.SetDefaults();
    options.SetGenerateLength(c.length);
    options.SetTempo(c.tempo);
    options.SetHand(c.hand);
    gentest::SetLetters(options, true, c.rhythm);
    const DiskNeed need = DiskNeedFor(options);
    EXPECT_EQ(need.sessionMb, c.sessionMb);
    EXPECT_EQ(need.tempMb, c.tempMb);
  }
  // Stems: one more track file for each track the options make (melody, three of Hand F, two
  // of Rhythm D, one each for B, S and V).
  COptionSet options;
  options.SetDefaults();
  options.SetGenerateLength("1");
  EXPECT_EQ(DiskNeedFor(options, true).sessionMb, 50u);  // 3 + 6 files of 5.4 MiB
  gentest::SetLetters(options, true, "BD");
  gentest::SetLetters(options, false, "SV");
  EXPECT_EQ(DiskNeedFor(options, true).sessionMb, 66u);  // 3 + 9 files
  EXPECT_EQ(DiskNeedFor(options, false).sessionMb, 17u);
}

TEST(GenerateSafety, DiskCheckAsksBothFoldersAndKeepsTheFloorsOfFiveAndFifteen) {
  struct Case {
    const char* length;
    unsigned long long freeMb;
    bool bStarts;
    const char* need;
  };
  // Session and temporary folder share the rig's file system: their needs add up, and "5"
  // and "15" never ask for less than 162 and 486 MB.
  const Case cases[] = {{"1", 0, false, "Need: 28 MB"}, {"1", 27, false, "Need: 28 MB"}, {"1", 28, true, ""},
                        {"5", 161, false, "Need: 162 MB"}, {"5", 162, true, ""},
                        {"15", 485, false, "Need: 486 MB"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.length) + " min, free " + std::to_string(c.freeMb));
    Rig rig;
    rig.Tracks("R", "", "");
    rig.options.SetGenerateLength(c.length);
    Strings asked;
    rig.session.m_diskFree = [&](const std::string& path, unsigned long long& mb) {
      asked.push_back(path);
      mb = c.freeMb;
      return true;
    };
    EXPECT_EQ(rig.Generate() == kGenerateOk, c.bStarts);
    EXPECT_EQ(asked.front(), rig.ArchiveFolder());
    if (!c.bStarts) {
      ASSERT_EQ(rig.boxes.shown.size(), 1u);
      EXPECT_TRUE(Contains(rig.boxes.shown[0].text, c.need)) << rig.boxes.shown[0].text;
      EXPECT_TRUE(Contains(rig.boxes.shown[0].text, "Folder: " + rig.ArchiveFolder())) << rig.boxes.shown[0].text;
    }
  }
}

// Same-second runs never share a name; a cancelled one never touches another's files.
TEST(GenerateSafety, RunsInOneSecondGetTheirOwnNames) {
  Rig rig;
  rig.Tracks("R", "", "");
  const std::string first = rig.SessionNameNow();
  ASSERT_EQ(rig.Generate(), kGenerateOk);
  SaveSession(rig.session);
  // Another process holds the next second's name.
  rig.NextSecond();
  const std::string taken = rig.SessionNameNow();
  fixtures::WriteAll(rig.ArchiveFolder() + taken + kRunMarkerName, {'1', '\n'});
  rig.clock.Set(rig.clock.Now() - 1);

  ASSERT_EQ(rig.Generate(), kGenerateOk);
  const std::string second = rig.SessionNameNow();  // two seconds on: the run waited twice
  EXPECT_EQ(rig.session.m_strSessionName, second);
  SaveSession(rig.session);

  // Cancelled in the same second as the saved runs: it takes yet another name and removes
  // only its own files.
  rig.clock.Set(rig.clock.Now() - 2);  // the first run's second again
  EXPECT_EQ(rig.Generate([&](int k) {
              if (k == 3) PressStop(rig.session);
            }),
            kGenerateStopped);
  EXPECT_EQ(rig.ArchiveFiles(), (Strings{first + "Mix.wav", first + "Piano.wav", first + "log.txt",
                                         taken + kRunMarkerName, second + "Mix.wav",
                                         second + "Piano.wav", second + "log.txt"}));
}

// A run marks its session as in progress with its process id until it ends; what a run killed
// outright left is removed by the next run, what a live run holds is not.
// Only a well-formed marker naming a process that is gone, or a malformed one older than a
// minute, gets its session swept: a live run's marker is empty for a moment.
TEST(GenerateSafety, NextRunRemovesSessionsOfRunsThatAreGone) {
  Rig rig;
  rig.Tracks("R", "", "");
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  ASSERT_TRUE(platform::MakeFolder(rig.ArchiveFolder()));
  struct Marker {
    std::string text;
    bool bOld;      // last written two minutes ago
    bool bRemoved;
  };
  const Marker markers[] = {
      {std::to_string(child) + "\n", false, true},
      {std::to_string(::getpid()) + "\n", true, false},
      {"", false, false},
      {"", true, true},
      {"abc", false, false},
      {"99999999999999999999\n", false, false},  // never read as kill(-1, 0)
      {"99999999999999999999\n", true, true},
      {"-1\n", true, true},
  };
  std::vector<std::string> prefixes;
  for (size_t i = 0; i < std::size(markers); ++i) {
    const std::string prefix = rig.ArchiveFolder() + "010101_00000" + std::to_string(i) + "_";
    for (const char* name : {"log.txt", "Piano.wav", "tmp.wav"}) fixtures::WriteAll(prefix + name, {1});
    // The fresh file of a log replacement the run did not finish.
    fixtures::WriteAll(rig.ArchiveFolder() + ".010101_00000" + std::to_string(i) + "_log.txt.AbC123", {1});
    const std::string& text = markers[i].text;
    fixtures::WriteAll(prefix + kRunMarkerName, std::vector<unsigned char>(text.begin(), text.end()));
    if (markers[i].bOld) {
      const timeval twoMinutesAgo[2] = {{platform::Now() - 120, 0}, {platform::Now() - 120, 0}};
      ASSERT_EQ(::utimes((prefix + kRunMarkerName).c_str(), twoMinutesAgo), 0);
    }
  }

  std::string markerDuringRun;
  ASSERT_EQ(rig.Generate([&](int k) {
              if (k == 1) markerDuringRun = rig.session.m_strSessionPrefix + kRunMarkerName;
            }),
            kGenerateOk);
  for (size_t i = 0; i < std::size(markers); ++i) {
    SCOPED_TRACE(markers[i].text + (markers[i].bOld ? " (old)" : ""));
    EXPECT_EQ(rig.ArchiveFiles("010101_00000" + std::to_string(i) + "_").size(), markers[i].bRemoved ? 0u : 4u);
    EXPECT_EQ(rig.ArchiveFiles(".010101_00000" + std::to_string(i) + "_").size(), markers[i].bRemoved ? 0u : 1u);
  }
  ASSERT_FALSE(markerDuringRun.empty());
  EXPECT_FALSE(platform::FileExists(markerDuringRun));  // the finished run's marker is gone
  EXPECT_EQ(rig.ArchiveFiles(rig.session.m_strSessionName),
            (Strings{rig.session.m_strSessionName + "Mix.wav", rig.session.m_strSessionName + "Piano.wav",
                     rig.session.m_strSessionName + "log.txt"}));
}

// Every wave file of a session holds exactly what its header announces, whole samples, and
// libsndfile reads it without a word of complaint.
TEST(GenerateSafety, WaveFilesHoldExactlyWhatTheirHeadersSay) {
  for (const char* tempo : {"60", "90"}) {
    SCOPED_TRACE(tempo);
    Rig rig;
    rig.Tracks("F", "D", "SV");
    rig.options.SetTempo(tempo);
    ASSERT_EQ(rig.Generate(), kGenerateOk);
    for (const char* name : {"Piano.wav", "Mix.wav"}) {
      SCOPED_TRACE(name);
      const std::string path = rig.session.m_strSessionPrefix + name;
      const auto bytes = fixtures::ReadAll(path);
      ASSERT_GT(bytes.size(), 44u);
      const uint32_t data = Le32(bytes, 40);
      EXPECT_EQ(data % 2, 0u);
      EXPECT_EQ(Le32(bytes, 4), data + 36);
      EXPECT_EQ(bytes.size(), 44u + data);

      SF_INFO info {};
      SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
      ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
      EXPECT_EQ(info.frames, static_cast<sf_count_t>(data / 2));
      EXPECT_EQ(info.samplerate, 44100);
      EXPECT_EQ(info.channels, 1);
      char log[4096] = {};
      sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
      const std::string text = log;
      EXPECT_FALSE(Contains(text, "arning") || Contains(text, "should") || Contains(text, "rror")) << text;
      sf_close(file);
    }
  }
}

}  // namespace
