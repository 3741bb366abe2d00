// vorsk-cli generate: the GENERATE pipeline without a window. It composes, renders and mixes a
// piece into the archive folder (platform/places.h; or --out DIR) and keeps the session, as
// SAVE does.
// Progress and message boxes go to standard error; standard output carries the paths of the
// log, Piano.wav and Mix.wav and the length of the piece. Ctrl-C, SIGTERM and SIGHUP cancel
// through the STOP path; SIGWINCH redraws the progress bar at the terminal's new width.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/master_run.h"
#include "cli/play_loop.h"
#include "compose/composer.h"
#include "render/wave_format.h"
#include "options/option_set.h"
#include "platform/file_io.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/places.h"
#include "platform/process_guard.h"
#include "platform/system_paths.h"
#include "platform/terminal.h"
#include "render/midi_export.h"
#include "session/console_progress_view.h"
#include "session/generate.h"
#include "session/session_files.h"
#include "session/session_state.h"
#include "session/stems.h"
#include "session/stop_generation.h"

namespace {

const char kSummary[] =
    "Composes, renders and mixes a piece into the archive folder (or DIR): Archive/ beside the\n"
    "program, or $XDG_MUSIC_DIR/Vorsk (~/Music/Vorsk) when installed. It writes\n"
    "<session>log.txt, <session>Piano.wav and <session>Mix.wav, where <session> is the start\n"
    "time as yymmdd_hhmmss_. The sample archives Data0.dat to Data3.dat and data4.dat must be\n"
    "beside the program, or in <prefix>/share/vorsk when installed. Progress goes to standard\n"
    "error; the paths of the three files and the length of the piece go to standard output.\n"
    "With --session-id the same options give the same Mix.wav byte for byte; --from-log FILE\n"
    "takes the options and the session id of a session's log and so makes that piece again,\n"
    "byte for byte, as a new session. Ctrl-C (and SIGTERM, SIGHUP) cancels and removes the new\n"
    "session's files.\n"
    "With --stems each track is also kept as <session>Stem_<Track>.wav; with --midi FILE the\n"
    "piece is also written as a Standard MIDI File that lines up with Mix.wav.\n"
    "With --master a finished stereo master of the piece is also written beside it as\n"
    "<session>Master.<ext> (--format, --loudness; see 'vorsk-cli master --help').\n"
    "With --play the piece then plays as with 'vorsk-cli play'. With -v the flags that make the\n"
    "same piece go to standard error.";

const char kExitStatus[] =
    "0 everything asked for was made. 1 something asked for was not made; the message names it\n"
    "and what was kept: a failure before the piece is whole removes the new session's files, a\n"
    "MIDI file, stem or master that fails afterwards keeps the piece. 2 usage error. 130 / 143 / 129\n"
    "Ctrl-C / SIGTERM / SIGHUP: during generation nothing is left; during --play the finished\n"
    "piece stays.";

// The signals that cancel a run like Ctrl-C does.
constexpr int kCancelSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_interrupted = 0;  // the first cancelling signal, 0 before
volatile std::sig_atomic_t g_resized = 0;      // SIGWINCH since the last pump

extern "C" void OnInterrupt(int signal) {
  if (g_interrupted == 0) g_interrupted = signal;
}

extern "C" void OnResize(int) { g_resized = 1; }

// The command line's message pump: it answers Ctrl-C with the STOP click, once, and a resized
// terminal with a redrawn progress bar.
class CInterruptPump : public platform::IMessagePump {
 public:
  CInterruptPump(CSession& session, CConsoleProgressView& progress) : m_session(session), m_progress(progress) {}
  void PumpOneMessage() override {
    if (g_interrupted && !m_bStopped) {
      m_bStopped = true;
      PressStop(m_session);
    }
    if (g_resized) {
      g_resized = 0;
      m_progress.Resize(platform::TerminalColumns(STDERR_FILENO));
    }
  }

 private:
  CSession& m_session;
  CConsoleProgressView& m_progress;
  bool m_bStopped = false;
};

// Installs the handlers of the cancelling signals and of SIGWINCH for the life of the object.
// Holds the cancelling signals back while a finished file is written and renamed into place; a
// signal that arrived meanwhile takes effect when the scope ends, so a kill never leaves the
// half-written fresh file beside the target.
class CSignalHold {
 public:
  CSignalHold() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kCancelSignals) sigaddset(&set, signal);
    sigprocmask(SIG_BLOCK, &set, &m_previous);
  }
  ~CSignalHold() { sigprocmask(SIG_SETMASK, &m_previous, nullptr); }
  CSignalHold(const CSignalHold&) = delete;
  CSignalHold& operator=(const CSignalHold&) = delete;

 private:
  sigset_t m_previous{};
};

