#include "playback/player.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/mci.h"
#include "platform/message_box.h"
#include "platform/timer_service.h"
#include "playback/playback_timing.h"
#include "session/session_state.h"
#include "session/stop_generation.h"

namespace {

constexpr const char* kPlayCaption = "Vorsk - Play Session";
constexpr int kStatusBufferChars = 128;  // the status reads of the timer and of SAVE
constexpr int kReturnChars = 512;        // every other command

int Send(const std::string& command) { return platform::MciSendString(command, nullptr, kReturnChars); }

// "status vk <item> wait" as text; "" when the read fails.
std::string Status(const char* item, int bufferChars) {
  char text[kReturnChars] = {};
  platform::MciSendString(std::string("status vk ") + item + " wait", text, bufferChars);
  return text;
}

}  // namespace

CPlayer::CPlayer(CSession& session) : m_session(session) {
  m_session.m_saveExcerpts = [this] { return SaveWhilePlaying(); };
}

CPlayer::~CPlayer() { m_session.m_saveExcerpts = nullptr; }

int CPlayer::Play() {
  CSession& s = m_session;
  IGenerateView& board = s.View();
  if (s.m_nPlaybackState != kStateIdle) return 0;
  if (s.m_strPiecePath.empty()) {
    platform::MessageBox("Nothing to play, please GENERATE some music first.", kPlayCaption,
                         platform::MbIcon::Information);
    return kPlayNothing;
  }
  board.ShowManualSeries(view::kSeriesPlaying);
  board.ShowControl(view::kPlayIndicator, true);
  // Paths may hold blanks; the quotes keep the path one argument of the open command.
  m_strShortPath = "\"" + s.m_strPiecePath + "\"";

  if (Send("set vk time format MS wait") != platform::kMciOk) {
    if (Send("open " + m_strShortPath + " type waveaudio alias vk wait") != platform::kMciOk) {
      // The piece was deleted or damaged since GENERATE: say so and stay idle rather than
      // "play" something that never sounds.
      board.ShowControl(view::kPlayIndicator, false);
      board.ShowManualSeries(view::kSeriesIdle);
      platform::MessageBox("Can't open the piece: " + s.m_strPiecePath, kPlayCaption,
                           platform::MbIcon::Error);
      return kPlayCantOpen;
    }
    Send("set vk time format MS wait");
    s.m_nPhraseNumber = 0;
    m_nShownSeconds = -1;
    m_nShownPhrase = -1;
    m_nLengthMs = std::atoi(Status("length", kReturnChars).c_str());
    // The bar's range is a 16-bit value of whole seconds.
    board.SetProgressRange(view::kPlaybackPosition, 0, static_cast<uint16_t>(m_nLengthMs / 1000));
    board.SetProgressPos(view::kPlaybackPosition, 0);
    board.ShowControl(view::kPlaybackPosition, true);
  }

  board.LockUpdates();
  for (const int id : view::kTimeDigits) {
    board.SetDigitPicture(id, view::kTimeDigitBitmap);
    board.ShowControl(id, true);
  }
  for (const int id : view::kPhraseDigits) {
    board.SetDigitPicture(id, view::kPhraseDigitBitmap);
    board.ShowControl(id, true);
  }
  platform::SetTimer(kPlaybackTimerId, kPlaybackTimerMs);
  s.m_nPlaybackState = kStatePlaying;
  board.UnlockUpdates();
  board.StartAnimation(view::Panel::Playback);
  Send("play vk notify");
  board.ShowControl(view::kStopIndicator, false);
  return 0;
}

