// A headless board for pipeline tests: a scratch program folder holding the marker archives, a
// scratch temporary folder for the voice files, a fixed clock, and recorders for the board,
// the message boxes and the multimedia commands that write one shared, ordered event list.
// A counting pump can act at its k-th call and notes which track's voice files exist while the
// run pumps ("track TP", "track TA", ... or "track -" when none), so the list also shows the
// order in which the tracks are rendered and mixed.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <ctime>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "compose/composer.h"
#include "options/option_set.h"
#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/mci.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/system_paths.h"
#include "render/sample_catalog.h"
#include "session/generate.h"
#include "session/recording_view.h"
#include "session/session_state.h"
#include "session/track_mixer.h"
#include "support/fixtures.h"

namespace gentest {

struct Box {
  std::string text, caption;
  platform::MbIcon icon;
  platform::MbButtons buttons;
};

// Records every box as "box <caption>" in the event list; Retry/Cancel boxes take their answers
// from the front of `answers`, Cancel when it is empty.
class RecordingBoxes : public platform::IMessageBoxes {
 public:
  explicit RecordingBoxes(std::vector<std::string>& events) : m_events(events) {}
  int Show(const std::string& text, const std::string& caption, platform::MbIcon icon,
           platform::MbButtons buttons) override {
    shown.push_back({text, caption, icon, buttons});
    m_events.push_back("box " + caption);
    if (buttons != platform::MbButtons::RetryCancel) return platform::IDOK;
    if (answers.empty()) return platform::IDCANCEL;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<Box> shown;
  std::deque<int> answers;

 private:
  std::vector<std::string>& m_events;
};

// Records every command as "mci <command>" and answers like a device with nothing open.
class RecordingMci : public platform::IMciDevice {
 public:
  explicit RecordingMci(std::vector<std::string>& events) : m_events(events) {}
  int Send(const std::string& command, char* text, int length, void*) override {
    m_events.push_back("mci " + command);
    if (text && length > 0) text[0] = '\0';
    return command.rfind("close ", 0) == 0 ? platform::kMciOk : platform::kMciErrNotOpen;
  }

 private:
  std::vector<std::string>& m_events;
};

inline bool AnyExists(const std::string* paths, int n) {
  for (int i = 0; i < n; ++i) {
    if (!paths[i].empty() && platform::FileExists(paths[i])) return true;
  }
  return false;
}

// Which track's voice or track files exist now: "TP", "TA", "PP", "CH", "DL", "TF", "BS", "ST",
// "VO" or "-".
inline std::string CurrentTrack() {
  const CComposer& c = theComposer;
  if (AnyExists(c.m_strTempTP, 2)) return "TP";
  if (AnyExists(c.m_strTempTA, 3)) return "TA";
  if (AnyExists(&c.m_strTempPP, 1)) return "PP";
  if (AnyExists(c.m_strTempCH, 3)) return "CH";
  if (AnyExists(c.m_strTempDL, 3)) return "DL";
  if (AnyExists(c.m_strTempTF, 3)) return "TF";
  if (AnyExists(c.m_strTempBS, 3)) return "BS";
  if (AnyExists(c.m_strTempST, 3)) return "ST";
  if (AnyExists(c.m_strTempVO, 3)) return "VO";
  return "-";
}

class TracingPump : public platform::IMessagePump {
 public:
  explicit TracingPump(std::vector<std::string>& events) : m_events(events) {}
  void PumpOneMessage() override {
    ++count;
    const std::string track = CurrentTrack();
    if (track != m_lastTrack) {
      m_events.push_back("track " + track);
      m_lastTrack = track;
    }
    if (onPump) onPump(count);
  }
  void Reset() {
    count = 0;
    m_lastTrack.clear();
    onPump = nullptr;
  }
  int count = 0;
  std::function<void(int)> onPump;