class CInterruptScope {
 public:
  CInterruptScope() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kCancelSignals); ++i) sigaction(kCancelSignals[i], &action, &m_previous[i]);
    struct sigaction resize {};
    resize.sa_handler = OnResize;
    resize.sa_flags = SA_RESTART;
    sigemptyset(&resize.sa_mask);
    sigaction(SIGWINCH, &resize, &m_previousResize);
  }
  ~CInterruptScope() {
    for (size_t i = 0; i < std::size(kCancelSignals); ++i) sigaction(kCancelSignals[i], &m_previous[i], nullptr);
    sigaction(SIGWINCH, &m_previousResize, nullptr);
  }

 private:
  struct sigaction m_previous[std::size(kCancelSignals)] {};
  struct sigaction m_previousResize {};
};

// Makes the --out folder (and its parents). false, after a message naming the folder and the
// cause, when it cannot be made or is not a folder; no path, however long or odd, throws.
bool MakeOutFolder(const std::string& outDir) {
  std::error_code ec;
  std::filesystem::create_directories(outDir, ec);
  std::error_code statEc;
  const bool bFolder = std::filesystem::is_directory(outDir, statEc);
  if (bFolder && ::access(outDir.c_str(), W_OK | X_OK) == 0) return true;
  std::string cause;
  if (bFolder) {
    cause = std::strerror(errno);  // why access refused it
  } else if (ec || statEc) {
    cause = (ec ? ec : statEc).message();
  } else {
    cause = "Not a directory";
  }
  std::fprintf(stderr, "vorsk-cli generate: cannot use the folder %s: %s\n", outDir.c_str(), cause.c_str());
  return false;
}

}  // namespace

int CancellingSignal() { return g_interrupted; }

CConsoleProgressView StderrProgress(CliVerbosity verbosity) {
  const bool bTerminal = ::isatty(STDERR_FILENO) != 0;
  const ProgressStyle style = verbosity == kCliQuiet ? ProgressStyle::kNone
                              : bTerminal            ? ProgressStyle::kInPlace
                                                     : ProgressStyle::kLines;
  return CConsoleProgressView(stderr, style, bTerminal ? platform::TerminalColumns(STDERR_FILENO) : 0);
}

int RunUnderSignals(CSession& session, CConsoleProgressView& progress, const std::function<int()>& body) {
  CInterruptScope interrupt;
  CInterruptPump pump(session, progress);
  platform::SetMessagePump(&pump);
  platform::SetMessageBoxes(&progress);
  const int result = body();
  platform::SetMessageBoxes(nullptr);
  platform::SetMessagePump(nullptr);
  return result;
}

void CopyOptions(const CliOptions& cli, COptionSet& options) {
  options.SetNote(cli.strNote);
  options.SetScale(cli.strScale);
  options.SetPlayMode(cli.strPlayMode);
  for (const char letter : cli.strRhythm) options.ToggleRhythm(std::string(1, letter));
  for (const char letter : cli.strHarmony) options.ToggleHarmony(std::string(1, letter));
  options.SetForcePitch(cli.strForcePitch);
  options.SetTempo(cli.strTempo);
  options.SetPCI(cli.strPCI);
  options.SetMotive(cli.strMotive);
  options.SetHand(cli.strHand);
  options.TogglePianoInt();  // "" -> "C"
  if (cli.strPianoInt != kPianoIntOff) options.TogglePianoInt();  // any other code is on
  options.SetGenerateLength(cli.strLength);
}

namespace {

// The length of a track file's sound, rounded to whole seconds.
long long TrackSeconds(const std::string& path) {
  platform::FileHandle h = platform::OpenExisting(path);
  const long long size = platform::FileSize(h);
  platform::CloseFile(h);
  const long long data = size - wave::kHeaderBytes;
  return data > 0 ? (data + wave::kBytesPerSecond / 2) / wave::kBytesPerSecond : 0;
}

// Writes the piece the composer holds as a MIDI file (an older file by that name stays until the
// new one is whole); false after a message naming the file and the cause.
bool WriteMidi(const std::string& path, const COptionSet& options) {
  const midi::PieceTracks tracks{options.Hand(), options.Rhythm(), options.Harmony()};
  if (midi::WritePieceMidi(path, theComposer, tracks) == midi::kMidiWritten) return true;
  const platform::FileFailure failure = platform::LastFileFailure();
  std::fprintf(stderr, "vorsk-cli generate: cannot write the MIDI file %s: %s\n", path.c_str(),
               failure.nError != 0 ? platform::ErrorText(failure.nError).c_str() : "short write");
  return false;
}

}  // namespace

