// vorsk-cli play [PATH]: plays a piece in the terminal with the playback controller of the
// window. PATH defaults to the piece of the newest session of the archive folder (--out DIR as
// for generate), the last that 'vorsk-cli list' shows; in a folder without sessions, to its
// newest "*Mix.wav". The tempo and the phrase count come from the session's log (the piece's path
// with "Mix.wav" replaced by "log.txt") when there is one; otherwise tempo 60 and the phrases
// that fit the length.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/play_loop.h"
#include "options/option_set.h"
#include "platform/places.h"
#include "platform/text_file.h"
#include "platform/wave_source.h"
#include "playback/playback_timing.h"
#include "session/session_list.h"
#include "session/session_state.h"

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "Usage: vorsk-cli play [options] [PATH]\n"
    "\n"
    "Plays a piece: PATH, or the Mix.wav of the newest session in the archive folder (or DIR):\n"
    "Archive/ beside the program, or $XDG_MUSIC_DIR/Vorsk (~/Music/Vorsk) when installed; the\n"
    "last one 'vorsk-cli list' shows. One status line shows time, phrase, position and state.\n"
    "Keys: space pause/resume; n or Right next phrase; p or Left previous phrase; s save (the\n"
    "playing phrase as excerpt files once the first phrase has begun, otherwise the whole\n"
    "session); q or Esc quit. Without a sound device the piece plays silently.\n"
    "\n"
    "Options:\n"
    "  --out DIR                the archive folder to take the newest session from\n"
    "  -q, --quiet              no status line\n"
    "  -v, --verbose            name the piece, its tempo and phrases on standard error\n"
    "  -h, --help               show this text and exit\n"
    "\n"
    "Exit status:\n"
    "  0 played to the end or quit, 1 the piece cannot be played, 2 usage error,\n"
    "  130 / 143 / 129 stopped by Ctrl-C / SIGTERM / SIGHUP (the terminal is restored).\n";

constexpr const char kPieceSuffix[] = "Mix.wav";
constexpr int kDefaultTempo = 60;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The piece of the newest session of folder that has one and is not being made; without one,
// the newest "*Mix.wav" (by modification time, then by name); "" when none.
std::string NewestPiece(const std::string& folder) {
  std::vector<ArchivedSession> sessions;
  ListSessions(folder, sessions);
  for (auto s = sessions.rbegin(); s != sessions.rend(); ++s) {
    if (s->bMix && !s->bInProgress) return folder + s->strName + kPieceSuffix;
  }
  std::error_code ec;
  std::string best;
  fs::file_time_type bestTime{};
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (!EndsWith(name, kPieceSuffix) || !entry.is_regular_file(ec)) continue;
    const fs::file_time_type time = entry.last_write_time(ec);
    if (best.empty() || time > bestTime || (time == bestTime && entry.path().string() > best)) {
      best = entry.path().string();
      bestTime = time;
    }
  }
  return best;
}

// Tempo and phrase count from the session log's " Tempo: T" and " Generate: L min." lines,
// the phrases counted as the composer counts them; false when there is no usable log.
bool ReadLog(const std::string& path, int& tempo, int& phrases) {
  platform::CTextFile log;
  if (!log.OpenRead(path)) return false;
  int t = 0, minutes = -1;
  char line[256];
  while (log.ReadLine(line, sizeof line)) {
    if (std::strncmp(line, " Tempo: ", 8) == 0) t = std::atoi(line + 8);
    if (std::strncmp(line, " Generate: ", 11) == 0) minutes = std::atoi(line + 11);
  }
  if (t <= 0 || minutes < 0) return false;
  // Bars of the length at 4 beats each, plus one, made a multiple of 8.
  const int bars = static_cast<int>(minutes * 60.0 / (240.0 / t)) + 1;
  tempo = t;
  phrases = (bars + 7) / 8;
  return true;
}

// The whole phrases after the lead-in of a piece of lengthMs at tempo; at least 1.
int PhrasesThatFit(long long lengthMs, int tempo) {
  const PlaybackTiming timing = PlaybackTimingFor(tempo);
  const int phrases = static_cast<int>((lengthMs / 1000.0 - timing.fLeadInSec) / timing.dJumpPhraseSec);
  return phrases < 1 ? 1 : phrases;
}

}  // namespace

int RunPlay(int argc, char** argv, CliVerbosity verbosity) {
  std::string path, outDir;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "-q" || arg == "--quiet" || arg == "-v" || arg == "--verbose") {
      verbosity = arg == "-q" || arg == "--quiet" ? kCliQuiet : kCliVerbose;
    } else if (arg == "--out" || arg.rfind("--out=", 0) == 0) {
      if (arg == "--out" && i + 1 >= argc) {
        std::fputs("vorsk-cli play: --out needs a folder name\n", stderr);
        return 2;
      }
      outDir = arg == "--out" ? argv[++i] : arg.substr(6);
      if (outDir.empty()) {
        std::fputs("vorsk-cli play: --out needs a folder name\n", stderr);
        return 2;
      }
    } else if (arg.rfind("-", 0) == 0 && arg.size() > 1) {
      std::fprintf(stderr, "vorsk-cli play: unknown flag '%s' (valid: --out DIR, -q, -v, --help)\n", arg.c_str());
      return 2;
    } else if (path.empty()) {
      path = arg;
    } else {
      std::fputs("vorsk-cli play: give at most one piece to play\n", stderr);
      return 2;
    }
  }
  COptionSet options;
  CSession session(options, platform::ProgramPlaces());
  if (path.empty()) {
    session.m_strArchiveOverride = outDir;
    const std::string folder = session.ArchiveFolderForRun();
    path = NewestPiece(folder);
    if (path.empty()) {
      std::fprintf(stderr, "vorsk-cli play: no *Mix.wav in %s; run 'vorsk-cli generate' first\n",
                   folder.c_str());
      return 1;
    }
  }

  session.m_strPiecePath = path;
  // A session's piece: its folder and name let SAVE write excerpts beside it.
  const fs::path piece(path);
  const std::string name = piece.filename().string();
  if (EndsWith(name, kPieceSuffix)) {
    std::string folder = piece.parent_path().string();
    folder = folder.empty() ? "./" : folder + "/";
    session.m_strSessionName = name.substr(0, name.size() - std::strlen(kPieceSuffix));
    session.m_strArchiveFolder = folder;
    session.m_strArchiveOverride = folder;
    session.m_strSessionPrefix = folder + session.m_strSessionName;
  }
  int tempo = kDefaultTempo, phrases = 0;
  const std::string log = EndsWith(path, kPieceSuffix)
                              ? path.substr(0, path.size() - std::strlen(kPieceSuffix)) + "log.txt"
                              : std::string();
  if (log.empty() || !ReadLog(log, tempo, phrases)) {
    std::unique_ptr<platform::CWaveSource> source;
    phrases = platform::CWaveSource::Open(path, source) == 0 ? PhrasesThatFit(source->LengthMs(), tempo) : 1;
  }
  session.m_nPieceTempo = tempo;
  session.m_nPhraseCount = phrases;
  if (verbosity == kCliVerbose) {
    std::fprintf(stderr, "Playing %s: tempo %d, %d phrases\n", path.c_str(), tempo, phrases);
  }
  return RunPlayLoop(session, verbosity == kCliQuiet);
}
