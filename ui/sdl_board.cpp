#include "ui/sdl_board.h"

#include <SDL_image.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/ui_queue.h"
#include "resources/resource_table.h"
#include "ui/url_opener.h"

namespace ui {
namespace {

constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kFontPoints = 11;
constexpr SDL_Color kProgressBack{150, 149, 147, 255};
constexpr SDL_Color kProgressBar{52, 101, 164, 255};
constexpr SDL_Color kLabelBack{120, 140, 131, 255};
constexpr SDL_Color kWhite{255, 255, 255, 255};
// While a GENERATE pumps messages: how often the window system is asked for events, and the
// least time between two repaints. A repaint then comes at most this plus the engine's longest
// stretch between two pumps after the last one; partial repaints keep each one cheap.
constexpr long long kPumpGapMs = 5;
constexpr long long kPumpPaintGapMs = 20;
// Longest wait for the splash to be mapped before it is painted.
constexpr long long kSplashMapWaitMs = 200;

SDL_Surface* LoadPicture(int id) {
  const auto bytes = resources::FindResource(resources::kBitmap, id);
  if (!bytes) return nullptr;
  return IMG_Load_RW(SDL_RWFromConstMem(bytes->data(), static_cast<int>(bytes->size())), 1);
}

void Fill(SDL_Surface* target, const SDL_Rect& rect, SDL_Color c) {
  SDL_FillRect(target, &rect, SDL_MapRGB(target->format, c.r, c.g, c.b));
}

// Copies the whole of source into rect of target, scaled when the sizes differ.
void Put(SDL_Surface* source, SDL_Surface* target, SDL_Rect rect) {
  if (rect.w == source->w && rect.h == source->h) {
    SDL_BlitSurface(source, nullptr, target, &rect);
  } else {
    SDL_BlitScaled(source, nullptr, target, &rect);
  }
}

Key KeyOf(SDL_Keycode code, char& ch) {
  ch = 0;
  switch (code) {
    case SDLK_PAGEUP: return Key::PageUp;
    case SDLK_PAGEDOWN: return Key::PageDown;
    case SDLK_LEFT: return Key::Left;
    case SDLK_RIGHT: return Key::Right;
    case SDLK_UP: return Key::Up;
    case SDLK_DOWN: return Key::Down;
    case SDLK_F1: return Key::F1;
    case SDLK_ESCAPE: return Key::Escape;
    case SDLK_RETURN: case SDLK_KP_ENTER: return Key::Return;
    default: break;
  }
  if ((code >= SDLK_a && code <= SDLK_z) || (code >= SDLK_0 && code <= SDLK_9)) {
    ch = static_cast<char>(code);
  }
  return Key::Other;
}

}  // namespace

CSdlBoard::CSdlBoard(unsigned int uiWakeupEvent) : m_nWakeupEvent(uiWakeupEvent) {
  // The board is drawn on the CPU into the window's own surface; a GL-backed surface would only
  // add a software GL renderer's threads where no graphics card is used.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  IMG_Init(IMG_INIT_PNG);
  if (TTF_Init() == 0) m_pFont = TTF_OpenFont(kFontPath, kFontPoints);
  m_pMain = SDL_CreateWindow(kWindowTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kBoardWidth, kBoardHeight, SDL_WINDOW_HIDDEN);
}

CSdlBoard::~CSdlBoard() {
  for (auto& [id, surface] : m_bitmaps) {
    if (surface) SDL_FreeSurface(surface);
  }
  if (m_pText) SDL_FreeSurface(m_pText);
  if (m_pMain) SDL_DestroyWindow(m_pMain);
  if (m_pSplash) SDL_DestroyWindow(m_pSplash);
  if (m_pFont) TTF_CloseFont(m_pFont);
  TTF_Quit();
  IMG_Quit();
}

void CSdlBoard::ShowSplash() {
  SDL_Surface* picture = LoadPicture(kSplashBitmap);
  const int w = picture ? picture->w : 300, h = picture ? picture->h : 300;
  m_pSplash = SDL_CreateWindow("Vorsk", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR);
  if (m_pSplash) {
    // Painted once the window system has mapped it; the events stay queued for the board.
    const long long until = NowMs() + kSplashMapWaitMs;
    while (!(SDL_GetWindowFlags(m_pSplash) & SDL_WINDOW_SHOWN) && NowMs() < until) SDL_Delay(5);
    SDL_PumpEvents();
    SDL_Surface* target = SDL_GetWindowSurface(m_pSplash);
    if (target && picture) SDL_BlitSurface(picture, nullptr, target, nullptr);
    if (target) SDL_UpdateWindowSurface(m_pSplash);
  }
  if (picture) SDL_FreeSurface(picture);
}

void CSdlBoard::WaitUntilMs(long long ms) {
  // Nothing is dispatched meanwhile; the splash is only kept painted.
  while (NowMs() < ms) {
    SDL_PumpEvents();
    if (m_pSplash) SDL_UpdateWindowSurface(m_pSplash);
    const long long left = ms - NowMs();
    SDL_Delay(static_cast<Uint32>(left > 50 ? 50 : (left > 0 ? left : 0)));
  }
}

void CSdlBoard::HideSplash() {
  if (m_pSplash) SDL_HideWindow(m_pSplash);
}

void CSdlBoard::SetIcon(int bitmap) {
  SDL_Surface* icon = LoadPicture(bitmap);
  if (m_pMain && icon) SDL_SetWindowIcon(m_pMain, icon);
  if (icon) SDL_FreeSurface(icon);
}

void CSdlBoard::SetBackground(int bitmap) {
  m_nBackground = bitmap;
  int w = 0, h = 0;
  if (SDL_Surface* picture = Bitmap(bitmap); picture && m_pMain) {
    w = picture->w;
    h = picture->h;
    SDL_SetWindowSize(m_pMain, w, h);
  }
}

SDL_Surface* CSdlBoard::Bitmap(int id) {
  if (id == 0) return nullptr;
  const auto it = m_bitmaps.find(id);
  if (it != m_bitmaps.end()) return it->second;
  return m_bitmaps[id] = LoadPicture(id);
}

SDL_Surface* CSdlBoard::Text(const std::string& text) {
  if (text != m_strText || !m_pText) {
    if (m_pText) SDL_FreeSurface(m_pText);
    m_pText = nullptr;
    m_strText = text;
    if (m_pFont && !text.empty()) m_pText = TTF_RenderUTF8_Blended(m_pFont, text.c_str(), kWhite);
  }
  return m_pText;
}

bool CSdlBoard::DrawPanel(int i, long long now, SDL_Surface* target) {
  CAnimationPanel& panel = m_pWindow->Panel(i);
  if (!panel.IsShown()) return false;
  const platform::AviMovie& movie = panel.Movie();
  const int frame = panel.CurrentFrame(now);
  if (frame < 0 || frame >= static_cast<int>(movie.m_frames.size())) return false;
  SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<std::uint8_t*>(movie.m_frames[frame].data()), movie.m_nWidth, movie.m_nHeight, 24,
      movie.m_nWidth * 3, SDL_PIXELFORMAT_RGB24);
  if (!picture) return false;
  const Rect& r = panel.PanelRect();
  Put(picture, target, {r.x, r.y, r.w, r.h});
  SDL_FreeSurface(picture);
  m_panelFrames[i] = frame;
  return true;
}

