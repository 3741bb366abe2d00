#include "session/session_list.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "platform/file_io.h"
#include "platform/system_paths.h"
#include "session/session_runs.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kNameLength = 14;  // "yymmdd_hhmmss_"

bool IsSessionName(const std::string& name) {
  if (name.size() != kNameLength) return false;
  for (size_t i = 0; i < kNameLength; ++i) {
    const bool separator = i == 6 || i == 13;
    if (separator ? name[i] != '_' : (name[i] < '0' || name[i] > '9')) return false;
  }
  return true;
}

bool StartsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The phrase number NN of "Mix_NN.wav" or "Piano_NN.wav" (the part after the session name);
// "" for any other file.
std::string ExcerptNumber(const std::string& rest) {
  for (const char* kind : {"Mix_", "Piano_"}) {
    const std::string start = kind;
    if (!StartsWith(rest, kind) || !EndsWith(rest, ".wav")) continue;
    const std::string number = rest.substr(start.size(), rest.size() - start.size() - 4);
    if (!number.empty() && std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return number;
    }
  }
  return {};
}

// Files the run of a session makes and no listing shows as the session's.
bool IsScratch(const std::string& rest) { return rest == "tmp.wav"; }

}  // namespace

std::string SessionStartText(const std::string& name) {
  if (!IsSessionName(name)) return {};
  return "20" + name.substr(0, 2) + "-" + name.substr(2, 2) + "-" + name.substr(4, 2) + " " +
         name.substr(7, 2) + ":" + name.substr(9, 2) + ":" + name.substr(11, 2);
}

SessionListResult ListSessions(const std::string& folder, std::vector<ArchivedSession>& sessions,
                               std::string* cause) {
  sessions.clear();
  std::error_code ec;
  fs::directory_iterator entries(folder, ec);
  if (ec == std::errc::no_such_file_or_directory) return kSessionsListed;
  std::map<std::string, ArchivedSession> byName;
  std::map<std::string, std::set<std::string>> excerpts;
  for (; !ec && entries != fs::directory_iterator(); entries.increment(ec)) {
    const std::string file = entries->path().filename().string();
    const std::string name = file.substr(0, kNameLength);
    if (file.size() <= kNameLength || !IsSessionName(name)) continue;
    const std::string rest = file.substr(kNameLength);
    ArchivedSession& session = byName[name];
    session.strName = name;
    if (rest == "log.txt") {
      session.bLog = true;
    } else if (rest == "Mix.wav") {
      session.bMix = true;
      std::error_code sizeEc;
      const auto size = fs::file_size(entries->path(), sizeEc);
      session.nMixBytes = sizeEc ? 0 : static_cast<long long>(size);
    } else if (rest == "Piano.wav") {
      session.bPiano = true;
    } else if (rest == kRunMarkerName) {
      session.bInProgress = true;
      platform::FileHandle marker = platform::OpenExisting(entries->path().string());
      char pid[32] = {};
      platform::ReadFile(marker, pid, sizeof pid - 1);
      platform::CloseFile(marker);
      session.bRunGone = !platform::ProcessAlive(platform::ParsePid(pid));
    } else if (StartsWith(rest, "Stem_") && EndsWith(rest, ".wav")) {
      ++session.nStems;
    } else if (const std::string number = ExcerptNumber(rest); !number.empty()) {
      excerpts[name].insert(number);
    } else if (!IsScratch(rest)) {
      continue;  // not a file of the session's
    }
    session.files.push_back(file);
  }
  if (ec) {
    if (cause) *cause = ec.message();
    return kSessionsUnreadable;
  }
  for (auto& [name, session] : byName) {
    if (session.files.empty()) continue;
    session.nExcerpts = static_cast<int>(excerpts[name].size());
    std::sort(session.files.begin(), session.files.end());
    sessions.push_back(session);
  }
  return kSessionsListed;
}
