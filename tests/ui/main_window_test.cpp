#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "platform/file_io.h"
#include "platform/mci.h"
#include "playback/playback_test_util.h"
#include "resources/resource_table.h"
#include "ui/board_layout.h"
#include "window_rig.h"

namespace {

using uitest::Rig;
using ui::Key;

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool Shown(Rig& rig, int id) { return rig.window.Control(id).bVisible; }

// A piece of seconds at tempo 60 with phraseCount phrases, ready for PLAY.
void GivePiece(Rig& rig, double seconds, int phraseCount) {
  CSession& session = rig.window.Session();
  session.m_strPiecePath = rig.program.File("piece.wav");
  playtest::WritePiece(session.m_strPiecePath, seconds);
  session.m_nPhraseCount = phraseCount;
  session.m_nPieceTempo = 60;
}

TEST(MainWindowClicks, HitTestSelectsOptionsOnlyInsideTheirRectangles) {
  struct Case {
    int x, y;
    std::string note, scale, tempo;
  } cases[] = {
      {170, 110, "C", "Maj", "60"},  // the corner of the "C" key
      {221, 110, "D", "Maj", "60"},  // the gap between C and C#: nothing
      {880, 190, "B", "Maj", "60"},
      {250, 200, "D", "Min", "60"},  // MINOR
      {600, 250, "D", "PMin", "60"},
      {880, 270, "D", "Maj", "90"},
      {881, 270, "D", "Maj", "60"},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.Init();
    rig.window.Options().SetNote("D");
    rig.window.OnLButtonDown(c.x, c.y);
    EXPECT_EQ(rig.window.Options().Note(), c.note) << c.x << "," << c.y;
    EXPECT_EQ(rig.window.Options().Scale(), c.scale) << c.x << "," << c.y;
    EXPECT_EQ(rig.window.Options().Tempo(), c.tempo) << c.x << "," << c.y;
  }
}

TEST(MainWindowClicks, OptionIndicatorsFollowTheClicks) {
  Rig rig;
  rig.Init();
  EXPECT_TRUE(Shown(rig, 1014));
  EXPECT_FALSE(Shown(rig, 1015));
  rig.Key('r');  // MINOR
  EXPECT_FALSE(Shown(rig, 1014));
  EXPECT_TRUE(Shown(rig, 1015));
  EXPECT_FALSE(Shown(rig, ui::kIntensityStrip));
  rig.Key('W');  // keyboard strip: PianoInt on shows the intensity strip
  EXPECT_EQ(rig.window.Options().PianoInt(), kPianoIntOn);
  EXPECT_TRUE(Shown(rig, ui::kIntensityStrip));
}

TEST(MainWindowClicks, OnlyTransportHelpManualAndViewActWhileNotIdle) {
  Rig rig;
  rig.Init();
  rig.window.Session().m_nPlaybackState = kStatePlaying;
  rig.window.OnLButtonDown(160, 200);  // MAJOR after MINOR was set below
  rig.window.OnLButtonDown(250, 200);  // MINOR: refused
  EXPECT_EQ(rig.window.Options().Scale(), "Maj");
  rig.window.OnLButtonDown(70, 60);  // HELP
  ASSERT_EQ(rig.host.urls.size(), 1u);
  EXPECT_EQ(rig.host.urls[0], "file://" + rig.folder + "/help/vorsk.html#context-20");
  rig.window.OnKeyDown(Key::F1);
  EXPECT_EQ(rig.host.urls.size(), 2u);
  rig.host.urlFailures[1]();  // no browser opened the page: a box names its file
  ASSERT_EQ(rig.boxes.shown.size(), 1u);
  EXPECT_EQ(rig.boxes.shown[0].rfind("Vorsk - Help|", 0), 0u);
  EXPECT_NE(rig.boxes.shown[0].find(rig.folder + "/help/vorsk.html"), std::string::npos) << rig.boxes.shown[0];
  rig.boxes.shown.clear();
  rig.Key('5');  // GENERATE refused: no lamp change, no run
  EXPECT_FALSE(Shown(rig, ui::kGenerate5Indicator));
  EXPECT_TRUE(rig.boxes.shown.empty());
}

TEST(MainWindowClicks, SchematicViewStaysOpenForSeeksAndClosesOnAnyOtherClick) {
  Rig rig;
  rig.Init();
  rig.Key('h');
  ASSERT_TRUE(rig.window.SchematicShown());
  EXPECT_TRUE(Shown(rig, ui::kSchematicView));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(rig.window.Panel(i).IsShown());
  EXPECT_TRUE(rig.window.Panel(2).IsPlaying()) << "hidden, not stopped";
  rig.window.OnLButtonDown(895, 300);  // PREV.
  rig.window.OnLButtonDown(965, 330);  // NEXT
  rig.window.OnKeyDown(Key::PageUp);
  EXPECT_TRUE(rig.window.SchematicShown());
  rig.window.OnLButtonDown(250, 200);  // MINOR: only closes the view
  EXPECT_FALSE(rig.window.SchematicShown());
  EXPECT_FALSE(Shown(rig, ui::kSchematicView));
  EXPECT_EQ(rig.window.Options().Scale(), "Maj");
  EXPECT_EQ(rig.window.Panel(2).IsShown(), rig.window.Panel(2).IsOpen());
}

TEST(MainWindowStatus, SaysWhyAGatedClickOrKeyDoesNothingAndWhenThePlayIsSilent) {
  const std::string before = "before";
  struct Case {
    int state;
    std::function<void(Rig&)> input;
    std::string status;
  } cases[] = {
      {kStatePlaying, [](Rig& r) { r.Key('r'); }, "Stop the player to change the options"},
      {kStatePaused, [](Rig& r) { r.window.OnKeyDown(Key::Right); }, "Stop the player to change the options"},
      {kStatePlaying, [](Rig& r) { r.window.OnLButtonDown(300, 30); }, "Stop the player to change the options"},
      {kStatePaused, [](Rig& r) { r.Key('5'); }, "Stop the player to generate"},
      {kStateGenerating, [](Rig& r) { r.Key('m'); }, "Wait for the piece (or STOP it) to change the options"},
      {kStateGenerating, [](Rig& r) { r.Key('1'); }, "A piece is being generated: wait for it, or STOP it"},
      {kStatePlaying, [](Rig& r) { r.window.OnLButtonDown(221, 110); }, before},  // between two keys
      {kStatePlaying, [](Rig& r) { r.Key('q'); }, before},                        // not gated
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.Init();
    rig.window.OnLButtonDown(845, 420);  // STOP: the status line says "Stopped."
    rig.window.Session().m_nPlaybackState = c.state;
    const std::string start = rig.window.StatusText();
    c.input(rig);
    EXPECT_EQ(rig.window.StatusText(), c.status == before ? start : c.status) << c.status;
  }
  for (const bool bSilent : {false, true}) {
    Rig rig;
    rig.Init();
    rig.window.SetSilentOutputCheck([bSilent] { return bSilent; });
    CSession& session = rig.window.Session();
    GivePiece(rig, 30, 2);
    rig.Key('y');
    ASSERT_EQ(session.m_nPlaybackState, kStatePlaying);
    EXPECT_EQ(rig.window.StatusText(), bSilent ? ui::kSilentOutputStatus : "Playing the piece.");
    rig.Key('u');
    rig.Key('u');  // resumed
    EXPECT_EQ(rig.window.StatusText(), bSilent ? ui::kSilentOutputStatus : "Playing the piece.");
  }
}

TEST(MainWindowManual, SchematicViewLeavesTheManualPictureAsTheManualIs) {
  for (const bool bManualOn : {false, true}) {
    Rig rig;
    rig.Init();
    if (bManualOn) rig.Key('q');
    rig.Key('h');
    rig.Key('h');
    EXPECT_EQ(Shown(rig, ui::kManualPicture), bManualOn);
    rig.Key('q');  // the next Q turns it the other way, visibly
    EXPECT_EQ(Shown(rig, ui::kManualPicture), !bManualOn);
    EXPECT_EQ(rig.window.ManualSeries() != ui::kSeriesOff, !bManualOn);
  }
}

TEST(MainWindowKeys, LettersArrowsAndDigits) {
  Rig rig;
  rig.Init();
  rig.window.Options().SetNote("B");
  rig.window.OnKeyDown(Key::Right);
  EXPECT_EQ(rig.window.Options().Note(), "B");
  rig.window.OnKeyDown(Key::Left);
  EXPECT_EQ(rig.window.Options().Note(), "AB");
  rig.window.Options().SetNote("C");
  rig.window.OnKeyDown(Key::Left);
  EXPECT_EQ(rig.window.Options().Note(), "C");
  rig.window.OnKeyDown(Key::Right);
  EXPECT_EQ(rig.window.Options().Note(), "CD");
  rig.window.OnKeyDown(Key::Down);
  EXPECT_EQ(rig.window.Options().Hand(), "R");
  rig.window.OnKeyDown(Key::Up);
  EXPECT_EQ(rig.window.Options().Hand(), "F");
  rig.Key('m');
  rig.Key('N');
  EXPECT_EQ(rig.window.Options().Scale(), "PMin");
  rig.window.OnKeyDown(Key::Return);  // the default button does nothing
  rig.Key('k');
  EXPECT_FALSE(rig.window.DialogEnded());
  rig.window.OnRButtonDown();
  EXPECT_EQ(rig.host.abouts, 1);
}

TEST(MainWindowKeys, OneAndFiveRunGenerateWithTheirLengths) {
  for (char key : {'1', '5'}) {
    Rig rig(false);  // no archives: the run stops at its archive check with a message
    rig.Init();
    rig.Key(key);
    EXPECT_EQ(rig.window.Options().GenerateLength(), key == '1' ? "15" : "5");
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].rfind("Vorsk - File Open Error|", 0), 0u);
    EXPECT_TRUE(Shown(rig, ui::kStatusLamp)) << "no piece: the lamp stays lit";
    EXPECT_FALSE(Shown(rig, ui::kGenerate5Indicator));
    EXPECT_FALSE(Shown(rig, ui::kGenerate15Indicator));
    EXPECT_GE(rig.host.repaints, 1);
  }
}

