// Command-line options shared by the vorsk-cli commands that compose a piece (plan, generate).
//
// Each option flag takes the option's code exactly as the board stores it; an omitted flag keeps
// the start-up default (length "5"). Unlike the board, the command line validates: an unknown
// code, a length outside 1..60 minutes or a malformed session id is a usage error. A command
// adds flags of its own through CliExtraFlag. Single-threaded; nothing here owns files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct CliOptions {
  std::string strNote = "C";
  std::string strScale = "Maj";
  std::string strPlayMode = "Clo";
  std::string strRhythm = "D";
  std::string strHarmony;
  std::string strForcePitch = "Reg";
  std::string strTempo = "60";
  std::string strLength = "5";
  std::string strPCI = "Sim";
  std::string strMotive = "B";
  std::string strHand = "F";
  std::string strPianoInt = "C";
  bool bSessionId = false;  // --session-id given: replaces the identifier taken from the clock
  uint32_t nSessionId = 0;
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

enum CliParseResult { kCliParsed = 0, kCliHelp = 1, kCliUsageError = 2 };

// Parses the arguments after the command name ("--flag value" or "--flag=value").
// kCliHelp: --help or -h was given (nothing else is checked). kCliUsageError: a one-line
// message naming the flag and its valid values has been written to `errors`.
CliParseResult ParseCliOptions(const char* command, int argc, char** argv,
                               const std::vector<CliExtraFlag>& extras, CliOptions& options,
                               std::FILE* errors = stderr);

// The --help text of a command: usage line, summary and every flag with its values and default.
void PrintCliHelp(std::FILE* out, const char* command, const char* summary,
                  const std::vector<CliExtraFlag>& extras);
