// vorsk-cli list: the sessions of the archive folder, one line each, oldest first, under a
// heading line: name, start, length of the piece, key, scale, tempo and the files there are.
// The key, scale and tempo come from the session's log ("?" without a readable one).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "compose/session_log.h"
#include "options/option_set.h"
#include "platform/places.h"
#include "platform/system_paths.h"
#include "session/session_list.h"
#include "session/session_state.h"

namespace {

const char kSummary[] =
    "Lists the sessions of the Archive folder beside the program (or DIR), one line each,\n"
    "oldest first: the session name (the start of each of its file names), the date and time it\n"
    "was made, the length of the piece, its key, scale and tempo, and its files: whole (Mix.wav\n"
    "and Piano.wav), the number of phrases saved as excerpts and of stems. With -v the file\n"
    "names follow each line.";

const char kExitStatus[] =
    "0 listed (also when there is no session), 1 the folder cannot be read,\n2 usage error.";

std::string ScaleName(const std::string& code) {
  if (code == "Maj") return "major";
  if (code == "Min") return "minor";
  if (code == "PMaj") return "pentatonic major";
  if (code == "PMin") return "pentatonic minor";
  return "?";
}

// The note as the log writes it: "C", "C#", ...
std::string NoteName(const std::string& code) { return code.substr(0, 1) + (code.size() > 1 ? "#" : ""); }

std::string Files(const ArchivedSession& s) {
  std::vector<std::string> parts;
  if (s.bInProgress) parts.push_back(s.bRunGone ? "unfinished" : "being made");
  if (s.bMix && s.bPiano) {
    parts.push_back("whole");
  } else if (s.bMix || s.bPiano) {
    parts.push_back(s.bMix ? "Mix.wav only" : "Piano.wav only");
  }
  if (s.nExcerpts > 0) parts.push_back(std::to_string(s.nExcerpts) + (s.nExcerpts == 1 ? " excerpt" : " excerpts"));
  if (s.nStems > 0) parts.push_back(std::to_string(s.nStems) + (s.nStems == 1 ? " stem" : " stems"));
  if (parts.empty()) parts.push_back(s.bLog ? "log only" : "-");
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

// The length of a 16-bit mono 44.1 kHz piece with its 44-byte header, as m:ss; "-" for none.
std::string Length(const ArchivedSession& s) {
  if (!s.bMix || s.nMixBytes <= 44) return "-";
  const long long seconds = (s.nMixBytes - 44 + 44100) / 88200;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

}  // namespace

int RunList(int argc, char** argv, CliVerbosity verbosity) {
  CliOptions cli;
  cli.verbosity = verbosity;
  std::string outDir;
  bool bOut = false;
  const std::vector<CliExtraFlag> extras = {
      {"--out", "DIR", "the archive folder to list; default: Archive/ beside the program", &outDir, &bOut}};
  switch (ParseCliOptions("list", argc, argv, extras, cli, stderr, /*bComposing=*/false)) {
    case kCliHelp:
      PrintCliHelp(stdout, "list", kSummary, kExitStatus, extras, /*bComposing=*/false);
      return kExitOk;
    case kCliUsageError:
      return kExitUsage;
    case kCliParsed:
      break;
  }
  if (bOut && outDir.empty()) {
    std::fputs("vorsk-cli list: --out needs a folder name\n", stderr);
    return kExitUsage;
  }
  COptionSet options;
  CSession session(options, platform::ProgramPlaces());
  session.m_strArchiveOverride = outDir;
  const std::string folder = session.ArchiveFolderForRun();

  std::vector<ArchivedSession> sessions;
  std::string cause;
  if (ListSessions(folder, sessions, &cause) != kSessionsListed) {
    std::fprintf(stderr, "vorsk-cli list: cannot read the folder %s: %s\n", folder.c_str(), cause.c_str());
    return kExitFailed;
  }
  if (sessions.empty()) {
    std::fprintf(stderr, "vorsk-cli list: no sessions in %s; run 'vorsk-cli generate' first\n", folder.c_str());
    return kExitOk;
  }
  if (cli.verbosity == kCliVerbose) std::fprintf(stderr, "Sessions in %s\n", folder.c_str());
  std::printf("%-15s %-19s %7s  %-3s  %-16s  %5s  %s\n", "SESSION", "STARTED", "LENGTH", "KEY", "SCALE",
              "TEMPO", "FILES");
  for (const ArchivedSession& s : sessions) {
    LoggedSession logged;
    bool bLogged = false;
    if (s.bLog) {
      std::string text;
      bLogged = ReadSessionLogText(folder + s.strName + "log.txt", text) == 0 &&
                ReadSessionLog(text, logged, nullptr, nullptr) == kSessionLogRead;
    }
    std::printf("%-15s %-19s %7s  %-3s  %-16s  %5s  %s\n", s.strName.c_str(), SessionStartText(s.strName).c_str(),
                Length(s).c_str(), bLogged ? NoteName(logged.strNote).c_str() : "?",
                bLogged ? ScaleName(logged.strScale).c_str() : "?", bLogged ? logged.strTempo.c_str() : "?",
                Files(s).c_str());
    if (cli.verbosity == kCliVerbose) {
      for (const std::string& file : s.files) std::printf("    %s\n", file.c_str());
    }
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fputs("vorsk-cli list: cannot write to standard output\n", stderr);
    return kExitFailed;
  }
  return kExitOk;
}
