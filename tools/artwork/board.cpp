#include "board.h"

#include <cmath>

namespace artwork {
namespace {

using namespace colours;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{1, 1, 1};
constexpr Rgb kLitText = Hex(0x1c1406);

TextStyle Style(double px, Rgb colour, bool bBold = true, Align align = Align::kCentre) {
  return MakeStyle(px, colour, bBold, align);
}

Box Inset(Box b, double d) { return {b.x + d, b.y + d, b.w - 2 * d, b.h - 2 * d}; }

// A deterministic generator for the traces (the same board on every build).
struct Lcg {
  unsigned state;
  unsigned Next() {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
  }
  int Range(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<unsigned>(hi - lo + 1)); }
};

void Pad(cairo_t* cr, double x, double y, double r) {
  cairo_arc(cr, x, y, r, 0, 2 * M_PI);
  SetColour(cr, kPad);
  cairo_fill(cr);
  cairo_arc(cr, x, y, r * 0.45, 0, 2 * M_PI);
  SetColour(cr, kBoardDark);
  cairo_fill(cr);
}

// A recessed bezel around box: dark inner shadow, light lower edge.
void Bezel(cairo_t* cr, Box box, double radius, Rgb inside) {
  RoundedRect(cr, Inset(box, -3), radius + 3);
  SetColour(cr, Hex(0x07160f));
  cairo_fill(cr);
  RoundedRect(cr, Inset(box, -3), radius + 3);
  cairo_set_line_width(cr, 1);
  SetColour(cr, kSilkDim, 0.35);
  cairo_stroke(cr);
  RoundedRect(cr, Inset(box, -1), radius + 1);
  SetColour(cr, inside);
  cairo_fill(cr);
}

void Screw(cairo_t* cr, double x, double y) {
  cairo_arc(cr, x, y, 4.5, 0, 2 * M_PI);
  FillVertical(cr, {x - 5, y - 5, 10, 10}, Hex(0xb9c2bd), Hex(0x5d6863));
  cairo_move_to(cr, x - 3, y + 1.5);
  cairo_line_to(cr, x + 3, y - 1.5);
  cairo_set_line_width(cr, 1.2);
  SetColour(cr, Hex(0x2a302d));
  cairo_stroke(cr);
}

void PaintIcon(cairo_t* cr, ButtonIcon icon, double cx, double cy, double s, Rgb colour) {
  SetColour(cr, colour);
  switch (icon) {
    case ButtonIcon::kPlay:
      cairo_move_to(cr, cx - s * 0.4, cy - s * 0.5);
      cairo_line_to(cr, cx + s * 0.5, cy);
      cairo_line_to(cr, cx - s * 0.4, cy + s * 0.5);
      cairo_close_path(cr);
      break;
    case ButtonIcon::kPause:
      cairo_rectangle(cr, cx - s * 0.45, cy - s * 0.5, s * 0.3, s);
      cairo_rectangle(cr, cx + s * 0.15, cy - s * 0.5, s * 0.3, s);
      break;
    case ButtonIcon::kStop:
      cairo_rectangle(cr, cx - s * 0.45, cy - s * 0.45, s * 0.9, s * 0.9);
      break;
    case ButtonIcon::kPrev:
    case ButtonIcon::kNext: {
      const double d = icon == ButtonIcon::kPrev ? -1 : 1;
      for (int k = 0; k < 2; ++k) {
        const double ox = cx + d * (k * s * 0.45 - s * 0.2);
        cairo_move_to(cr, ox - d * s * 0.25, cy - s * 0.45);
        cairo_line_to(cr, ox + d * s * 0.3, cy);
        cairo_line_to(cr, ox - d * s * 0.25, cy + s * 0.45);
        cairo_close_path(cr);
      }
      break;
    }
    case ButtonIcon::kNone:
      return;
  }
  cairo_fill(cr);
}

void PaintCap(cairo_t* cr, const BoardButton& b, bool bLit) {
  const Box r = b.rect;
  const bool bSmall = b.shape == ButtonShape::kSmall;
  const double inset = bSmall ? 1.5 : 3;
  const double radius = bSmall ? 4 : 6;
  const Box cap = Inset(r, inset);
  // Socket.
  RoundedRect(cr, Inset(r, 0.5), radius + 1.5);
  SetColour(cr, Hex(0x06120c), 0.8);
  cairo_fill(cr);
  if (bLit) {
    RoundedRect(cr, Inset(r, 0.5), radius + 1.5);
    SetColour(cr, b.lit, 0.45);
    cairo_fill(cr);
  }
  RoundedRect(cr, cap, radius);
  if (bLit) {
    FillVertical(cr, cap, Mix(b.lit, kWhite, 0.45), Mix(b.lit, kBlack, 0.08));
  } else {
    FillVertical(cr, cap, kCapTop, kCapBottom);
  }
  // Rim and a soft top light.
  RoundedRect(cr, Inset(cap, 0.5), radius - 0.5);
  cairo_set_line_width(cr, 1);
  SetColour(cr, bLit ? Mix(b.lit, kWhite, 0.7) : kCapEdge);
  cairo_stroke(cr);
  cairo_move_to(cr, cap.x + radius, cap.y + 1.5);
  cairo_line_to(cr, cap.x + cap.w - radius, cap.y + 1.5);
  SetColour(cr, kWhite, bLit ? 0.7 : 0.18);
  cairo_stroke(cr);

  const Rgb text = bLit ? kLitText : kCapText;
  Box labelBox = Inset(cap, 2);
  if (!bSmall) {
    // The lamp window at the top of the cap.
    const Box led{cap.x + cap.w / 2 - 9, cap.y + 4, 18, 3.5};
    RoundedRect(cr, led, 1.5);
    SetColour(cr, bLit ? Mix(b.lit, kWhite, 0.85) : Hex(0x151a18));
    cairo_fill(cr);
    if (bLit) {
      RoundedRect(cr, Inset(led, -1.5), 3);
      SetColour(cr, kWhite, 0.35);
      cairo_fill(cr);
    }
    labelBox = {cap.x + 2, cap.y + 8, cap.w - 4, cap.h - 9};
  }
  const bool bTwoLines = b.label.find('\n') != std::string::npos;
  if (b.icon == ButtonIcon::kPrev || b.icon == ButtonIcon::kNext) {
    PaintIcon(cr, b.icon, cap.x + cap.w / 2, cap.y + cap.h / 2, 11, text);
    // The label sits just under the small button.
    DrawText(cr, b.label, {r.x - 8, r.y + r.h + 1, r.w + 16, 12}, Style(10, kSilk));
    return;
  }
  if (b.icon != ButtonIcon::kNone) {
    const TextStyle s = Style(14, text);
    const double w = MeasureText(cr, b.label, s).w;
    const double total = 11 + 6 + w;
    const double x0 = labelBox.x + (labelBox.w - total) / 2;
    PaintIcon(cr, b.icon, x0 + 5.5, labelBox.y + labelBox.h / 2, 11, text);
    DrawText(cr, b.label, {x0 + 17, labelBox.y, w + 1, labelBox.h}, Style(14, text, true, Align::kLeft));
    return;
  }
  double px = bSmall ? 11.5 : bTwoLines ? 12 : 13.5;
  if (b.shape == ButtonShape::kCap && b.label.size() > 9 && !bTwoLines) px = 12.5;
  DrawText(cr, b.label, labelBox, Style(px, text));
}

void PaintKey(cairo_t* cr, const BoardButton& b, bool bLit) {
  const Box r = b.rect;
  const bool bBlack = b.shape == ButtonShape::kBlackKey;
  // Gap shadow around the key.
  RoundedRect(cr, r, 5);
  SetColour(cr, Hex(0x050807));
  cairo_fill(cr);
  const Box key = Inset(r, 1.5);
  RoundedRect(cr, key, 4);
  if (bLit) {
    FillVertical(cr, key, Mix(kAmber, kWhite, bBlack ? 0.25 : 0.6), Mix(kAmber, kBlack, bBlack ? 0.15 : 0.0));
  } else if (bBlack) {
    FillVertical(cr, key, Hex(0x34373c), Hex(0x131416));
  } else {
    FillVertical(cr, key, Hex(0xfbf8ef), Hex(0xd9d3c3));
  }
  // Felt shadow at the top and the key's front lip at the bottom.
  cairo_rectangle(cr, key.x, key.y, key.w, 7);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, key.y, 0, key.y + 7);
  cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, 0.55);
  cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  RoundedRect(cr, {key.x + 2, key.y + key.h - 7, key.w - 4, 5}, 2);
  SetColour(cr, bBlack && !bLit ? kWhite : kBlack, bBlack && !bLit ? 0.10 : 0.10);
  cairo_fill(cr);
  if (bLit) {  // the light itself: a bright bar under the felt
    RoundedRect(cr, {key.x + 8, key.y + 10, key.w - 16, 4}, 2);
    SetColour(cr, kWhite, 0.9);
    cairo_fill(cr);
  }
  const Rgb text = bLit ? kLitText : bBlack ? kCapText : Hex(0x2a2a2a);
  DrawText(cr, b.label, {key.x, key.y + key.h - 34, key.w, 24}, Style(bBlack ? 15 : 17, text));
}

