#include "ui/box_view.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ui {
namespace {

constexpr const char* kFontFamily = "DejaVu Sans";
constexpr int kTextPx = 13;
constexpr int kMargin = 16;        // around the content and the buttons
constexpr int kCaptionHeight = 28;
constexpr int kCaptionPad = 12;    // left and right of the caption text
constexpr int kIconSize = 32;
constexpr int kIconGap = 14;       // between the icon (or picture) and the text
constexpr int kColumnGap = 18;     // between two tab columns
constexpr int kButtonWidth = 88, kButtonHeight = 28, kButtonGap = 10;
constexpr int kMinWidth = 280;
constexpr int kMaxWidth = kBoardWidth - 40;

struct Rgb {
  double r, g, b;
};
constexpr Rgb Hex(unsigned v) { return {((v >> 16) & 255) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0}; }
constexpr Rgb kBody = Hex(0xf3f1ea), kInk = Hex(0x1d2622), kBoard = Hex(0x123f2f),
              kBoardDark = Hex(0x0c2f22), kSilk = Hex(0xf4f1e4), kGold = Hex(0xc8a14e),
              kButtonTop = Hex(0xfbfaf5), kButtonBottom = Hex(0xdcd8cc), kButtonEdge = Hex(0x5a645f);

void Colour(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

using LayoutPtr = std::unique_ptr<PangoLayout, decltype(&g_object_unref)>;

LayoutPtr NewLayout(cairo_t* cr, const std::string& text, bool bBold) {
  LayoutPtr layout(pango_cairo_create_layout(cr), &g_object_unref);
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, kFontFamily);
  pango_font_description_set_absolute_size(font, kTextPx * PANGO_SCALE);
  if (bBold) pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
  pango_layout_set_font_description(layout.get(), font);
  pango_font_description_free(font);
  pango_layout_set_text(layout.get(), text.c_str(), -1);
  return layout;
}

int TextWidth(cairo_t* cr, const std::string& text, bool bBold) {
  int w = 0, h = 0;
  pango_layout_get_pixel_size(NewLayout(cr, text, bBold).get(), &w, &h);
  return w;
}

// The text's lines, each cut at runs of tabs into cells.
std::vector<std::vector<std::string>> Cells(const std::string& text) {
  std::vector<std::vector<std::string>> lines(1, std::vector<std::string>(1));
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\n') {
      lines.emplace_back(1);
    } else if (ch == '\t') {
      if (i == 0 || text[i - 1] != '\t') lines.back().emplace_back();
    } else {
      lines.back().back() += ch;
    }
  }
  return lines;
}

void PaintIcon(cairo_t* cr, platform::MbIcon icon, double x, double y) {
  const double s = kIconSize, cx = x + s / 2, cy = y + s / 2;
  cairo_save(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  switch (icon) {
    case platform::MbIcon::Error:
      cairo_arc(cr, cx, cy, s / 2 - 1, 0, 2 * M_PI);
      Colour(cr, Hex(0xc0392b));
      cairo_fill(cr);
      cairo_set_line_width(cr, 4);
      Colour(cr, Hex(0xffffff));
      cairo_move_to(cr, cx - 7, cy - 7);
      cairo_line_to(cr, cx + 7, cy + 7);
      cairo_move_to(cr, cx + 7, cy - 7);
      cairo_line_to(cr, cx - 7, cy + 7);
      cairo_stroke(cr);
      break;
    case platform::MbIcon::Information:
      cairo_arc(cr, cx, cy, s / 2 - 1, 0, 2 * M_PI);
      Colour(cr, Hex(0x2f78c4));
      cairo_fill(cr);
      Colour(cr, Hex(0xffffff));
      cairo_arc(cr, cx, cy - 8, 2.6, 0, 2 * M_PI);
      cairo_fill(cr);
      cairo_set_line_width(cr, 4.5);
      cairo_move_to(cr, cx, cy - 1);
      cairo_line_to(cr, cx, cy + 9);
      cairo_stroke(cr);
      break;
    case platform::MbIcon::Exclamation:
      cairo_move_to(cr, cx, y + 1);
      cairo_line_to(cr, x + s - 1, y + s - 2);
      cairo_line_to(cr, x + 1, y + s - 2);
      cairo_close_path(cr);
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
      cairo_set_line_width(cr, 2);
      Colour(cr, Hex(0xe0a526));
      cairo_fill_preserve(cr);
      Colour(cr, Hex(0x8a6410));
      cairo_stroke(cr);
      Colour(cr, kInk);
      cairo_set_line_width(cr, 4);
      cairo_move_to(cr, cx, y + 11);
      cairo_line_to(cr, cx, y + 20);
      cairo_stroke(cr);
      cairo_arc(cr, cx, y + 25.5, 2.4, 0, 2 * M_PI);
      cairo_fill(cr);
      break;
  }
  cairo_restore(cr);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

struct PngReader {
  const std::vector<unsigned char>* bytes;
  size_t at = 0;
  static cairo_status_t Read(void* self, unsigned char* data, unsigned int length) {
    auto* reader = static_cast<PngReader*>(self);
    if (reader->at + length > reader->bytes->size()) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, reader->bytes->data() + reader->at, length);
    reader->at += length;
    return CAIRO_STATUS_SUCCESS;
  }
};

}  // namespace