SDL_Rect CSdlBoard::ControlRect(const ControlInfo& info, int bitmap) {
  SDL_Rect rect{info.rect.x, info.rect.y, info.rect.w, info.rect.h};
  if (rect.w == 0) {
    SDL_Surface* picture = Bitmap(bitmap);
    rect.w = picture ? picture->w : 0;
    rect.h = picture ? picture->h : 0;
  }
  return rect;
}

void CSdlBoard::DrawBoard(SDL_Surface* target, long long now) {
  Fill(target, {0, 0, target->w, target->h}, SDL_Color{212, 208, 200, 255});
  if (SDL_Surface* background = Bitmap(m_nBackground)) {
    if (background->format->format != target->format->format) {
      // Once: the opaque board in the window's own format copies without per-pixel blending.
      if (SDL_Surface* converted = SDL_ConvertSurface(background, target->format, 0)) {
        SDL_FreeSurface(background);
        m_bitmaps[m_nBackground] = background = converted;
        SDL_SetSurfaceBlendMode(background, SDL_BLENDMODE_NONE);
      }
    }
    SDL_BlitSurface(background, nullptr, target, nullptr);
  }
  for (const ControlInfo& info : BoardControls()) {
    const CMainWindow::ControlState& state = m_pWindow->Control(info.id);
    if (!state.bVisible) continue;
    SDL_Rect rect = ControlRect(info, state.bitmap);
    switch (info.kind) {
      case ControlKind::Bitmap:
        if (SDL_Surface* picture = Bitmap(state.bitmap)) Put(picture, target, rect);
        break;
      case ControlKind::Progress: {
        Fill(target, rect, kProgressBack);
        const int span = state.upper - state.lower;
        int pos = state.pos - state.lower;
        if (pos > span) pos = span;
        if (span > 0 && pos > 0) Fill(target, {rect.x, rect.y, rect.w * pos / span, rect.h}, kProgressBar);
        break;
      }
      case ControlKind::Label: {
        Fill(target, rect, kLabelBack);
        if (SDL_Surface* text = Text(m_pWindow->StatusText())) {
          SDL_Rect source{0, 0, text->w < rect.w - 2 ? text->w : rect.w - 2, text->h};
          SDL_Rect place{rect.x + 2, rect.y + (rect.h - text->h) / 2, source.w, source.h};
          SDL_BlitSurface(text, &source, target, &place);
        }
        break;
      }
      case ControlKind::Frame: break;
    }
  }
  for (int i = 0; i < 3; ++i) DrawPanel(i, now, target);
  // Open boxes over everything, the newest on top.
  for (const CBoxView* box : m_boxes) {
    if (!box->Surface()) continue;
    SDL_Rect place = box->Rect();
    SDL_BlitSurface(box->Surface(), nullptr, target, &place);
  }
}

