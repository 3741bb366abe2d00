#include "session/generate.h"

#include <cstdio>
#include <string>

#include "compose/composer.h"
#include "options/option_set.h"
#include "platform/file_io.h"
#include "platform/mci.h"
#include "platform/message_box.h"
#include "platform/system_paths.h"
#include "render/render_codes.h"
#include "session/run_checks.h"
#include "session/session_files.h"
#include "session/session_runs.h"
#include "session/session_state.h"
#include "session/stems.h"
#include "session/stop_generation.h"
#include "session/track_mixer.h"

namespace {

constexpr int kCancelled = -1;  // renderer and mixer result after STOP or EXIT
constexpr const char* kErrorCaption = "Vorsk - Error";

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The session values as they were before a run replaced them.
struct PreviousSession {
  std::string name, prefix, archiveFolder;
  bool bSessionUnsaved = false, bLogUnsaved = false;
};

// How a step of the tracks ended.
enum class StepEnd { kDone, kCancelled, kFailed };

// The tracks: renderers, mixes and the finish, over one session. A cancelled step deletes
// its own voice or track files and leaves through AbortGenerate; a failed one deletes them too
// and leaves the failure (what failed, with which code) for Generate to report.
class CTrackRun {
 public:
  explicit CTrackRun(CSession& session)
      : m_s(session),
        m_board(session.View()),
        m_c(theComposer),
        m_data(session.m_strDataFolder + "/"),
        m_mix(session.m_strSessionPrefix + "Mix.wav"),
        m_piano(session.m_strSessionPrefix + "Piano.wav"),
        m_scratch(session.m_strSessionPrefix + "tmp.wav") {}

  StepEnd Run() {
    const COptionSet& options = m_s.Options();
    StepEnd end = PianoTrack();
    if (end == StepEnd::kDone && options.Hand() == "F") {
      m_c.RewindPlan();
      end = TwoVoiceTrack(&CComposer::RenderTA, "Data3.dat", m_c.m_strTempTA, "accompaniment",
                          StemTrack::kFigures, false);
      if (end == StepEnd::kDone) {
        m_c.RewindPlan();
        end = LowPianoTrack();
      }
      if (end == StepEnd::kDone) {
        m_c.RewindPlan();
        end = TwoVoiceTrack(&CComposer::RenderCH, "Data1.dat", m_c.m_strTempCH, "chord", StemTrack::kChords,
                            false);
      }
    }
    if (end == StepEnd::kDone && Contains(options.Rhythm(), "D")) {
      m_c.RewindPlan();
      end = TwoVoiceTrack(&CComposer::RenderDL, "Data2.dat", m_c.m_strTempDL, "drum loop", StemTrack::kDrums,
                          false);
      if (end == StepEnd::kDone) {
        m_c.RewindPlan();
        end = TwoVoiceTrack(&CComposer::RenderTF, "Data3.dat", m_c.m_strTempTF, "rhythm figure",
                            StemTrack::kRhythmFigures, true);
      }
    }
    // The sustained tracks, each over the harmony of the whole plan.
    if (end == StepEnd::kDone && Contains(options.Rhythm(), "B")) {
      m_c.RewindPlan();
      end = TwoVoiceTrack(&CComposer::RenderBS, "Data2.dat", m_c.m_strTempBS, "bass", StemTrack::kBass,
                          false);
    }
    if (end == StepEnd::kDone && Contains(options.Harmony(), "S")) {
      m_c.RewindPlan();
      end = TwoVoiceTrack(&CComposer::RenderST, "data4.dat", m_c.m_strTempST, "strings",
                          StemTrack::kStrings, false);
    }
    if (end == StepEnd::kDone && Contains(options.Harmony(), "V")) {
      m_c.RewindPlan();
      end = TwoVoiceTrack(&CComposer::RenderVO, "data4.dat", m_c.m_strTempVO, "voices",
                          StemTrack::kVoices, false);
    }
    if (end == StepEnd::kCancelled) AbortGenerate(m_s);
    return end;
  }

  // What failed, for the message: "the chord track failed with code 1".
  std::string m_strFailedStep;

