// The schematic view: the board in miniature with every keyboard shortcut beside its button, a
// numbered explanation of each group, and the whole keyboard table underneath.
#include <algorithm>
#include <cmath>

#include "board.h"
#include "pictures.h"

namespace artwork {
namespace {

using namespace colours;

constexpr double kScale = 0.56;
constexpr double kMiniX = 16, kMiniY = 50;
constexpr Rgb kBadge = Hex(0xffd84a);
constexpr Rgb kInk = Hex(0x1a1406);

Box Mini(Box b) { return {kMiniX + b.x * kScale, kMiniY + b.y * kScale, b.w * kScale, b.h * kScale}; }

TextStyle Text(double px, Rgb colour, bool bBold, Align align = Align::kLeft) {
  return MakeStyle(px, colour, bBold, align);
}

void Badge(cairo_t* cr, double cx, double cy, const std::string& key, Rgb fill = kBadge) {
  const TextStyle s = Text(11, kInk, true, Align::kCentre);
  const double w = std::max(15.0, MeasureText(cr, key, s).w + 6);
  const Box b{std::round(cx - w / 2), std::round(cy - 7.5), w, 15};
  RoundedRect(cr, {b.x - 1, b.y - 1, b.w + 2, b.h + 2}, 4);
  SetColour(cr, Hex(0x000000), 0.7);
  cairo_fill(cr);
  RoundedRect(cr, b, 3);
  SetColour(cr, fill);
  cairo_fill(cr);
  DrawText(cr, key, b, s);
}

void Number(cairo_t* cr, double cx, double cy, int n) {
  cairo_arc(cr, cx, cy, 8, 0, 2 * M_PI);
  SetColour(cr, Hex(0x59e3e0));
  cairo_fill(cr);
  DrawText(cr, std::to_string(n), {cx - 8, cy - 8, 16, 16}, Text(11, kInk, true, Align::kCentre));
}

// Where a group's number goes on the miniature: before its title, clear of the key badges.
std::pair<double, double> NumberAt(cairo_t* cr, const ButtonGroup& g) {
  if (g.title.empty()) {
    const Box b = Mini(g.buttons.front().rect);
    return {b.x - 10, b.y + b.h / 2};
  }
  const Box t = Mini(g.titleBox);
  if (g.titleBox.x < 20) return {t.x + 6, t.y + t.h / 2};
  TextStyle title;
  title.px = 13 * kScale;
  title.bBold = true;
  title.bCondensed = true;
  const double w = MeasureText(cr, g.title, title).w;
  const double before = t.x + t.w / 2 - w / 2 - 13;
  if (before < t.x + 8) return {t.x + t.w / 2 + w / 2 + 13, t.y + t.h / 2 - 1};  // a narrow title: after it
  return {t.x + 8, t.y + t.h / 2 - 1};
}

struct KeyRow {
  const char* key;
  const char* action;
};
const KeyRow kKeyTable[] = {
    {"\u2190", "key note down"},           {"\u2192", "key note up"},
    {"\u2191", "full piano"},              {"\u2193", "right hand only"},
    {"PgUp", "next phrase"},                 {"PgDn", "previous phrase"},
    {"1", "generate 15 min."},               {"5", "generate 5 min."},
    {"6", "60 BPM"},                         {"9", "90 BPM"},
    {"M", "major"},                          {"R", "minor"},
    {"J", "pentatonic major"},               {"N", "pentatonic minor"},
    {"G", "strings"},                        {"V", "voices"},
    {"B", "bass"},                           {"D", "drums"},
    {"C", "close"},                          {"O", "open"},
    {"A", "regular"},                        {"F", "free"},
    {"P", "simple"},                         {"E", "complex"},
    {"I", "basic motive"},                   {"L", "full motive"},
    {"Y", "play"},                           {"U", "pause / resume"},
    {"T", "stop"},                           {"S", "save"},
    {"X", "exit"},                           {"W", "piano intensity"},
    {"Q", "user manual on / off"},           {"H", "schematic view"},
    {"F1", "help page"},
};

}  // namespace

Surface MakeSchematic(const Surface& board) {
  const int w = 900, h = 619;
  Surface out = NewPicture(w, h);
  Context c = NewContext(out);
  cairo_t* cr = c.get();
  cairo_rectangle(cr, 0, 0, w, h);
  FillVertical(cr, {0, 0, w * 1.0, h * 1.0}, Hex(0x10221b), Hex(0x08130f));
  // A faint drawing-office grid.
  cairo_set_line_width(cr, 1);
  SetColour(cr, kSilkDim, 0.06);
  for (int x = 0; x <= w; x += 20) { cairo_move_to(cr, x + 0.5, 0); cairo_line_to(cr, x + 0.5, h); }
  for (int y = 0; y <= h; y += 20) { cairo_move_to(cr, 0, y + 0.5); cairo_line_to(cr, w, y + 0.5); }
  cairo_stroke(cr);
  RoundedRect(cr, {1.5, 1.5, w - 3.0, h - 3.0}, 6);
  SetColour(cr, kPad);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);

