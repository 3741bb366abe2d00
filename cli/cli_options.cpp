#include "cli/cli_options.h"

#include <cerrno>
#include <cstring>

#include "compose/session_log.h"
#include "options/option_set.h"
#include "platform/file_io.h"

namespace {

enum class Kind { kCode, kNote, kLetterSet, kPianoInt, kLength, kSessionId, kFromLog, kQuiet, kVerbose };

// One common flag: its value kind, the valid values as --help and the error line print them,
// and where the value goes.
struct CommonFlag {
  const char* name;
  const char* alias;  // the older spelling, or nullptr
  const char* valueName;  // nullptr for a switch
  Kind kind;
  std::string CliOptions::*field;
  const char* help;
  std::vector<std::string> codes;  // kCode: the codes; kLetterSet: the letters
};

template <size_t N>
std::vector<std::string> Codes(const OptionCode (&codes)[N]) {
  std::vector<std::string> result;
  for (const OptionCode& code : codes) result.push_back(code.code);
  return result;
}

// The composing flags, then the switches every command knows.
const std::vector<CommonFlag>& CommonFlags() {
  static const std::vector<CommonFlag> flags = {
      {"--note", nullptr, "NOTE", Kind::kNote, &CliOptions::strNote, "key note", Codes(kNoteCodes)},
      {"--scale", nullptr, "S", Kind::kCode, &CliOptions::strScale,
       "scale: major, minor, pentatonic major or minor", Codes(kScaleCodes)},
      {"--play-mode", "--playmode", "M", Kind::kCode, &CliOptions::strPlayMode,
       "play mode: close or open", Codes(kPlayModeCodes)},
      {"--rhythm", nullptr, "L", Kind::kLetterSet, &CliOptions::strRhythm,
       "rhythm section, distinct letters: B bass, D drums; \"\" for none", Codes(kRhythmCodes)},
      {"--harmony", nullptr, "L", Kind::kLetterSet, &CliOptions::strHarmony,
       "sound plus, distinct letters: S strings, V voices; \"\" for none", Codes(kHarmonyCodes)},
      {"--force-pitch", "--forcepitch", "F", Kind::kCode, &CliOptions::strForcePitch,
       "force pitch: regular or free", Codes(kForcePitchCodes)},
      {"--tempo", nullptr, "T", Kind::kCode, &CliOptions::strTempo,
       "tempo in quarter notes per minute", Codes(kTempoCodes)},
      {"--length", nullptr, "MIN", Kind::kLength, &CliOptions::strLength,
       "length of the piece in minutes", {}},
      {"--melody-song", "--pci", "P", Kind::kCode, &CliOptions::strPCI,
       "melody/song: simple or complex", Codes(kPCICodes)},
      {"--motive", nullptr, "M", Kind::kCode, &CliOptions::strMotive, "motive: basic or full",
       Codes(kMotiveCodes)},
      {"--hand", nullptr, "H", Kind::kCode, &CliOptions::strHand, "piano mode: full or right hand",
       Codes(kHandCodes)},
      {"--piano-intensity", "--pianoint", "I", Kind::kPianoInt, &CliOptions::strPianoInt,
       "piano intensity: off or on", {}},
      {"--session-id", nullptr, "N", Kind::kSessionId, nullptr,
       "session identifier (random seed) instead of the one taken from the clock", {}},
      {"--from-log", nullptr, "FILE", Kind::kFromLog, nullptr,
       "make the piece of a session log (<session>log.txt) again, with the log's options and "
       "session id (so no option flag)", {}},
      {"-q", "--quiet", nullptr, Kind::kQuiet, nullptr, "no progress (messages and results still appear)", {}},
      {"-v", "--verbose", nullptr, Kind::kVerbose, nullptr, "more detail on standard error", {}},
  };
  return flags;
}

bool IsSwitch(const CommonFlag& flag) { return flag.valueName == nullptr; }

bool Named(const CommonFlag& flag, const std::string& name) {
  return name == flag.name || (flag.alias && name == flag.alias);
}

std::string ValidValues(const CommonFlag& flag) {
  switch (flag.kind) {
    case Kind::kCode: {
      std::string list;
      for (const std::string& code : flag.codes) list += (list.empty() ? "" : ", ") + code;
      return list;
    }
    case Kind::kNote:
      return "C, C#/Db, D, D#/Eb, E, F, F#/Gb, G, G#/Ab, A, A#/Bb, B in either case, or the "
             "codes CD, DE, FG, GA, AB";
    case Kind::kLetterSet: {
      std::string list = "\"\"";
      for (const std::string& a : flag.codes) list += ", " + a;
      for (const std::string& a : flag.codes) {
        for (const std::string& b : flag.codes) {
          if (a != b) list += ", " + a + b;
        }
      }
      return list;
    }
    case Kind::kPianoInt:
      return "C (off) or any other code of 1 to 4 letters (on)";
    case Kind::kLength:
      return "a whole number of minutes from 1 to 60";
    case Kind::kSessionId:
      return "a decimal number from 0 to 4294967295";
    case Kind::kFromLog:
    case Kind::kQuiet:
    case Kind::kVerbose:
      return {};
  }
  return {};
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// true when value is valid for flag; the value to store (a note's code) goes to *stored.
bool Valid(const CommonFlag& flag, const std::string& value, uint32_t& sessionId, std::string& stored) {
  stored = value;
  switch (flag.kind) {
    case Kind::kCode:
      for (const std::string& code : flag.codes) {
        if (value == code) return true;
      }
      return false;
    case Kind::kNote:
      return NoteCodeOf(value, stored);
    case Kind::kFromLog:
      return !value.empty();
    case Kind::kQuiet:
    case Kind::kVerbose:
      return true;
    case Kind::kLetterSet:
      for (size_t i = 0; i < value.size(); ++i) {
        bool known = false;
        for (const std::string& letter : flag.codes) known = known || value[i] == letter[0];
        if (!known || value.find(value[i]) != i) return false;
      }
      return true;
    case Kind::kPianoInt: {
      if (value.empty() || value.size() > 4) return false;
      for (const char c : value) {
        if (!IsLetter(c)) return false;
      }
      return true;
    }
    case Kind::kLength: {
      if (value.empty() || value.size() > 2 || value[0] == '0') return false;
      int minutes = 0;
      for (const char c : value) {
        if (!IsDigit(c)) return false;
        minutes = minutes * 10 + (c - '0');
      }
      return minutes >= 1 && minutes <= 60;
    }
    case Kind::kSessionId: {
      if (value.empty() || value.size() > 10) return false;
      uint64_t id = 0;
      for (const char c : value) {
        if (!IsDigit(c)) return false;
        id = id * 10 + static_cast<uint64_t>(c - '0');
      }
      if (id > UINT32_MAX) return false;
      sessionId = static_cast<uint32_t>(id);
      return true;
    }
  }
  return false;
}

// Whether a common flag is known to the command.
bool Known(const CommonFlag& flag, bool bComposing) {
  return bComposing || flag.kind == Kind::kQuiet || flag.kind == Kind::kVerbose;
}

}  // namespace

bool NoteCodeOf(const std::string& name, std::string& code) {
  for (const OptionCode& known : kNoteCodes) {
    if (name == known.code) {
      code = known.code;
      return true;
    }
  }
  // Semitones above C of the natural notes A..G.
  static constexpr int kNatural[7] = {9, 11, 0, 2, 4, 5, 7};
  if (name.empty() || name.size() > 2) return false;
  const char letter = static_cast<char>(name[0] | 0x20);  // lower case
  if (letter < 'a' || letter > 'g') return false;
  int semitone = kNatural[letter - 'a'];
  if (name.size() == 2) {
    if (name[1] == '#') {
      ++semitone;
    } else if (name[1] == 'b') {
      semitone += 11;
    } else {
      return false;
    }
  }
  code = kNoteCodes[semitone % 12].code;
  return true;
}

CliParseResult ParseCliOptions(const char* command, int argc, char** argv,
                               const std::vector<CliExtraFlag>& extras, CliOptions& options,
                               std::FILE* errors, bool bComposing) {
  auto common = [&](const std::string& name) -> const CommonFlag* {
    for (const CommonFlag& flag : CommonFlags()) {
      if (Known(flag, bComposing) && Named(flag, name)) return &flag;
    }
    return nullptr;
  };
  auto extra = [&](const std::string& name) -> const CliExtraFlag* {
    for (const CliExtraFlag& flag : extras) {
      if (name == flag.name) return &flag;
    }
    return nullptr;
  };
  // Help wins over every other flag, but a flag's value ("--out -h") is never taken for it.
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return kCliHelp;
    const CommonFlag* c = common(argv[i]);
    const CliExtraFlag* e = extra(argv[i]);
    if ((c && !IsSwitch(*c)) || (e && !e->valueName.empty())) ++i;
  }
  for (int i = 0; i < argc; ++i) {
    std::string name = argv[i];
    std::string value;
    bool inlineValue = false;
    const size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      inlineValue = true;
    }

