#include "ui/animation_panel.h"

namespace ui {

void CAnimationPanel::Create(const Rect& frame) {
  m_rect = {frame.x + 2, frame.y + 2, frame.w - 4, frame.h - 4};
  m_bCreated = true;
  m_bVisible = true;
}

bool CAnimationPanel::Open(const std::string& path) {
  m_movie = {};
  m_nFrame = 0;
  m_bPlaying = false;
  return platform::ReadAviFile(path, m_movie) == platform::AviResult::kOk;
}

void CAnimationPanel::Close() {
  m_movie = {};
  m_bPlaying = false;
  m_nFrame = 0;
}

void CAnimationPanel::Destroy() {
  Close();
  m_bCreated = false;
}

void CAnimationPanel::Play(long long nowMs) {
  if (!IsOpen() || m_bPlaying) return;
  m_bPlaying = true;
  m_nStartMs = nowMs;
}

void CAnimationPanel::Stop(long long nowMs) {
  if (!m_bPlaying) return;
  m_nFrame = CurrentFrame(nowMs);
  m_bPlaying = false;
}

int CAnimationPanel::CurrentFrame(long long nowMs) {
  const int count = static_cast<int>(m_movie.m_frames.size());
  if (count == 0) return 0;
  if (!m_bPlaying) return m_nFrame;
  const long long elapsed = nowMs > m_nStartMs ? nowMs - m_nStartMs : 0;
  const long long frame = m_nFrame + elapsed * 1000 / m_movie.m_nMicroSecPerFrame;
  if (m_bRepeat) return static_cast<int>(frame % count);
  if (frame >= count - 1) {
    m_nFrame = count - 1;
    m_bPlaying = false;
  }
  return static_cast<int>(frame < count ? frame : count - 1);
}

long long CAnimationPanel::NextFrameMs(long long nowMs) {
  if (!m_bPlaying) return -1;
  const long long us = m_movie.m_nMicroSecPerFrame;
  const long long elapsedUs = (nowMs > m_nStartMs ? nowMs - m_nStartMs : 0) * 1000;
  const long long nextUs = (elapsedUs / us + 1) * us;
  return m_nStartMs + (nextUs + 999) / 1000;
}

}  // namespace ui