void PaintKeyboard(cairo_t* cr, Box box, bool bLit) {
  RoundedRect(cr, box, 4);
  SetColour(cr, Hex(0x050807));
  cairo_fill(cr);
  const Box keys = Inset(box, 2);
  const int whites = 28;
  const double kw = keys.w / whites;
  for (int i = 0; i < whites; ++i) {
    const Box k{keys.x + i * kw + 0.5, keys.y, kw - 1, keys.h};
    cairo_rectangle(cr, k.x, k.y, k.w, k.h);
    if (bLit) {
      // A crescendo wedge: the light rises from left to right.
      const double t = static_cast<double>(i) / (whites - 1);
      FillVertical(cr, k, Mix(Hex(0xfff3d6), kAmber, 0.25 + 0.5 * t), Mix(kAmber, kOrange, t));
    } else {
      FillVertical(cr, k, Hex(0xf6f2e7), Hex(0xcfc8b6));
    }
  }
  static const bool kBlackAfter[7] = {true, true, false, true, true, true, false};  // C D E F G A B
  for (int i = 0; i < whites - 1; ++i) {
    if (!kBlackAfter[i % 7]) continue;
    const Box k{keys.x + (i + 1) * kw - kw * 0.3, keys.y, kw * 0.6, keys.h * 0.6};
    RoundedRect(cr, k, 1.5);
    FillVertical(cr, k, bLit ? Hex(0x5a3a10) : Hex(0x3a3c40), bLit ? Hex(0x2a1a06) : Hex(0x101113));
  }
  // The label plate in the middle of the keys.
  const TextStyle s = Style(12, bLit ? kLitText : kSilk);
  const double w = MeasureText(cr, "PIANO INTENSITY", s).w + 18;
  const Box plate{box.x + (box.w - w) / 2, box.y + box.h - 19, w, 16};
  RoundedRect(cr, plate, 8);
  SetColour(cr, bLit ? Mix(kAmber, kWhite, 0.5) : Hex(0x18231e), 0.92);
  cairo_fill(cr);
  DrawText(cr, "PIANO INTENSITY", plate, s);
}