    const CommonFlag* flag = common(name);
    const CliExtraFlag* own = flag ? nullptr : extra(name);
    if (!flag && !own) {
      std::fprintf(errors, "vorsk-cli %s: unknown argument '%s' (see 'vorsk-cli %s --help')\n",
                   command, argv[i], command);
      return kCliUsageError;
    }

    const bool takesValue = flag ? !IsSwitch(*flag) : !own->valueName.empty();
    if (takesValue && !inlineValue) {
      if (i + 1 >= argc) {
        std::fprintf(errors, "vorsk-cli %s: %s needs a value (valid: %s)\n", command,
                     name.c_str(), flag ? ValidValues(*flag).c_str() : own->valueName.c_str());
        return kCliUsageError;
      }
      value = argv[++i];
    }
    if (!takesValue && inlineValue) {
      std::fprintf(errors, "vorsk-cli %s: %s takes no value\n", command, name.c_str());
      return kCliUsageError;
    }

    if (own) {
      if (own->value) *own->value = value;
      if (own->given) *own->given = true;
      continue;
    }
    uint32_t sessionId = 0;
    std::string stored;
    if (!Valid(*flag, value, sessionId, stored)) {
      std::fprintf(errors, "vorsk-cli %s: invalid value '%s' for %s (valid: %s)\n", command,
                   value.c_str(), name.c_str(), ValidValues(*flag).c_str());
      return kCliUsageError;
    }
    switch (flag->kind) {
      case Kind::kQuiet:
        options.verbosity = kCliQuiet;
        continue;
      case Kind::kVerbose:
        options.verbosity = kCliVerbose;
        continue;
      case Kind::kFromLog:
        options.strFromLog = value;
        continue;
      case Kind::kSessionId:
        options.bSessionId = true;
        options.nSessionId = sessionId;
        break;
      default:
        options.*(flag->field) = stored;
        break;
    }
    if (options.strOptionFlag.empty()) options.strOptionFlag = name;
  }
  if (!options.strFromLog.empty() && !options.strOptionFlag.empty()) {
    std::fprintf(errors, "vorsk-cli %s: --from-log takes the options and the session id from the log; "
                         "leave out %s\n", command, options.strOptionFlag.c_str());
    return kCliUsageError;
  }
  return kCliParsed;
}

