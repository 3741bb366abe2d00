#include "session/generate.h"

#include <cstdio>
#include <string>

#include "compose/composer.h"
#include "options/option_set.h"
#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/mci.h"
#include "platform/message_box.h"
#include "session/session_files.h"
#include "session/session_state.h"
#include "session/stop_generation.h"
#include "session/track_mixer.h"

namespace {

constexpr const char* kSessionNameFormat = "%y%m%d_%H%M%S_";
constexpr int kArchiveChecks = 5;  // data0.dat .. data4.dat
constexpr int kCancelled = -1;     // renderer and mixer result after STOP or EXIT

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

std::string Printf(const char* format, const std::string& text) {
  char buffer[1024];
  std::snprintf(buffer, sizeof buffer, format, text.c_str());
  return buffer;
}

// The session values as they were before a run replaced them.
struct PreviousSession {
  std::string name, prefix, archiveFolder;
  bool bSessionUnsaved = false, bLogUnsaved = false;
};

// Steps 13 to 18: renderers, mixes and the finish, over one session. Each cancelled step
// deletes its own voice or track files and leaves through AbortGenerate.
class CTrackRun {
 public:
  explicit CTrackRun(CSession& session)
      : m_s(session),
        m_board(session.View()),
        m_c(theComposer),
        m_data(session.m_strProgramFolder + "/"),
        m_mix(session.m_strSessionPrefix + "Mix.wav"),
        m_piano(session.m_strSessionPrefix + "Piano.wav"),
        m_scratch(session.m_strSessionPrefix + "tmp.wav") {}

  // 0 when every track was made, 1 when the run was cancelled (the abort exit has run).
  int Run() {
    const COptionSet& options = m_s.Options();
    if (!PianoTrack()) return 1;
    if (options.Hand() == "F") {
      m_c.RewindPlan();
      if (!TwoVoiceTrack(&CComposer::RenderTA, "Data3.dat", m_c.m_strTempTA, false)) return 1;
      m_c.RewindPlan();
      if (!LowPianoTrack()) return 1;
      m_c.RewindPlan();
      if (!TwoVoiceTrack(&CComposer::RenderCH, "Data1.dat", m_c.m_strTempCH, false)) return 1;
    }
    if (Contains(options.Rhythm(), "D")) {
      m_c.RewindPlan();
      if (!TwoVoiceTrack(&CComposer::RenderDL, "Data2.dat", m_c.m_strTempDL, false)) return 1;
      m_c.RewindPlan();
      if (!TwoVoiceTrack(&CComposer::RenderTF, "Data3.dat", m_c.m_strTempTF, true)) return 1;
    }
    return 0;
  }

 private:
  void Advance() { m_board.StepProgress(view::kGenerationProgress); }
  // A step was cancelled when it says so, or when STOP or EXIT set the composer's flag while it
  // ran: a cancel inside the copy of two silent voices comes back from MixTracks as 8.
  static bool Cancelled(int result) { return result == kCancelled || theComposer.m_bAbort != 0; }
  bool Abort() {
    AbortGenerate(m_s);
    return false;
  }
  static void Delete(const std::string& path) {
    if (!path.empty()) platform::DeleteFile(path);
  }
  // A renderer names all of its temporary files before it writes any (the third of a
  // two-voice track is left empty for the mix), so a cancelled track removes all of them.
  static void DeleteAll(std::string (&temps)[3]) {
    for (const std::string& path : temps) Delete(path);
  }

  // The piano motive track: its two voices become "Piano.wav", which the piece starts as.
  bool PianoTrack() {
    const int rendered = m_c.RenderTP(m_data + "Data0.dat");
    Advance();
    if (Cancelled(rendered)) {
      Delete(m_c.m_strTempTP[0]);
      Delete(m_c.m_strTempTP[1]);
      return Abort();
    }
    const int mixed = theMixer.MixTracks(m_piano, m_c.m_strTempTP[0], m_c.m_strTempTP[1], m_scratch);
    Delete(m_c.m_strTempTP[0]);
    Delete(m_c.m_strTempTP[1]);
    if (Cancelled(mixed)) return Abort();
    Advance();
    if (Cancelled(theMixer.CopyWaveFile(m_piano, m_mix))) return Abort();
    Advance();
    return true;
  }