void PaintManualWindow(cairo_t* cr, const BoardButton& b) {
  Bezel(cr, b.rect, 4, Hex(0x16201c));
  DrawText(cr, "THE\nINTERACTIVE\nUSER MANUAL", {b.rect.x + 2, b.rect.y + 14, b.rect.w - 4, 50},
           Style(12, kSilk));
  DrawText(cr, "click to switch\nhints on / off", {b.rect.x + 2, b.rect.y + 68, b.rect.w - 4, 30},
           Style(11, kSilkDim, false));
}

// Seven segments a..g in a w x h box: outline polygons of each segment.
void SegmentPath(cairo_t* cr, Box b, int seg) {
  const double t = std::max(2.0, b.w * 0.17);       // stroke thickness
  const double m = std::max(1.5, b.w * 0.14);       // margin
  const double x0 = b.x + m, x1 = b.x + b.w - m;
  const double y0 = b.y + m, y2 = b.y + b.h - m, y1 = (y0 + y2) / 2;
  const double h = t / 2, g = 0.6;                  // half thickness, gap
  auto horizontal = [&](double y) {
    cairo_move_to(cr, x0 + g, y);
    cairo_line_to(cr, x0 + h + g, y - h);
    cairo_line_to(cr, x1 - h - g, y - h);
    cairo_line_to(cr, x1 - g, y);
    cairo_line_to(cr, x1 - h - g, y + h);
    cairo_line_to(cr, x0 + h + g, y + h);
    cairo_close_path(cr);
  };
  auto vertical = [&](double x, double ya, double yb) {
    cairo_move_to(cr, x, ya + g);
    cairo_line_to(cr, x + h, ya + h + g);
    cairo_line_to(cr, x + h, yb - h - g);
    cairo_line_to(cr, x, yb - g);
    cairo_line_to(cr, x - h, yb - h - g);
    cairo_line_to(cr, x - h, ya + h + g);
    cairo_close_path(cr);
  };
  switch (seg) {
    case 0: horizontal(y0 + h); break;          // a
    case 1: vertical(x1 - h, y0 + h, y1); break;  // b
    case 2: vertical(x1 - h, y1, y2 - h); break;  // c
    case 3: horizontal(y2 - h); break;          // d
    case 4: vertical(x0 + h, y1, y2 - h); break;  // e
    case 5: vertical(x0 + h, y0 + h, y1); break;  // f
    case 6: horizontal(y1); break;              // g
  }
}

