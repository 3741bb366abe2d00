#include "cli/cli_options.h"

#include <cstring>

#include "options/option_set.h"

namespace {

enum class Kind { kCode, kLetterSet, kPianoInt, kLength, kSessionId };

// One common flag: its value kind, the valid values as --help and the error line print them,
// and where the value goes.
struct CommonFlag {
  const char* name;
  const char* valueName;
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

const std::vector<CommonFlag>& CommonFlags() {
  static const std::vector<CommonFlag> flags = {
      {"--note", "C", Kind::kCode, &CliOptions::strNote, "key note", Codes(kNoteCodes)},
      {"--scale", "S", Kind::kCode, &CliOptions::strScale, "scale", Codes(kScaleCodes)},
      {"--playmode", "M", Kind::kCode, &CliOptions::strPlayMode, "play mode: close or open",
       Codes(kPlayModeCodes)},
      {"--rhythm", "L", Kind::kLetterSet, &CliOptions::strRhythm,
       "rhythm section, distinct letters: B bass, D drums; \"\" for none", Codes(kRhythmCodes)},
      {"--harmony", "L", Kind::kLetterSet, &CliOptions::strHarmony,
       "sound plus, distinct letters: S strings, V voices; \"\" for none", Codes(kHarmonyCodes)},
      {"--forcepitch", "F", Kind::kCode, &CliOptions::strForcePitch,
       "force pitch: regular or free", Codes(kForcePitchCodes)},
      {"--tempo", "T", Kind::kCode, &CliOptions::strTempo, "tempo in quarter notes per minute",
       Codes(kTempoCodes)},
      {"--length", "MIN", Kind::kLength, &CliOptions::strLength, "length of the piece in minutes",
       {}},
      {"--pci", "P", Kind::kCode, &CliOptions::strPCI, "melody/song: simple or complex",
       Codes(kPCICodes)},
      {"--motive", "M", Kind::kCode, &CliOptions::strMotive, "motive: basic or full",
       Codes(kMotiveCodes)},
      {"--hand", "H", Kind::kCode, &CliOptions::strHand, "piano mode: full or right hand",
       Codes(kHandCodes)},
      {"--pianoint", "I", Kind::kPianoInt, &CliOptions::strPianoInt,
       "piano intensity: C off, any other code of 1 to 4 letters on", {}},
      {"--session-id", "N", Kind::kSessionId, nullptr,
       "session identifier (random seed) instead of the one taken from the clock", {}},
  };
  return flags;
}

std::string ValidValues(const CommonFlag& flag) {
  switch (flag.kind) {
    case Kind::kCode: {
      std::string list;
      for (const std::string& code : flag.codes) list += (list.empty() ? "" : ", ") + code;
      return list;
    }
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
  }
  return {};
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool Valid(const CommonFlag& flag, const std::string& value, uint32_t& sessionId) {
  switch (flag.kind) {
    case Kind::kCode:
      for (const std::string& code : flag.codes) {
        if (value == code) return true;
      }
      return false;
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

}  // namespace

CliParseResult ParseCliOptions(const char* command, int argc, char** argv,
                               const std::vector<CliExtraFlag>& extras, CliOptions& options,
                               std::FILE* errors) {
  // Help wins over every other flag, but a flag's value ("--out -h") is never taken for it.
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return kCliHelp;
    bool takesValue = false;
    for (const CommonFlag& flag : CommonFlags()) takesValue = takesValue || argv[i] == std::string(flag.name);
    for (const CliExtraFlag& flag : extras) {
      takesValue = takesValue || (argv[i] == flag.name && !flag.valueName.empty());
    }
    if (takesValue) ++i;
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

    const CommonFlag* common = nullptr;
    for (const CommonFlag& flag : CommonFlags()) {
      if (name == flag.name) common = &flag;
    }
    const CliExtraFlag* extra = nullptr;
    for (const CliExtraFlag& flag : extras) {
      if (name == flag.name) extra = &flag;
    }
    if (!common && !extra) {
      std::fprintf(errors, "vorsk-cli %s: unknown argument '%s' (see 'vorsk-cli %s --help')\n",
                   command, argv[i], command);
      return kCliUsageError;
    }

    const bool takesValue = common || !extra->valueName.empty();
    if (takesValue && !inlineValue) {
      if (i + 1 >= argc) {
        std::fprintf(errors, "vorsk-cli %s: %s needs a value (valid: %s)\n", command,
                     name.c_str(), common ? ValidValues(*common).c_str() : extra->valueName.c_str());
        return kCliUsageError;
      }
      value = argv[++i];
    }
    if (!takesValue && inlineValue) {
      std::fprintf(errors, "vorsk-cli %s: %s takes no value\n", command, name.c_str());
      return kCliUsageError;
    }

    if (extra) {
      if (extra->value) *extra->value = value;
      if (extra->given) *extra->given = true;
      continue;
    }
    uint32_t sessionId = 0;
    if (!Valid(*common, value, sessionId)) {
      std::fprintf(errors, "vorsk-cli %s: invalid value '%s' for %s (valid: %s)\n", command,
                   value.c_str(), name.c_str(), ValidValues(*common).c_str());
      return kCliUsageError;
    }
    if (common->kind == Kind::kSessionId) {
      options.bSessionId = true;
      options.nSessionId = sessionId;
    } else {
      options.*(common->field) = value;
    }
  }
  return kCliParsed;
}

void PrintCliHelp(std::FILE* out, const char* command, const char* summary,
                  const std::vector<CliExtraFlag>& extras) {
  std::fprintf(out, "Usage: vorsk-cli %s [options]\n\n%s\n\nOptions:\n", command, summary);
  const CliOptions defaults;
  for (const CommonFlag& flag : CommonFlags()) {
    std::string left = std::string(flag.name) + " " + flag.valueName;
    std::fprintf(out, "  %-18s %s\n", left.c_str(), flag.help);
    std::fprintf(out, "  %-18s   valid: %s", "", ValidValues(flag).c_str());
    if (flag.field) {
      std::fprintf(out, "; default: \"%s\"", (defaults.*(flag.field)).c_str());
    }
    std::fputs("\n", out);
  }
  for (const CliExtraFlag& flag : extras) {
    std::string left = flag.name + (flag.valueName.empty() ? "" : " " + flag.valueName);
    std::fprintf(out, "  %-18s %s\n", left.c_str(), flag.help.c_str());
  }
  std::fprintf(out, "  %-18s %s\n", "--help", "show this text");
}
