#include "compose/session_log.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "options/option_set.h"
#include "platform/file_io.h"

namespace {

constexpr const char* kHeader = "Vorsk generate started at: ";

// One logged word (as Compose writes it, trailing blanks included) and the code it stands for.
struct Choice {
  const char* word;
  const char* code;
};

// An option line: its label and the words it may carry.
struct OptionRow {
  const char* label;
  std::string LoggedSession::*field;
  std::vector<Choice> choices;
};

const std::vector<OptionRow>& OptionRows() {
  static const std::vector<OptionRow> rows = [] {
    std::vector<OptionRow> list = {
      {" Note: ", &LoggedSession::strNote,
       {{"C", "C"}, {"C#", "CD"}, {"D", "D"}, {"D#", "DE"}, {"E", "E"}, {"F", "F"},
        {"F#", "FG"}, {"G", "G"}, {"G#", "GA"}, {"A", "A"}, {"A#", "AB"}, {"B", "B"}}},
      {" Scale: ", &LoggedSession::strScale,
       {{"Major", "Maj"}, {"Minor", "Min"}, {"PentatonMajor", "PMaj"}, {"PentatonMinor", "PMin"}}},
      {" SoundPlus: ", &LoggedSession::strHarmony,
       {{"Strings ", "S"}, {"Voices ", "V"}, {"Strings Voices ", "SV"}, {"None", ""}}},
      {" Rhythm: ", &LoggedSession::strRhythm,
       {{"Bass ", "B"}, {"Drums", "D"}, {"Bass Drums", "BD"}, {"None", ""}}},
      {" Play mode: ", &LoggedSession::strPlayMode, {{"Open", "Ope"}, {"Close", "Clo"}}},
      {" Force pitch: ", &LoggedSession::strForcePitch, {{"Regular", "Reg"}, {"Free", "Fre"}}},
      {" Melody/Song: ", &LoggedSession::strPCI, {{"Simple", "Sim"}, {"Complex", "Com"}}},
      {" Motive: ", &LoggedSession::strMotive, {{"Basic", "B"}, {"Full", "F"}}},
      {" Piano mode: ", &LoggedSession::strHand, {{"Right hand", "R"}, {"Full", "F"}}},
      {" Intensity: ", &LoggedSession::strPianoInt, {{"No", kPianoIntOff}, {"Yes", kPianoIntOn}}},
    };
    OptionRow tempo{" Tempo: ", &LoggedSession::strTempo, {}};
    for (const OptionCode& code : kTempoCodes) tempo.choices.push_back({code.code, code.code});
    list.push_back(tempo);
    return list;
  }();
  return rows;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The lines of text; a final line end does not start another line.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// A decimal number without sign or leading zeros, at most max; false otherwise.
bool ReadNumber(const std::string& text, unsigned long long max, unsigned long long& value) {
  if (text.empty() || text.size() > 10 || (text[0] == '0' && text.size() > 1)) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value <= max;
}

}  // namespace

int ReadSessionLogText(const std::string& path, std::string& text) {
  text.clear();
  // A pipe or device is refused before anything is read from it.
  const int fd = platform::OpenRegularDescriptor(path);
  if (fd < 0) return errno;
  std::FILE* file = ::fdopen(fd, "rb");
  if (!file) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  char buffer[kMaxSessionLogBytes + 1];
  text.assign(buffer, std::fread(buffer, 1, sizeof buffer, file));
  const int error = std::ferror(file) ? errno : 0;  // a folder, an unreadable device
  std::fclose(file);
  return error;
}

SessionLogResult ReadSessionLog(const std::string& text, LoggedSession& session, int* badLine,
                                std::string* why) {
  auto refuse = [&](int line, const std::string& expected) {
    if (badLine) *badLine = line;
    if (why) *why = expected;
    return kSessionLogRefused;
  };
  if (text.size() > kMaxSessionLogBytes) {
    return refuse(1, "not a session log (more than " + std::to_string(kMaxSessionLogBytes) + " bytes)");
  }
  const std::vector<std::string> lines = SplitLines(text);
  auto line = [&](size_t number) -> const std::string* {
    return number <= lines.size() ? &lines[number - 1] : nullptr;
  };

  LoggedSession read;
  const std::string* header = line(1);
  if (!header || (!header->empty() && !StartsWith(*header, kHeader))) {
    return refuse(1, "not a session log: expected " + Quoted(std::string(kHeader) + "<date and time>"));
  }
  if (!header->empty()) read.strStarted = header->substr(std::string(kHeader).size());
  if (!line(2) || !line(2)->empty()) return refuse(2, "expected an empty line");
  if (!line(3) || *line(3) != "Parameters:") return refuse(3, "expected " + Quoted("Parameters:"));

  size_t number = 4;
  for (const OptionRow& row : OptionRows()) {
    const std::string* current = line(number);
    bool found = false;
    std::string words;
    for (size_t i = 0; i < row.choices.size(); ++i) {
      const Choice& choice = row.choices[i];
      if (current && *current == std::string(row.label) + choice.word) {
        read.*row.field = choice.code;
        found = true;
      }
      words += (i == 0 ? "" : i + 1 == row.choices.size() ? " or " : ", ") + Quoted(choice.word);
    }
    if (!found) return refuse(static_cast<int>(number), "expected " + Quoted(row.label) + " followed by " + words);
    ++number;
  }

  const std::string generate = " Generate: ", minutes = " min.";
  const std::string* length = line(number);
  unsigned long long value = 0;
  if (!length || !StartsWith(*length, generate) || length->size() < generate.size() + minutes.size() ||
      length->compare(length->size() - minutes.size(), minutes.size(), minutes) != 0 ||
      !ReadNumber(length->substr(generate.size(), length->size() - generate.size() - minutes.size()),
                  kMaxLoggedMinutes, value) ||
      value == 0) {
    return refuse(static_cast<int>(number), "expected " + Quoted(generate + "<minutes, 1 to " +
                                                                 std::to_string(kMaxLoggedMinutes) + ">" + minutes));
  }
  read.strLength = std::to_string(value);
  ++number;

  const std::string idLabel = " Session ID: ";
  const std::string* id = line(number);
  if (!id || !StartsWith(*id, idLabel) || !ReadNumber(id->substr(idLabel.size()), UINT32_MAX, value)) {
    return refuse(static_cast<int>(number), "expected " + Quoted(idLabel + "<number, 0 to 4294967295>"));
  }
  read.nSessionId = static_cast<uint32_t>(value);
  ++number;
  if (line(number)) return refuse(static_cast<int>(number), "expected the end of the log after the session id");

  session = read;
  return kSessionLogRead;
}
