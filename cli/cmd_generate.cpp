// vorsk-cli generate: the GENERATE pipeline without a window. It composes, renders and mixes a
// piece into the program folder's Archive/ (or --out DIR) and keeps the session, as SAVE does.
// Progress and message boxes go to standard error; standard output carries the paths of the
// log, Piano.wav and Mix.wav and the length of the piece. Ctrl-C, SIGTERM and SIGHUP cancel
// through the STOP path.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/play_loop.h"
#include "compose/composer.h"
#include "options/option_set.h"
#include "platform/file_io.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/system_paths.h"
#include "render/midi_export.h"
#include "session/console_progress_view.h"
#include "session/generate.h"
#include "session/session_files.h"
#include "session/session_state.h"
#include "session/stems.h"
#include "session/stop_generation.h"

namespace {

const char kSummary[] =
    "Composes, renders and mixes a piece into the Archive folder beside the program (or DIR):\n"
    "<session>log.txt, <session>Piano.wav and <session>Mix.wav, where <session> is the start\n"
    "time as yymmdd_hhmmss_. The program folder must hold the sample archives Data0.dat to\n"
    "Data3.dat and data4.dat. Progress goes to standard error; the paths of the three files and\n"
    "the length of the piece go to standard output. With --session-id the same options give\n"
    "the same Mix.wav byte for byte. Ctrl-C (and SIGTERM, SIGHUP) cancels and removes the new\n"
    "session's files.\n"
    "With --stems each track is also kept as <session>Stem_<Track>.wav; with --midi FILE the\n"
    "piece is also written as a Standard MIDI File that lines up with Mix.wav.\n"
    "With --play the piece then plays as with 'vorsk-cli play'.\n"
    "Exit status: 0 done, 1 failed, 2 usage error, 130 / 143 / 129 cancelled by Ctrl-C /\n"
    "SIGTERM / SIGHUP.";

// The signals that cancel a run like Ctrl-C does.
constexpr int kCancelSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_interrupted = 0;  // the first cancelling signal, 0 before

extern "C" void OnInterrupt(int signal) {
  if (g_interrupted == 0) g_interrupted = signal;
}

// The command line's message pump: the one message it knows is Ctrl-C, which it answers with
// the STOP click, once.
class CInterruptPump : public platform::IMessagePump {
 public:
  explicit CInterruptPump(CSession& session) : m_session(session) {}
  void PumpOneMessage() override {
    if (g_interrupted && !m_bStopped) {
      m_bStopped = true;
      PressStop(m_session);
    }
  }

 private:
  CSession& m_session;
  bool m_bStopped = false;
};

// Installs the handler of the cancelling signals for the life of the object.
class CInterruptScope {
 public:
  CInterruptScope() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kCancelSignals); ++i) sigaction(kCancelSignals[i], &action, &m_previous[i]);
  }
  ~CInterruptScope() {
    for (size_t i = 0; i < std::size(kCancelSignals); ++i) sigaction(kCancelSignals[i], &m_previous[i], nullptr);
  }

 private:
  struct sigaction m_previous[std::size(kCancelSignals)] {};
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

// Whole seconds of sound in a track file (44-byte header, 88 200 bytes per second).
long long TrackSeconds(const std::string& path) {
  platform::FileHandle h = platform::OpenExisting(path);
  const long long size = platform::FileSize(h);
  platform::CloseFile(h);
  return size > 44 ? (size - 44 + 44100) / 88200 : 0;
}

// Writes the piece the composer holds as a MIDI file; false after a message naming the file and
// the cause. The piece itself is kept either way.
bool WriteMidi(const std::string& path, const COptionSet& options) {
  const midi::PieceTracks tracks{options.Hand(), options.Rhythm(), options.Harmony()};
  if (midi::WritePieceMidi(path, theComposer, tracks) == midi::kMidiWritten) {
    std::printf("MIDI:   %s\n", path.c_str());
    return std::fflush(stdout) == 0;
  }
  const platform::FileFailure failure = platform::LastFileFailure();
  std::fprintf(stderr, "vorsk-cli generate: cannot write the MIDI file %s: %s\n", path.c_str(),
               failure.nError != 0 ? platform::ErrorText(failure.nError).c_str() : "short write");
  return false;
}

}  // namespace

