// vorsk-cli master LOG: a finished master of a session that exists (made in the window, or by
// generate without --master). The session's log makes its piece again byte for byte, so the
// tracks are remade from it in a private scratch folder, the remade Mix.wav is compared with the
// saved one, and the master is made from the remade stems, beside the log or into --out DIR.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/master_run.h"
#include "cli/play_loop.h"
#include "compose/composer.h"
#include "options/option_set.h"
#include "platform/file_io.h"
#include "platform/places.h"
#include "platform/system_paths.h"
#include "platform/terminal.h"
#include "session/console_progress_view.h"
#include "session/generate.h"
#include "session/session_state.h"

namespace {

const char kSummary[] =
    "Makes a finished master of a session that already exists: the session's log\n"
    "(<session>log.txt) makes its piece again, byte for byte, in a private scratch folder; the\n"
    "tracks are placed in stereo, given a room, normalised to the loudness (-14 LUFS unless\n"
    "--loudness) under a true peak of -1 dBTP and encoded as <session>Master.<ext> beside the log\n"
    "(or in DIR). An older master of that name is replaced only when the new one is whole. When\n"
    "the remade Mix.wav differs from the saved one (other sample archives), it says so and\n"
    "masters the remade piece. The tags carry the session name, \"Vorsk\", the version, the date\n"
    "and the command that makes the piece again. Ctrl-C (and SIGTERM, SIGHUP) cancels and leaves\n"
    "nothing behind.";

const char kExitStatus[] =
    "0 done, 1 failed (a file that is not a session log, a piece that cannot be remade, a master\n"
    "that cannot be written), 2 usage error, 130 / 143 / 129 cancelled by Ctrl-C / SIGTERM /\n"
    "SIGHUP.";

constexpr char kLogSuffix[] = "log.txt";

// Whether two files hold the same bytes; false also when either cannot be read.
bool SameBytes(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  if (!fa || !fb) return false;
  std::vector<char> ba(1 << 16), bb(1 << 16);
  while (true) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount()) return false;
    if (std::memcmp(ba.data(), bb.data(), static_cast<size_t>(fa.gcount())) != 0) return false;
    if (fa.gcount() == 0 || !fa || !fb) return fa.eof() && fb.eof() && fa.gcount() == fb.gcount();
  }
}

// LOG out of the arguments: the one that is no flag and no flag's value. The others stay.
bool TakeLogArgument(int argc, char** argv, std::vector<char*>& rest, std::string& log) {
  int found = 0;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool bValued = arg == "--out" || arg == "--format" || arg == "--loudness";
    if (bValued) {
      rest.push_back(argv[i]);
      if (i + 1 < argc) rest.push_back(argv[++i]);
    } else if (!arg.empty() && arg[0] != '-') {
      log = arg;
      ++found;
    } else {
      rest.push_back(argv[i]);
    }
  }
  return found == 1;
}

}  // namespace