 private:
  void Advance() { m_board.StepProgress(view::kGenerationProgress); }
  // A step was cancelled when it says so, or when STOP or EXIT set the composer's flag while it
  // ran: a cancel inside the copy of two silent voices comes back from MixTracks as 8.
  static bool Cancelled(int result) { return result == kCancelled || theComposer.m_bAbort != 0; }
  // Every other nonzero result fails the run, and so does a file that failed on the way
  // although the step reported success.
  StepEnd Check(int result, const std::string& what) {
    if (Cancelled(result)) return StepEnd::kCancelled;
    if (result == 0 && platform::LastFileFailure().nError == 0) return StepEnd::kDone;
    m_strFailedStep = what + " failed with code " + std::to_string(result);
    return StepEnd::kFailed;
  }
  static void Delete(const std::string& path) {
    if (!path.empty()) platform::DeleteFile(path);
  }
  // A renderer names all of its temporary files before it writes any (the third of a
  // two-voice track is left empty for the mix), so a stopped track removes all of them.
  static void DeleteAll(std::string (&temps)[3]) {
    for (const std::string& path : temps) Delete(path);
  }

  // The piano motive track: its two voices become "Piano.wav", which the piece starts as.
  StepEnd PianoTrack() {
    platform::ClearFileFailure();
    StepEnd end = Check(m_c.RenderTP(m_data + "Data0.dat"), "the piano motive track");
    Advance();
    if (end == StepEnd::kDone) {
      end = Check(theMixer.MixTracks(m_piano, m_c.m_strTempTP[0], m_c.m_strTempTP[1], m_scratch),
                  "the mix of the piano track");
    }
    Delete(m_c.m_strTempTP[0]);
    Delete(m_c.m_strTempTP[1]);
    if (end != StepEnd::kDone) return end;
    Advance();
    end = Check(theMixer.CopyWaveFile(m_piano, m_mix), "the copy of the piano track");
    if (end == StepEnd::kDone) end = KeepStem(StemTrack::kMelody, m_piano);
    if (end == StepEnd::kDone) Advance();
    return end;
  }

  // A renderer that could not make its track from the catalog (no sample for these options,
  // such as drum loops at tempo 90) although every file worked: the piece goes on without it.
  // Any file that failed on the way makes it a failure of the run instead.
  static bool TrackLeftOut(int rendered) {
    return rendered > 0 && rendered != render::kRenderFileFailed && !Cancelled(rendered) &&
           platform::LastFileFailure().nError == 0;
  }

  // Renders a track of two voices, mixes them into temps[2] and that into the piece. The
  // rhythm figure track shows its own failures ("TF Error %d") and the run goes on without
  // it, unless a voice file could not be written.
  StepEnd TwoVoiceTrack(int (CComposer::*render)(const std::string&), const char* archive,
                        std::string (&temps)[3], const char* name, StemTrack stem, bool bShowResult) {
    const std::string track = std::string("the ") + name + " track";
    platform::ClearFileFailure();
    const int rendered = (m_c.*render)(m_data + archive);
    const bool bShown = bShowResult && rendered > 0 && !Cancelled(rendered) &&
                        rendered != render::kRenderFileFailed;
    if (bShown || TrackLeftOut(rendered)) {
      Advance();
      if (bShown) {
        char text[32];
        std::snprintf(text, sizeof text, "TF Error %d", rendered);
        platform::MessageBox(text, "Vorsk - Error", platform::MbIcon::Information);
      }
      DeleteAll(temps);
      Advance();
      Advance();
      return StepEnd::kDone;
    }
    StepEnd end = Check(rendered, track);
    if (end != StepEnd::kDone) {
      DeleteAll(temps);
      return end;
    }
    Advance();
    end = Check(theMixer.MixTracks(temps[2], temps[0], temps[1], m_scratch), "the mix of " + track);
    Delete(temps[0]);
    Delete(temps[1]);
    if (end != StepEnd::kDone) {
      Delete(temps[2]);
      return end;
    }
    Advance();
    return MixIntoPiece(temps[2], track, stem);
  }

  // The low piano notes: one voice, mixed straight into the piece.
  StepEnd LowPianoTrack() {
    platform::ClearFileFailure();
    const int rendered = m_c.RenderPP(m_data + "Data3.dat");
    if (TrackLeftOut(rendered)) {
      Delete(m_c.m_strTempPP);
      Advance();
      Advance();
      return StepEnd::kDone;
    }
    const StepEnd end = Check(rendered, "the low piano track");
    if (end != StepEnd::kDone) {
      Delete(m_c.m_strTempPP);
      return end;
    }
    Advance();
    return MixIntoPiece(m_c.m_strTempPP, "the low piano track", StemTrack::kLowNotes);
  }

