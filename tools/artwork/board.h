// The board picture and everything cut from it: the lit indicator of each button, the digits of
// the two displays, the status lamp and the lit keyboard strip. Each lit picture is the board
// beneath it with the light switched on, so showing it over the board looks like a lamp lighting.
#pragma once

#include "board_layout.h"
#include "paint.h"

namespace artwork {

Surface MakeBoard();
void PaintButton(cairo_t* cr, const BoardButton& button, bool bLit);

// The lit picture of button, cut from board at the button's rectangle.
Surface MakeIndicator(const Surface& board, const BoardButton& button);
// Digit 0..9 of a display, cut from board at box (one of kTimeDigits / kPhraseDigits).
Surface MakeDigit(const Surface& board, Box box, int digit);
Surface MakeLitLamp(const Surface& board);
Surface MakeLitKeyboardStrip(const Surface& board);

// Seven segments in box: the segments of digit lit, the others as a faint ghost (digit < 0: all
// ghost).
void PaintSegments(cairo_t* cr, Box box, int digit);
// A small emblem of the program (rounded board with a gold trace V and a note), in box.
void PaintEmblem(cairo_t* cr, Box box);
// The printed-circuit background with its traces, for any picture of size w x h.
void PaintCircuit(cairo_t* cr, int w, int h, unsigned seed, int traces, const std::vector<Box>& keepOut);

}  // namespace artwork