const char* const kSegmentsOf[10] = {"abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc", "abcdefg", "abcdfg"};

std::vector<Box> KeepOut() {
  std::vector<Box> out;
  for (const auto& g : BoardGroups()) {
    for (const auto& b : g.buttons) out.push_back(Inset(b.rect, -6));
    if (!g.title.empty()) out.push_back(Inset(g.titleBox, -2));
  }
  for (Box b : {Box{164, 104, 722, 92}, Inset(kGenerationBar, -5), Inset(kPositionBar, -5), Box{890, 84, 90, 60},
                Box{898, 222, 72, 64}, Box{918, 166, 34, 38}, Inset(kFanFrame, -6), Inset(kTapeFrame, -6),
                Inset(kLogoFrame, -6), Inset(kStatusLabel, -5), Box{14, 6, 240, 52}, Box{10, 618, 600, 22},
                Box{700, 596, 290, 86}, Box{880, 358, 66, 24}, Box{880, 478, 66, 24}})
    out.push_back(b);
  return out;
}

void PaintTitles(cairo_t* cr) {
  for (const auto& g : BoardGroups()) {
    if (g.title.empty()) continue;
    const bool bLeftColumn = g.titleBox.x < 20;
    if (bLeftColumn) {
      const Box t = g.titleBox;
      const bool bCaption = !g.caption.empty();
      DrawText(cr, g.title, {t.x, t.y + (bCaption ? 8 : 0), t.w, bCaption ? 18 : t.h}, Style(14, kSilk, true, Align::kRight));
      if (bCaption)
        DrawText(cr, g.caption, {t.x, t.y + 26, t.w, 15}, Style(11, kSilkDim, false, Align::kRight));
    } else {
      DrawText(cr, g.title, g.titleBox, Style(13, kSilk));
      // Silkscreen rule either side of a centred title.
      const double w = MeasureText(cr, g.title, Style(13, kSilk)).w;
      const double cy = g.titleBox.y + g.titleBox.h / 2 + 0.5;
      const double cx = g.titleBox.x + g.titleBox.w / 2;
      cairo_set_line_width(cr, 1);
      SetColour(cr, kSilkDim, 0.6);
      cairo_move_to(cr, g.titleBox.x + 4, cy);
      cairo_line_to(cr, cx - w / 2 - 6, cy);
      cairo_move_to(cr, cx + w / 2 + 6, cy);
      cairo_line_to(cr, g.titleBox.x + g.titleBox.w - 4, cy);
      cairo_stroke(cr);
    }
  }
}

