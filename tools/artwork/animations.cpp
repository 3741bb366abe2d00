// The three animations. Every motion is periodic over the frame count (a whole number of turns
// of a symmetric fan or reel, whole waves of the meters), so frame N would equal frame 0 and the
// loop has no jump.
#include <cmath>

#include "board.h"
#include "pictures.h"

namespace artwork {
namespace {

using namespace colours;

constexpr int kMicroSecPerFrame = 66'667;  // 15 frames per second
constexpr double kTwoPi = 2 * M_PI;

std::vector<std::uint8_t> ToRgb(const Surface& s) {
  cairo_surface_flush(s.get());
  const int w = cairo_image_surface_get_width(s.get()), h = cairo_image_surface_get_height(s.get());
  const int stride = cairo_image_surface_get_stride(s.get());
  const unsigned char* data = cairo_image_surface_get_data(s.get());
  std::vector<std::uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t px = row[x];
      std::uint8_t* d = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      d[0] = static_cast<std::uint8_t>(px >> 16);
      d[1] = static_cast<std::uint8_t>(px >> 8);
      d[2] = static_cast<std::uint8_t>(px);
    }
  }
  return rgb;
}

template <typename Paint>
platform::AviMovie Film(int w, int h, int frames, Paint paint) {
  platform::AviMovie movie;
  movie.m_nWidth = w;
  movie.m_nHeight = h;
  movie.m_nMicroSecPerFrame = kMicroSecPerFrame;
  for (int f = 0; f < frames; ++f) {
    Surface s = NewPicture(w, h);
    Context cr = NewContext(s);
    paint(cr.get(), static_cast<double>(f) / frames);
    movie.m_frames.push_back(ToRgb(s));
  }
  return movie;
}

void Disc(cairo_t* cr, double x, double y, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x, y, r, 0, kTwoPi);
}

}  // namespace

platform::AviMovie MakeFanMovie() {
  const int kBlades = 7;
  return Film(85, 85, 24, [&](cairo_t* cr, double t) {
    const double cx = 42.5, cy = 42.5;
    // Housing: a square frame with screws and a round throat.
    RoundedRect(cr, {0, 0, 85, 85}, 6);
    FillVertical(cr, {0, 0, 85, 85}, Hex(0x3a4440), Hex(0x1c2321));
    for (auto [x, y] : {std::pair{8.0, 8.0}, std::pair{77.0, 8.0}, std::pair{8.0, 77.0}, std::pair{77.0, 77.0}}) {
      Disc(cr, x, y, 3.5);
      SetColour(cr, Hex(0x9aa6a0));
      cairo_fill(cr);
    }
    Disc(cr, cx, cy, 39);
    SetColour(cr, Hex(0x0a0f0d));
    cairo_fill(cr);
    // Blades: turn three blade spacings over the loop.
    const double angle = t * 3 * kTwoPi / kBlades;
    for (int b = 0; b < kBlades; ++b) {
      cairo_save(cr);
      cairo_translate(cr, cx, cy);
      cairo_rotate(cr, angle + b * kTwoPi / kBlades);
      cairo_move_to(cr, 8, -3);
      cairo_curve_to(cr, 20, -14, 32, -10, 36, -2);
      cairo_curve_to(cr, 30, 6, 18, 8, 8, 5);
      cairo_close_path(cr);
      cairo_restore(cr);
      FillVertical(cr, {0, 0, 85, 85}, Hex(0x8fd1ad), Hex(0x3f8c69));
    }
    // Motion blur hint and the hub.
    Disc(cr, cx, cy, 36);
    cairo_set_line_width(cr, 1);
    SetColour(cr, Rgb{1, 1, 1}, 0.08);
    cairo_stroke(cr);
    Disc(cr, cx, cy, 10);
    FillVertical(cr, {cx - 10, cy - 10, 20, 20}, Hex(0xd9e0dc), Hex(0x5f6a65));
    Disc(cr, cx, cy, 3.5);
    SetColour(cr, kPad);
    cairo_fill(cr);
  });
}

