#include "paint.h"

#include <pango/pangocairo.h>

#include <cstdio>

namespace artwork {
namespace {

struct LayoutDeleter {
  void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using Layout = std::unique_ptr<PangoLayout, LayoutDeleter>;

Layout MakeLayout(cairo_t* cr, const std::string& text, const TextStyle& style) {
  Layout layout(pango_cairo_create_layout(cr));
  PangoContext* context = pango_layout_get_context(layout.get());
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context, options);
  pango_cairo_context_set_resolution(context, 96);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout.get());

  std::string family = style.bMono ? "DejaVu Sans Mono" : style.bCondensed ? "DejaVu Sans Condensed" : "DejaVu Sans";
  PangoFontDescription* font = pango_font_description_from_string(family.c_str());
  pango_font_description_set_weight(font, style.bBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_absolute_size(font, style.px * PANGO_SCALE);
  pango_layout_set_font_description(layout.get(), font);
  pango_font_description_free(font);
  pango_layout_set_alignment(layout.get(), style.align == Align::kLeft    ? PANGO_ALIGN_LEFT
                                           : style.align == Align::kRight ? PANGO_ALIGN_RIGHT
                                                                          : PANGO_ALIGN_CENTER);
  if (style.lineSpacing != 1.0) pango_layout_set_line_spacing(layout.get(), static_cast<float>(style.lineSpacing));
  if (style.bMarkup) {
    pango_layout_set_markup(layout.get(), text.c_str(), -1);
  } else {
    pango_layout_set_text(layout.get(), text.c_str(), -1);
  }
  return layout;
}

}  // namespace

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Surface NewPicture(int w, int h) {
  Surface s(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
  Context cr = NewContext(s);
  cairo_set_source_rgb(cr.get(), 0, 0, 0);
  cairo_paint(cr.get());
  return s;
}

Context NewContext(const Surface& surface) { return Context(cairo_create(surface.get())); }

void SetColour(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void RoundedRect(cairo_t* cr, Box b, double r) {
  const double deg = 3.14159265358979 / 180.0;
  cairo_new_sub_path(cr);
  cairo_arc(cr, b.x + b.w - r, b.y + r, r, -90 * deg, 0);
  cairo_arc(cr, b.x + b.w - r, b.y + b.h - r, r, 0, 90 * deg);
  cairo_arc(cr, b.x + r, b.y + b.h - r, r, 90 * deg, 180 * deg);
  cairo_arc(cr, b.x + r, b.y + r, r, 180 * deg, 270 * deg);
  cairo_close_path(cr);
}

void FillRect(cairo_t* cr, Box b, Rgb c, double alpha) {
  cairo_rectangle(cr, b.x, b.y, b.w, b.h);
  SetColour(cr, c, alpha);
  cairo_fill(cr);
}

void FillVertical(cairo_t* cr, Box b, Rgb top, Rgb bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, b.y, 0, b.y + b.h);
  cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

TextStyle MakeStyle(double px, Rgb colour, bool bBold, Align align) {
  TextStyle s;
  s.px = px;
  s.bBold = bBold;
  s.bCondensed = true;
  s.colour = colour;
  s.align = align;
  return s;
}

Box MeasureText(cairo_t* cr, const std::string& text, const TextStyle& style) {
  Layout layout = MakeLayout(cr, text, style);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout.get(), &ink, &logical);
  return {0, 0, static_cast<double>(logical.width), static_cast<double>(logical.height)};
}

double TextHeight(cairo_t* cr, const std::string& text, const TextStyle& style, double width) {
  Layout layout = MakeLayout(cr, text, style);
  pango_layout_set_width(layout.get(), static_cast<int>(width * PANGO_SCALE));
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout.get(), &ink, &logical);
  return logical.height;
}

bool DrawText(cairo_t* cr, const std::string& text, Box box, const TextStyle& style) {
  Layout layout = MakeLayout(cr, text, style);
  pango_layout_set_width(layout.get(), static_cast<int>(box.w * PANGO_SCALE));
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout.get(), &ink, &logical);
  // Lines pango had to wrap, or a block taller than the box, do not fit.
  const int lines = pango_layout_get_line_count(layout.get());
  int wanted = 1;
  for (char c : text) wanted += c == '\n';
  const bool bFits = logical.height <= box.h + 1 &&
                     (style.bWrap || (lines == wanted && !pango_layout_is_wrapped(layout.get())));
  if (!bFits) {
    std::fprintf(stderr, "artwork: text \"%s\" does not fit %.0f x %.0f px\n", text.c_str(), box.w, box.h);
    ++OverflowCount();
  }
  cairo_save(cr);
  SetColour(cr, style.colour);
  // Centre the logical block vertically (pango's extents start at the layout origin).
  cairo_move_to(cr, box.x, box.y + (box.h - logical.height) / 2.0 - logical.y);
  pango_cairo_show_layout(cr, layout.get());
  cairo_new_path(cr);  // leave no current point behind for the next arc
  cairo_restore(cr);
  return bFits;
}

Surface CropPicture(const Surface& source, int x, int y, int w, int h) {
  Surface out = NewPicture(w, h);
  Context cr = NewContext(out);
  cairo_set_source_surface(cr.get(), source.get(), -x, -y);
  cairo_paint(cr.get());
  return out;
}

Surface ScalePicture(const Surface& source, int w, int h) {
  Surface out = NewPicture(w, h);
  Context cr = NewContext(out);
  const double sx = static_cast<double>(w) / cairo_image_surface_get_width(source.get());
  const double sy = static_cast<double>(h) / cairo_image_surface_get_height(source.get());
  cairo_scale(cr.get(), sx, sy);
  cairo_set_source_surface(cr.get(), source.get(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
  cairo_paint(cr.get());
  return out;
}

bool WritePng(const Surface& surface, const std::string& path) {
  cairo_surface_flush(surface.get());
  return cairo_surface_write_to_png(surface.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

int& OverflowCount() {
  static int count = 0;
  return count;
}

}  // namespace artwork