int RunMaster(int argc, char** argv, CliVerbosity verbosity) {
  CliOptions cli;
  cli.verbosity = verbosity;
  std::string outDir, log;
  bool bOut = false;
  MasterFlags flags;
  std::vector<CliExtraFlag> extras = {
      {"--out", "DIR", "folder for the master (created if needed); default: the log's folder", &outDir, &bOut}};
  for (const CliExtraFlag& flag : MasterExtraFlags(flags)) extras.push_back(flag);
  std::vector<char*> rest;
  const bool bOneLog = TakeLogArgument(argc, argv, rest, log);
  switch (ParseCliOptions("master", static_cast<int>(rest.size()), rest.data(), extras, cli, stderr, false)) {
    case kCliHelp:
      PrintCliHelp(stdout, "master LOG", kSummary, kExitStatus, extras, false);
      return kExitOk;
    case kCliUsageError:
      return kExitUsage;
    case kCliParsed:
      break;
  }
  if (!bOneLog) {
    std::fputs("vorsk-cli master: name one session log (<session>log.txt; see 'vorsk-cli master --help')\n", stderr);
    return kExitUsage;
  }
  if (bOut && (outDir.empty() || outDir[0] == '-')) {
    std::fputs("vorsk-cli master: --out needs a folder name (write ./-x for a folder that begins with '-')\n",
               stderr);
    return kExitUsage;
  }
  if (!CheckMasterFlags("master", flags)) return kExitUsage;
  cli.strFromLog = log;
  if (!LoadLoggedOptions("master", cli)) return kExitFailed;
  if (log.size() < sizeof kLogSuffix - 1 || log.compare(log.size() - (sizeof kLogSuffix - 1), std::string::npos, kLogSuffix) != 0) {
    std::fprintf(stderr, "vorsk-cli master: %s is not named <session>log.txt\n", log.c_str());
    return kExitFailed;
  }
  const std::string prefix = log.substr(0, log.size() - (sizeof kLogSuffix - 1));
  const size_t slash = prefix.rfind('/');
  const std::string sessionName = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
  const std::string extension = master::InfoOf(flags.format).extension;
  std::string outPath = prefix + "Master." + extension;
  if (bOut) {
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (!std::filesystem::is_directory(outDir, ec)) {
      std::fprintf(stderr, "vorsk-cli master: cannot use the folder %s: %s\n", outDir.c_str(),
                   ec ? ec.message().c_str() : "Not a directory");
      return kExitFailed;
    }
    outPath = outDir + "/" + sessionName + "Master." + extension;
  }
  const std::string scratch = platform::ScratchFolder(platform::TempFolder());
  const std::string remakeFolder = scratch + "remake";
  if (scratch.empty() || !platform::MakeFolder(remakeFolder)) {
    std::fprintf(stderr, "vorsk-cli master: cannot make a scratch folder in %s\n", platform::TempFolder().c_str());
    return kExitFailed;
  }

  COptionSet options;
  CopyOptions(cli, options);
  theComposer.m_bFixedSessionId = true;
  theComposer.m_nFixedSessionId = cli.nSessionId;
  CConsoleProgressView progress = StderrProgress(cli.verbosity);
  CSession session(options, platform::ProgramPlaces(), &progress);
  session.m_strArchiveOverride = remakeFolder;
  session.m_bKeepStems = true;

  master::Report report;
  const int status = RunUnderSignals(session, progress, [&]() {
    if (Generate(session) != kGenerateOk) return kExitFailed;
    if (CancellingSignal()) return kMasterStepCancelled;
    if (session.m_bStemsFailed) {
      std::fputs("vorsk-cli master: no master made: the remade tracks could not all be kept\n", stderr);
      return kExitFailed;
    }
    const std::string savedMix = prefix + "Mix.wav";
    if (!platform::FileExists(savedMix)) {
      std::fprintf(stderr, "vorsk-cli master: there is no %s to compare the remade piece with\n", savedMix.c_str());
    } else if (!SameBytes(savedMix, session.m_strPiecePath)) {
      std::fprintf(stderr, "vorsk-cli master: the remade piece differs from %s (made with other sample "
                           "archives?); the master is made from the remade piece\n", savedMix.c_str());
    }
    return RunMasterStep("master", SessionStems(session.m_strSessionPrefix), WaveFrames(session.m_strPiecePath),
                         outPath, flags, MasterTags(sessionName, cli, cli.nSessionId), progress,
                         [] { return CancellingSignal() != 0; }, cli.verbosity, &report);
  });
  platform::RemoveScratchFolders();
  if (CancellingSignal()) {
    std::fputs("vorsk-cli master: cancelled\n", stderr);
    return kExitSignalBase + CancellingSignal();
  }
  if (status != kExitOk) return kExitFailed;
  if (cli.verbosity == kCliVerbose) std::fprintf(stderr, "%s\n", MasterTags(sessionName, cli, cli.nSessionId).comment.c_str());
  PrintMasterSummary(outPath, report);
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}