void CPlayer::OnPlaybackTimer(int id) {
  CSession& s = m_session;
  if (id == kManualTimerId) return;  // the user manual's pages belong to the window
  if (s.m_nPlaybackState != kStatePlaying && s.m_nPlaybackState != kStatePaused) return;
  IGenerateView& board = s.View();
  const PlaybackTiming timing = PlaybackTimingFor(s.m_nPieceTempo);

  const std::string text = Status("position", kStatusBufferChars);
  float position = static_cast<float>(std::strtod(text.c_str(), nullptr) / 1000.0);
  position -= timing.fLeadInSec;
  s.m_nPhraseNumber = position < 0 ? 0 : static_cast<int>(position / timing.fTimerPhraseSec) + 1;

  const int seconds = std::atoi(text.c_str()) / 1000;
  if (seconds != m_nShownSeconds) {
    m_nShownSeconds = seconds;
    board.SetProgressPos(view::kPlaybackPosition, seconds);
    const int digits[4] = {seconds / 600, (seconds % 600) / 60, (seconds % 60) / 10, seconds % 10};
    for (int i = 0; i < 4; ++i) board.SetDigitPicture(view::kTimeDigits[i], view::kTimeDigitBitmap + digits[i]);
  }
  if (s.m_nPhraseNumber != m_nShownPhrase) {
    m_nShownPhrase = s.m_nPhraseNumber;
    board.SetDigitPicture(view::kPhraseDigits[0], view::kPhraseDigitBitmap + m_nShownPhrase / 10);
    board.SetDigitPicture(view::kPhraseDigits[1], view::kPhraseDigitBitmap + m_nShownPhrase % 10);
  }
}

int CPlayer::PauseResume() {
  CSession& s = m_session;
  IGenerateView& board = s.View();
  if (s.m_nPlaybackState == kStatePlaying) {
    s.m_nPlaybackState = kStatePaused;
    board.ShowControl(view::kPauseIndicator, true);
    board.StopAnimation(view::Panel::Playback);
    Send("pause vk");
    board.ShowManualSeries(view::kSeriesPaused);
  } else if (s.m_nPlaybackState == kStatePaused) {
    s.m_nPlaybackState = kStatePlaying;
    board.ShowControl(view::kPauseIndicator, false);
    board.StartAnimation(view::Panel::Playback);
    Send("play vk notify");
    board.ShowManualSeries(view::kSeriesPlaying);
  }
  return 0;
}

int CPlayer::StopPlayback() {
  CSession& s = m_session;
  if (s.m_nPlaybackState != kStatePlaying && s.m_nPlaybackState != kStatePaused) {
    return StopGeneration(s);  // idle, or the STOP branch of a running GENERATE
  }
  IGenerateView& board = s.View();
  board.ShowManualSeries(view::kSeriesIdle);
  platform::KillTimer(kPlaybackTimerId);
  board.LockUpdates();
  for (const int id : view::kTimeDigits) board.ShowControl(id, false);
  for (const int id : view::kPhraseDigits) board.ShowControl(id, false);
  board.ShowControl(view::kPlaybackPosition, false);
  board.StopAnimation(view::Panel::Playback);
  board.ShowControl(view::kPlayIndicator, false);
  board.ShowControl(view::kPauseIndicator, false);
  board.UnlockUpdates();
  Send("close vk wait");
  s.m_nPlaybackState = kStateIdle;
  s.m_nPhraseNumber = 0;
  board.ShowControl(view::kStopIndicator, true);
  return 0;
}

void CPlayer::PressStop() {
  m_session.View().ShowControl(view::kStopIndicator, true);
  if (m_session.m_nPlaybackState == kStateGenerating) SetCancelFlags();
  StopPlayback();
}

int CPlayer::SeekPhrase(int direction) {
  CSession& s = m_session;
  if (s.m_nPlaybackState != kStatePlaying && s.m_nPlaybackState != kStatePaused) return 1;
  const PlaybackTiming timing = PlaybackTimingFor(s.m_nPieceTempo);
  int n = direction == -1 ? m_nShownPhrase - 1 : m_nShownPhrase + 1;
  if (n <= 1) n = 1;
  if (n >= s.m_nPhraseCount) n = s.m_nPhraseCount;
  if (n < 1) n = 1;  // a piece of unknown phrase count: phrase 1, not before the start
  const float target = static_cast<float>(((n - 1) * timing.dJumpPhraseSec + timing.fLeadInSec) * 1000.0);
  Send("stop vk wait");
  char command[64];
  std::snprintf(command, sizeof command, "seek vk to %d", static_cast<int>(target) + 1);
  Send(command);
  if (s.m_nPlaybackState == kStatePlaying) Send("play vk notify");
  return 0;
}

int CPlayer::OnMciNotify(int code) {
  if (code != platform::kMciNotifyAborted && code != platform::kMciNotifySuperseded) StopPlayback();
  return 0;
}

void CPlayer::OnMciNotify(int code, const std::string&) { OnMciNotify(code); }
