// CRecordingView: a board without pixels. Every notification is appended as one line of text
// to an event list, which the caller may share with other recorders (message boxes, multimedia
// commands) to see one ordered trace; the view also keeps what the board would show now
// (visible controls, progress bars, digit pictures, running animations).
//
// Event lines: "series N", "show ID", "hide ID", "range ID LO HI", "pos ID P", "step ID S",
// "stepit ID", "digit ID BITMAP", "start fan", "stop fan", "start mag", "stop mag", "lock",
// "unlock". The event list is not owned when passed in. UI thread only.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "session/generate_view.h"

class CRecordingView : public IGenerateView {
 public:
  explicit CRecordingView(std::vector<std::string>* events = nullptr)
      : m_pEvents(events ? events : &m_ownEvents) {}

  void ShowManualSeries(int series) override;
  void ShowControl(int id, bool visible) override;
  void SetProgressRange(int id, int lower, int upper) override;
  void SetProgressPos(int id, int pos) override;
  void SetProgressStep(int id, int step) override;
  void StepProgress(int id) override;
  void SetDigitPicture(int id, int bitmap) override;
  void StartAnimation(view::Panel panel) override;
  void StopAnimation(view::Panel panel) override;
  void LockUpdates() override;
  void UnlockUpdates() override;

  std::vector<std::string>& Events() { return *m_pEvents; }
  // Lines of the event list that begin with prefix, in order.
  std::vector<std::string> EventsStartingWith(const std::string& prefix) const;

  // What the board shows now. A progress position is not clamped to the range, so a bar that
  // was stepped past its end shows it.
  bool IsVisible(int id) const;
  int ProgressPos(int id) const;
  int ProgressUpper(int id) const;
  int DigitPicture(int id) const;  // -1 when never set
  bool IsAnimating(view::Panel panel) const;
  int ManualSeries() const { return m_nSeries; }
  int LockDepth() const { return m_nLockDepth; }

 private:
  struct Bar {
    int lower = 0, upper = 100, pos = 0, step = 10;
  };
  void Add(const std::string& line) { m_pEvents->push_back(line); }

  std::vector<std::string> m_ownEvents;
  std::vector<std::string>* m_pEvents;
  std::map<int, bool> m_visible;
  std::map<int, Bar> m_bars;
  std::map<int, int> m_digits;
  bool m_bGenerationAnimating = false;
  bool m_bPlaybackAnimating = false;
  int m_nSeries = 0;
  int m_nLockDepth = 0;
};