  DrawText(cr, "SCHEMATIC VIEW", {18, 10, 300, 30}, Text(22, kSilk, true));
  DrawText(cr, "Yellow: the key that presses the button beneath it.   Click anywhere to return to the board.",
           {300, 16, 584, 20}, Text(12, kSilkDim, false, Align::kRight));

  // The board in miniature.
  const Box mini = Mini({0, 0, 1000, 690});
  cairo_rectangle(cr, mini.x - 2, mini.y - 2, mini.w + 4, mini.h + 4);
  SetColour(cr, kPad);
  cairo_fill(cr);
  cairo_save(cr);
  cairo_translate(cr, mini.x, mini.y);
  cairo_scale(cr, kScale, kScale);
  cairo_set_source_surface(cr, board.get(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);

  // Shortcuts beside their buttons, and the group numbers.
  const auto& groups = BoardGroups();
  for (const auto& g : groups)
    for (const auto& b : g.buttons)
      if (!b.key.empty()) {
        const Box m = Mini(b.rect);
        if (b.icon == ButtonIcon::kPrev) {
          Badge(cr, m.x + m.w / 2 - 8, m.y + m.h + 18, b.key);  // under the small buttons' labels
        } else if (b.icon == ButtonIcon::kNext) {
          Badge(cr, m.x + m.w / 2 + 8, m.y + m.h + 18, b.key);
        } else {
          Badge(cr, m.x + m.w - 3, m.y + 3, b.key);
        }
      }
  const Box keys = Mini({170, 110, 710, 80});
  Badge(cr, keys.x - 4, keys.y + keys.h - 8, "\u2190");
  Badge(cr, keys.x + keys.w + 4, keys.y + keys.h - 8, "\u2192");
  for (size_t i = 0; i < groups.size(); ++i) {
    auto [x, y] = NumberAt(cr, groups[i]);
    Number(cr, x, y, static_cast<int>(i + 1));
  }

  // The legend: one numbered line per group.
  const double lx = 590, lw = 296;
  double y = 50;
  for (size_t i = 0; i < groups.size(); ++i) {
    const auto& g = groups[i];
    const std::string title = !g.title.empty() ? g.title
                              : g.group == Group::kIntensity ? "PIANO INTENSITY" : "HELP, MANUAL, THIS VIEW";
    Number(cr, lx + 8, y + 8, static_cast<int>(i + 1));
    TextStyle body = Text(11, kSilk, false);
    body.bWrap = true;
    body.bMarkup = true;
    const std::string text = "<b>" + title + "</b>  " + g.explanation;
    const double th = std::ceil(TextHeight(cr, text, body, lw - 20));
    DrawText(cr, text, {lx + 20, y, lw - 20, th}, body);
    y += th + 4;
  }

  // The keyboard table.
  const double ty = kMiniY + mini.h + 12;
  DrawText(cr, "KEYBOARD", {18, ty, 200, 18}, Text(14, kSilk, true));
  const int columns = 4;
  const int rows = (static_cast<int>(std::size(kKeyTable)) + columns - 1) / columns;
  const double cw = 560.0 / columns;
  for (int i = 0; i < static_cast<int>(std::size(kKeyTable)); ++i) {
    const double x = 18 + (i / rows) * cw, ry = ty + 22 + (i % rows) * 15;
    Badge(cr, x + 16, ry + 7, kKeyTable[i].key);
    DrawText(cr, kKeyTable[i].action, {x + 36, ry, cw - 38, 15}, Text(11, kSilk, false));
  }
  return out;
}

}  // namespace artwork
