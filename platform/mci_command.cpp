#include "platform/mci_command.h"

#include <cctype>
#include <vector>

#include "platform/mci.h"

namespace platform {
namespace {

// Longest millisecond count a seek takes (above a day of sound).
constexpr size_t kMaxMsDigits = 12;

std::string Lower(const std::string& word) {
  std::string lower = word;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Splits at blanks; a word that begins with a double quote runs to the next one. False when a
// quote is not closed.
bool SplitWords(const std::string& text, std::vector<std::string>& words) {
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
    } else if (text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      if (close == std::string::npos) return false;
      words.push_back(text.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      const size_t start = i;
      while (i < text.size() && !IsBlank(text[i])) ++i;
      words.push_back(text.substr(start, i - start));
    }
  }
  return true;
}

bool ParseMs(const std::string& word, long long& ms) {
  if (word.empty() || word.size() > kMaxMsDigits) return false;
  ms = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    ms = ms * 10 + (c - '0');
  }
  return true;
}

// The words after the verb (and its alias) that the command allows at its end.
bool TakeFlags(const std::vector<std::string>& words, size_t from, bool allowWait,
               bool allowNotify, MciCommand& command) {
  for (size_t i = from; i < words.size(); ++i) {
    const std::string word = Lower(words[i]);
    if (word == "wait" && allowWait) {
      command.wait = true;
    } else if (word == "notify" && allowNotify) {
      command.notify = true;
    } else {
      return false;
    }
  }
  return true;
}

int ParseOpen(const std::vector<std::string>& words, MciCommand& command) {
  if (words.size() < 2) return kMciErrBadSyntax;
  command.path = words[1];
  for (size_t i = 2; i < words.size(); ++i) {
    const std::string word = Lower(words[i]);
    if (word == "wait") {
      command.wait = true;
    } else if (word == "type" && i + 1 < words.size()) {
      if (Lower(words[++i]) != "waveaudio") return kMciErrBadSyntax;
    } else if (word == "alias" && i + 1 < words.size()) {
      command.alias = words[++i];
    } else {
      return kMciErrBadSyntax;
    }
  }
  return command.alias.empty() || Lower(command.alias) == "all" ? kMciErrBadSyntax : kMciOk;
}

int ParseWithAlias(const std::vector<std::string>& words, MciCommand& command) {
  if (words.size() < 2 || words[1].empty()) return kMciErrBadSyntax;
  command.alias = words[1];
  if (Lower(command.alias) == "all") {
    if (command.verb != MciVerb::Close) return kMciErrBadSyntax;
    command.alias.clear();
    command.closeAll = true;
  }
  auto lowerAt = [&words](size_t i) { return i < words.size() ? Lower(words[i]) : std::string(); };
  size_t rest = 2;
  switch (command.verb) {
    case MciVerb::Set: {
      const std::string format = lowerAt(4);
      if (lowerAt(2) != "time" || lowerAt(3) != "format" ||
          (format != "ms" && format != "milliseconds")) {
        return kMciErrBadSyntax;
      }
      rest = 5;
      break;
    }
    case MciVerb::Status:
      if (lowerAt(2) == "length") {
        command.item = MciStatusItem::Length;
      } else if (lowerAt(2) == "position") {
        command.item = MciStatusItem::Position;
      } else {
        return kMciErrBadSyntax;
      }
      rest = 3;
      break;
    case MciVerb::Seek:
      if (lowerAt(2) != "to") return kMciErrBadSyntax;
      if (lowerAt(3) == "start") {
        command.seekTarget = MciSeekTarget::Start;
      } else if (lowerAt(3) == "end") {
        command.seekTarget = MciSeekTarget::End;
      } else if (!ParseMs(lowerAt(3), command.seekMs)) {
        return kMciErrBadSyntax;
      }
      rest = 4;
      break;
    default:
      break;
  }
  const bool isPlay = command.verb == MciVerb::Play;
  return TakeFlags(words, rest, !isPlay, isPlay, command) ? kMciOk : kMciErrBadSyntax;
}

}  // namespace

std::string MciAliasKey(const std::string& alias) { return Lower(alias); }

int ParseMciCommand(const std::string& text, MciCommand& command) {
  command = MciCommand{};
  std::vector<std::string> words;
  const bool split = SplitWords(text, words);
  if (words.empty()) return split ? kMciErrUnknownCommand : kMciErrBadSyntax;
  static const struct {
    const char* word;
    MciVerb verb;
  } kVerbs[] = {{"open", MciVerb::Open},   {"close", MciVerb::Close}, {"set", MciVerb::Set},
                {"status", MciVerb::Status}, {"play", MciVerb::Play},   {"pause", MciVerb::Pause},
                {"stop", MciVerb::Stop},   {"seek", MciVerb::Seek}};
  const std::string verb = Lower(words[0]);
  for (const auto& known : kVerbs) {
    if (verb != known.word) continue;
    if (!split) return kMciErrBadSyntax;
    command.verb = known.verb;
    return known.verb == MciVerb::Open ? ParseOpen(words, command) : ParseWithAlias(words, command);
  }
  return kMciErrUnknownCommand;
}

}  // namespace platform