struct CBoxView::Content {
  std::string caption, text;
  bool bIcon = true;
  platform::MbIcon icon = platform::MbIcon::Information;
  cairo_surface_t* picture = nullptr;  // About's, instead of the icon
  std::vector<std::pair<std::string, int>> buttons;
};

std::unique_ptr<CBoxView> CBoxView::Message(const std::string& text, const std::string& caption,
                                            platform::MbIcon icon, platform::MbButtons buttons) {
  std::unique_ptr<CBoxView> box(new CBoxView);
  Content content;
  content.caption = caption;
  content.text = text;
  content.icon = icon;
  if (buttons == platform::MbButtons::RetryCancel) {
    content.buttons = {{"Retry", platform::IDRETRY}, {"Cancel", platform::IDCANCEL}};
  } else {
    content.buttons = {{"OK", platform::IDOK}};
  }
  box->Build(content);
  return box;
}

std::unique_ptr<CBoxView> CBoxView::About(const std::string& caption, const std::string& text,
                                          const std::vector<unsigned char>& png) {
  std::unique_ptr<CBoxView> box(new CBoxView);
  Content content;
  content.caption = caption;
  content.text = text;
  content.bIcon = false;
  content.buttons = {{"OK", platform::IDOK}};
  if (!png.empty()) {
    PngReader reader{&png};
    content.picture = cairo_image_surface_create_from_png_stream(&PngReader::Read, &reader);
    if (cairo_surface_status(content.picture) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(content.picture);
      content.picture = nullptr;
    }
  }
  box->Build(content);
  if (content.picture) cairo_surface_destroy(content.picture);
  return box;
}

CBoxView::~CBoxView() {
  if (m_pSurface) SDL_FreeSurface(m_pSurface);
}

int CBoxView::AnswerAt(int x, int y) const {
  const SDL_Point p{x, y};
  for (const Button& button : m_buttons) {
    if (SDL_PointInRect(&p, &button.rect)) return button.answer;
  }
  return 0;
}

