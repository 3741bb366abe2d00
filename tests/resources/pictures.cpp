#include "pictures.h"

#include <cairo.h>

#include <cstring>
#include <cstdlib>

#include "resources/resource_table.h"

namespace pictures {
namespace {

struct Reader {
  const std::uint8_t* data;
  size_t size;
  size_t at = 0;
};

cairo_status_t ReadChunk(void* closure, unsigned char* out, unsigned int length) {
  auto* r = static_cast<Reader*>(closure);
  if (r->size - r->at < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, r->data + r->at, length);
  r->at += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<Picture> LoadBitmap(int id) {
  const auto bytes = resources::FindResource(resources::kBitmap, id);
  if (!bytes) return std::nullopt;
  Reader reader{bytes->data(), bytes->size()};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadChunk, &reader);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return std::nullopt;
  }
  Picture p;
  p.nWidth = cairo_image_surface_get_width(s);
  p.nHeight = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < p.nHeight; ++y)
    for (int x = 0; x < p.nWidth; ++x) {
      std::uint32_t v;
      std::memcpy(&v, data + static_cast<size_t>(y) * stride + 4 * x, 4);
      p.pixels.push_back(v & 0xFFFFFF);
    }
  cairo_surface_destroy(s);
  return p;
}

Picture Crop(const Picture& p, int x, int y, int w, int h) {
  Picture out{w, h, {}};
  for (int row = y; row < y + h; ++row)
    for (int col = x; col < x + w; ++col) out.pixels.push_back(p.pixels[static_cast<size_t>(row) * p.nWidth + col]);
  return out;
}

double MeanDifference(const Picture& a, const Picture& b) {
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return -1;
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    for (int shift : {0, 8, 16}) sum += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) - static_cast<int>((b.pixels[i] >> shift) & 0xFF));
  return sum / (3.0 * a.pixels.size());
}

double MeanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return -1;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
  return sum / a.size();
}

}  // namespace pictures