bool LoadLoggedOptions(const char* command, CliOptions& options, std::FILE* errors) {
  const std::string& path = options.strFromLog;
  std::string text;
  const int error = ReadSessionLogText(path, text);
  if (error != 0) {
    std::fprintf(errors, "vorsk-cli %s: cannot read %s: %s\n", command, path.c_str(),
                 platform::ErrorText(error).c_str());
    return false;
  }
  LoggedSession logged;
  int line = 0;
  std::string why;
  if (ReadSessionLog(text, logged, &line, &why) != kSessionLogRead) {
    std::fprintf(errors, "vorsk-cli %s: %s:%d: %s\n", command, path.c_str(), line, why.c_str());
    return false;
  }
  options.strNote = logged.strNote;
  options.strScale = logged.strScale;
  options.strPlayMode = logged.strPlayMode;
  options.strRhythm = logged.strRhythm;
  options.strHarmony = logged.strHarmony;
  options.strForcePitch = logged.strForcePitch;
  options.strTempo = logged.strTempo;
  options.strLength = logged.strLength;
  options.strPCI = logged.strPCI;
  options.strMotive = logged.strMotive;
  options.strHand = logged.strHand;
  options.strPianoInt = logged.strPianoInt;
  options.bSessionId = true;
  options.nSessionId = logged.nSessionId;
  return true;
}