  // Renders a track of two voices, mixes them into temps[2] and that into the piece.
  bool TwoVoiceTrack(int (CComposer::*render)(const std::string&), const char* archive,
                     std::string (&temps)[3], bool bShowResult) {
    const int rendered = (m_c.*render)(m_data + archive);
    if (Cancelled(rendered)) {
      DeleteAll(temps);
      return Abort();
    }
    Advance();
    if (bShowResult && rendered > 0) {
      char text[32];
      std::snprintf(text, sizeof text, "TF Error %d", rendered);
      platform::MessageBox(text, "Vorsk - Error", platform::MbIcon::Information);
    }
    const int voices = theMixer.MixTracks(temps[2], temps[0], temps[1], m_scratch);
    Delete(temps[0]);
    Delete(temps[1]);
    if (Cancelled(voices)) {
      Delete(temps[2]);
      return Abort();
    }
    Advance();
    return MixIntoPiece(temps[2]);
  }

  // The low piano notes: one voice, mixed straight into the piece.
  bool LowPianoTrack() {
    if (Cancelled(m_c.RenderPP(m_data + "Data3.dat"))) {
      Delete(m_c.m_strTempPP);
      return Abort();
    }
    Advance();
    return MixIntoPiece(m_c.m_strTempPP);
  }

  bool MixIntoPiece(const std::string& track) {
    const int mixed = theMixer.MixTracks(m_mix, m_mix, track, m_scratch);
    Delete(track);
    if (Cancelled(mixed)) return Abort();
    Advance();
    return true;
  }

  CSession& m_s;
  IGenerateView& m_board;
  CComposer& m_c;
  const std::string m_data;  // program folder + "/"
  const std::string m_mix, m_piano, m_scratch;
};

// Step 2. False (after the message) when the program folder has less room than the piece needs;
// a failed query or one that reports 0 MB lets the run go on.
bool EnoughDiskSpace(CSession& s) {
  unsigned long long freeMb = 0;
  if (!s.m_diskFree || !s.m_diskFree(s.m_strProgramFolder, freeMb) || freeMb == 0) return true;
  const unsigned long long needMb =
      s.Options().GenerateLength() == "5" ? kNeedMegabytesShort : kNeedMegabytesLong;
  if (freeMb >= needMb) return true;
  char text[128];
  std::snprintf(text, sizeof text, "Not enough space on disk.\nFree: %llu MB\nNeed: %llu MB", freeMb, needMb);
  platform::MessageBox(text, "Vorsk - Not enough space on disk", platform::MbIcon::Error);
  return false;
}

// Step 3: the playback displays go, and the piece player lets go of its file.
void ClearPlaybackDisplay(IGenerateView& board) {
  board.LockUpdates();
  for (const int id : view::kTimeDigits) board.ShowControl(id, false);
  for (const int id : view::kPhraseDigits) board.ShowControl(id, false);
  board.UnlockUpdates();
  board.StopAnimation(view::Panel::Playback);
  board.ShowControl(view::kStopIndicator, false);
  platform::MciSendString("close vk wait");
}

// Step 4. False (after the message) at the first of data0.dat .. data4.dat that cannot be
// opened; names are matched without regard to case.
bool ArchivesPresent(const CSession& s) {
  for (int i = 0; i < kArchiveChecks; ++i) {
    const std::string path = s.m_strProgramFolder + "/data" + std::to_string(i) + ".dat";
    platform::FileHandle h = platform::OpenExisting(path);
    if (!platform::IsOpen(h)) {
      platform::MessageBox(Printf("Can't open sample file: %s.\nPlease reinstall the application.", path),
                           "Vorsk - File Open Error", platform::MbIcon::Error);
      return false;
    }
    platform::CloseFile(h);
  }
  return true;
}

// Ends a run that made no piece although nobody cancelled it: the bar and the animation go,
// the board returns to idle.
void EndFailedRun(CSession& s) {
  IGenerateView& board = s.View();
  board.ShowControl(view::kGenerationProgress, false);
  board.StopAnimation(view::Panel::Generation);
  s.m_nPlaybackState = kStateIdle;
  board.ShowControl(view::kStopIndicator, true);
}

// Compose could not create the log, so nothing was composed and no file of the new session
// exists. The previous session's values come back when its files are still there (it had
// been saved whole, or there was none); when the clean-up of step 6 removed them, no session
// is left.
int FailOnLog(CSession& s, const PreviousSession& before) {
  platform::MessageBox(Printf("Can't create the session log in folder: %s\n"
                              "Please check that the folder exists and can be written.",
                              s.m_strArchiveFolder),
                       "Vorsk - Error", platform::MbIcon::Error);
  EndFailedRun(s);
  s.m_strArchiveFolder = before.archiveFolder;
  s.m_strSessionPrefix = before.prefix;
  s.m_bSessionUnsaved = before.bSessionUnsaved;
  s.m_bLogUnsaved = before.bLogUnsaved;
  s.m_strSessionName = before.bSessionUnsaved ? std::string() : before.name;
  return 1;
}

// Every track was made but the piece file is not there (the disk refused it): no session.
int FailOnPiece(CSession& s, const std::string& piece) {
  platform::MessageBox(Printf("Can't write file: %s.\nThe piece was not made.", piece),
                       "Vorsk - Error", platform::MbIcon::Error);
  EndFailedRun(s);
  DeleteSessionFiles(s);
  s.m_strSessionName.clear();
  return 1;
}

bool IsReadableFile(const std::string& path) {
  platform::FileHandle h = platform::OpenExisting(path);
  if (!platform::IsOpen(h)) return false;
  platform::CloseFile(h);
  return true;
}

// Range of the generation progress bar: 5, + 8 for Hand "F", + 6 for Rhythm with "D", + 3 each
// for "B" in Rhythm and "S" and "V" in Harmony. Only the steps of the tracks advance it, so with
// B, S or V the bar never reaches its end.
int GenerationProgressRange(const COptionSet& options) {
  int range = 5;
  if (options.Hand() == "F") range += 8;
  if (Contains(options.Rhythm(), "D")) range += 6;
  if (Contains(options.Rhythm(), "B")) range += 3;
  if (Contains(options.Harmony(), "S")) range += 3;
  if (Contains(options.Harmony(), "V")) range += 3;
  return range;
}

}  // namespace