TEST(MainWindowKeys, GenerateMakesAPieceAndPutsTheLampOut) {
  Rig rig;
  rig.Init();
  rig.window.Options().SetHand("R");
  rig.Key('q');  // manual on: the generated series follows the run
  rig.Key('5');
  ASSERT_TRUE(rig.boxes.shown.empty()) << rig.boxes.shown[0];
  EXPECT_TRUE(Exists(rig.window.Session().m_strPiecePath));
  EXPECT_FALSE(Shown(rig, ui::kStatusLamp));
  EXPECT_EQ(rig.window.ManualSeries(), view::kSeriesGenerated);
  EXPECT_EQ(rig.window.ManualPage(), 1);
  EXPECT_NE(rig.window.StatusText().find("Piece ready"), std::string::npos);
}

TEST(MainWindowManual, QTwiceAndThePageWrap) {
  Rig rig;
  rig.Init();
  rig.Key('Q');
  EXPECT_EQ(rig.window.ManualSeries(), view::kSeriesIdle);
  EXPECT_EQ(rig.window.ManualPage(), 1);
  EXPECT_TRUE(Shown(rig, ui::kManualPicture));
  EXPECT_EQ(rig.window.Control(ui::kManualPicture).bitmap, 558);
  rig.Run(14 * ui::kManualPeriodMs);
  EXPECT_EQ(rig.window.ManualPage(), 15);
  EXPECT_EQ(rig.window.Control(ui::kManualPicture).bitmap, 557);
  rig.Run(ui::kManualPeriodMs);
  EXPECT_EQ(rig.window.ManualPage(), 1);
  rig.Key('q');
  EXPECT_EQ(rig.window.ManualSeries(), ui::kSeriesOff);
  EXPECT_FALSE(Shown(rig, ui::kManualPicture));
  rig.window.Session().m_nPlaybackState = kStatePaused;
  rig.Key('q');
  EXPECT_EQ(rig.window.ManualSeries(), view::kSeriesPaused);
  EXPECT_EQ(rig.window.Control(ui::kManualPicture).bitmap, 521);
}