// What a control looked like when it was last drawn.
CSdlBoard::Painted CSdlBoard::PaintedState(const ControlInfo& info) {
  const CMainWindow::ControlState& state = m_pWindow->Control(info.id);
  Painted painted{state.bVisible, state.bitmap, state.lower, state.upper, state.pos, {}};
  if (info.kind == ControlKind::Label) painted.text = m_pWindow->StatusText();
  return painted;
}

void CSdlBoard::Paint() {
  SDL_Surface* target = m_pMain && m_pWindow ? SDL_GetWindowSurface(m_pMain) : nullptr;
  if (!target) return;
  const long long now = NowMs();
  SDL_SetClipRect(target, nullptr);
  DrawBoard(target, now);
  SDL_UpdateWindowSurface(m_pMain);
  const auto controls = BoardControls();
  m_painted.resize(controls.size());
  for (size_t k = 0; k < controls.size(); ++k) m_painted[k] = PaintedState(controls[k]);
  for (int i = 0; i < 3; ++i) m_bPanelShown[i] = m_pWindow->Panel(i).IsShown();
  m_bWholeBoard = false;
  m_pWindow->Painted();
  m_nLastPaintMs = now;
  if (m_probe) m_probe(target->w * target->h);
}

void CSdlBoard::InvalidateAll() {
  m_bWholeBoard = true;
  if (m_pWindow) m_pWindow->Invalidate();
}

void CSdlBoard::RepaintNow() { Paint(); }