std::string OptionFlags(const CliOptions& options, uint32_t sessionId) {
  std::string flags;
  for (const CommonFlag& flag : CommonFlags()) {
    if (!flag.field) continue;
    const std::string& value = options.*(flag.field);
    flags += std::string(flags.empty() ? "" : " ") + flag.name + " " + (value.empty() ? "\"\"" : value);
  }
  return flags + " --session-id " + std::to_string(sessionId);
}

namespace {

constexpr int kHelpWidth = 79;  // help lines wrap before this column
constexpr int kHelpIndent = 27;  // where a flag's description starts

// text broken at blanks into lines that end before kHelpWidth; it starts at column indent, and
// so does every line after the first.
std::string Wrapped(const std::string& text, int indent) {
  std::string result;
  int column = indent;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    const int length = static_cast<int>(end - at);
    if (at > 0) {
      if (column + 1 + length > kHelpWidth) {
        result += "\n" + std::string(indent, ' ');
        column = indent;
      } else {
        result += ' ';
        ++column;
      }
    }
    result.append(text, at, end - at);
    column += length;
    at = end + 1;
  }
  return result;
}

}  // namespace

void PrintCliHelp(std::FILE* out, const char* command, const char* summary, const char* exitStatus,
                  const std::vector<CliExtraFlag>& extras, bool bComposing) {
  std::fprintf(out, "Usage: vorsk-cli %s [options]\n\n%s\n\nOptions:\n", command, summary);
  const CliOptions defaults;
  // "  --flag VALUE" and its description from column kHelpIndent, or on the next line.
  auto row = [out](const std::string& left, const std::string& help) {
    std::string line = "  " + left;
    if (static_cast<int>(line.size()) >= kHelpIndent - 1) {
      line += "\n" + std::string(kHelpIndent, ' ');
    } else {
      line.resize(kHelpIndent, ' ');
    }
    std::fprintf(out, "%s%s\n", line.c_str(), Wrapped(help, kHelpIndent).c_str());
  };
  for (const CommonFlag& flag : CommonFlags()) {
    if (!bComposing || IsSwitch(flag)) continue;
    std::string help = flag.help;
    const std::string values = ValidValues(flag);
    if (!values.empty()) help += "; valid: " + values;
    if (flag.field) help += "; default: \"" + defaults.*(flag.field) + "\"";
    if (flag.alias) help += "; also spelled " + std::string(flag.alias);
    row(std::string(flag.name) + " " + flag.valueName, help);
  }
  for (const CliExtraFlag& flag : extras) {
    row(flag.name + (flag.valueName.empty() ? "" : " " + flag.valueName), flag.help);
  }
  for (const CommonFlag& flag : CommonFlags()) {
    if (IsSwitch(flag)) row(std::string(flag.name) + ", " + flag.alias, flag.help);
  }
  row("-h, --help", "show this text and exit");
  std::string status = std::string("  ") + exitStatus;
  for (size_t at = status.find('\n'); at != std::string::npos; at = status.find('\n', at + 1)) {
    status.insert(at + 1, "  ");
  }
  std::fprintf(out, "\nExit status:\n%s\n", status.c_str());
}
