#include "session/console_progress_view.h"

#include <algorithm>
#include <string>

std::string CConsoleProgressView::BarLine(int done, int span, int columns, const std::string& label) {
  const std::string count = std::to_string(done) + "/" + std::to_string(span);
  // The last column stays free: a terminal that wraps there would break the line.
  const int room = std::max(columns - 1, 0);
  const int barWidth = room - static_cast<int>(label.size() + count.size()) - 3;  // "[", "] "
  if (barWidth >= kMinBarWidth) {
    const int filled = span > 0 ? done * barWidth / span : 0;
    return label + "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "] " + count;
  }
  return (label + count).substr(0, room);
}

void CConsoleProgressView::Resize(int columns) {
  if (columns == m_nColumns) return;
  m_nColumns = columns;
  if (m_style == ProgressStyle::kInPlace && m_bShown) Print();
}

void CConsoleProgressView::ShowControl(int id, bool visible) {
  if (id != view::kGenerationProgress || visible == m_bShown) return;
  m_bShown = visible;
  if (visible) {
    Print();
  } else if (m_style == ProgressStyle::kInPlace) {
    std::fputc('\n', m_out);
    std::fflush(m_out);
  }
}

void CConsoleProgressView::SetProgressRange(int id, int lower, int upper) {
  if (id != view::kGenerationProgress) return;
  m_nLower = lower;
  m_nUpper = upper;
}

void CConsoleProgressView::SetProgressPos(int id, int pos) {
  if (id == view::kGenerationProgress) m_nPos = pos;
}

void CConsoleProgressView::SetProgressStep(int id, int step) {
  if (id == view::kGenerationProgress) m_nStep = step;
}

void CConsoleProgressView::StepProgress(int id) {
  if (id != view::kGenerationProgress) return;
  m_nPos = std::min(m_nPos + m_nStep, m_nUpper);
  if (m_bShown) Print();
}

void CConsoleProgressView::Print() {
  const int span = std::max(1, m_nUpper - m_nLower);
  const int done = std::clamp(m_nPos - m_nLower, 0, span);
  switch (m_style) {
    case ProgressStyle::kInPlace:
      // "\x1b[K" clears what a longer line drawn before (at a wider size) left on the right.
      std::fprintf(m_out, "\r%s\x1b[K", BarLine(done, span, m_nColumns, m_strLabel).c_str());
      break;
    case ProgressStyle::kLines:
      std::fprintf(m_out, "progress %d/%d\n", done, span);
      break;
    case ProgressStyle::kNone:
      return;
  }
  std::fflush(m_out);
}

int CConsoleProgressView::Show(const std::string& text, const std::string& caption,
                               platform::MbIcon, platform::MbButtons buttons) {
  const bool barOnLine = m_style == ProgressStyle::kInPlace && m_bShown;
  if (barOnLine) std::fputc('\n', m_out);
  std::fprintf(m_out, "%s: %s\n", caption.c_str(), text.c_str());
  if (barOnLine) Print();
  std::fflush(m_out);
  return buttons == platform::MbButtons::RetryCancel ? platform::IDCANCEL : platform::IDOK;
}