  // The track's file becomes its stem (when stems are kept), then goes into the piece.
  StepEnd MixIntoPiece(const std::string& track, const std::string& what, StemTrack stem) {
    if (KeepStem(stem, track) == StepEnd::kCancelled) {
      Delete(track);
      return StepEnd::kCancelled;
    }
    const StepEnd end = Check(theMixer.MixTracks(m_mix, m_mix, track, m_scratch),
                              "the mix of " + what + " into the piece");
    Delete(track);
    if (end == StepEnd::kDone) Advance();
    return end;
  }

  // With stems on, copies a track's file to its stem beside the piece. A stem that cannot be
  // written (disk full, say) is reported once and removed, the stems after it are left out, and
  // the piece goes on: it loses nothing by it.
  StepEnd KeepStem(StemTrack track, const std::string& file) {
    if (!m_s.m_bKeepStems || m_bStemsFailed) return StepEnd::kDone;
    const std::string stem = m_s.m_strSessionPrefix + StemFileName(track);
    platform::ClearFileFailure();
    const int copied = theMixer.CopyWaveFile(file, stem);
    if (Cancelled(copied)) return StepEnd::kCancelled;
    const platform::FileFailure failure = platform::LastFileFailure();
    if (copied == CTrackMixer::kCopyOk && failure.nError == 0) return StepEnd::kDone;
    m_bStemsFailed = true;
    m_s.m_bStemsLost = true;
    Delete(stem);
    std::string text = "Can't keep the stem: " + stem + "\n";
    text += failure.nError != 0 ? platform::ErrorText(failure.nError) + "."
                                : "The copy failed with code " + std::to_string(copied) + ".";
    text += "\nThe piece is made without this stem and the ones after it.";
    platform::MessageBox(text, kErrorCaption, platform::MbIcon::Exclamation);
    platform::ClearFileFailure();
    return StepEnd::kDone;
  }

  CSession& m_s;
  IGenerateView& m_board;
  CComposer& m_c;
  const std::string m_data;  // data folder + "/"
  const std::string m_mix, m_piano, m_scratch;
  bool m_bStemsFailed = false;
};

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

// Ends a run that made no piece although nobody cancelled it: the bar and the animation go,
// the board returns to idle.
void EndFailedRun(CSession& s) {
  IGenerateView& board = s.View();
  board.ShowControl(view::kGenerationProgress, false);
  board.StopAnimation(view::Panel::Generation);
  s.m_nPlaybackState = kStateIdle;
  board.ShowControl(view::kStopIndicator, true);
}

// No session could be named or no log created (folder missing, not writable, or full), so
// nothing was composed and no file of the new session exists. The previous session's values
// come back when its files are still there (it had been saved whole, or there was none); when
// the clean-up of step 6 removed them, no session is left.
int FailOnLog(CSession& s, const PreviousSession& before, bool bFolderMade = true) {
  const platform::FileFailure failure = platform::LastFileFailure();
  std::string text = "Can't create the session log in folder: " + s.m_strArchiveFolder + "\n";
  // A parent on the way that could not be made is named too.
  if (!bFolderMade && !failure.strPath.empty() && failure.strPath + "/" != s.m_strArchiveFolder) {
    text += "The folder " + failure.strPath + " cannot be made: ";
  }
  text += failure.nError != 0 ? platform::ErrorText(failure.nError) + "."
                              : "Please check that the folder exists and can be written.";
  platform::MessageBox(text, kErrorCaption, platform::MbIcon::Error);
  EndFailedRun(s);
  s.m_strArchiveFolder = before.archiveFolder;
  s.m_strSessionPrefix = before.prefix;
  s.m_bSessionUnsaved = before.bSessionUnsaved;
  s.m_bLogUnsaved = before.bLogUnsaved;
  s.m_strSessionName = before.bSessionUnsaved ? std::string() : before.name;
  return 1;
}

// A step failed, or the finished piece is not there: one message naming the file and the
// cause where a file failed, else the step and its code; then no session is left.
int FailOnPiece(CSession& s, const std::string& step, const std::string& piece) {
  const platform::FileFailure failure = platform::LastFileFailure();
  std::string text = "The piece was not made.\n";
  if (failure.nError != 0) {
    text += "File: " + failure.strPath + "\n" + platform::ErrorText(failure.nError) + ".";
  } else if (!step.empty()) {
    text += "Cause: " + step + ".";
  } else {
    text += "File: " + piece + " is missing.";
  }
  platform::MessageBox(text, kErrorCaption, platform::MbIcon::Error);
  EndFailedRun(s);
  DeleteSessionFiles(s);
  s.m_strSessionName.clear();
  return 1;
}

bool HasContent(const std::string& path) {
  platform::FileHandle h = platform::OpenExisting(path);
  const long long size = platform::FileSize(h);
  platform::CloseFile(h);
  return size > 0;
}

bool IsReadableFile(const std::string& path) {
  platform::FileHandle h = platform::OpenExisting(path);
  if (!platform::IsOpen(h)) return false;
  platform::CloseFile(h);
  return true;
}

// Range of the generation progress bar: 5, + 8 for Hand "F", + 6 for Rhythm with "D", + 3 each
// for "B" in Rhythm and "S" and "V" in Harmony: one step for each render and mix of a track, so
// the bar reaches its end with the last mix.
int GenerationProgressRange(const COptionSet& options) {
  int range = 5;
  if (options.Hand() == "F") range += 8;
  if (Contains(options.Rhythm(), "D")) range += 6;
  if (Contains(options.Rhythm(), "B")) range += 3;
  if (Contains(options.Harmony(), "S")) range += 3;
  if (Contains(options.Harmony(), "V")) range += 3;
  return range;
}

// The run's own files outside the session: the in-progress marker and the (by then empty)
// scratch folder of the voice files go on every way out of Generate.
class CRunFiles {
 public:
  ~CRunFiles() {
    if (!m_strPrefix.empty()) ReleaseSession(m_strPrefix);
    platform::ReleaseScratchFolder(theComposer.m_strTempDir);
  }
  std::string m_strPrefix;
};

}  // namespace

