#include "session/console_progress_view.h"

#include <algorithm>
#include <string>

void CConsoleProgressView::ShowControl(int id, bool visible) {
  if (id != view::kGenerationProgress || visible == m_bShown) return;
  m_bShown = visible;
  if (visible) {
    Print();
  } else if (m_bInPlace) {
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
  if (m_bInPlace) {
    const int filled = done * kBarWidth / span;
    std::fprintf(m_out, "\rGenerating [%s%s] %d/%d", std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, '.').c_str(), done, span);
  } else {
    std::fprintf(m_out, "progress %d/%d\n", done, span);
  }
  std::fflush(m_out);
}

int CConsoleProgressView::Show(const std::string& text, const std::string& caption,
                               platform::MbIcon, platform::MbButtons buttons) {
  const bool barOnLine = m_bInPlace && m_bShown;
  if (barOnLine) std::fputc('\n', m_out);
  std::fprintf(m_out, "%s: %s\n", caption.c_str(), text.c_str());
  if (barOnLine) Print();
  std::fflush(m_out);
  return buttons == platform::MbButtons::RetryCancel ? platform::IDCANCEL : platform::IDOK;
}