void PaintDisplays(cairo_t* cr) {
  // Time: mm:ss.
  Bezel(cr, {896, 106, 78, 33}, 3, kGlass);
  DrawText(cr, "TIME", {890, 86, 90, 16}, Style(13, kSilk));
  for (Box d : kTimeDigits) PaintSegments(cr, d, -1);
  for (double y : {117.5, 127.5}) {
    cairo_arc(cr, 935, y, 1.6, 0, 2 * M_PI);
    SetColour(cr, Mix(kLed, kGlass, 0.35));
    cairo_fill(cr);
  }
  // Phrase number.
  Bezel(cr, {907, 242, 56, 36}, 3, kGlass);
  for (Box d : kPhraseDigits) PaintSegments(cr, d, -1);
  // Status lamp.
  cairo_arc(cr, kStatusLamp.x + 7, kStatusLamp.y + 7, 10, 0, 2 * M_PI);
  FillVertical(cr, {918, 163, 34, 34}, Hex(0x9aa59f), Hex(0x3e4843));
  FillRect(cr, kStatusLamp, Hex(0x0d1311));
  cairo_arc(cr, kStatusLamp.x + 7, kStatusLamp.y + 7, 6, 0, 2 * M_PI);
  FillVertical(cr, kStatusLamp, Hex(0x4a2420), Hex(0x2a1210));
  DrawText(cr, "STATUS", {900, 190, 70, 14}, Style(11, kSilkDim));
  // Progress bars: a trough in the bars' own background colour.
  for (Box bar : {kGenerationBar, kPositionBar}) {
    cairo_rectangle(cr, bar.x - 2, bar.y - 2, bar.w + 4, bar.h + 4);
    SetColour(cr, Hex(0x07160f));
    cairo_fill(cr);
    FillRect(cr, bar, kBarTrough);
  }
  DrawText(cr, "progress", {884, 362, 60, 16}, Style(11, kSilkDim, false, Align::kLeft));
  DrawText(cr, "position", {884, 482, 60, 16}, Style(11, kSilkDim, false, Align::kLeft));
  // Frames of the animation panels and the status label.
  for (Box f : {kFanFrame, kTapeFrame, kLogoFrame}) {
    Bezel(cr, f, 3, Hex(0x101815));
    Screw(cr, f.x - 1, f.y - 1);
    Screw(cr, f.x + f.w, f.y + f.h);
  }
  DrawText(cr, "VORSK", kLogoFrame, Style(14, kSilkDim));
  cairo_rectangle(cr, kStatusLabel.x - 2, kStatusLabel.y - 2, kStatusLabel.w + 4, kStatusLabel.h + 4);
  SetColour(cr, Hex(0x07160f));
  cairo_fill(cr);
  FillRect(cr, kStatusLabel, Hex(0x788c83));  // the label's own background, RGB 120 140 131
}