int RunGenerate(int argc, char** argv, CliVerbosity verbosity) {
  CliOptions cli;
  cli.verbosity = verbosity;
  std::string outDir;
  std::string midiPath;
  bool bOut = false, bPlay = false, bStems = false, bMidi = false, bMaster = false;
  MasterFlags masterFlags;
  std::vector<CliExtraFlag> extras = {
      {"--out", "DIR", "archive folder for the session (created if needed); default: Archive/ "
                       "beside the program, or ~/Music/Vorsk when installed", &outDir, &bOut},
      {"--play", "", "play the piece when it is made (keys as in 'vorsk-cli play')", nullptr, &bPlay},
      {"--stems", "", "also keep each track as <session>Stem_<Track>.wav", nullptr, &bStems},
      {"--midi", "FILE", "also write the piece as a Standard MIDI File", &midiPath, &bMidi},
      {"--master", "", "also write a finished stereo master as <session>Master.<ext>", nullptr, &bMaster}};
  for (const CliExtraFlag& flag : MasterExtraFlags(masterFlags)) extras.push_back(flag);
  switch (ParseCliOptions("generate", argc, argv, extras, cli)) {
    case kCliHelp:
      PrintCliHelp(stdout, "generate", kSummary, kExitStatus, extras);
      return kExitOk;
    case kCliUsageError:
      return kExitUsage;
    case kCliParsed:
      break;
  }
  // "--out -h" names no folder: a mistyped command line, not a folder called "-h".
  if (bOut && (outDir.empty() || outDir[0] == '-')) {
    std::fputs("vorsk-cli generate: --out needs a folder name (write ./-x for a folder that "
               "begins with '-')\n", stderr);
    return kExitUsage;
  }
  if (bMidi && (midiPath.empty() || midiPath[0] == '-')) {
    std::fputs("vorsk-cli generate: --midi needs a file name (write ./-x for a file that begins "
               "with '-')\n", stderr);
    return kExitUsage;
  }
  if ((masterFlags.bFormat || masterFlags.bLoudness) && !bMaster) {
    std::fprintf(stderr, "vorsk-cli generate: %s applies to the master: add --master\n",
                 masterFlags.bFormat ? "--format" : "--loudness");
    return kExitUsage;
  }
  if (bMaster && !CheckMasterFlags("generate", masterFlags)) return kExitUsage;
  if (!cli.strFromLog.empty() && !LoadLoggedOptions("generate", cli)) return kExitFailed;
  const platform::Places places = platform::ProgramPlaces();
  // The folder is made (with its parents) before anything else, so a bad one is named at once.
  if (!MakeOutFolder(bOut ? outDir : places.strArchiveFolder)) return kExitFailed;

  COptionSet options;
  CopyOptions(cli, options);
  theComposer.m_bFixedSessionId = cli.bSessionId;
  theComposer.m_nFixedSessionId = cli.nSessionId;

  CConsoleProgressView progress = StderrProgress(cli.verbosity);
  CSession session(options, places, &progress);
  if (bOut) session.m_strArchiveOverride = outDir;
  // The master is made from the stems; those not asked for go once it is made.
  session.m_bKeepStems = bStems || bMaster;
  const std::string masterExtension = master::InfoOf(masterFlags.format).extension;
  master::Report masterReport;
  bool bMasterMade = false;

  int result = 0;
  {
    CInterruptScope interrupt;
    CInterruptPump pump(session, progress);
    platform::SetMessagePump(&pump);
    platform::SetMessageBoxes(&progress);
    try {
      result = Generate(session);
    } catch (...) {
      // Before the piece is whole nothing of the new session is kept.
      std::fprintf(stderr, "vorsk-cli generate: %s; the piece was not made\n", platform::CurrentExceptionText());
      DeleteSessionFiles(session);
      session.m_strSessionName.clear();
      CloseGenerationFiles();
      result = kGenerateStopped;
    }
    platform::SetMessageBoxes(nullptr);
    platform::SetMessagePump(nullptr);
    if (bMaster && result == kGenerateOk && !g_interrupted) {
      const std::string prefix = session.m_strSessionPrefix;
      // A master without every track would pass for the piece: none is made.
      const int made = session.m_bStemsFailed ? kExitFailed : RunMasterStep(
          "generate", SessionStems(prefix), WaveFrames(session.m_strPiecePath), prefix + "Master." + masterExtension,
          masterFlags, MasterTags(session.m_strSessionName, cli, theComposer.m_nSessionId), progress,
          [] { return g_interrupted != 0; }, cli.verbosity, &masterReport);
      if (session.m_bStemsFailed) {
        std::fputs("vorsk-cli generate: no master made: the tracks could not all be kept for it\n", stderr);
      }
      // Like a MIDI file, a master that fails after the piece is whole costs only itself.
      bMasterMade = made == kExitOk;
      if (!bStems && !g_interrupted) {
        for (const auto& stem : SessionStems(prefix)) platform::DeleteFile(stem.second);
      }
    }
    if (g_interrupted && result == 0) {
      // Ctrl-C after the last pump: the piece is made but not kept.
      DeleteSessionFiles(session);
      session.m_strSessionName.clear();
    }
  }
  platform::RemoveScratchFolders();
  if (g_interrupted) {
    std::fputs("vorsk-cli generate: cancelled\n", stderr);
    return kExitSignalBase + g_interrupted;
  }
  if (result != kGenerateOk) return kExitFailed;
  if (cli.verbosity == kCliVerbose) {
    std::fprintf(stderr, "vorsk-cli generate %s\n", OptionFlags(cli, theComposer.m_nSessionId).c_str());
  }
  // Success is reported only for files that are there as written.
  const std::string damage = CheckPieceFiles(session.m_strSessionPrefix);
  if (!damage.empty()) {
    std::fprintf(stderr, "vorsk-cli generate: the piece was not made: %s\n", damage.c_str());
    DeleteSessionFiles(session);
    return kExitFailed;
  }
  // The MIDI file comes after the piece is whole; failing, it costs only itself.
  bool bMidiWritten = false;
  if (bMidi) {
    try {
      const CSignalHold hold;
      bMidiWritten = WriteMidi(midiPath, options);
    } catch (...) {
      std::fprintf(stderr, "vorsk-cli generate: cannot write the MIDI file %s: %s\n", midiPath.c_str(),
                   platform::CurrentExceptionText());
    }
  }

  const long long seconds = TrackSeconds(session.m_strPiecePath);
  std::printf("Log:    %slog.txt\n", session.m_strSessionPrefix.c_str());
  std::printf("Piano:  %sPiano.wav\n", session.m_strSessionPrefix.c_str());
  std::printf("Mix:    %s\n", session.m_strPiecePath.c_str());
  for (const StemName& stem : kStemNames) {
    const std::string path = session.m_strSessionPrefix + StemFileName(stem);
    if (bStems && platform::FileExists(path)) std::printf("Stem:   %s\n", path.c_str());
  }
  const bool bStemsMissing = bStems && session.m_bStemsFailed;
  if (bMidiWritten) std::printf("MIDI:   %s\n", midiPath.c_str());
  if (bMasterMade) PrintMasterSummary(session.m_strSessionPrefix + "Master." + masterExtension, masterReport);
  std::printf("Length: %lld min %02lld s\n", seconds / 60, seconds % 60);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    // Nobody learns where the piece is: it is not kept.
    std::fprintf(stderr, "vorsk-cli generate: cannot write to standard output: %s\n", std::strerror(errno));
    DeleteSessionFiles(session);
    return kExitFailed;
  }
  SaveSession(session);
  if ((bMidi && !bMidiWritten) || bStemsMissing || (bMaster && !bMasterMade)) {
    std::fprintf(stderr, "vorsk-cli generate: the piece was kept (%s); %s\n", session.m_strPiecePath.c_str(),
                 bMidi && !bMidiWritten ? "the MIDI file was not"
                 : bStemsMissing        ? "some stems were not"
                                        : "the master was not");
    return kExitFailed;
  }
  if (bPlay) {
    session.SetView(nullptr);
    return RunPlayLoop(session, cli.verbosity == kCliQuiet);
  }
  return 0;
}