// Start-up: the splash is up while the sounds and movies are unpacked and for kSplashMs, then
// the board comes up idle with its panels, the options of the settings file and the manual off.
// Shutdown: the piece's device closed, the panels gone, the unsaved session and the movies
// deleted (the sounds stay for the next start), the options written, no timer left.
TEST(MainWindowLifecycle, StartUpAndShutdownLeaveTheirEffects) {
  const char* const sounds[] = {"WAV_U.WAV", "WAV_01.WAV", "WAV_02.WAV", "WAV_03.WAV",
                                "WAV_04.WAV", "WAV_05.WAV", "WAV_06.WAV", "WAV_07.WAV",
                                "WAV_08.WAV", "WAV_09.WAV", "WAV_10.WAV", "WAV_11.WAV",
                                "WAV_12.WAV"};
  const char* const movies[] = {"mag.avi", "fan.avi", "VORSK_AVI.avi"};
  const bool bSounds = resources::FindResource(resources::kWave, 477).has_value();
  Rig rig;
  {
    std::ofstream ini(rig.folder + "/Vorsk.INI");
    ini << "Scale=Min\r\nTempo=90\r\n";
  }
  const std::string temp = rig.temp.Path() + "/vorsk-" + std::to_string(::getuid()) + "/";
  int unpackedWhenHidden = -1;
  rig.host.onHideSplash = [&] {
    unpackedWhenHidden = 0;
    for (const char* name : sounds) unpackedWhenHidden += Exists(temp + name) == bSounds;
    for (const char* name : movies) unpackedWhenHidden += Exists(temp + name);
  };
  rig.Init();
  EXPECT_EQ(rig.host.splashShownAt, 1000);
  EXPECT_EQ(rig.host.waitedUntil, 1000 + ui::kSplashMs);
  EXPECT_EQ(unpackedWhenHidden, 16) << "everything unpacked behind the splash";
  EXPECT_FALSE(rig.host.bSplash);
  EXPECT_EQ(rig.host.icon, ui::kIconBitmap);
  EXPECT_EQ(rig.host.background, ui::kBoardBitmap);
  struct stat st {};
  ASSERT_EQ(::stat(temp.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(rig.window.Panel(i).IsOpen()) << i;
    EXPECT_EQ(rig.window.Panel(i).IsPlaying(), i == 2) << i;
  }
  EXPECT_EQ(rig.window.Options().Scale(), "Min");  // from the settings file
  EXPECT_EQ(rig.window.Options().Tempo(), "90");
  EXPECT_EQ(rig.window.Options().Note(), "C");  // the default
  EXPECT_FALSE(Shown(rig, ui::kIntensityStrip));
  EXPECT_EQ(rig.window.Control(view::kGenerationProgress).upper, 100);
  EXPECT_EQ(rig.window.Session().m_nPlaybackState, kStateIdle);
  EXPECT_EQ(rig.window.Session().m_strSessionName, "");
  EXPECT_EQ(rig.window.StatusText(), "Ready. Choose the options, then GENERATE.");
  EXPECT_EQ(rig.window.ManualSeries(), ui::kSeriesOff);
  EXPECT_FALSE(Shown(rig, ui::kManualPicture));
  EXPECT_TRUE(rig.mm.Timers().IsRunning(kManualTimerId));

  // An unsaved piece playing at the moment of shutdown.
  rig.window.Options().SetHand("R");
  rig.Key('5');
  ASSERT_TRUE(rig.boxes.shown.empty()) << rig.boxes.shown[0];
  const std::string prefix = rig.window.Session().m_strSessionPrefix;
  ASSERT_TRUE(Exists(prefix + "Mix.wav"));
  rig.Key('y');
  rig.Run(500);
  ASSERT_EQ(rig.window.Session().m_nPlaybackState, kStatePlaying);
  rig.window.Options().SetNote("E");
  rig.window.OnDestroy();
  char text[64];
  EXPECT_EQ(platform::MciSendString("status vk position wait", text, sizeof text),
            platform::kMciErrNotOpen);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(rig.window.Panel(i).IsOpen()) << i;
    EXPECT_FALSE(rig.window.Panel(i).IsCreated()) << i;
  }
  EXPECT_TRUE(platform::ListFolder(rig.window.Session().m_strArchiveFolder, "").empty());
  for (const char* name : movies) EXPECT_FALSE(Exists(temp + name)) << name;
  for (const char* name : sounds) EXPECT_EQ(Exists(temp + name), bSounds) << name;
  std::ifstream in(rig.folder + "/Vorsk.INI");
  std::stringstream ini;
  ini << in.rdbuf();
  EXPECT_NE(ini.str().find("Note=E"), std::string::npos) << ini.str();
  EXPECT_FALSE(rig.mm.Timers().IsRunning(kManualTimerId));
  EXPECT_FALSE(rig.mm.Timers().IsRunning(kPlaybackTimerId));
}