void PaintHeader(cairo_t* cr) {
  TextStyle mark = Style(36, kSilk);
  mark.bCondensed = false;
  mark.align = Align::kLeft;
  PaintEmblem(cr, {18, 10, 38, 38});
  DrawText(cr, "VORSK", {64, 6, 190, 44}, mark);
  DrawText(cr, "music generator  2.1.0", {128, 60, 140, 20}, Style(11, kSilkDim, false, Align::kLeft));
  // Keys bed behind the note keys.
  RoundedRect(cr, {164, 104, 722, 92}, 6);
  SetColour(cr, Hex(0x050807));
  cairo_fill(cr);
  RoundedRect(cr, {164, 104, 722, 92}, 6);
  SetColour(cr, Hex(0x8a3a2a));  // a strip of red felt
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  // A silkscreen link from MINOR to the pentatonic pair.
  cairo_set_line_width(cr, 1.5);
  SetColour(cr, kSilkDim, 0.7);
  cairo_move_to(cr, 333, 225);
  cairo_line_to(cr, 427, 225);
  cairo_stroke(cr);
  DrawText(cr, "or", {360, 208, 40, 14}, Style(11, kSilkDim, false));
  // Footer: a word to the first-time user and the maker's plate.
  DrawText(cr, "Lit buttons show your choices. Options change while the player is idle.",
           {10, 620, 600, 16}, Style(11, kSilkDim, false, Align::kLeft));
  RoundedRect(cr, {704, 600, 282, 80}, 6);
  SetColour(cr, kSilkDim, 0.5);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  DrawText(cr, "Press H for the schematic view:\nevery key and every group explained.\nF1 opens the help page.",
           {712, 606, 266, 68}, Style(11, kSilkDim, false, Align::kLeft));
}

}  // namespace

