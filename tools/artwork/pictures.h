// The pictures that are not cut from the board, and the animations.
#pragma once

#include <string>
#include <vector>

#include "paint.h"
#include "platform/avi_file.h"

namespace artwork {

struct Picture {
  int nId;
  std::string name;  // a word for the contact sheet
  Surface surface;
};

// The user-manual pages of every series, in page order within each series.
std::vector<Picture> MakeManualPages();
Surface MakeSchematic(const Surface& board);
Surface MakeSplash();
Surface MakeAbout();
Surface MakeIcon(int size);

platform::AviMovie MakeFanMovie();
platform::AviMovie MakeTapeMovie();
platform::AviMovie MakeLogoMovie();

struct Movie {
  std::string file;
  const platform::AviMovie* movie;
};
Surface MakeContactSheet(const std::vector<Picture>& pictures, const std::vector<Movie>& movies);

}  // namespace artwork