void CSdlBoard::PaintIfDue() {
  if (!m_pWindow || !m_pMain) return;
  if (m_probe) m_probe(0);
  const bool bChanged = m_pWindow->NeedsRepaint();
  if (bChanged && (m_bWholeBoard || m_painted.size() != BoardControls().size())) {
    Paint();
    return;
  }
  SDL_Surface* target = SDL_GetWindowSurface(m_pMain);
  if (!target) return;
  // The rectangles to draw again: each changed control where it was and where it is now, and
  // each panel whose frame moved on or that was shown or hidden.
  const long long now = NowMs();
  std::vector<SDL_Rect> rects;
  const auto addRect = [&rects](const SDL_Rect& r) {
    if (r.w > 0 && r.h > 0) rects.push_back(r);
  };
  if (bChanged) {
    const auto controls = BoardControls();
    for (size_t k = 0; k < controls.size(); ++k) {
      const Painted is = PaintedState(controls[k]);
      Painted& was = m_painted[k];
      if (is == was) continue;
      if (was.bVisible) addRect(ControlRect(controls[k], was.bitmap));
      if (is.bVisible) addRect(ControlRect(controls[k], is.bitmap));
      was = is;
    }
  }
  for (int i = 0; i < 3; ++i) {
    CAnimationPanel& panel = m_pWindow->Panel(i);
    const bool bShown = panel.IsShown();
    if (bShown != m_bPanelShown[i] || (bShown && panel.CurrentFrame(now) != m_panelFrames[i])) {
      const Rect& r = panel.PanelRect();
      addRect({r.x, r.y, r.w, r.h});
    }
    m_bPanelShown[i] = bShown;
  }
  if (bChanged) m_pWindow->Painted();
  if (rects.empty()) return;
  long long pixels = 0;
  for (const SDL_Rect& r : rects) pixels += 1LL * r.w * r.h;
  if (pixels * 2 > 1LL * target->w * target->h) {
    Paint();  // most of the board: one whole repaint costs less
    return;
  }
  // Each rectangle is drawn from the board up, everything else clipped away, so the window
  // shows what a whole repaint would.
  for (const SDL_Rect& r : rects) {
    SDL_SetClipRect(target, &r);
    DrawBoard(target, now);
  }
  SDL_SetClipRect(target, nullptr);
  SDL_UpdateWindowSurfaceRects(m_pMain, rects.data(), static_cast<int>(rects.size()));
  m_nLastPaintMs = now;
  if (m_probe) m_probe(static_cast<int>(pixels));
}

void CSdlBoard::Dispatch(const SDL_Event& event) {
  if (!m_boxes.empty() && DispatchToBox(event, *m_boxes.back())) return;
  if (!m_pWindow) return;
  if (event.type == m_nWakeupEvent) {
    platform::UiQueue().DispatchOne(*m_pWindow);
    return;
  }
  switch (event.type) {
    case SDL_QUIT: m_pWindow->OnClose(); break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) m_pWindow->OnClose();
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) InvalidateAll();
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT) m_pWindow->OnLButtonDown(event.button.x, event.button.y);
      if (event.button.button == SDL_BUTTON_RIGHT) m_pWindow->OnRButtonDown();
      break;
    case SDL_KEYDOWN: {
      char ch = 0;
      const Key key = KeyOf(event.key.keysym.sym, ch);
      if (key != Key::Other || ch != 0) m_pWindow->OnKeyDown(key, ch);
      break;
    }
    default: break;
  }
}

void CSdlBoard::PumpOneMessage() {
  // Called once per chunk of a running GENERATE: the window system is asked for new events
  // and the board repainted only every few milliseconds, so the run keeps its pace.
  const long long now = NowMs();
  if (now - m_nLastPumpMs >= kPumpGapMs) {
    SDL_PumpEvents();
    m_nLastPumpMs = now;
  }
  SDL_Event event;
  if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) Dispatch(event);
  if (NowMs() - m_nLastPaintMs >= kPumpPaintGapMs) PaintIfDue();
}

