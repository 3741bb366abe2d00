// vorsk-cli plan: composes a piece and prints its plan. Standard output carries one line per
// bar ("<notes> <rhythm>"), then "CHOICES" with the section choices, then "VELOCITIES " with the
// velocity string, and nothing else; messages go to standard error.
#include <cstdio>
#include <string>

#include "cli/cli_options.h"
#include "cli/commands.h"
#include "compose/composer.h"
#include "platform/file_io.h"
#include "platform/system_paths.h"
#include "render/midi_export.h"

namespace {

const char kSummary[] =
    "Composes a piece from the options and prints its plan: one line per bar (two-digit note\n"
    "numbers 01..48, a blank, one-digit durations in eighths), then CHOICES with the drum-loop\n"
    "choice of each 8-bar section, then VELOCITIES with the velocity string. The same session\n"
    "id and options always print the same plan; --from-log FILE prints the plan of a session.\n"
    "With --midi FILE the piece is also written as a Standard MIDI File (type 1, 480 ticks per\n"
    "quarter) that lines up with the Mix.wav that 'vorsk-cli generate' makes of the same options\n"
    "and session id. With -v the flags that make the same plan go to standard error.";

const char kExitStatus[] =
    "0 printed, 1 failed (a log that cannot be read or written, a MIDI file that cannot be\n"
    "written), 2 usage error.";

}  // namespace

int RunPlan(int argc, char** argv, CliVerbosity verbosity) {
  CliOptions options;
  options.verbosity = verbosity;
  std::string logPrefix, midiPath;
  bool bLogPrefix = false;  // the session log is logPrefix + "log.txt", kept
  bool bMidi = false;
  const std::vector<CliExtraFlag> extras = {
      {"--log-prefix", "P", "write the session log to P + \"log.txt\" and keep it", &logPrefix,
       &bLogPrefix},
      {"--midi", "FILE", "also write the piece as a Standard MIDI File", &midiPath, &bMidi}};
  switch (ParseCliOptions("plan", argc, argv, extras, options)) {
    case kCliHelp:
      PrintCliHelp(stdout, "plan", kSummary, kExitStatus, extras);
      return kExitOk;
    case kCliUsageError:
      return kExitUsage;
    case kCliParsed:
      break;
  }
  if (bMidi && (midiPath.empty() || midiPath[0] == '-')) {
    std::fputs("vorsk-cli plan: --midi needs a file name (write ./-x for a file that begins with "
               "'-')\n", stderr);
    return kExitUsage;
  }
  if (!options.strFromLog.empty() && !LoadLoggedOptions("plan", options)) return kExitFailed;

  // Without --log-prefix the log goes to a uniquely named scratch file, removed afterwards.
  std::string prefix = logPrefix;
  std::string scratch;
  if (!bLogPrefix) {
    scratch = platform::MakeTempFileName(platform::TempFolder());
    if (scratch.empty()) {
      std::fprintf(stderr, "vorsk-cli plan: cannot create a file in the temporary folder %s\n",
                   platform::TempFolder().c_str());
      return kExitFailed;
    }
    prefix = scratch + "_";
  }

  CComposer& composer = theComposer;
  composer.m_bFixedSessionId = options.bSessionId;
  composer.m_nFixedSessionId = options.nSessionId;
  composer.m_nBars = 0;  // stays 0 when Compose stops before composing
  composer.Compose(prefix, options.strNote, options.strScale, options.strPlayMode,
                   options.strRhythm, options.strHarmony, options.strForcePitch, options.strTempo,
                   options.strLength, options.strPCI, options.strMotive, options.strHand,
                   options.strPianoInt, "");
  if (!scratch.empty()) {
    platform::DeleteFile(prefix + "log.txt");
    platform::DeleteFile(scratch);
  }
  if (composer.m_nBars == 0) {
    std::fprintf(stderr, "vorsk-cli plan: cannot create the session log %slog.txt\n",
                 prefix.c_str());
    return kExitFailed;
  }

  if (options.verbosity == kCliVerbose) {
    std::fprintf(stderr, "vorsk-cli plan %s\n", OptionFlags(options, composer.m_nSessionId).c_str());
  }
  composer.RewindPlan();
  std::string bar;
  for (int i = 0; i < composer.m_nBars; ++i) {
    composer.NextBar(bar);
    std::fputs(bar.c_str(), stdout);
    std::fputc('\n', stdout);
  }
  composer.RewindPlan();
  std::fputs("CHOICES", stdout);
  for (int i = 0; i < composer.m_nSectionChoices; ++i) std::printf(" %d", composer.m_sectionChoice[i]);
  std::fputs("\nVELOCITIES ", stdout);
  std::fputs(composer.m_strVelocities.c_str(), stdout);
  std::fputc('\n', stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "vorsk-cli plan: cannot write the plan to standard output\n");
    return kExitFailed;
  }
  if (bMidi) {
    const midi::PieceTracks tracks{options.strHand, options.strRhythm, options.strHarmony};
    if (midi::WritePieceMidi(midiPath, composer, tracks) != midi::kMidiWritten) {
      const platform::FileFailure failure = platform::LastFileFailure();
      std::fprintf(stderr, "vorsk-cli plan: cannot write the MIDI file %s: %s\n", midiPath.c_str(),
                   failure.nError != 0 ? platform::ErrorText(failure.nError).c_str() : "short write");
      return kExitFailed;
    }
  }
  return kExitOk;
}
