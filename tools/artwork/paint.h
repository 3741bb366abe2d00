// Drawing helpers of the artwork tool: colours, shapes and text over cairo and pango.
//
// Text is set with the DejaVu families through pango with fixed font options (grey antialiasing,
// no hinting of metrics), so the same build machine always draws the same pixels. Sizes are in
// pixels. DrawText refuses (returns false) text that does not fit its box, so a label that would
// be cut off fails the build instead of shipping.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>

namespace artwork {

struct Rgb {
  double r, g, b;
};
constexpr Rgb Hex(std::uint32_t v) {
  return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}
Rgb Mix(Rgb a, Rgb b, double t);  // t = 0 gives a, 1 gives b

struct Box {
  double x, y, w, h;
};

enum class Align { kLeft, kCentre, kRight };

struct TextStyle {
  double px = 12;              // font size (em) in pixels
  bool bBold = false;
  bool bCondensed = false;
  bool bMono = false;
  Rgb colour{1, 1, 1};
  Align align = Align::kCentre;
  double lineSpacing = 1.0;    // multiple of the font's line height
  bool bWrap = false;          // wrap at the box width (only the height must fit)
  bool bMarkup = false;        // text is pango markup (<b>, <i>)
};

// Owning handles.
struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

// An opaque RGB24 picture of w x h pixels, cleared to black.
Surface NewPicture(int w, int h);
Context NewContext(const Surface& surface);

void SetColour(cairo_t* cr, Rgb c, double alpha = 1.0);
void RoundedRect(cairo_t* cr, Box b, double radius);
void FillRect(cairo_t* cr, Box b, Rgb c, double alpha = 1.0);
// A vertical gradient fill of the current path from top to bottom colour (path is consumed).
void FillVertical(cairo_t* cr, Box b, Rgb top, Rgb bottom);

// The artwork's text style: DejaVu condensed at px pixels, bold or book, in colour, aligned.
TextStyle MakeStyle(double px, Rgb colour, bool bBold, Align align);

// Width and height the text takes in the style (lines separated by '\n').
Box MeasureText(cairo_t* cr, const std::string& text, const TextStyle& style);
// Height of text wrapped at width.
double TextHeight(cairo_t* cr, const std::string& text, const TextStyle& style, double width);
// Draws text in box: aligned horizontally as the style says, centred vertically. False when it
// does not fit; it is drawn anyway so the failure can be seen.
bool DrawText(cairo_t* cr, const std::string& text, Box box, const TextStyle& style);

// Copies part of a picture: the w x h region at (x, y) of source into a new picture.
Surface CropPicture(const Surface& source, int x, int y, int w, int h);
Surface ScalePicture(const Surface& source, int w, int h);

// Writes the picture as PNG (no time stamp is stored). False on a write error.
bool WritePng(const Surface& surface, const std::string& path);

// Counts text that did not fit; the tool fails when it is not 0 at the end.
int& OverflowCount();

}  // namespace artwork
