// CBoxView: a message box or the About box as the board draws it over itself. It lays out the
// caption, the icon (or About's picture), the text and the buttons with pango in the board's
// font, draws them once into a surface, and says which answer a key or a click gives.
//
// The text's tabs make columns: a run of tabs separates two cells, and the n-th cells of all
// lines start at the same x. The box is as wide as its caption, text and buttons need (at most
// the board's width less a margin, where the text wraps) and is centred on the board. No window
// system calls; any thread, one box per thread.
#pragma once

#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "ui/board_layout.h"

namespace ui {

class CBoxView {
 public:
  struct Button {
    std::string label;
    int answer;  // platform::IDOK, IDRETRY, IDCANCEL
    SDL_Rect rect;  // board coordinates
  };

  // A message box: an error, information or exclamation icon and OK, or Retry and Cancel.
  static std::unique_ptr<CBoxView> Message(const std::string& text, const std::string& caption,
                                           platform::MbIcon icon, platform::MbButtons buttons);
  // About: the picture (PNG bytes; none when empty), the text and OK.
  static std::unique_ptr<CBoxView> About(const std::string& caption, const std::string& text,
                                         const std::vector<unsigned char>& png);
  ~CBoxView();
  CBoxView(const CBoxView&) = delete;
  CBoxView& operator=(const CBoxView&) = delete;

  // Where the box sits on the board, and its pixels (that size; nullptr when drawing failed).
  const SDL_Rect& Rect() const { return m_rect; }
  SDL_Surface* Surface() const { return m_pSurface; }
  const std::vector<Button>& Buttons() const { return m_buttons; }
  // The answer of Return (the default button: OK or Retry) and of Esc (Cancel, or OK when it
  // is the only button).
  int DefaultAnswer() const { return m_buttons.front().answer; }
  int EscapeAnswer() const { return m_buttons.back().answer; }
  // The answer of a click at board point (x, y); 0 when no button is there.
  int AnswerAt(int x, int y) const;

  // Layout facts, in box pixels: the caption's drawn width and the room the caption bar gives
  // it, and the x at which each tab-separated cell of each text line starts.
  int CaptionWidth() const { return m_nCaptionWidth; }
  int CaptionRoom() const { return m_nCaptionRoom; }
  const std::vector<std::vector<int>>& CellStarts() const { return m_cellStarts; }

  // Set by the loop that shows the box: 0 while it waits for an answer.
  int m_nAnswer = 0;

 private:
  CBoxView() = default;
  struct Content;
  void Build(const Content& content);

  SDL_Rect m_rect{0, 0, 0, 0};
  SDL_Surface* m_pSurface = nullptr;
  std::vector<Button> m_buttons;
  int m_nCaptionWidth = 0, m_nCaptionRoom = 0;
  std::vector<std::vector<int>> m_cellStarts;
};

}  // namespace ui