 private:
  std::vector<std::string>& m_events;
  std::string m_lastTrack;
};

using fixtures::OpenDescriptors;

// Links the shared marker archives into folder (all five, or without data4.dat).
inline void LinkMarkerArchives(const std::string& folder, bool withData4 = true) {
  const CSampleCatalog catalog;
  for (const auto& archive : catalog.Archives()) {
    const std::string name = archive.fileName;
    if (!withData4 && name == "data4.dat") continue;
    const std::string target = fixtures::SharedMarkerArchives() + "/" + name;
    if (::symlink(target.c_str(), (folder + "/" + name).c_str()) != 0) {
      throw std::runtime_error("cannot link " + target);
    }
  }
}

// Sets a letter-set option to exactly `letters`.
inline void SetLetters(COptionSet& options, bool bRhythm, const std::string& letters) {
  const std::string current = bRhythm ? options.Rhythm() : options.Harmony();
  auto toggle = [&](char c) {
    bRhythm ? options.ToggleRhythm(std::string(1, c)) : options.ToggleHarmony(std::string(1, c));
  };
  for (const char c : current) toggle(c);
  for (const char c : letters) toggle(c);
}

constexpr std::time_t kStartTime = 1164209400;  // 2006-11-22 15:30:00 UTC
constexpr uint32_t kSessionId = 424242;

class Rig {
 public:
  explicit Rig(bool withData4 = true)
      : board(&events), boxes(events), mci(events), pump(events), clock(kStartTime),
        session(options, programDir.Path(), &board) {
    LinkMarkerArchives(programDir.Path(), withData4);
    options.SetDefaults();
    options.SetGenerateLength("1");  // 16 bars at tempo 60
    session.m_diskFree = [](const std::string&, unsigned long long&) { return false; };
    platform::SetMessageBoxes(&boxes);
    platform::SetMciDevice(&mci);
    platform::SetMessagePump(&pump);
    platform::SetClock(&clock);
    theComposer.m_strTempDir = tempDir.Path() + "/";
    theComposer.m_bFixedSessionId = true;
    theComposer.m_nFixedSessionId = kSessionId;
    theComposer.m_bAbort = 0;
    theMixer.m_bAbort = 0;
  }
  ~Rig() {
    platform::SetMessageBoxes(nullptr);
    platform::SetMciDevice(nullptr);
    platform::SetMessagePump(nullptr);
    platform::SetClock(nullptr);
    theComposer.m_strTempDir = platform::TempFolder();
    theComposer.m_bFixedSessionId = false;
    theComposer.m_bAbort = 0;
    theMixer.m_bAbort = 0;
  }

  void Tracks(const std::string& hand, const std::string& rhythm, const std::string& harmony) {
    options.SetHand(hand);
    SetLetters(options, true, rhythm);
    SetLetters(options, false, harmony);
  }
  // Runs the pipeline with a fresh event list and pump count; onPump(k) runs at the k-th pump.
  int Generate(std::function<void(int)> onPump = nullptr) {
    events.clear();
    boxes.shown.clear();
    pump.Reset();
    pump.onPump = std::move(onPump);
    return ::Generate(session);
  }
  void NextSecond() { clock.Set(clock.Now() + 1); }
  std::string SessionNameNow() const {
    return platform::FormatLocalTime(clock.Now(), "%y%m%d_%H%M%S_");
  }
  std::string ArchiveFolder() const { return programDir.Path() + "/Archive/"; }
  std::vector<std::string> ArchiveFiles(const std::string& prefix = "") const {
    return platform::ListFolder(ArchiveFolder(), prefix);
  }
  std::vector<std::string> TempFiles() const { return platform::ListFolder(tempDir.Path(), ""); }
  int Count(const std::string& line) const {
    int n = 0;
    for (const std::string& e : events) n += e == line;
    return n;
  }

  fixtures::ScratchDir programDir;
  fixtures::ScratchDir tempDir;
  std::vector<std::string> events;
  CRecordingView board;
  RecordingBoxes boxes;
  RecordingMci mci;
  TracingPump pump;
  platform::CFixedClock clock;
  COptionSet options;
  CSession session;
};

}  // namespace gentest
