// A headless board for the playback tests: a session over a recording view in a scratch
// archive folder, the virtual multimedia with a log of the commands in front of its
// interpreter, and recorded message boxes.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "options/option_set.h"
#include "platform/message_box.h"
#include "platform/virtual_clock.h"
#include "playback/player.h"
#include "session/recording_view.h"
#include "session/session_state.h"
#include "support/fixtures.h"

namespace playtest {

// A 44 100 Hz mono 16-bit wave file of seconds. With salt >= 0 sample i holds i ^ salt (mod
// 2^16), so a cut tells where it came from; otherwise the file is sparse zeros.
inline void WritePiece(const std::string& path, double seconds, int salt = -1) {
  const long long bytes = static_cast<long long>(seconds * 88200) & ~1LL;
  std::vector<unsigned char> data = fixtures::WaveBytes(44100, 1, 16, 0, bytes);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (salt >= 0) {
    for (long long i = 0; i < bytes / 2; ++i) {
      data.push_back(static_cast<unsigned char>((i ^ salt) & 0xFF));
      data.push_back(static_cast<unsigned char>(((i ^ salt) >> 8) & 0xFF));
    }
  }
  (void)!::write(fd, data.data(), data.size());
  (void)!::ftruncate(fd, 44 + bytes);
  ::close(fd);
}

struct Rig : platform::IMessageBoxes, platform::IMciDevice {
  Rig() {
    platform::SetMciDevice(this);
    platform::SetMessageBoxes(this);
    session.m_strArchiveFolder = dir.Path() + "/";
    session.m_strSessionName = "061122_153000_";
    session.m_strSessionPrefix = session.m_strArchiveFolder + session.m_strSessionName;
    session.m_nPieceTempo = 60;
    session.m_bSessionUnsaved = session.m_bLogUnsaved = true;
  }
  ~Rig() override {
    platform::SetMessageBoxes(nullptr);
    platform::SetMciDevice(&mm.Interpreter());
  }
  // Boxes are kept as "caption|text"; commands as sent, with " -> code" when they failed.
  int Show(const std::string& text, const std::string& caption, platform::MbIcon icon,
           platform::MbButtons) override {
    boxes.push_back(caption + "|" + text);
    icons.push_back(icon);
    return platform::IDOK;
  }
  int Send(const std::string& command, char* text, int length, void* window) override {
    const int result = mm.Interpreter().Send(command, text, length, window);
    if (command != "status vk position wait" || bLogPositionReads) {
      commands.push_back(result == 0 ? command : command + " -> " + std::to_string(result));
    }
    return result;
  }

  std::string Piece() const { return session.m_strSessionPrefix + "Mix.wav"; }
  void MakePiece(double seconds, int phraseCount) {
    WritePiece(Piece(), seconds);
    session.m_strPiecePath = Piece();
    session.m_nPhraseCount = phraseCount;
  }
  void Run(long long ms) { mm.RunFor(ms, player); }
  std::string Status(const std::string& alias, const char* item) {
    char text[128] = {};
    const int r = platform::MciSendString("status " + alias + " " + item + " wait", text, sizeof text);
    return r == 0 ? text : "error " + std::to_string(r);
  }
  // The phrase digits and the time digits as the board shows them: "PP MMSS".
  std::string Digits() const {
    std::string shown;
    for (const int id : view::kPhraseDigits) shown += std::to_string(view.DigitPicture(id) - view::kPhraseDigitBitmap);
    shown += ' ';
    for (const int id : view::kTimeDigits) shown += std::to_string(view.DigitPicture(id) - view::kTimeDigitBitmap);
    return shown;
  }

  fixtures::ScratchDir dir;
  platform::CVirtualMultimedia mm;
  std::vector<std::string> boxes, commands;
  std::vector<platform::MbIcon> icons;
  bool bLogPositionReads = false;  // the timer reads the position every 100 ms
  COptionSet options;
  CRecordingView view;
  CSession session{options, dir.Path(), &view};
  CPlayer player{session};
};

}  // namespace playtest