int Generate(CSession& s) {
  IGenerateView& board = s.View();
  const COptionSet& options = s.Options();

  board.ShowManualSeries(view::kSeriesGenerating);
  if (!EnoughDiskSpace(s)) return 1;
  ClearPlaybackDisplay(board);
  if (!ArchivesPresent(s)) return 1;

  s.m_nPlaybackState = kStateGenerating;
  const PreviousSession before{s.m_strSessionName, s.m_strSessionPrefix, s.m_strArchiveFolder,
                               s.m_bSessionUnsaved, s.m_bLogUnsaved};
  DeleteSessionFiles(s);
  s.m_bSessionUnsaved = true;
  s.m_bLogUnsaved = true;
  board.StartAnimation(view::Panel::Generation);
  const int range = GenerationProgressRange(options);

  s.m_strSessionName = platform::FormatLocalTime(platform::Now(), kSessionNameFormat);
  s.m_strArchiveFolder = s.ArchiveFolderForRun();
  platform::MakeFolder(s.m_strArchiveFolder);
  s.m_strSessionPrefix = s.m_strArchiveFolder + s.m_strSessionName;

  board.SetProgressRange(view::kGenerationProgress, 0, range);
  board.SetProgressPos(view::kGenerationProgress, 0);
  board.SetProgressStep(view::kGenerationProgress, 1);
  board.ShowControl(view::kGenerationProgress, true);
  board.StepProgress(view::kGenerationProgress);

  const int phrases = theComposer.Compose(
      s.m_strSessionPrefix, options.Note(), options.Scale(), options.PlayMode(), options.Rhythm(),
      options.Harmony(), options.ForcePitch(), options.Tempo(), options.GenerateLength(),
      options.PCI(), options.Motive(), options.Hand(), options.PianoInt(), std::string());
  board.StepProgress(view::kGenerationProgress);
  // Compose gives 1 without composing anything when it cannot create the log.
  if (phrases == 1 && !platform::FileExists(s.m_strSessionPrefix + "log.txt")) return FailOnLog(s, before);
  s.m_nPhraseCount = phrases;

  if (CTrackRun(s).Run() != 0) return 1;

  const std::string piece = s.m_strArchiveFolder + s.m_strSessionName + "Mix.wav";
  if (!IsReadableFile(piece)) return FailOnPiece(s, piece);
  board.ShowControl(view::kGenerationProgress, false);
  board.StopAnimation(view::Panel::Generation);
  s.m_nPlaybackState = kStateIdle;
  s.m_nPhraseNumber = 0;
  s.m_strPiecePath = piece;
  s.m_nPieceTempo = theComposer.m_nTempo;
  for (const int id : view::kTimeDigits) {
    board.SetDigitPicture(id, view::kTimeDigitBitmap);
    board.ShowControl(id, true);
  }
  board.ShowControl(view::kStopIndicator, true);
  return 0;
}

int AbortGenerate(CSession& s) {
  IGenerateView& board = s.View();
  board.ShowControl(view::kGenerationProgress, false);
  board.ShowControl(view::kStopIndicator, false);
  board.StopAnimation(view::Panel::Generation);
  s.m_nPlaybackState = kStateIdle;
  // After EXIT nothing closed the renderer's files; no descriptor may outlive the run.
  CloseGenerationFiles();
  if (theComposer.m_bAbort) {
    theComposer.m_bAbort = 0;
    DeleteSessionFiles(s);
  }
  s.m_strSessionName.clear();
  return 0;
}
