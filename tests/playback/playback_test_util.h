// A headless board for the playback tests: a scratch archive folder, a session over a
// recording view, the virtual multimedia, a recorder of the multimedia commands in front of
// its interpreter, and a recorder of message boxes.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "options/option_set.h"
#include "platform/mci.h"
#include "platform/message_box.h"
#include "platform/virtual_clock.h"
#include "playback/player.h"
#include "session/recording_view.h"
#include "session/session_state.h"
#include "support/fixtures.h"

namespace playtest {

struct Box {
  std::string text, caption;
  platform::MbIcon icon;
};

class RecordingBoxes : public platform::IMessageBoxes {
 public:
  int Show(const std::string& text, const std::string& caption, platform::MbIcon icon,
           platform::MbButtons) override {
    shown.push_back({text, caption, icon});
    return platform::IDOK;
  }
  std::vector<Box> shown;
};

// Passes every command to the interpreter and keeps it, with its result when nonzero.
class CommandLog : public platform::IMciDevice {
 public:
  explicit CommandLog(platform::IMciDevice& inner) : m_inner(inner) {}
  int Send(const std::string& command, char* text, int length, void* window) override {
    const int result = m_inner.Send(command, text, length, window);
    commands.push_back(result == 0 ? command : command + " -> " + std::to_string(result));
    return result;
  }
  std::vector<std::string> commands;

 private:
  platform::IMciDevice& m_inner;
};

// A 44 100 Hz mono 16-bit piece of dataBytes bytes. With a pattern, sample i holds
// (i ^ salt) & 0xFFFF, so any cut tells where it came from; without one the file is sparse
// (zeros that take no room), which is enough for timing.
inline void WritePiece(const std::string& path, long long dataBytes, bool bPattern, uint16_t salt = 0) {
  std::vector<unsigned char> header = fixtures::WaveBytes(44100, 1, 16, 0, dataBytes);
  header.resize(44);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  (void)!::write(fd, header.data(), header.size());
  if (bPattern) {
    std::vector<unsigned char> chunk(1 << 16);
    for (long long done = 0; done < dataBytes;) {
      const long long n = std::min<long long>(chunk.size(), dataBytes - done);
      for (long long i = 0; i < n; i += 2) {
        const uint16_t v = static_cast<uint16_t>(((done + i) / 2) ^ salt);
        chunk[i] = static_cast<unsigned char>(v & 0xFF);
        chunk[i + 1] = static_cast<unsigned char>(v >> 8);
      }
      (void)!::write(fd, chunk.data(), n);
      done += n;
    }
  } else {
    (void)!::ftruncate(fd, 44 + dataBytes);
  }
  ::close(fd);
}

inline long long SecondsToBytes(double seconds) { return static_cast<long long>(seconds * 88200); }

// A session whose piece is folder + name + "Mix.wav", with the displays recorded.
class Rig {
 public:
  Rig() {
    platform::SetMciDevice(&log);
    platform::SetMessageBoxes(&boxes);
    session.m_strArchiveFolder = dir.Path() + "/";
    session.m_strSessionName = "061122_153000_";
    session.m_strSessionPrefix = session.m_strArchiveFolder + session.m_strSessionName;
    session.m_nPieceTempo = 60;
    session.m_bSessionUnsaved = true;
    session.m_bLogUnsaved = true;
  }
  ~Rig() {
    platform::SetMessageBoxes(nullptr);
    platform::SetMciDevice(&mm.Interpreter());
  }
  std::string Piece() const { return session.m_strSessionPrefix + "Mix.wav"; }
  // Makes the piece (seconds long, sparse) and names it as the session's.
  void MakePiece(double seconds, int phraseCount) {
    WritePiece(Piece(), SecondsToBytes(seconds), false);
    session.m_strPiecePath = Piece();
    session.m_nPhraseCount = phraseCount;
  }
  void Run(long long ms) { mm.RunFor(ms, player); }
  std::string Status(const std::string& alias, const char* item) {
    char text[128] = {};
    const int r = platform::MciSendString("status " + alias + " " + item + " wait", text, sizeof text);
    return r == 0 ? text : "error " + std::to_string(r);
  }
  // The two phrase digits and the four time digits as the board shows them.
  std::string PhraseShown() const {
    return std::to_string(view.DigitPicture(view::kPhraseDigits[0]) - view::kPhraseDigitBitmap) +
           std::to_string(view.DigitPicture(view::kPhraseDigits[1]) - view::kPhraseDigitBitmap);
  }
  std::string TimeShown() const {
    std::string digits;
    for (const int id : view::kTimeDigits) digits += std::to_string(view.DigitPicture(id) - view::kTimeDigitBitmap);
    return digits;
  }

  fixtures::ScratchDir dir;
  platform::CVirtualMultimedia mm;
  CommandLog log{mm.Interpreter()};
  RecordingBoxes boxes;
  COptionSet options;
  CRecordingView view;
  CSession session{options, dir.Path(), &view};
  CPlayer player{session};
};

}  // namespace playtest