void CBoxView::Build(const Content& content) {
  for (const auto& [label, answer] : content.buttons) m_buttons.push_back({label, answer, {0, 0, 0, 0}});
  // Measuring needs a context; a tiny surface serves.
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* measure = cairo_create(scratch);

  // Tab columns: each column starts where the widest cell before it ends, plus a gap.
  const auto lines = Cells(content.text);
  std::vector<int> columnWidths;
  for (const auto& cells : lines) {
    for (size_t k = 0; k + 1 < cells.size(); ++k) {
      if (columnWidths.size() <= k) columnWidths.resize(k + 1, 0);
      columnWidths[k] = std::max(columnWidths[k], TextWidth(measure, cells[k], false));
    }
  }
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    for (size_t k = 0; k < lines[i].size(); ++k) text += (k > 0 ? "\t" : "") + lines[i][k];
  }
  PangoTabArray* tabs = nullptr;
  if (!columnWidths.empty()) {
    tabs = pango_tab_array_new(static_cast<int>(columnWidths.size()), TRUE);
    int at = 0;
    for (size_t k = 0; k < columnWidths.size(); ++k) {
      at += columnWidths[k] + kColumnGap;
      pango_tab_array_set_tab(tabs, static_cast<int>(k), PANGO_TAB_LEFT, at);
    }
  }
  const int leftW = content.bIcon ? kIconSize : content.picture ? cairo_image_surface_get_width(content.picture) : 0;
  const int leftH = content.bIcon ? kIconSize : content.picture ? cairo_image_surface_get_height(content.picture) : 0;
  const int leftRoom = leftW > 0 ? leftW + kIconGap : 0;
  LayoutPtr body = NewLayout(measure, text, false);
  if (tabs) pango_layout_set_tabs(body.get(), tabs);
  int textW = 0, textH = 0;
  pango_layout_get_pixel_size(body.get(), &textW, &textH);
  const int textMax = kMaxWidth - 2 * kMargin - leftRoom;
  if (textW > textMax) {  // too wide for the board: wrap
    pango_layout_set_width(body.get(), textMax * PANGO_SCALE);
    pango_layout_set_wrap(body.get(), PANGO_WRAP_WORD_CHAR);
    pango_layout_get_pixel_size(body.get(), &textW, &textH);
    textW = std::min(textW, textMax);
  }
  m_nCaptionWidth = TextWidth(measure, content.caption, true);
  const int buttonsW = static_cast<int>(m_buttons.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
  int w = std::max({kMinWidth, 2 * kMargin + leftRoom + textW, 2 * kCaptionPad + m_nCaptionWidth,
                    2 * kMargin + buttonsW});
  w = std::min(w, kBoardWidth);  // a caption wider than the board is the only thing cut
  const int contentH = std::max(leftH, textH);
  const int h = kCaptionHeight + kMargin + contentH + kMargin + kButtonHeight + kMargin;
  m_nCaptionRoom = w - 2 * kCaptionPad;
  m_rect = {(kBoardWidth - w) / 2, (kBoardHeight - h) / 2, w, h};
  int bx = m_rect.x + (w - buttonsW) / 2;
  for (Button& button : m_buttons) {
    button.rect = {bx, m_rect.y + h - kMargin - kButtonHeight, kButtonWidth, kButtonHeight};
    bx += kButtonWidth + kButtonGap;
  }

  // Where each cell of each line starts, as pango placed it.
  const int textX = kMargin + leftRoom;
  const int textY = kCaptionHeight + kMargin + (contentH - textH) / 2;
  size_t index = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<int> starts;
    for (size_t k = 0; k < lines[i].size(); ++k) {
      if (k > 0) ++index;  // the tab
      PangoRectangle pos;
      pango_layout_index_to_pos(body.get(), static_cast<int>(index), &pos);
      starts.push_back(textX + PANGO_PIXELS(pos.x));
      index += lines[i][k].size();
    }
    ++index;  // the line break
    m_cellStarts.push_back(starts);
  }

  m_pSurface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  if (m_pSurface && m_pSurface->pitch == cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, w)) {
    SDL_SetSurfaceBlendMode(m_pSurface, SDL_BLENDMODE_NONE);
    cairo_surface_t* target = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(m_pSurface->pixels), CAIRO_FORMAT_ARGB32, w, h, m_pSurface->pitch);
    cairo_t* cr = cairo_create(target);
    // Body, frame, caption bar with its gold rule.
    Colour(cr, kBody);
    cairo_paint(cr);
    cairo_pattern_t* bar = cairo_pattern_create_linear(0, 0, 0, kCaptionHeight);
    cairo_pattern_add_color_stop_rgb(bar, 0, kBoard.r, kBoard.g, kBoard.b);
    cairo_pattern_add_color_stop_rgb(bar, 1, kBoardDark.r, kBoardDark.g, kBoardDark.b);
    cairo_rectangle(cr, 0, 0, w, kCaptionHeight);
    cairo_set_source(cr, bar);
    cairo_fill(cr);
    cairo_pattern_destroy(bar);
    cairo_rectangle(cr, 0, kCaptionHeight - 2, w, 2);
    Colour(cr, kGold);
    cairo_fill(cr);
    cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
    cairo_set_line_width(cr, 1);
    Colour(cr, kBoardDark);
    cairo_stroke(cr);
    LayoutPtr caption = NewLayout(cr, content.caption, true);
    int cw = 0, ch = 0;
    pango_layout_get_pixel_size(caption.get(), &cw, &ch);
    Colour(cr, kSilk);
    cairo_move_to(cr, kCaptionPad, (kCaptionHeight - 2 - ch) / 2.0);
    pango_cairo_show_layout(cr, caption.get());
    // Icon or picture, then the text.
    const int contentY = kCaptionHeight + kMargin;
    if (content.bIcon) {
      PaintIcon(cr, content.icon, kMargin, contentY + (contentH - kIconSize) / 2.0);
    } else if (content.picture) {
      cairo_set_source_surface(cr, content.picture, kMargin, contentY + (contentH - leftH) / 2.0);
      cairo_paint(cr);
    }
    Colour(cr, kInk);
    cairo_move_to(cr, textX, textY);
    pango_cairo_show_layout(cr, body.get());
    // Buttons; the default one (Return) has a gold rim.
    for (size_t i = 0; i < m_buttons.size(); ++i) {
      const SDL_Rect& r = m_buttons[i].rect;
      const double x = r.x - m_rect.x + 0.5, y = r.y - m_rect.y + 0.5;
      RoundedRect(cr, x, y, r.w - 1, r.h - 1, 4);
      cairo_pattern_t* face = cairo_pattern_create_linear(0, y, 0, y + r.h);
      cairo_pattern_add_color_stop_rgb(face, 0, kButtonTop.r, kButtonTop.g, kButtonTop.b);
      cairo_pattern_add_color_stop_rgb(face, 1, kButtonBottom.r, kButtonBottom.g, kButtonBottom.b);
      cairo_set_source(cr, face);
      cairo_fill_preserve(cr);
      cairo_pattern_destroy(face);
      cairo_set_line_width(cr, i == 0 ? 2 : 1);
      Colour(cr, i == 0 ? kGold : kButtonEdge);
      cairo_stroke(cr);
      LayoutPtr label = NewLayout(cr, m_buttons[i].label, false);
      int lw = 0, lh = 0;
      pango_layout_get_pixel_size(label.get(), &lw, &lh);
      Colour(cr, kInk);
      cairo_move_to(cr, x + (r.w - lw) / 2.0, y + (r.h - lh) / 2.0);
      pango_cairo_show_layout(cr, label.get());
    }
    cairo_destroy(cr);
    cairo_surface_flush(target);
    cairo_surface_destroy(target);
  }
  if (tabs) pango_tab_array_free(tabs);
  body.reset();
  cairo_destroy(measure);
  cairo_surface_destroy(scratch);
}

}  // namespace ui