void CSdlBoard::WaitAndDispatch() {
  PaintIfDue();
  long long wait = -1;
  const long long now = NowMs();
  for (int i = 0; m_pWindow && i < 3; ++i) {
    CAnimationPanel& panel = m_pWindow->Panel(i);
    if (!panel.IsShown()) continue;
    const long long next = panel.NextFrameMs(now);
    if (next >= 0 && (wait < 0 || next - now < wait)) wait = next > now ? next - now : 0;
  }
  SDL_Event event;
  const int got = wait < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, static_cast<int>(wait));
  if (got) Dispatch(event);
}

void CSdlBoard::Run() {
  if (!m_pMain || !m_pWindow) return;
  SDL_ShowWindow(m_pMain);
  InvalidateAll();
  while (!m_pWindow->DialogEnded()) WaitAndDispatch();
}

void CSdlBoard::Hide() {
  if (m_pMain) SDL_HideWindow(m_pMain);
}

// SDL_OpenURL says it succeeded even when nothing opened; the opener's exit status tells.
void CSdlBoard::OpenUrl(const std::string& url, std::function<void()> onFailure) {
  OpenUrlInBackground(url, std::move(onFailure));
}

bool CSdlBoard::DispatchToBox(const SDL_Event& event, CBoxView& box) {
  switch (event.type) {
    case SDL_KEYDOWN:
      switch (event.key.keysym.sym) {
        case SDLK_RETURN: case SDLK_KP_ENTER: box.m_nAnswer = box.DefaultAnswer(); break;
        case SDLK_ESCAPE: box.m_nAnswer = box.EscapeAnswer(); break;
        default: break;  // every other key stops at the box
      }
      return true;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT) box.m_nAnswer = box.AnswerAt(event.button.x, event.button.y);
      return true;
    case SDL_KEYUP: case SDL_TEXTINPUT: case SDL_MOUSEBUTTONUP: case SDL_MOUSEWHEEL:
      return true;
    case SDL_QUIT:
      // The program is asked to end: the box gives its Esc answer, and the request goes on
      // to the board.
      box.m_nAnswer = box.EscapeAnswer();
      return false;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) box.m_nAnswer = box.EscapeAnswer();
      return false;
    default:
      return false;  // timers, notifications, exposes: the board's
  }
}

int CSdlBoard::RunBox(CBoxView& box) {
  if (!m_pMain || !box.Surface()) return 0;
  // The box shows even when the board is not (yet, or any more) on screen, and takes the
  // keyboard: a window manager is asked to raise the board, and without one the focus is set.
  if (!IsShown()) SDL_ShowWindow(m_pMain);
  SDL_RaiseWindow(m_pMain);
  SDL_SetWindowInputFocus(m_pMain);
  m_boxes.push_back(&box);
  InvalidateAll();
  if (m_probe) m_probe(-1);  // a box opened
  while (box.m_nAnswer == 0) WaitAndDispatch();
  m_boxes.pop_back();
  InvalidateAll();
  return box.m_nAnswer;
}

int CSdlBoard::Show(const std::string& text, const std::string& caption, platform::MbIcon icon,
                    platform::MbButtons buttons) {
  const std::unique_ptr<CBoxView> box = CBoxView::Message(text, caption, icon, buttons);
  const int answer = RunBox(*box);
  if (answer != 0) return answer;
  // No window to draw it in: the message goes to standard error, as the command line's do.
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return buttons == platform::MbButtons::RetryCancel ? platform::IDCANCEL : platform::IDOK;
}

void CSdlBoard::ShowAbout() {
  std::vector<unsigned char> png;
  if (const auto bytes = resources::FindResource(resources::kBitmap, kAboutBitmap)) {
    png.assign(bytes->begin(), bytes->end());
  }
  const std::unique_ptr<CBoxView> box = CBoxView::About(kAboutCaption, kAboutText, png);
  RunBox(*box);
}

}  // namespace ui