void PaintCircuit(cairo_t* cr, int w, int h, unsigned seed, int traces, const std::vector<Box>& keepOut) {
  cairo_pattern_t* bg = cairo_pattern_create_radial(w * 0.45, h * 0.4, 0, w * 0.45, h * 0.4, std::max(w, h) * 0.8);
  cairo_pattern_add_color_stop_rgb(bg, 0, kBoard.r, kBoard.g, kBoard.b);
  cairo_pattern_add_color_stop_rgb(bg, 1, kBoardDark.r, kBoardDark.g, kBoardDark.b);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_set_source(cr, bg);
  cairo_fill(cr);
  cairo_pattern_destroy(bg);

  // Traces run under the kept-out boxes, clipped; a pad the clip would cut in two is left out,
  // since half a pad at a box's edge shows as a stray speck wherever the box is bare board.
  const auto cutByBox = [&](double x, double y, double r) {
    for (const Box& b : keepOut) {
      const bool bMeets = x + r > b.x && x - r < b.x + b.w && y + r > b.y && y - r < b.y + b.h;
      const bool bInside = x - r >= b.x && x + r <= b.x + b.w && y - r >= b.y && y + r <= b.y + b.h;
      if (bMeets && !bInside) return true;
    }
    return false;
  };
  const auto pad = [&](double x, double y, double r) {
    if (!cutByBox(x, y, r)) Pad(cr, x, y, r);
  };
  // The traces are drawn on a layer of their own from which every kept-out box is then
  // cleared whole: an even-odd clip would let traces show again where two boxes overlap.
  cairo_save(cr);
  cairo_push_group(cr);
  Lcg rng{seed};
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (int i = 0; i < traces; ++i) {
    const int lanes = rng.Range(0, 3) == 0 ? 3 : 1;
    double x = rng.Range(0, w / 8) * 8, y = rng.Range(0, h / 8) * 8;
    bool bHorizontal = rng.Range(0, 1) == 0;
    const int bends = rng.Range(1, 3);
    std::vector<std::pair<double, double>> pts{{x, y}};
    for (int k = 0; k < bends; ++k) {
      const double len = rng.Range(4, 22) * 8;
      const double dir = rng.Range(0, 1) ? 1 : -1;
      if (bHorizontal) x += dir * len; else y += dir * len;
      pts.push_back({x, y});
      const double d = rng.Range(1, 3) * 8;  // 45-degree bend
      x += (rng.Range(0, 1) ? d : -d);
      y += (rng.Range(0, 1) ? d : -d);
      pts.push_back({x, y});
      bHorizontal = !bHorizontal;
    }
    for (int lane = 0; lane < lanes; ++lane) {
      const double off = lane * 6.0;
      cairo_move_to(cr, pts[0].first + off, pts[0].second + off);
      for (size_t k = 1; k < pts.size(); ++k) cairo_line_to(cr, pts[k].first + off, pts[k].second + off);
      cairo_set_line_width(cr, 2.2);
      SetColour(cr, kTrace, 0.85);
      cairo_stroke(cr);
      pad(pts.front().first + off, pts.front().second + off, 3.2);
      pad(pts.back().first + off, pts.back().second + off, 3.2);
    }
  }
  // Scattered vias.
  for (int i = 0; i < traces / 2; ++i) pad(rng.Range(0, w / 8) * 8, rng.Range(0, h / 8) * 8, 2.4);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  for (Box b : keepOut) cairo_rectangle(cr, b.x, b.y, b.w, b.h);
  cairo_fill(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_pop_group_to_source(cr);
  cairo_paint(cr);
  cairo_restore(cr);
}

void PaintSegments(cairo_t* cr, Box box, int digit) {
  FillRect(cr, box, kGlass);
  const std::string lit = digit >= 0 && digit <= 9 ? kSegmentsOf[digit] : "";
  for (int s = 0; s < 7; ++s) {
    const bool bOn = lit.find(static_cast<char>('a' + s)) != std::string::npos;
    SegmentPath(cr, box, s);
    SetColour(cr, bOn ? kLed : kLedOff);
    cairo_fill(cr);
  }
  if (!lit.empty()) {  // a soft glow over the lit segments
    for (int s = 0; s < 7; ++s) {
      if (lit.find(static_cast<char>('a' + s)) == std::string::npos) continue;
      SegmentPath(cr, box, s);
      cairo_set_line_width(cr, 1.2);
      SetColour(cr, Hex(0xffb08f), 0.5);
      cairo_stroke(cr);
    }
  }
}

void PaintEmblem(cairo_t* cr, Box b) {
  const double s = b.w / 100.0;
  cairo_save(cr);
  cairo_translate(cr, b.x, b.y);
  cairo_scale(cr, s, s);
  RoundedRect(cr, {2, 2, 96, 96}, 20);
  FillVertical(cr, {2, 2, 96, 96}, Hex(0x1f6b4c), Hex(0x0b2c20));
  RoundedRect(cr, {2, 2, 96, 96}, 20);
  cairo_set_line_width(cr, 3);
  SetColour(cr, Hex(0xd9b25a));
  cairo_stroke(cr);
  // The V: two gold traces meeting at the bottom, with pads at their ends.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, 22, 24);
  cairo_line_to(cr, 50, 78);
  cairo_line_to(cr, 78, 24);
  cairo_set_line_width(cr, 12);
  SetColour(cr, Hex(0xf0c65e));
  cairo_stroke(cr);
  for (auto [x, y] : {std::pair{22.0, 24.0}, std::pair{78.0, 24.0}}) {
    cairo_arc(cr, x, y, 10, 0, 2 * M_PI);
    SetColour(cr, Hex(0xf0c65e));
    cairo_fill(cr);
    cairo_arc(cr, x, y, 4, 0, 2 * M_PI);
    SetColour(cr, Hex(0x0b2c20));
    cairo_fill(cr);
  }
  // A note head riding the right arm.
  cairo_save(cr);
  cairo_translate(cr, 70, 66);
  cairo_rotate(cr, -0.4);
  cairo_scale(cr, 1.35, 1);
  cairo_arc(cr, 0, 0, 7, 0, 2 * M_PI);
  cairo_restore(cr);
  SetColour(cr, Hex(0xf4f1e4));
  cairo_fill(cr);
  cairo_rectangle(cr, 78, 36, 3.5, 30);
  cairo_fill(cr);
  cairo_restore(cr);
}

Surface MakeBoard() {
  Surface board = NewPicture(kBoardWidth, kBoardHeight);
  Context c = NewContext(board);
  cairo_t* cr = c.get();
  PaintCircuit(cr, kBoardWidth, kBoardHeight, 596, 70, KeepOut());
  PaintHeader(cr);
  PaintTitles(cr);
  PaintDisplays(cr);
  for (const auto& g : BoardGroups())
    for (const auto& b : g.buttons) PaintButton(cr, b, false);
  // Mounting holes in the corners.
  for (auto [x, y] : {std::pair{8.0, 8.0}, std::pair{992.0, 8.0}, std::pair{8.0, 682.0}, std::pair{992.0, 682.0}}) {
    cairo_arc(cr, x, y, 5, 0, 2 * M_PI);
    SetColour(cr, kPad);
    cairo_fill(cr);
    cairo_arc(cr, x, y, 3, 0, 2 * M_PI);
    SetColour(cr, Hex(0x030806));
    cairo_fill(cr);
  }
  return board;
}

void PaintButton(cairo_t* cr, const BoardButton& b, bool bLit) {
  switch (b.shape) {
    case ButtonShape::kWhiteKey:
    case ButtonShape::kBlackKey: PaintKey(cr, b, bLit); break;
    case ButtonShape::kStrip: PaintKeyboard(cr, {b.rect.x, b.rect.y, 490, 40}, bLit); break;
    case ButtonShape::kManual: PaintManualWindow(cr, b); break;
    case ButtonShape::kCap:
    case ButtonShape::kSmall: PaintCap(cr, b, bLit); break;
  }
}

Surface MakeIndicator(const Surface& board, const BoardButton& b) {
  const int w = static_cast<int>(b.rect.w), h = static_cast<int>(b.rect.h);
  Surface out = CropPicture(board, static_cast<int>(b.rect.x), static_cast<int>(b.rect.y), w, h);
  Context cr = NewContext(out);
  cairo_translate(cr.get(), -b.rect.x, -b.rect.y);
  PaintButton(cr.get(), b, true);
  return out;
}

Surface MakeDigit(const Surface& board, Box box, int digit) {
  Surface out = CropPicture(board, static_cast<int>(box.x), static_cast<int>(box.y), static_cast<int>(box.w),
                            static_cast<int>(box.h));
  Context cr = NewContext(out);
  PaintSegments(cr.get(), {0, 0, box.w, box.h}, digit);
  return out;
}

Surface MakeLitLamp(const Surface& board) {
  Surface out = CropPicture(board, static_cast<int>(kStatusLamp.x), static_cast<int>(kStatusLamp.y), 14, 14);
  Context c = NewContext(out);
  cairo_t* cr = c.get();
  cairo_pattern_t* p = cairo_pattern_create_radial(6, 5.5, 0.5, 7, 7, 7);
  cairo_pattern_add_color_stop_rgb(p, 0, 1, 0.95, 0.85);
  cairo_pattern_add_color_stop_rgb(p, 0.45, kLed.r, kLed.g, kLed.b);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.55, 0.12, 0.05);
  cairo_arc(cr, 7, 7, 6.5, 0, 2 * M_PI);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  return out;
}

Surface MakeLitKeyboardStrip(const Surface& board) {
  Surface out = CropPicture(board, static_cast<int>(kKeyboardStrip.x), static_cast<int>(kKeyboardStrip.y), 490, 40);
  Context cr = NewContext(out);
  PaintKeyboard(cr.get(), {0, 0, 490, 40}, true);
  return out;
}

}  // namespace artwork
