// CPlayer: the playback controller. It plays the session's piece (CSession::m_strPiecePath)
// under the multimedia alias "vk" through platform::MciSendString and drives the playback
// displays through the session's view: four time digits, two phrase digits, the position bar
// 1059 and the PLAY, PAUSE and STOP indicators.
//
//   Play          opens the piece when "vk" is not open, starts timer 1 (100 ms) and plays
//                 with notification. 0, or kPlayNothing ("Nothing to play ..." shown) or
//                 kPlayCantOpen ("Can't open the piece: <path>" shown; stays idle). Does
//                 nothing (0) unless idle.
//   PauseResume   playing <-> paused; 0.
//   StopPlayback  back to idle from any state: while playing or paused the timer stops, the
//                 displays go and "vk" is closed; while generating it is the STOP branch of
//                 the run (StopGeneration). 0.
//   SeekPhrase    -1 PREV., +1 NEXT: to the start of the neighbouring phrase, held between 1
//                 and the phrase count; 0, or 1 when nothing plays or is paused.
//   OnPlaybackTimer  timer ticks other than 2 (the user manual's) refresh the displays; they
//                 change only when their value changes.
//   OnMciNotify   the end of the piece (successful) or a failure stops playback; superseded
//                 and aborted plays do not.
//   SaveWhilePlaying  SAVE during playback (installed as the session's m_saveExcerpts): the
//                 playing phrase is cut out of the piece and of the piano track into
//                 "Mix_NN.wav" / "Piano_NN.wav" and playback goes on where it was (paused
//                 stays paused). Shows the summary, or "Can't write file: <path>" and the
//                 file that failed with the cause for an excerpt that could not be written
//                 (an older excerpt by that name stays as it was). 0.
//
// Timing (lead-in, phrase lengths) and the excerpts follow CSession::m_nPieceTempo.
// As an IUiMessageHandler the player takes the ticks and notifications of the UI queue. The
// session must outlive the player. UI thread only.
#pragma once

#include <string>

#include "platform/ui_queue.h"

class CSession;

inline constexpr int kPlayNothing = 1;
inline constexpr int kPlayCantOpen = 2;
// The display timer's id and period; id 2 is the user manual's timer.
inline constexpr int kPlaybackTimerId = 1;
inline constexpr int kPlaybackTimerMs = 100;
inline constexpr int kManualTimerId = 2;

class CPlayer : public platform::IUiMessageHandler {
 public:
  explicit CPlayer(CSession& session);
  ~CPlayer() override;
  CPlayer(const CPlayer&) = delete;
  CPlayer& operator=(const CPlayer&) = delete;

  int Play();
  int PauseResume();
  int StopPlayback();
  int SeekPhrase(int direction);
  void OnPlaybackTimer(int id);
  int OnMciNotify(int code);
  int SaveWhilePlaying();
  // The STOP click: STOP indicator, the cancel flags when generating, then StopPlayback.
  void PressStop();

  // IUiMessageHandler: ticks go to OnPlaybackTimer, notifications to OnMciNotify.
  void OnTimer(int id) override { OnPlaybackTimer(id); }
  void OnMciNotify(int code, const std::string& alias) override;

  // What the displays show: -1 after the player was opened until the first tick.
  int ShownPhrase() const { return m_nShownPhrase; }
  int ShownSeconds() const { return m_nShownSeconds; }
  int LengthMs() const { return m_nLengthMs; }
  // The piece's path in double quotes, as the open command takes it.
  const std::string& ShortPath() const { return m_strShortPath; }

 private:
  CSession& m_session;
  std::string m_strShortPath;
  int m_nShownPhrase = -1;
  int m_nShownSeconds = -1;
  int m_nLengthMs = 0;
};

// The summary of a phrase saved during playback.
std::string ExcerptSummary(const std::string& archiveFolder, const std::string& sessionName,
                           int phrase);