TEST(MainWindowLifecycle, TemporaryFolderOfAnotherOwnerOrOpenModeIsRefused) {
  fixtures::ScratchDir base;
  const std::string mine = ui::UserTempFolder(base.Path() + "/");
  EXPECT_EQ(mine, base.Path() + "/vorsk-" + std::to_string(::getuid()) + "/");
  ::chmod(mine.c_str(), 0755);
  EXPECT_EQ(ui::UserTempFolder(base.Path() + "/"), "");
  ::rmdir(mine.c_str());
  ASSERT_EQ(::symlink(base.Path().c_str(), mine.substr(0, mine.size() - 1).c_str()), 0);
  EXPECT_EQ(ui::UserTempFolder(base.Path() + "/"), "") << "a symlink is not the folder";
}

TEST(MainWindowLifecycle, SettingsSurviveARestart) {
  fixtures::ScratchDir program;
  {
    Rig rig(false, program.Path());
    rig.Init();
    rig.Key('r');
    rig.Key('9');
    rig.Key('w');
    rig.window.OnDestroy();
  }
  std::ifstream in(program.File("Vorsk.INI"));
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Scale=Min"), std::string::npos) << text.str();
  Rig rig(false, program.Path());
  rig.Init();
  EXPECT_EQ(rig.window.Options().Scale(), "Min");
  EXPECT_EQ(rig.window.Options().Tempo(), "90");
  EXPECT_TRUE(Shown(rig, 1015));
  EXPECT_TRUE(Shown(rig, ui::kIntensityStrip));
}

