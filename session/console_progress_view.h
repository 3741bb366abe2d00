// CConsoleProgressView: the generation progress bar on a text stream (vorsk-cli writes it to
// standard error). On a terminal the bar is redrawn in place on one line; otherwise every step
// prints a plain line "progress N/RANGE". Every other notification is ignored. It also shows
// message boxes as "caption: text" lines on the same stream, ending the bar's line first so a
// message never lands in the middle of the bar. The stream is not owned. UI thread only.
#pragma once

#include <cstdio>
#include <string>

#include "platform/message_box.h"
#include "session/generate_view.h"

class CConsoleProgressView : public CNullView, public platform::IMessageBoxes {
 public:
  CConsoleProgressView(std::FILE* out, bool bInPlace) : m_out(out), m_bInPlace(bInPlace) {}

  void ShowControl(int id, bool visible) override;
  void SetProgressRange(int id, int lower, int upper) override;
  void SetProgressPos(int id, int pos) override;
  void SetProgressStep(int id, int step) override;
  void StepProgress(int id) override;
  // Prints the message; answers OK, or Cancel to Retry/Cancel (nobody is there to retry).
  int Show(const std::string& text, const std::string& caption, platform::MbIcon icon,
           platform::MbButtons buttons) override;

 private:
  static constexpr int kBarWidth = 40;  // characters between the brackets
  void Print();

  std::FILE* m_out;
  bool m_bInPlace;
  bool m_bShown = false;
  int m_nLower = 0, m_nUpper = 100, m_nPos = 0, m_nStep = 10;
};
