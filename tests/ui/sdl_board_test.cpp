// The board on SDL's dummy video driver: what a repaint of the changes sends must leave the
// window exactly as a whole repaint would, and be only the changed rectangles.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "session/generate_view.h"
#include "support/fixtures.h"
#include "ui/board_layout.h"
#include "ui/sdl_board.h"

namespace {

std::vector<unsigned char> Pixels(SDL_Surface* surface) {
  std::vector<unsigned char> bytes;
  for (int y = 0; y < surface->h; ++y) {
    const auto* row = static_cast<const unsigned char*>(surface->pixels) + y * surface->pitch;
    bytes.insert(bytes.end(), row, row + surface->w * surface->format->BytesPerPixel);
  }
  return bytes;
}

TEST(SdlBoard, RepaintingTheChangesLeavesTheWindowAsAWholeRepaintWould) {
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  {
    fixtures::ScratchDir program, temp;
    ui::CSdlBoard board(0);
    ASSERT_TRUE(board.IsOpen());
    ui::CMainWindow window(board, program.Path(), temp.Path() + "/");
    board.Attach(&window);
    int sent = -1;
    board.SetPaintProbe([&sent](int pixels) {
      if (pixels > 0) sent = pixels;
    });
    board.SetBackground(ui::kBoardBitmap);
    board.RepaintNow();
    SDL_Surface* surface = board.Surface();
    ASSERT_NE(surface, nullptr);
    const long long whole = 1LL * surface->w * surface->h;

    struct Step {
      const char* what;
      std::function<void()> change;
      bool bSmall;  // only a few controls' rectangles need sending
    } steps[] = {
        {"MINOR lit", [&] { window.ShowControl(1015, true); }, true},
        {"MAJOR lit, MINOR unlit", [&] { window.ShowControl(1015, false), window.ShowControl(1014, true); }, true},
        {"progress bar shown at 30 %",
         [&] { window.SetProgressRange(view::kGenerationProgress, 0, 100), window.SetProgressPos(view::kGenerationProgress, 30),
               window.ShowControl(view::kGenerationProgress, true); },
         true},
        {"progress bar moved on", [&] { window.SetProgressPos(view::kGenerationProgress, 70); }, true},
        {"a time digit of its picture's size",
         [&] { window.SetDigitPicture(view::kTimeDigits[0], view::kTimeDigitBitmap + 3), window.ShowControl(view::kTimeDigits[0], true); }, true},
        {"another digit picture", [&] { window.SetDigitPicture(view::kTimeDigits[0], view::kTimeDigitBitmap + 8); }, true},
        {"the schematic view over most of the board", [&] { window.ShowControl(ui::kSchematicView, true); }, false},
        {"the schematic view gone, the digit hidden",
         [&] { window.ShowControl(ui::kSchematicView, false), window.ShowControl(view::kTimeDigits[0], false); }, false},
    };
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      const std::vector<unsigned char> before = Pixels(surface);
      sent = -1;
      step.change();
      board.PaintIfDue();
      const std::vector<unsigned char> changed = Pixels(surface);
      EXPECT_NE(changed, before) << "nothing was drawn";
      if (step.bSmall) {
        EXPECT_GT(sent, 0);
        EXPECT_LT(sent, whole / 10) << "more than the changed rectangles was sent";
      }
      board.RepaintNow();
      EXPECT_EQ(changed, Pixels(surface)) << "the repaint of the changes differs from a whole repaint";
    }
    board.Attach(nullptr);
  }
  SDL_Quit();
}

}  // namespace
