// vorsk_artwork --out DIR: draws every picture of the window into DIR/bitmaps/<id>.png, the
// desktop icons into DIR/icons/<n>x<n>/vorsk.png, the animations fan.avi, mag.avi and
// VORSK_AVI.avi into DIR, and DIR/contact-sheet.png for review.
// Exit status 0 when everything was written, 1 on a write error or a label that does not fit,
// 2 on a usage error.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board.h"
#include "pictures.h"

namespace {

using namespace artwork;

bool MakeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at == path.size() || path[at] == '/') {
      const std::string part = path.substr(0, at);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

std::vector<Picture> DrawAll() {
  std::vector<Picture> all;
  Surface board = MakeBoard();
  for (const auto& g : BoardGroups())
    for (const auto& b : g.buttons)
      if (b.nBitmap) all.push_back({b.nBitmap, b.label, MakeIndicator(board, b)});
  for (int d = 0; d < 10; ++d) all.push_back({341 + d, "time " + std::to_string(d), MakeDigit(board, kTimeDigits[0], d)});
  for (int d = 0; d < 10; ++d)
    all.push_back({351 + d, "phrase " + std::to_string(d), MakeDigit(board, kPhraseDigits[0], d)});
  all.push_back({363, "status lamp", MakeLitLamp(board)});
  all.push_back({365, "intensity strip", MakeLitKeyboardStrip(board)});
  all.push_back({609, "splash", MakeSplash()});
  all.push_back({207, "About", MakeAbout()});
  all.push_back({208, "icon", MakeIcon(256)});
  all.push_back({608, "schematic view", MakeSchematic(board)});
  for (Picture& p : MakeManualPages()) all.push_back(std::move(p));
  all.insert(all.begin(), Picture{596, "board", std::move(board)});
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::strcmp(argv[1], "--out") != 0) {
    std::fprintf(stderr, "usage: vorsk_artwork --out DIR\n");
    return 2;
  }
  const std::string out = argv[2];
  if (!MakeFolders(out + "/bitmaps")) {
    std::fprintf(stderr, "vorsk_artwork: cannot create %s/bitmaps\n", out.c_str());
    return 1;
  }
  bool bOk = true;
  auto write = [&](const Surface& s, const std::string& path) {
    if (!WritePng(s, path)) {
      std::fprintf(stderr, "vorsk_artwork: cannot write %s\n", path.c_str());
      bOk = false;
    }
  };

  const std::vector<Picture> pictures = DrawAll();
  for (const Picture& p : pictures) write(p.surface, out + "/bitmaps/" + std::to_string(p.nId) + ".png");
  for (int size : {VORSK_ICON_SIZES}) {
    const std::string folder = out + "/icons/" + std::to_string(size) + "x" + std::to_string(size);
    if (!MakeFolders(folder)) bOk = false;
    write(MakeIcon(size), folder + "/vorsk.png");
  }

  const platform::AviMovie fan = MakeFanMovie(), tape = MakeTapeMovie(), logo = MakeLogoMovie();
  const std::vector<Movie> movies{{"fan.avi", &fan}, {"mag.avi", &tape}, {"VORSK_AVI.avi", &logo}};
  for (const Movie& m : movies) {
    const platform::AviResult r = platform::WriteAviFile(out + "/" + m.file, *m.movie);
    if (r != platform::AviResult::kOk) {
      std::fprintf(stderr, "vorsk_artwork: %s: %s\n", m.file.c_str(), platform::AviResultText(r));
      bOk = false;
    }
  }
  write(MakeContactSheet(pictures, movies), out + "/contact-sheet.png");

  if (OverflowCount() > 0) {
    std::fprintf(stderr, "vorsk_artwork: %d text(s) do not fit their boxes\n", OverflowCount());
    bOk = false;
  }
  return bOk ? 0 : 1;
}