platform::AviMovie MakeTapeMovie() {
  return Film(140, 65, 30, [&](cairo_t* cr, double t) {
    RoundedRect(cr, {0, 0, 140, 65}, 5);
    FillVertical(cr, {0, 0, 140, 65}, Hex(0x3b4541), Hex(0x1d2422));
    // Tape path along the bottom over the head block.
    cairo_move_to(cr, 10, 44);
    cairo_line_to(cr, 52, 56);
    cairo_line_to(cr, 88, 56);
    cairo_line_to(cr, 130, 44);
    cairo_set_line_width(cr, 2);
    SetColour(cr, Hex(0x6b4a2c));
    cairo_stroke(cr);
    RoundedRect(cr, {60, 52, 20, 9}, 2);
    SetColour(cr, Hex(0xb8c2bd));
    cairo_fill(cr);
    // Reels: three spokes, two spoke spacings per loop.
    for (double cx : {32.0, 108.0}) {
      const double cy = 28, angle = t * 2 * kTwoPi / 3;
      Disc(cr, cx, cy, 25);
      SetColour(cr, Hex(0x9aa6a0), 0.35);
      cairo_fill(cr);
      Disc(cr, cx, cy, cx < 70 ? 20 : 15);  // tape pack
      SetColour(cr, Hex(0x5a3d24));
      cairo_fill(cr);
      Disc(cr, cx, cy, 9);
      SetColour(cr, Hex(0xe6ebe8));
      cairo_fill(cr);
      for (int k = 0; k < 3; ++k) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_rotate(cr, angle + k * kTwoPi / 3);
        cairo_rectangle(cr, 3.5, -2, 5, 4);
        cairo_restore(cr);
        SetColour(cr, Hex(0x1d2422));
        cairo_fill(cr);
      }
      Disc(cr, cx, cy, 2.5);
      SetColour(cr, kPad);
      cairo_fill(cr);
    }
    // Level meter between the reels: five lamps following two whole waves.
    const double level = 0.5 + 0.3 * std::sin(kTwoPi * 2 * t) + 0.2 * std::sin(kTwoPi * 5 * t + 1);
    for (int k = 0; k < 5; ++k) {
      const bool bOn = level * 5.5 > k;
      cairo_rectangle(cr, 66, 38 - k * 6, 8, 4);
      SetColour(cr, k >= 4 ? kRed : k >= 3 ? kAmber : kGreen, bOn ? 1.0 : 0.18);
      cairo_fill(cr);
    }
  });
}

platform::AviMovie MakeLogoMovie() {
  return Film(76, 46, 30, [&](cairo_t* cr, double t) {
    FillRect(cr, {0, 0, 76, 46}, Hex(0x0f1714));
    TextStyle s;
    s.px = 17;
    s.bBold = true;
    s.colour = kSilk;
    DrawText(cr, "VORSK", {0, 2, 76, 22}, s);
    // A light sweeping over the name once per loop.
    cairo_pattern_t* p = cairo_pattern_create_linear(-30 + t * 136, 0, 0 + t * 136, 0);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 0.85, 0.4, 0);
    cairo_pattern_add_color_stop_rgba(p, 0.5, 1, 0.85, 0.4, 0.45);
    cairo_pattern_add_color_stop_rgba(p, 1, 1, 0.85, 0.4, 0);
    cairo_rectangle(cr, 0, 4, 76, 18);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    // An equaliser of eleven bars, each a sum of whole waves over the loop.
    for (int k = 0; k < 11; ++k) {
      const double v = 0.55 + 0.25 * std::sin(kTwoPi * (t * 2 + k * 0.13)) + 0.2 * std::sin(kTwoPi * (t * 3 + k * 0.31));
      const double bh = 2 + v * 15;
      cairo_rectangle(cr, 5 + k * 6.2, 43 - bh, 4.2, bh);
      FillVertical(cr, {0, 26, 76, 18}, kAmber, Hex(0x3f8c69));
    }
  });
}

}  // namespace artwork
