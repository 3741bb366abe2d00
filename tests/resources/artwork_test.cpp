// The pictures as a user sees them: lit indicators over the board, digits, manual pages, the help
// page, and a build that always draws the same bytes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "pictures.h"
#include "resources/resource_table.h"
#include "support/fixtures.h"
#include "test_paths.h"

namespace {

using pictures::Picture;

struct Indicator {
  int id, x, y, w, h;
};

// Lit pictures at their controls' rectangles, grouped by option: the pictures of one group are
// shown one at a time (or, for BASS/DRUMS and STRINGS/VOICES, side by side).
const std::vector<std::vector<Indicator>>& IndicatorGroups() {
  static const std::vector<std::vector<Indicator>> groups = [] {
    std::vector<std::vector<Indicator>> g;
    std::vector<Indicator> notes;
    const int ids[12] = {373, 385, 384, 387, 381, 380, 379, 378, 377, 371, 372, 376};
    for (int i = 0; i < 12; ++i) notes.push_back({ids[i], 170 + 60 * i, 110, 50, 80});
    g.push_back(notes);
    g.push_back({{295, 160, 200, 80, 50}, {296, 250, 200, 80, 50}, {297, 430, 200, 80, 50}, {298, 520, 200, 80, 50}});
    g.push_back({{369, 160, 260, 80, 50}, {370, 250, 260, 80, 50}});
    g.push_back({{367, 160, 320, 80, 50}, {368, 250, 320, 80, 50}});
    g.push_back({{310, 160, 380, 80, 50}, {309, 250, 380, 80, 50}});
    g.push_back({{305, 160, 440, 80, 50}, {306, 250, 440, 80, 50}});
    g.push_back({{311, 160, 500, 80, 50}, {312, 250, 500, 80, 50}});
    g.push_back({{313, 160, 560, 80, 50}, {314, 250, 560, 80, 50}});
    g.push_back({{316, 344, 409, 110, 60}, {317, 344, 506, 110, 60}});
    g.push_back({{299, 710, 220, 80, 50}, {300, 800, 220, 80, 50}});
    g.push_back({{303, 710, 310, 80, 50}, {304, 800, 310, 80, 50}});
    g.push_back({{301, 665, 420, 80, 50}, {366, 755, 420, 80, 50}, {302, 845, 420, 80, 50}});
    g.push_back({{282, 710, 510, 80, 50}});
    g.push_back({{363, 928, 173, 14, 14}});
    g.push_back({{365, 275, 17, 490, 40}});
    return g;
  }();
  return groups;
}

// Pixels that differ by more than a trace of antialiasing.
int DifferentPixels(const Picture& a, const Picture& b) {
  int n = 0;
  for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
    int d = 0;
    for (int shift : {0, 8, 16}) d += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) - static_cast<int>((b.pixels[i] >> shift) & 0xFF));
    n += d > 24;
  }
  return n;
}

double Glow(const Picture& p) {
  double sum = 0;
  for (std::uint32_t v : p.pixels) {
    const int r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    sum += hi + (hi - lo);
  }
  return sum / p.pixels.size();
}

const Picture& Board() {
  static const Picture board = *pictures::LoadBitmap(596);
  return board;
}

TEST(Artwork, EachLitIndicatorLightsUpTheButtonBeneathIt) {
  for (const auto& group : IndicatorGroups())
    for (const Indicator& ind : group) {
      SCOPED_TRACE(ind.id);
      const auto lit = pictures::LoadBitmap(ind.id);
      ASSERT_TRUE(lit);
      const Picture beneath = pictures::Crop(Board(), ind.x, ind.y, ind.w, ind.h);
      // More light and more colour (brightest channel plus chroma): a lamp switched on, not a
      // darker or greyer picture swapped in.
      EXPECT_GT(Glow(*lit), Glow(beneath) * 1.15);
      EXPECT_GT(pictures::MeanDifference(*lit, beneath), 12.0);
    }
}

TEST(Artwork, TwoLitPicturesOfOneOptionDiffer) {
  for (const auto& group : IndicatorGroups())
    for (size_t i = 0; i < group.size(); ++i)
      for (size_t j = i + 1; j < group.size(); ++j) {
        const auto a = pictures::LoadBitmap(group[i].id), b = pictures::LoadBitmap(group[j].id);
        ASSERT_TRUE(a && b);
        if (a->nWidth != b->nWidth || a->nHeight != b->nHeight) continue;
        EXPECT_GT(DifferentPixels(*a, *b), 5) << group[i].id << " and " << group[j].id << " look the same";
      }
}