int RunGenerate(int argc, char** argv) {
  CliOptions cli;
  std::string outDir;
  std::string midiPath;
  bool bOut = false, bPlay = false, bStems = false, bMidi = false;
  const std::vector<CliExtraFlag> extras = {
      {"--out", "DIR", "archive folder for the session (created if needed); default: Archive/ "
                       "beside the program", &outDir, &bOut},
      {"--play", "", "play the piece when it is made (keys as in 'vorsk-cli play')", nullptr, &bPlay},
      {"--stems", "", "also keep each track as <session>Stem_<Track>.wav", nullptr, &bStems},
      {"--midi", "FILE", "also write the piece as a Standard MIDI File", &midiPath, &bMidi}};
  switch (ParseCliOptions("generate", argc, argv, extras, cli)) {
    case kCliHelp:
      PrintCliHelp(stdout, "generate", kSummary, extras);
      return 0;
    case kCliUsageError:
      return 2;
    case kCliParsed:
      break;
  }
  // "--out -h" names no folder: a mistyped command line, not a folder called "-h".
  if (bOut && (outDir.empty() || outDir[0] == '-')) {
    std::fputs("vorsk-cli generate: --out needs a folder name (write ./-x for a folder that "
               "begins with '-')\n", stderr);
    return 2;
  }
  if (bMidi && (midiPath.empty() || midiPath[0] == '-')) {
    std::fputs("vorsk-cli generate: --midi needs a file name (write ./-x for a file that begins "
               "with '-')\n", stderr);
    return 2;
  }
  if (bOut && !MakeOutFolder(outDir)) return 1;

  COptionSet options;
  CopyOptions(cli, options);
  theComposer.m_bFixedSessionId = cli.bSessionId;
  theComposer.m_nFixedSessionId = cli.nSessionId;

  CConsoleProgressView progress(stderr, ::isatty(STDERR_FILENO) != 0);
  CSession session(options, platform::ProgramFolder(), &progress);
  if (bOut) session.m_strArchiveOverride = outDir;
  session.m_bKeepStems = bStems;

  int result = 0;
  {
    CInterruptScope interrupt;
    CInterruptPump pump(session);
    platform::SetMessagePump(&pump);
    platform::SetMessageBoxes(&progress);
    result = Generate(session);
    platform::SetMessageBoxes(nullptr);
    platform::SetMessagePump(nullptr);
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
  if (result != kGenerateOk) return 1;

  const long long seconds = TrackSeconds(session.m_strPiecePath);
  std::printf("Log:    %slog.txt\n", session.m_strSessionPrefix.c_str());
  std::printf("Piano:  %sPiano.wav\n", session.m_strSessionPrefix.c_str());
  std::printf("Mix:    %s\n", session.m_strPiecePath.c_str());
  for (const StemName& stem : kStemNames) {
    const std::string path = session.m_strSessionPrefix + StemFileName(stem);
    if (bStems && platform::FileExists(path)) std::printf("Stem:   %s\n", path.c_str());
  }
  std::printf("Length: %lld min %02lld s\n", seconds / 60, seconds % 60);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    // Nobody learns where the piece is: it is not kept.
    std::fprintf(stderr, "vorsk-cli generate: cannot write to standard output: %s\n", std::strerror(errno));
    DeleteSessionFiles(session);
    return 1;
  }
  SaveSession(session);
  if (bMidi && !WriteMidi(midiPath, options)) return 1;
  if (bPlay) {
    session.SetView(nullptr);
    return RunPlayLoop(session);
  }
  return 0;
}