// What the window cannot use it says once in the status line: a settings file it refuses
// (which it then leaves as it is at exit) and a private folder it may not use.
TEST(MainWindowLifecycle, ARefusedSettingsFileOrPrivateFolderIsToldInTheStatusLine) {
  {
    fixtures::ScratchDir program;
    ASSERT_EQ(::mkfifo(program.File("Vorsk.INI").c_str(), 0644), 0);
    Rig rig(false, program.Path());
    rig.Init();
    EXPECT_NE(rig.window.StatusText().find("Vorsk.INI was not read (Not a regular file)"), std::string::npos)
        << rig.window.StatusText();
    EXPECT_EQ(rig.window.Options().Tempo(), "60");
    rig.window.OnDestroy();
    struct stat st {};
    ASSERT_EQ(::lstat(program.File("Vorsk.INI").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
  }
  Rig rig(false);
  const std::string folder = rig.temp.Path() + "/vorsk-" + std::to_string(::getuid());
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);  // open to others: refused
  rig.Init();
  EXPECT_NE(rig.window.StatusText().find("no preview sounds and animations"), std::string::npos)
      << rig.window.StatusText();
}

// An installed copy: help from the data folder, pieces into the music folder, the settings
// into a configuration folder that is made with its parents on the way out.
TEST(MainWindowLifecycle, InstalledCopyKeepsToItsPlaces) {
  fixtures::ScratchDir root;
  platform::Places places;
  places.bInstalled = true;
  places.strProgramFolder = root.File("usr/bin");
  places.strDataFolder = root.File("usr/share/vorsk");
  places.strArchiveFolder = root.File("home/Music/Vorsk/");
  places.strSettingsFolder = root.File("home/.config/vorsk");
  ASSERT_TRUE(platform::MakeFolders(places.strDataFolder));
  uitest::LinkArchives(places.strDataFolder);
  {
    Rig rig(false, places.strProgramFolder, &places);
    rig.Init();
    rig.window.Options().SetHand("R");
    rig.Key('9');
    rig.window.OnKeyDown(Key::F1);
    EXPECT_EQ(rig.host.urls.at(0), "file://" + places.strDataFolder + "/help/vorsk.html#context-20");
    rig.Key('5');
    ASSERT_TRUE(rig.boxes.shown.empty()) << rig.boxes.shown[0];
    EXPECT_EQ(rig.window.Session().m_strPiecePath.rfind(places.strArchiveFolder, 0), 0u);
    rig.Key('s');
    rig.window.OnDestroy();
  }
  EXPECT_EQ(platform::ListFolder(places.strArchiveFolder, "").size(), 3u);
  std::ifstream in(places.SettingsPath());
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Tempo=90"), std::string::npos) << places.SettingsPath();
  EXPECT_FALSE(platform::FileExists(places.strProgramFolder));
}

TEST(MainWindowLifecycle, ExitEndsCleanlyFromEveryPlaybackState) {
  for (int state : {kStateIdle, kStatePlaying, kStatePaused}) {
    Rig rig;
    rig.Init();
    CSession& session = rig.window.Session();
    GivePiece(rig, 30, 2);
    if (state != kStateIdle) rig.Key('y');
    if (state == kStatePaused) rig.Key('u');
    rig.Run(500);
    ASSERT_EQ(session.m_nPlaybackState, state);
    rig.Key('x');
    EXPECT_TRUE(rig.window.DialogEnded());
    EXPECT_EQ(rig.window.DialogResult(), ui::kResultExit);
    rig.window.OnDestroy();
    char text[64];
    EXPECT_EQ(platform::MciSendString("status vk position wait", text, sizeof text),
              platform::kMciErrNotOpen);
    EXPECT_TRUE(Exists(rig.folder + "/Vorsk.INI"));
  }
}

// During playback Page Up is NEXT and Page Down PREV.; a jump supersedes the play under way,
// and only the real end of the piece says so on the status line.
TEST(MainWindowPlayback, PageKeysJumpByPhraseAndOnlyTheEndSaysThePieceHasEnded) {
  Rig rig;
  rig.Init();
  CSession& session = rig.window.Session();
  GivePiece(rig, 100.5, 3);  // three phrases of 32 s after the lead-in
  rig.Key('y');
  rig.Run(40000);
  ASSERT_EQ(rig.window.Player().ShownPhrase(), 2);
  const struct {
    Key key;
    int phrase;
  } steps[] = {{Key::PageUp, 3}, {Key::PageDown, 2}, {Key::PageDown, 1}, {Key::PageUp, 2}};
  for (const auto& step : steps) {
    rig.window.OnKeyDown(step.key);
    rig.Run(300);
    EXPECT_EQ(rig.window.Player().ShownPhrase(), step.phrase);
    EXPECT_EQ(session.m_nPlaybackState, kStatePlaying);
    EXPECT_EQ(rig.window.StatusText(), "Playing the piece.");
  }
  rig.Run(70000);
  EXPECT_EQ(session.m_nPlaybackState, kStateIdle);
  EXPECT_EQ(rig.window.StatusText(), "The piece has ended.");
}

// Acts at the n-th pump of a running GENERATE, as a click arriving meanwhile.
struct ActAtPump : platform::IMessagePump {
  std::function<void()> act;
  int n;
  int calls = 0;
  ActAtPump(int at, std::function<void()> a) : act(std::move(a)), n(at) {}
  void PumpOneMessage() override {
    if (++calls == n) act();
  }
};

TEST(MainWindowLifecycle, ExitOrEscDuringGenerateCancelsTheRunAndEnds) {
  for (Key key : {Key::Other, Key::Escape}) {
    Rig rig;
    rig.Init();
    ActAtPump pump(3, [&] { rig.window.OnKeyDown(key, key == Key::Other ? 'X' : 0); });
    platform::SetMessagePump(&pump);
    rig.Key('5');
    EXPECT_TRUE(rig.window.DialogEnded());
    EXPECT_EQ(rig.window.DialogResult(), key == Key::Other ? ui::kResultExit : ui::kResultCancel);
    EXPECT_EQ(rig.window.Session().m_nPlaybackState, kStateIdle);
    EXPECT_EQ(rig.window.Session().m_strSessionName, "");
    EXPECT_TRUE(rig.window.Session().m_strPiecePath.empty());
    EXPECT_TRUE(Shown(rig, ui::kStatusLamp));
    rig.window.OnDestroy();
    platform::SetMessagePump(nullptr);
  }
}

}  // namespace
