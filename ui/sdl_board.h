// CSdlBoard: the board on SDL2. One fixed-size window (hidden until the start-up is done), the
// splash, and the event loop. Message boxes and About are drawn on the board itself (CBoxView)
// and run their own turn of the same loop until answered: they take every key and click, while
// timers, multimedia notifications, repaints and animations go on behind them.
//
// It paints what the CMainWindow holds (background 596, the visible controls in creation order,
// progress bars, the status label in DejaVu Sans, the animation panels) into the window's
// surface only when something changed, and then only the rectangles of what changed (each
// drawn from the board up) are drawn and sent to the screen; an expose, a message box or
// About brings a whole repaint. Between those it sleeps in SDL_WaitEvent. As the
// process's message pump it dispatches one SDL event per PumpOneMessage call, which is how a
// GENERATE running inside a click keeps the board alive. Pictures come from the resource
// table; a picture that is missing is not drawn. UI thread only; SDL video must be initialised
// by the caller before construction.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "ui/box_view.h"
#include "ui/main_window.h"

namespace ui {

class CSdlBoard : public IWindowHost, public platform::IMessageBoxes, public platform::IMessagePump {
 public:
  // uiWakeupEvent: the SDL event type that says "the UI queue has a message".
  explicit CSdlBoard(unsigned int uiWakeupEvent);
  ~CSdlBoard() override;
  CSdlBoard(const CSdlBoard&) = delete;
  CSdlBoard& operator=(const CSdlBoard&) = delete;

  bool IsOpen() const { return m_pMain != nullptr; }
  // Whether a message box or About is on the board.
  bool BoxOpen() const { return !m_boxes.empty(); }
  // Whether the board is on the screen.
  bool IsShown() const { return m_pMain && (SDL_GetWindowFlags(m_pMain) & SDL_WINDOW_SHOWN); }
  void Attach(CMainWindow* window) { m_pWindow = window; }
  // Shows the board and runs the events until the dialog ends.
  void Run();
  // Takes the board off the screen (after the shutdown, whose boxes still show on it).
  void Hide();
  // One event, if any, handled; then the board is repainted if that is due.
  void PumpOneMessage() override;
  // Draws again what changed since the last paint (controls and panel frames) and sends only
  // those rectangles to the screen; the whole board after an expose, a box or About.
  void PaintIfDue();
  // The window's surface: the board as last painted (nullptr without a window).
  SDL_Surface* Surface() { return m_pMain ? SDL_GetWindowSurface(m_pMain) : nullptr; }

  // Told on the UI thread each time the board looks whether to repaint (0), each time it
  // sends pixels to the screen (how many) and when a box opens (-1). None is set in the
  // program; the window benchmark times repaints through it.
  using PaintProbe = std::function<void(int pixelsSent)>;
  void SetPaintProbe(PaintProbe probe) { m_probe = std::move(probe); }

  // IWindowHost
  void ShowSplash() override;
  void HideSplash() override;
  long long NowMs() override { return static_cast<long long>(SDL_GetTicks64()); }
  void WaitUntilMs(long long ms) override;
  void SetIcon(int bitmap) override;
  void SetBackground(int bitmap) override;
  void RepaintNow() override;
  void OpenUrl(const std::string& url, std::function<void()> onFailure) override;
  void ShowAbout() override;
  // IMessageBoxes
  int Show(const std::string& text, const std::string& caption, platform::MbIcon icon,
           platform::MbButtons buttons) override;

 private:
  void Dispatch(const SDL_Event& event);
  // Input goes to the open box (true: handled); the rest goes on to the board.
  bool DispatchToBox(const SDL_Event& event, CBoxView& box);
  // Paints if due, then waits for one event (or the next animation frame) and dispatches it.
  void WaitAndDispatch();
  // Shows the box over the board until it has an answer; 0 when there is no window.
  int RunBox(CBoxView& box);
  void Paint();
  void InvalidateAll();  // the next paint draws the whole board
  // Draws the whole board into target, within target's clip rectangle.
  void DrawBoard(SDL_Surface* target, long long now);
  SDL_Rect ControlRect(const ControlInfo& info, int bitmap);
  // Draws panel i's frame of now into target; false when it is not shown.
  bool DrawPanel(int i, long long now, SDL_Surface* target);
  SDL_Surface* Bitmap(int id);
  SDL_Surface* Text(const std::string& text);

  unsigned int m_nWakeupEvent;
  CMainWindow* m_pWindow = nullptr;
  SDL_Window* m_pMain = nullptr;
  SDL_Window* m_pSplash = nullptr;
  TTF_Font* m_pFont = nullptr;
  int m_nBackground = 0;
  std::map<int, SDL_Surface*> m_bitmaps;  // pictures as decoded; nullptr: missing
  SDL_Surface* m_pText = nullptr;
  std::string m_strText;
  int m_panelFrames[3] = {-1, -1, -1};
  // Each control of BoardControls() as it was last drawn.
  struct Painted {
    bool bVisible = false;
    int bitmap = 0, lower = 0, upper = 0, pos = 0;
    std::string text;  // the label's
    bool operator==(const Painted&) const = default;
  };
  Painted PaintedState(const ControlInfo& info);
  std::vector<Painted> m_painted;
  bool m_bPanelShown[3] = {false, false, false};
  bool m_bWholeBoard = true;
  long long m_nLastPaintMs = 0;
  long long m_nLastPumpMs = 0;
  PaintProbe m_probe;
  std::vector<CBoxView*> m_boxes;  // open boxes, the newest last
};

}  // namespace ui
