// Splash, About picture and icon: the emblem and the name on the board's green.
#include <cmath>

#include "board.h"
#include "pictures.h"

namespace artwork {
namespace {

using namespace colours;

TextStyle Text(double px, Rgb colour, bool bBold, bool bCondensed = false) {
  TextStyle s;
  s.px = px;
  s.bBold = bBold;
  s.bCondensed = bCondensed;
  s.colour = colour;
  return s;
}

// A stave of five lines with a few notes, the splash's ornament.
void PaintStave(cairo_t* cr, Box b) {
  cairo_set_line_width(cr, 1);
  SetColour(cr, kSilkDim, 0.45);
  for (int i = 0; i < 5; ++i) {
    cairo_move_to(cr, b.x, b.y + i * b.h / 4);
    cairo_line_to(cr, b.x + b.w, b.y + i * b.h / 4);
  }
  cairo_stroke(cr);
  const double step = b.h / 8;
  const int heights[] = {2, 4, 3, 5, 7, 6, 4, 5, 3, 1};
  for (int i = 0; i < 10; ++i) {
    const double x = b.x + 18 + i * (b.w - 36) / 9;
    const double y = b.y + b.h - heights[i] * step;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -0.35);
    cairo_scale(cr, 1.3, 1);
    cairo_arc(cr, 0, 0, step * 0.9, 0, 2 * M_PI);
    cairo_restore(cr);
    SetColour(cr, i % 3 == 1 ? kAmber : kSilk, 0.85);
    cairo_fill(cr);
    cairo_rectangle(cr, x + step * 1.05, y - 3.2 * step, 1.4, 3.2 * step);
    cairo_fill(cr);
  }
}

}  // namespace

Surface MakeSplash() {
  const int w = 480, h = 320;
  Surface s = NewPicture(w, h);
  Context c = NewContext(s);
  cairo_t* cr = c.get();
  PaintCircuit(cr, w, h, 609, 26, {{110, 30, 260, 200}, {20, 228, 440, 84}});
  RoundedRect(cr, {1.5, 1.5, w - 3.0, h - 3.0}, 10);
  cairo_set_line_width(cr, 3);
  SetColour(cr, kPad);
  cairo_stroke(cr);
  PaintEmblem(cr, {190, 34, 100, 100});
  DrawText(cr, "VORSK", {40, 134, 400, 68}, Text(54, kSilk, true));
  DrawText(cr, "music generator", {40, 196, 400, 34}, Text(18, kSilkDim, false));
  PaintStave(cr, {60, 240, 360, 24});
  DrawText(cr, "Version 2.1.0", {40, 276, 200, 22}, [] { auto t = Text(14, kSilk, true); t.align = Align::kLeft; return t; }());
  DrawText(cr, "starting\u2026", {240, 276, 200, 22}, [] { auto t = Text(14, kSilkDim, false); t.align = Align::kRight; return t; }());
  return s;
}

Surface MakeAbout() {
  const int w = 160, h = 160;
  Surface s = NewPicture(w, h);
  Context c = NewContext(s);
  cairo_t* cr = c.get();
  PaintCircuit(cr, w, h, 207, 8, {{30, 4, 100, 106}, {0, 108, 160, 52}});
  PaintEmblem(cr, {52, 6, 56, 56});
  DrawText(cr, "VORSK", {0, 62, w * 1.0, 28}, Text(22, kSilk, true));
  DrawText(cr, "music generator", {0, 88, w * 1.0, 16}, Text(11, kSilkDim, false));
  // The sound source and its licence (the full text is in the help page and the documents).
  DrawText(cr, "Sounds: FluidR3 GM SoundFont\n\u00a9 2000\u20132002, 2008 Frank Wen,\n2008 Toby Smithe \u2022 MIT licence",
           {2, 110, w - 4.0, 46}, Text(9, kSilk, false));
  return s;
}

Surface MakeIcon(int size) {
  Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size));  // transparent corners
  Context c = NewContext(s);
  PaintEmblem(c.get(), {0, 0, static_cast<double>(size), static_cast<double>(size)});
  return s;
}

}  // namespace artwork
