// The contact sheet: every picture with its id, and frames of each animation, for review.
#include <algorithm>

#include "pictures.h"

namespace artwork {
namespace {

constexpr int kSheetWidth = 1560;
constexpr int kMargin = 16;
constexpr int kLabel = 16;

struct Cell {
  const cairo_surface_t* surface;  // not owned
  std::string label;
  double scale;
};

TextStyle LabelStyle() {
  TextStyle s;
  s.px = 11;
  s.bCondensed = true;
  s.colour = Hex(0xe8e8e8);
  s.align = Align::kLeft;
  return s;
}

// Lays cells out in rows; returns the height used. Draws only when cr is set.
double Flow(cairo_t* cr, const std::vector<Cell>& cells, double top) {
  double x = kMargin, y = top, rowHeight = 0;
  for (const Cell& c : cells) {
    auto* s = const_cast<cairo_surface_t*>(c.surface);
    const double w = cairo_image_surface_get_width(s) * c.scale, h = cairo_image_surface_get_height(s) * c.scale;
    const double cw = std::max(w, 60.0);
    if (x + cw > kSheetWidth - kMargin && x > kMargin) {
      x = kMargin;
      y += rowHeight + kLabel + 12;
      rowHeight = 0;
    }
    if (cr) {
      cairo_save(cr);
      cairo_translate(cr, x, y);
      cairo_scale(cr, c.scale, c.scale);
      cairo_set_source_surface(cr, s, 0, 0);
      cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
      cairo_paint(cr);
      cairo_restore(cr);
      cairo_rectangle(cr, x - 0.5, y - 0.5, w + 1, h + 1);
      SetColour(cr, Hex(0x5a5a5a));
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      TextStyle st = LabelStyle();
      DrawText(cr, c.label, {x, y + h + 2, std::max(cw, MeasureText(cr, c.label, st).w + 2), kLabel}, st);
    }
    x += std::max(cw, cr ? MeasureText(cr, c.label, LabelStyle()).w : cw) + 14;
    rowHeight = std::max(rowHeight, h);
  }
  return y + rowHeight + kLabel + 12 - top;
}

}  // namespace

Surface MakeContactSheet(const std::vector<Picture>& pictures, const std::vector<Movie>& movies) {
  // Animation frames as pictures of their own.
  std::vector<Surface> frames;
  std::vector<Cell> movieCells;
  for (const Movie& m : movies) {
    const auto& mv = *m.movie;
    const size_t n = mv.m_frames.size();
    for (size_t k : {size_t{0}, n / 4, n / 2, 3 * n / 4, n - 1}) {
      Surface f(cairo_image_surface_create(CAIRO_FORMAT_RGB24, mv.m_nWidth, mv.m_nHeight));
      unsigned char* data = cairo_image_surface_get_data(f.get());
      const int stride = cairo_image_surface_get_stride(f.get());
      for (int y = 0; y < mv.m_nHeight; ++y)
        for (int x = 0; x < mv.m_nWidth; ++x) {
          const std::uint8_t* p = &mv.m_frames[k][(static_cast<size_t>(y) * mv.m_nWidth + x) * 3];
          *reinterpret_cast<std::uint32_t*>(data + static_cast<size_t>(y) * stride + 4 * x) =
              0xFF000000u | p[0] << 16 | p[1] << 8 | p[2];
        }
      cairo_surface_mark_dirty(f.get());
      movieCells.push_back({f.get(), m.file + " " + std::to_string(k + 1) + "/" + std::to_string(n), 1.0});
      frames.push_back(std::move(f));
    }
  }
  std::vector<std::vector<Cell>> sections(4);
  for (const Picture& p : pictures) {
    const int w = cairo_image_surface_get_width(p.surface.get());
    const int h = cairo_image_surface_get_height(p.surface.get());
    std::string name = p.name;
    for (char& ch : name) ch = ch == '\n' ? ' ' : ch;
    const std::string label = std::to_string(p.nId) + " " + name + " " + std::to_string(w) + "x" + std::to_string(h);
    const double scale = w > 600 ? 0.5 : 1.0;
    const size_t section = w > 400 || h > 200 ? 0 : (p.nId >= 494 && p.nId <= 605 && w == 110 && h == 110) ? 2 : 1;
    sections[section].push_back({p.surface.get(), section == 2 ? std::to_string(p.nId) : label, scale});
  }
  sections[3] = movieCells;
  const char* titles[4] = {"Board, schematic view and large pictures (board and schematic at half size)",
                           "Indicators, digits and small pictures (natural size)",
                           "User-manual pages: idle, generating, generated, paused, playing",
                           "Animations: frames 1, a quarter, a half, three quarters and last"};

  double height = kMargin;
  for (const auto& s : sections) height += 24 + Flow(nullptr, s, 0) + 8;
  Surface sheet = NewPicture(kSheetWidth, static_cast<int>(height + 1000));  // generous; cropped below
  Context c = NewContext(sheet);
  cairo_t* cr = c.get();
  FillRect(cr, {0, 0, kSheetWidth * 1.0, height + 1000}, Hex(0x2a2c2b));
  double y = kMargin;
  for (size_t i = 0; i < sections.size(); ++i) {
    TextStyle t = LabelStyle();
    t.px = 16;
    t.bBold = true;
    DrawText(cr, titles[i], {kMargin, y, kSheetWidth - 2.0 * kMargin, 22}, t);
    y += 24;
    y += Flow(cr, sections[i], y) + 8;
  }
  return CropPicture(sheet, 0, 0, kSheetWidth, static_cast<int>(y + kMargin));
}

}  // namespace artwork
