// CAnimationPanel: one small looping movie over a painted frame of the board.
//
// The panel reads an uncompressed AVI file (platform/avi_file.h) when opened and keeps its
// frames. It plays at the file's frame rate on the caller's clock (milliseconds, passed in),
// stops on the current frame, resumes from it, and with repeat on starts again after its last
// frame. A file that cannot be read leaves the panel empty: it then shows nothing, and Play and
// Stop do nothing. The window draws the frame CurrentFrame() names inside Rect(). UI thread only.
#pragma once

#include <string>

#include "platform/avi_file.h"
#include "ui/board_layout.h"

namespace ui {

class CAnimationPanel {
 public:
  // The panel window: placed at frame shrunk by 2 pixels on every side, shown.
  void Create(const Rect& frame);
  // Reads the movie; false (panel empty) when the file is missing or damaged.
  bool Open(const std::string& path);
  void Close();    // drops the movie; the panel stays and shows nothing
  void Destroy();  // the panel window goes
  void SetRepeat(bool bRepeat) { m_bRepeat = bRepeat; }
  void Play(long long nowMs);
  void Stop(long long nowMs);
  void SetVisible(bool bVisible) { m_bVisible = bVisible; }

  bool IsCreated() const { return m_bCreated; }
  bool IsOpen() const { return !m_movie.m_frames.empty(); }
  bool IsPlaying() const { return m_bPlaying; }
  bool IsShown() const { return m_bCreated && m_bVisible && IsOpen(); }
  const Rect& PanelRect() const { return m_rect; }
  const platform::AviMovie& Movie() const { return m_movie; }
  // The frame on show at nowMs (0 for an empty panel). A playing panel without repeat stops
  // on its last frame.
  int CurrentFrame(long long nowMs);
  // When the next frame is due, or -1 while still.
  long long NextFrameMs(long long nowMs);

 private:
  platform::AviMovie m_movie;
  Rect m_rect{0, 0, 0, 0};
  bool m_bCreated = false;
  bool m_bVisible = true;
  bool m_bRepeat = false;
  bool m_bPlaying = false;
  int m_nFrame = 0;          // the frame shown when play started or stopped
  long long m_nStartMs = 0;  // when play started
};

}  // namespace ui
