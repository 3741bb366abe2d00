// The boxes the board draws over itself: their layout (columns at tabs, the whole caption, on
// the board) and how they run inside the board's loop on SDL's dummy video driver (Return,
// Esc and clicks answer; other keys stop at the box; queued work goes on behind it; a board off
// the screen comes on for the box).
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui_queue.h"
#include "support/fixtures.h"
#include "ui/box_view.h"
#include "ui/sdl_board.h"

namespace {

using platform::MbButtons;
using platform::MbIcon;

TEST(BoxView, TabColumnsLineUpAndTheCaptionAndBoxFitTheBoard) {
  const struct {
    const char* caption;
    std::string text;
    std::vector<std::pair<int, int>> aligned;  // lines whose second cells start at one x
  } cases[] = {
      {"Vorsk - Save Session",
       "Files are saved in folder /home/ann/Music/Vorsk/\n\nLog    file:\t\t261208_153000_log.txt\n"
       "Music file:\t\t261208_153000_Mix.wav\nPiano file:\t\t261208_153000_Piano.wav",
       {{2, 3}, {3, 4}}},
      {"Vorsk - Save Session",
       "File saved in folder /a/\nLog file:\t\t\tx_log.txt\nMusic file:\t\t\tx_Mix_01.wav\n"
       "Piano Motive file: \t\tx_Piano_01.wav",
       {{1, 2}, {2, 3}}},
      {"Vorsk - Not enough space on disk", "x", {}},
      {"Vorsk - Help", std::string(400, 'w') + " " + std::string(300, 'i'), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    for (MbButtons buttons : {MbButtons::Ok, MbButtons::RetryCancel}) {
      const auto box = ui::CBoxView::Message(c.text, c.caption, MbIcon::Information, buttons);
      ASSERT_NE(box->Surface(), nullptr);
      EXPECT_LE(box->CaptionWidth(), box->CaptionRoom()) << "the caption is cut";
      const SDL_Rect& r = box->Rect();
      EXPECT_GE(r.x, 0);
      EXPECT_GE(r.y, 0);
      EXPECT_LE(r.x + r.w, ui::kBoardWidth);
      EXPECT_LE(r.y + r.h, ui::kBoardHeight);
      for (const auto& [a, b] : c.aligned) {
        ASSERT_GE(box->CellStarts()[a].size(), 2u);
        ASSERT_GE(box->CellStarts()[b].size(), 2u);
        EXPECT_EQ(box->CellStarts()[a][1], box->CellStarts()[b][1]) << "lines " << a << " and " << b;
        EXPECT_GT(box->CellStarts()[a][1], box->CellStarts()[a][0]);
      }
      for (const auto& button : box->Buttons()) {
        SDL_Rect inside;
        EXPECT_TRUE(SDL_IntersectRect(&button.rect, &r, &inside) && SDL_RectEquals(&inside, &button.rect));
      }
    }
  }
}

SDL_Event KeyDown(SDL_Keycode key) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.keysym.sym = key;
  return event;
}

SDL_Event LeftClick(int x, int y) {
  SDL_Event event{};
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.button = SDL_BUTTON_LEFT;
  event.button.x = x;
  event.button.y = y;
  return event;
}

SDL_Point Centre(const SDL_Rect& r) { return {r.x + r.w / 2, r.y + r.h / 2}; }

TEST(BoardBox, AnswersReturnEscAndClicksWhileTheBoardsQueueRunsAndKeysStopAtTheBox) {
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
  const Uint32 wakeup = SDL_RegisterEvents(1);
  {
    fixtures::ScratchDir program, temp;
    ui::CSdlBoard board(wakeup);
    ASSERT_TRUE(board.IsOpen());
    ui::CMainWindow window(board, program.Path(), temp.Path() + "/");
    board.Attach(&window);
    board.SetBackground(ui::kBoardBitmap);
    // Each box is raised while the board is off the screen (before start-up ends, or at shutdown).
    bool bShownWithBox = false;
    board.SetPaintProbe([&](int pixels) {
      if (pixels > 0 && board.BoxOpen()) bShownWithBox = board.IsShown();
    });
    const auto probe = ui::CBoxView::Message("text", "Vorsk - Error", MbIcon::Error, MbButtons::RetryCancel);
    const SDL_Point retry = Centre(probe->Buttons()[0].rect), cancel = Centre(probe->Buttons()[1].rect);
    const SDL_Point outside{probe->Rect().x - 5, probe->Rect().y - 5};
    const struct {
      const char* what;
      MbButtons buttons;
      std::vector<SDL_Event> events;
      int answer;
    } cases[] = {
        {"Return on OK", MbButtons::Ok, {KeyDown(SDLK_RETURN)}, platform::IDOK},
        {"Esc on OK", MbButtons::Ok, {KeyDown(SDLK_ESCAPE)}, platform::IDOK},
        {"Return on Retry/Cancel", MbButtons::RetryCancel, {KeyDown(SDLK_RETURN)}, platform::IDRETRY},
        {"Esc on Retry/Cancel", MbButtons::RetryCancel, {KeyDown(SDLK_ESCAPE)}, platform::IDCANCEL},
        {"board keys and a click beside the buttons, then Cancel clicked", MbButtons::RetryCancel,
         {KeyDown(SDLK_q), KeyDown(SDLK_x), LeftClick(outside.x, outside.y), LeftClick(cancel.x, cancel.y)},
         platform::IDCANCEL},
        {"Retry clicked", MbButtons::RetryCancel, {LeftClick(retry.x, retry.y)}, platform::IDRETRY},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
      board.Hide();
      bShownWithBox = false;
      // Work queued for the UI thread, as a timer tick would be, before the answer arrives.
      int ran = 0;
      platform::UiQueue().PostTask([&ran] { ++ran; });
      SDL_Event wake{};
      wake.type = wakeup;
      SDL_PushEvent(&wake);
      for (SDL_Event event : c.events) SDL_PushEvent(&event);
      const int answer = board.Show("Can't delete file: /a/b\tc", "Vorsk - File Error", MbIcon::Exclamation, c.buttons);
      EXPECT_EQ(answer, c.answer);
      EXPECT_EQ(ran, 1) << "the queue stood still behind the box";
      EXPECT_TRUE(bShownWithBox) << "the box was not drawn on a shown board";
      EXPECT_EQ(window.ManualSeries(), ui::kSeriesOff) << "Q reached the board";
      EXPECT_FALSE(window.DialogEnded()) << "X reached the board";
    }
    board.Attach(nullptr);
    platform::UiQueue().Clear();
  }
  SDL_Quit();
}

}  // namespace
