// SAVE during playback: the playing phrase becomes "Mix_NN.wav" and "Piano_NN.wav" beside the
// session's files, and the player goes on where it was.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "compose/composer.h"
#include "platform/file_io.h"
#include "platform/mci.h"
#include "platform/message_box.h"
#include "playback/player.h"
#include "session/session_state.h"

namespace {

constexpr const char* kSaveCaption = "Vorsk - Save Session";

std::string PhraseFile(const std::string& sessionName, const char* kind, int phrase) {
  char name[32];
  std::snprintf(name, sizeof name, "%s_%.2d.wav", kind, phrase);
  return sessionName + name;
}

}  // namespace

std::string ExcerptSummary(const std::string& archiveFolder, const std::string& sessionName,
                           int phrase) {
  return "File saved in folder " + archiveFolder + "\nLog file:\t\t\t" + sessionName + "log.txt" +
         "\nMusic file:\t\t\t" + PhraseFile(sessionName, "Mix", phrase) +
         "\nPiano Motive file: \t\t" + PhraseFile(sessionName, "Piano", phrase);
}

int CPlayer::SaveWhilePlaying() {
  CSession& s = m_session;
  char text[128] = {};
  platform::MciSendString("status vk position wait", text, sizeof text);
  const int positionMs = static_cast<int>(std::strtod(text, nullptr));
  platform::MciSendString("stop vk wait", nullptr, 512);
  platform::MciSendString("close vk wait", nullptr, 512);  // the piece's file is let go

  const int phrase = s.m_nPhraseNumber;
  // Each failed excerpt with the file that failed and why ("" when nothing said why).
  std::vector<std::pair<std::string, std::string>> failed;
  auto note = [&failed](const std::string& path) {
    const platform::FileFailure failure = platform::LastFileFailure();
    failed.emplace_back(path, failure.nError == 0 ? std::string()
                                                  : failure.strPath + ": " + platform::ErrorText(failure.nError) + ".");
  };
  std::string path;
  platform::ClearFileFailure();
  if (theComposer.WriteMixExcerpt(s.m_strArchiveFolder, s.m_strSessionName, phrase,
                                  s.m_nPieceTempo, &path) != kExcerptWritten) {
    note(path);
  }

  platform::MciSendString("open " + m_strShortPath + " type waveaudio alias vk wait", nullptr, 512);
  platform::MciSendString("set vk time format MS wait", nullptr, 512);
  char seek[48];
  std::snprintf(seek, sizeof seek, "seek vk to %d wait", positionMs);
  platform::MciSendString(seek, nullptr, 512);
  if (s.m_nPlaybackState == kStatePlaying) platform::MciSendString("play vk notify", nullptr, 512);

  platform::ClearFileFailure();
  if (theComposer.WritePianoExcerpt(s.m_strArchiveFolder, s.m_strSessionName, phrase,
                                    s.m_nPieceTempo, &path) != kExcerptWritten) {
    note(path);
  }

  if (failed.empty()) {
    platform::MessageBox(ExcerptSummary(s.m_strArchiveFolder, s.m_strSessionName, phrase),
                         kSaveCaption, platform::MbIcon::Information);
  }
  for (const auto& [excerpt, cause] : failed) {
    platform::MessageBox("Can't write file: " + excerpt + (cause.empty() ? "" : "\n" + cause), kSaveCaption,
                         platform::MbIcon::Error);
  }
  s.View().ShowControl(view::kSaveIndicator, false);
  // The log stays with any excerpt that was kept.
  if (failed.size() < 2) s.m_bLogUnsaved = false;
  return 0;
}