TEST(Artwork, TheTenDigitsOfEachDisplayDifferAndSitOnTheBoardsDisplay) {
  struct DigitSet {
    int first, x, y;
  };
  for (const DigitSet set : {DigitSet{341, 900, 110}, DigitSet{351, 910, 245}}) {
    std::vector<Picture> digits;
    for (int d = 0; d < 10; ++d) digits.push_back(*pictures::LoadBitmap(set.first + d));
    for (int a = 0; a < 10; ++a)
      for (int b = a + 1; b < 10; ++b)
        EXPECT_GT(DifferentPixels(digits[a], digits[b]), 3) << set.first + a << " and " << set.first + b;
    // Digit 8 lights every segment, digit 1 only two: more light, same glass beneath.
    const Picture glass = pictures::Crop(Board(), set.x, set.y, digits[0].nWidth, digits[0].nHeight);
    EXPECT_GT(DifferentPixels(digits[8], glass), DifferentPixels(digits[1], glass));
    EXPECT_GT(DifferentPixels(digits[1], glass), 3);
  }
}

TEST(Artwork, NoTwoUserManualPagesAreAlike) {
  std::vector<int> ids;
  for (int id = 494; id <= 513; ++id) ids.push_back(id);
  for (int id = 520; id <= 571; ++id)
    if (id != 531) ids.push_back(id);
  for (int id : {592, 593, 599, 600, 601, 602, 603, 604, 605}) ids.push_back(id);
  ASSERT_EQ(ids.size(), 80u);
  std::vector<Picture> pages;
  for (int id : ids) pages.push_back(*pictures::LoadBitmap(id));
  for (size_t i = 0; i < pages.size(); ++i)
    for (size_t j = i + 1; j < pages.size(); ++j)
      EXPECT_GT(DifferentPixels(pages[i], pages[j]), 40) << ids[i] << " and " << ids[j];
}

TEST(HelpPage, HoldsTheContext20AnchorAndEveryLinkResolves) {
  const std::string folder = std::string(VORSK_PROGRAM_DIR) + "/help";
  const auto bytes = fixtures::ReadAll(folder + "/vorsk.html");
  ASSERT_FALSE(bytes.empty()) << "no help page beside the program";
  const std::string html(bytes.begin(), bytes.end());
  std::set<std::string> ids;
  const std::regex idPattern(R"re(\sid="([^"]+)")re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), idPattern); it != std::sregex_iterator(); ++it)
    ids.insert((*it)[1]);
  EXPECT_TRUE(ids.count("context-20"));
  int links = 0;
  const std::regex linkPattern(R"re(\s(?:href|src)="([^"]*)")re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), linkPattern); it != std::sregex_iterator(); ++it) {
    const std::string target = (*it)[1];
    ++links;
    SCOPED_TRACE(target);
    ASSERT_FALSE(target.empty());
    EXPECT_EQ(target.find("://"), std::string::npos) << "the help page works offline";
    if (target[0] == '#') {
      EXPECT_TRUE(ids.count(target.substr(1))) << "no element with this id";
    } else {
      EXPECT_FALSE(fixtures::ReadAll(folder + "/" + target.substr(0, target.find('#'))).empty()) << "missing file";
    }
  }
  EXPECT_GT(links, 8);
  // Every section the board points to.
  for (const char* id : {"options", "keyboard", "archive", "command-line"}) EXPECT_TRUE(ids.count(id)) << id;
}

TEST(Artwork, ASecondRunDrawsTheSameBytesAsTheEmbeddedOnes) {
  fixtures::ScratchDir dir;
  // Pango and fontconfig keep caches for the life of the process; the leak checker of a
  // sanitizer build would count them against the tool.
  const std::string command =
      std::string("ASAN_OPTIONS=detect_leaks=0 '") + VORSK_ARTWORK_TOOL + "' --out '" + dir.Path() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  int compared = 0;
  for (const auto& e : resources::AllResources()) {
    const std::string type = e.type;
    std::string file;
    if (type == resources::kBitmap) file = "bitmaps/" + std::to_string(e.id) + ".png";
    if (type == resources::kAvi) file = e.id == 198 ? "fan.avi" : e.id == 202 ? "mag.avi" : "VORSK_AVI.avi";
    if (file.empty()) continue;
    SCOPED_TRACE(file);
    EXPECT_EQ(fixtures::ReadAll(dir.File(file)), std::vector<unsigned char>(e.begin, e.end));
    ++compared;
  }
  EXPECT_EQ(compared, 145 + 3);
  EXPECT_EQ(fixtures::ReadAll(dir.File("contact-sheet.png")),
            fixtures::ReadAll(std::string(VORSK_RESOURCE_DIR) + "/contact-sheet.png"));
}

TEST(Artwork, TheToolRefusesBadArgumentsAndAnOutputFolderItCannotCreate) {
  fixtures::ScratchDir dir;
  fixtures::WriteAll(dir.File("a-file"), {'x'});
  struct Case {
    std::string arguments;
    int status;
  };
  // A folder below a plain file cannot be made, not even by root.
  for (const Case& c : {Case{"", 2}, Case{"--out", 2}, Case{"--into " + dir.Path(), 2},
                        Case{"--out '" + dir.File("a-file") + "/art'", 1}}) {
    SCOPED_TRACE(c.arguments);
    const std::string command =
        std::string("ASAN_OPTIONS=detect_leaks=0 '") + VORSK_ARTWORK_TOOL + "' " + c.arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.status);
  }
}

}  // namespace
