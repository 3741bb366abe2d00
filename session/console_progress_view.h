// CConsoleProgressView: the generation progress on a text stream (vorsk-cli writes it to
// standard error), in one of three styles:
//  - kInPlace (a terminal): one bar redrawn in place, "Generating [####....] 5/19", as wide as
//    the terminal less one column; Resize redraws it at a new width;
//  - kLines (a pipe or file): a plain line "progress N/RANGE" for every step;
//  - kNone (-q): no progress at all.
// Every other notification is ignored. It also shows message boxes as "caption: text" lines
// on the same stream in every style, ending the bar's line first so a message never lands in
// the middle of the bar. The stream is not owned. UI thread only.
#pragma once

#include <cstdio>
#include <string>

#include "platform/message_box.h"
#include "session/generate_view.h"

enum class ProgressStyle { kInPlace, kLines, kNone };

class CConsoleProgressView : public CNullView, public platform::IMessageBoxes {
 public:
  // columns: the width of the terminal (kInPlace only).
  CConsoleProgressView(std::FILE* out, ProgressStyle style, int columns = 80)
      : m_out(out), m_style(style), m_nColumns(columns) {}

  // The terminal's width changed: later lines fit columns, and a bar on screen is redrawn.
  void Resize(int columns);

  void ShowControl(int id, bool visible) override;
  void SetProgressRange(int id, int lower, int upper) override;
  void SetProgressPos(int id, int pos) override;
  void SetProgressStep(int id, int step) override;
  void StepProgress(int id) override;
  // Prints the message; answers OK, or Cancel to Retry/Cancel (nobody is there to retry).
  int Show(const std::string& text, const std::string& caption, platform::MbIcon icon,
           platform::MbButtons buttons) override;

  // The word before the bar ("Generating " until changed; vorsk-cli's master step says
  // "Mastering ").
  void SetLabel(const std::string& label) { m_strLabel = label; }

  // The bar's text for done of span steps in columns (without the control characters).
  static std::string BarLine(int done, int span, int columns, const std::string& label = "Generating ");

 private:
  // Narrower than this, the bar gives way to the bare count.
  static constexpr int kMinBarWidth = 10;
  void Print();

  std::FILE* m_out;
  ProgressStyle m_style;
  int m_nColumns;
  bool m_bShown = false;
  int m_nLower = 0, m_nUpper = 100, m_nPos = 0, m_nStep = 10;
  std::string m_strLabel = "Generating ";
};
