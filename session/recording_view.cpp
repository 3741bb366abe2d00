#include "session/recording_view.h"

namespace {

const char* PanelName(view::Panel panel) {
  return panel == view::Panel::Generation ? "fan" : "mag";
}

}  // namespace

void CRecordingView::ShowManualSeries(int series) {
  m_nSeries = series;
  Add("series " + std::to_string(series));
}

void CRecordingView::ShowControl(int id, bool visible) {
  m_visible[id] = visible;
  Add((visible ? "show " : "hide ") + std::to_string(id));
}

void CRecordingView::SetProgressRange(int id, int lower, int upper) {
  m_bars[id].lower = lower;
  m_bars[id].upper = upper;
  Add("range " + std::to_string(id) + " " + std::to_string(lower) + " " + std::to_string(upper));
}

void CRecordingView::SetProgressPos(int id, int pos) {
  m_bars[id].pos = pos;
  Add("pos " + std::to_string(id) + " " + std::to_string(pos));
}

void CRecordingView::SetProgressStep(int id, int step) {
  m_bars[id].step = step;
  Add("step " + std::to_string(id) + " " + std::to_string(step));
}

void CRecordingView::StepProgress(int id) {
  m_bars[id].pos += m_bars[id].step;
  Add("stepit " + std::to_string(id));
}

void CRecordingView::SetDigitPicture(int id, int bitmap) {
  m_digits[id] = bitmap;
  Add("digit " + std::to_string(id) + " " + std::to_string(bitmap));
}

void CRecordingView::StartAnimation(view::Panel panel) {
  (panel == view::Panel::Generation ? m_bGenerationAnimating : m_bPlaybackAnimating) = true;
  Add(std::string("start ") + PanelName(panel));
}

void CRecordingView::StopAnimation(view::Panel panel) {
  (panel == view::Panel::Generation ? m_bGenerationAnimating : m_bPlaybackAnimating) = false;
  Add(std::string("stop ") + PanelName(panel));
}

void CRecordingView::LockUpdates() {
  ++m_nLockDepth;
  Add("lock");
}

void CRecordingView::UnlockUpdates() {
  --m_nLockDepth;
  Add("unlock");
}

std::vector<std::string> CRecordingView::EventsStartingWith(const std::string& prefix) const {
  std::vector<std::string> lines;
  for (const std::string& line : *m_pEvents) {
    if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
  }
  return lines;
}

bool CRecordingView::IsVisible(int id) const {
  const auto it = m_visible.find(id);
  return it != m_visible.end() && it->second;
}

int CRecordingView::ProgressPos(int id) const {
  const auto it = m_bars.find(id);
  return it == m_bars.end() ? 0 : it->second.pos;
}

int CRecordingView::ProgressUpper(int id) const {
  const auto it = m_bars.find(id);
  return it == m_bars.end() ? 0 : it->second.upper;
}

int CRecordingView::DigitPicture(int id) const {
  const auto it = m_digits.find(id);
  return it == m_digits.end() ? -1 : it->second;
}

bool CRecordingView::IsAnimating(view::Panel panel) const {
  return panel == view::Panel::Generation ? m_bGenerationAnimating : m_bPlaybackAnimating;
}