int Generate(CSession& s) {
  IGenerateView& board = s.View();
  const COptionSet& options = s.Options();

  board.ShowManualSeries(view::kSeriesGenerating);
  const std::string folder = s.ArchiveFolderForRun();
  if (!EnoughDiskSpace(s, folder, theComposer.m_strTempDir)) return kGenerateStopped;
  ClearPlaybackDisplay(board);
  if (!ArchivesIntact(s)) return kGenerateStopped;

  s.m_nPlaybackState = kStateGenerating;
  const PreviousSession before{s.m_strSessionName, s.m_strSessionPrefix, s.m_strArchiveFolder,
                               s.m_bSessionUnsaved, s.m_bLogUnsaved};
  DeleteSessionFiles(s);
  s.m_bSessionUnsaved = true;
  s.m_bLogUnsaved = true;
  board.StartAnimation(view::Panel::Generation);
  const int range = GenerationProgressRange(options);

  CRunFiles runFiles;
  s.m_strArchiveFolder = folder;
  platform::ClearFileFailure();
  // A folder that cannot be made is named in the message with its cause.
  const bool bFolder = platform::MakeFolders(s.m_strArchiveFolder);
  if (bFolder) RemoveAbandonedSessions(s.m_strArchiveFolder);
  if (!bFolder || !ClaimSessionName(s.m_strArchiveFolder, s.m_strSessionName)) {
    s.m_strSessionName.clear();
    return FailOnLog(s, before, bFolder);
  }
  s.m_strSessionPrefix = s.m_strArchiveFolder + s.m_strSessionName;
  runFiles.m_strPrefix = s.m_strSessionPrefix;

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
  s.m_nPhraseCount = phrases;
  if (!HasContent(s.m_strSessionPrefix + "log.txt")) {
    return FailOnPiece(s, "the session log could not be written", s.m_strSessionPrefix + "log.txt");
  }

  s.m_bStemsLost = false;
  CTrackRun run(s);
  const StepEnd end = run.Run();
  if (end == StepEnd::kCancelled) return kGenerateStopped;

  const std::string piece = s.m_strArchiveFolder + s.m_strSessionName + "Mix.wav";
  if (end == StepEnd::kFailed || !IsReadableFile(piece)) return FailOnPiece(s, run.m_strFailedStep, piece);
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
  return kGenerateOk;
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
