#include "resources/resource_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "pictures.h"
#include "platform/avi_file.h"
#include "platform/file_io.h"
#include "support/fixtures.h"
#include "test_paths.h"

namespace {

using resources::FindResource;

std::vector<int> Range(int first, int last) {
  std::vector<int> ids;
  for (int id = first; id <= last; ++id) ids.push_back(id);
  return ids;
}
std::vector<int> Join(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct SizeRow {
  const char* what;
  std::vector<int> ids;
  int w, h;
};

// Every picture the window shows, with the size of the control it is drawn in.
const std::vector<SizeRow>& BitmapSizes() {
  static const std::vector<SizeRow> rows = {
      {"board", {596}, 1000, 690},
      {"note keys", {373, 385, 384, 387, 381, 380, 379, 378, 377, 371, 372, 376}, 50, 80},
      {"option and transport buttons",
       {295, 296, 297, 298, 369, 370, 367, 368, 310, 309, 305, 306, 311, 312, 313, 314, 299, 300, 303, 304, 301, 366,
        302, 282},
       80, 50},
      {"piano hands", {316, 317}, 110, 60},
      {"time digits", Range(341, 350), 15, 25},
      {"phrase digits", Range(351, 360), 25, 30},
      {"status lamp", {363}, 14, 14},
      {"intensity strip", {365}, 490, 40},
      {"schematic view", {608}, 900, 619},
      {"splash", {609}, 480, 320},
      {"About picture", {207}, 160, 160},
      {"icon", {208}, 256, 256},
      {"user manual: idle", Join({Range(558, 571), {557}}), 110, 110},
      {"user manual: generating", Join({Range(495, 513), {592, 494}}), 110, 110},
      {"user manual: generated", Range(599, 605), 110, 110},
      {"user manual: paused", Join({Range(521, 530), {593, 520}}), 110, 110},
      {"user manual: playing", Join({Range(533, 556), {532}}), 110, 110},
  };
  return rows;
}

TEST(ResourceTable, EveryBitmapIdResolvesToAPictureOfItsControlsSize) {
  std::set<int> expected;
  for (const SizeRow& row : BitmapSizes()) {
    for (int id : row.ids) {
      SCOPED_TRACE(std::string(row.what) + " " + std::to_string(id));
      EXPECT_TRUE(expected.insert(id).second) << "listed twice";
      const auto picture = pictures::LoadBitmap(id);
      ASSERT_TRUE(picture.has_value());
      EXPECT_EQ(picture->nWidth, row.w);
      EXPECT_EQ(picture->nHeight, row.h);
    }
  }
  EXPECT_EQ(expected.size(), 1u + 12 + 24 + 2 + 20 + 2 + 4 + 80);
  std::set<int> embedded;
  for (const auto& e : resources::AllResources())
    if (std::string(e.type) == resources::kBitmap) embedded.insert(e.id);
  EXPECT_EQ(embedded, expected) << "the table holds a bitmap no control shows, or misses one";
}

TEST(ResourceTable, LookupsByTypeAndIdReturnTheBytesOrNothing) {
  EXPECT_EQ(resources::LoadResourceString(101), "&About Vorsk...");
  EXPECT_EQ(resources::LoadResourceString(102), "");
  EXPECT_FALSE(FindResource(resources::kBitmap, 9999));
  EXPECT_FALSE(FindResource("ICON", 596)) << "the type is part of the key";
  EXPECT_FALSE(FindResource(resources::kWave, 596));
  const auto board = FindResource(resources::kBitmap, 596);
  ASSERT_TRUE(board);
  EXPECT_EQ(std::string(board->begin(), board->begin() + 4), "\x89PNG");
  for (int id : {202, 198, 595}) {
    const auto avi = FindResource(resources::kAvi, id);
    ASSERT_TRUE(avi) << id;
    EXPECT_EQ(std::string(avi->begin(), avi->begin() + 4), "RIFF");
  }
}

TEST(ResourceTable, TheThirteenSoundsAreTheArchiveToolsPreviewSounds) {
  if (!VORSK_RESOURCES_HAVE_SOUNDS)
    GTEST_SKIP() << "built with VORSK_BUILD_ARCHIVES=OFF: the preview sounds are not rendered, so not embedded";
  const std::map<int, std::string> files = {{477, "WAV_U.WAV"},  {478, "WAV_01.WAV"}, {479, "WAV_02.WAV"},
                                            {480, "WAV_03.WAV"}, {481, "WAV_04.WAV"}, {482, "WAV_05.WAV"},
                                            {483, "WAV_06.WAV"}, {484, "WAV_07.WAV"}, {485, "WAV_08.WAV"},
                                            {486, "WAV_09.WAV"}, {487, "WAV_10.WAV"}, {488, "WAV_11.WAV"},
                                            {476, "WAV_12.WAV"}};
  for (const auto& [id, name] : files) {
    SCOPED_TRACE(name);
    const auto bytes = FindResource(resources::kWave, id);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::vector<unsigned char>(bytes->begin(), bytes->end()),
              fixtures::ReadAll(std::string(VORSK_RESOURCE_DIR) + "/" + name));
  }
}

TEST(ResourceTable, ExtractionWritesTheBytesUnderTheDesignsNamesForCaseInsensitiveOpening) {
  fixtures::ScratchDir dir;
  ASSERT_EQ(resources::ExtractResource(resources::kAvi, 198, dir.File("fan.avi")), resources::ExtractResult::kOk);
  platform::AviMovie movie;
  EXPECT_EQ(platform::ReadAviFile(dir.File("FAN.AVI"), movie), platform::AviResult::kOk);
  const auto bytes = FindResource(resources::kAvi, 198);
  EXPECT_EQ(fixtures::ReadAll(dir.File("fan.avi")), std::vector<unsigned char>(bytes->begin(), bytes->end()));
  if (VORSK_RESOURCES_HAVE_SOUNDS) {
    ASSERT_EQ(resources::ExtractResource(resources::kWave, 478, dir.File("WAV_01.WAV")), resources::ExtractResult::kOk);
    EXPECT_EQ(platform::ResolveExisting(dir.File("WAV_01.wav")), dir.File("WAV_01.WAV"));
  }
  EXPECT_EQ(resources::ExtractResource(resources::kAvi, 1, dir.File("x.avi")), resources::ExtractResult::kNoSuchResource);
  EXPECT_FALSE(platform::FileExists(dir.File("x.avi")));
  EXPECT_EQ(resources::ExtractResource(resources::kAvi, 198, dir.File("missing/fan.avi")),
            resources::ExtractResult::kCannotWrite);
}

struct MovieRow {
  const char* file;
  int id, w, h;
};

TEST(ResourceTable, AnimationsParseBackWithTheirPanelSizeRateAndASeamlessLoop) {
  for (const MovieRow& row : {MovieRow{"fan.avi", 198, 85, 85}, MovieRow{"mag.avi", 202, 140, 65},
                              MovieRow{"VORSK_AVI.avi", 595, 76, 46}}) {
    SCOPED_TRACE(row.file);
    const auto bytes = FindResource(resources::kAvi, row.id);
    ASSERT_TRUE(bytes);
    platform::AviMovie movie;
    ASSERT_EQ(platform::ReadAvi(bytes->data(), bytes->size(), movie), platform::AviResult::kOk);
    EXPECT_EQ(movie.m_nWidth, row.w);
    EXPECT_EQ(movie.m_nHeight, row.h);
    EXPECT_GE(movie.m_frames.size(), 24u);
    EXPECT_NEAR(1e6 / movie.m_nMicroSecPerFrame, 15.0, 1.0);
    // The jump from the last frame back to the first is no bigger than a step of the film.
    double largestStep = 0;
    for (size_t f = 1; f < movie.m_frames.size(); ++f)
      largestStep = std::max(largestStep, pictures::MeanDifference(movie.m_frames[f - 1], movie.m_frames[f]));
    EXPECT_GT(largestStep, 0.5) << "the animation does not move";
    EXPECT_LE(pictures::MeanDifference(movie.m_frames.back(), movie.m_frames.front()), 1.25 * largestStep);
  }
}

}  // namespace
