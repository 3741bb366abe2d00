// Test helpers for the embedded pictures: decoding a PNG resource and comparing pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pictures {

struct Picture {
  int nWidth = 0;
  int nHeight = 0;
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB, rows top-down
};

// The decoded picture of bitmap resource id, or nothing when it is absent or not a PNG.
std::optional<Picture> LoadBitmap(int id);
Picture Crop(const Picture& p, int x, int y, int w, int h);
// Mean absolute difference per colour channel (0..255) of two pictures of one size.
double MeanDifference(const Picture& a, const Picture& b);
// The same for two RGB byte frames.
double MeanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

}  // namespace pictures
