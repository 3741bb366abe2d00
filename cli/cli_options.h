// Command-line options shared by the vorsk-cli commands.
//
// The composing commands (plan, generate) take the board's options as flags. Each flag takes
// the option's code as the board stores it (--note also takes note names such as "C#", "Db" or
// "f"); an omitted flag keeps the start-up default (length "5"). Unlike the board, the command
// line validates: an unknown code, a length outside 1..60 minutes or a malformed session id is
// a usage error. --from-log FILE takes every option and the session id from a session log
// instead (LoadLoggedOptions). Every flag is spelled in words with hyphens; the older
// spellings (--playmode, --forcepitch, --pianoint, --pci) still work.
//
// Every command takes -q/--quiet (no progress) and -v/--verbose (more detail). A command adds
// flags of its own through CliExtraFlag. Single-threaded; nothing here owns files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "options/option_set.h"

enum CliVerbosity { kCliNormal = 0, kCliQuiet = 1, kCliVerbose = 2 };

struct CliOptions {
  std::string strNote = kOptionDefaults.note;
  std::string strScale = kOptionDefaults.scale;
  std::string strPlayMode = kOptionDefaults.playMode;
  std::string strRhythm = kOptionDefaults.rhythm;
  std::string strHarmony = kOptionDefaults.harmony;
  std::string strForcePitch = kOptionDefaults.forcePitch;
  std::string strTempo = kOptionDefaults.tempo;
  std::string strLength = kOptionDefaults.generateLength;
  std::string strPCI = kOptionDefaults.pci;
  std::string strMotive = kOptionDefaults.motive;
  std::string strHand = kOptionDefaults.hand;
  std::string strPianoInt = kOptionDefaults.pianoInt;
  bool bSessionId = false;  // --session-id given: replaces the identifier taken from the clock
  uint32_t nSessionId = 0;
  std::string strFromLog;   // --from-log FILE; empty when not given
  std::string strOptionFlag;  // the first option flag given (for the --from-log conflict)
  CliVerbosity verbosity = kCliNormal;
};

// A flag that only one command knows. With a value name the flag takes a value, stored into
// *value (any text); without one it is a switch. *given (optional) becomes true when it occurs.
struct CliExtraFlag {
  std::string name;       // "--out"
  std::string valueName;  // "DIR", or empty for a switch
  std::string help;       // one line for --help
  std::string* value = nullptr;
  bool* given = nullptr;
};

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

enum CliParseResult { kCliParsed = 0, kCliHelp = 1, kCliUsageError = 2 };

// Parses the arguments after the command name ("--flag value" or "--flag=value"). With
// bComposing false only -q, -v, --help and the extras are known. kCliHelp: --help or -h was
// given (nothing else is checked). kCliUsageError: a one-line message naming the flag and its
// valid values has been written to `errors` (also for --from-log with an option flag).
CliParseResult ParseCliOptions(const char* command, int argc, char** argv,
                               const std::vector<CliExtraFlag>& extras, CliOptions& options,
                               std::FILE* errors = stderr, bool bComposing = true);

// The board's code of a note name: a code itself ("C", "CD", ... "AB"), or a letter A-G in
// either case with an optional "#" or "b" ("C#", "Db", "c#", "bb", "E#"). false for others.
bool NoteCodeOf(const std::string& name, std::string& code);

// Reads the session log named by options.strFromLog into options (codes and session id).
// false after a message on `errors` naming the file and, for a file that is not such a log,
// the line ("vorsk-cli generate: FILE:7: expected ...").
bool LoadLoggedOptions(const char* command, CliOptions& options, std::FILE* errors = stderr);

// The flags that give these options and the session id, in the order --help lists them
// ("--note C --scale Maj ... --session-id 7"), for -v to show how to make a piece again.
std::string OptionFlags(const CliOptions& options, uint32_t sessionId);

// The --help text of a command: usage line, summary, every flag with its values and default,
// and the exit statuses (exitStatus: "0 done, 1 failed, ...").
void PrintCliHelp(std::FILE* out, const char* command, const char* summary, const char* exitStatus,
                  const std::vector<CliExtraFlag>& extras, bool bComposing = true);
