// The chord track on the marker archives.
#include <gtest/gtest.h>

#include "compose/composer.h"
#include "render/render_codes.h"
#include "render_test_support.h"
#include "support/fixtures.h"

using namespace rendertest;

namespace {

constexpr int e = kEighth60;

int Chord(const char* root, int len, int variant) {
  const std::string kk = root[0] == 'C' ? "01" : root[0] == 'F' ? "06" : "08";
  return ChordEntry("CH" + kk + "_" + root + "maj_060_L" + std::to_string(len) + "_" +
                    std::to_string(variant) + ".wav");
}

// Any chord of tempo 60: pitch class kk, its root name, scale "maj" or "min".
int ChordOf(const char* kk, const char* root, const char* scale, int len, int variant) {
  return ChordEntry(std::string("CH") + kk + "_" + root + scale + "_060_L" + std::to_string(len) + "_" +
                    std::to_string(variant) + ".wav");
}

void SetKey(CComposer& c, const char* note, const char* scale) {
  c.m_strNoteCode = note;
  c.m_strScaleCode = scale;
}

}  // namespace

TEST(RenderCH, ChordsOnlyOnLongNotesOfChordDegrees) {
  fixtures::ScratchDir dir;
  CComposer c;
  // C L3 (chord), E L3 (not a degree), F L1 and G L1 (too short) | C L3, G L2 (too short), C L3.
  SetPlan(c, {{"01050608", "3311"}, {"132013", "323"}}, 60, dir.Path());
  SetKey(c, "C", "PMaj");
  ASSERT_EQ(c.RenderCH(MarkerArchive("Data1.dat")), render::kRenderOk);
  EXPECT_EQ(c.m_hOutWave, 0);
  EXPECT_EQ(c.m_hArchive, 0);
  // Voice 0: the first chord rings one eighth over, the rest after it is one shorter; the
  // chord that ends the piece holds its length and rings its last eighth out into the tail.
  EXPECT_EQ(DecodeRuns(c.m_strTempCH[0]), Layout({{0, kPad60},
                                                  {Chord("C_", 3, 1), 4 * e},
                                                  {0, 9 * e},
                                                  {Chord("C_", 3, 3), 4 * e},
                                                  {0, kPad60 - e}}));
  // Voice 1: of two rests in a row only the first after the chord is shortened.
  EXPECT_EQ(DecodeRuns(c.m_strTempCH[1]),
            Layout({{0, kPad60 + 8 * e}, {Chord("C_", 3, 2), 4 * e}, {0, 1 * e + 3 * e + kPad60}}));
  for (int voice = 0; voice < 2; ++voice)
    EXPECT_EQ(DataBytes(c.m_strTempCH[voice]), HeaderDataSize(c.m_strTempCH[voice]));
  EXPECT_EQ(FileBytes(c.m_strTempCH[2]), 0) << "the mix file is named, not written";
}

TEST(RenderCH, VariantsRotateAndMinorAndOtherMajorKeysFindTheirChords) {
  fixtures::ScratchDir dir;
  {
    CComposer c;
    // Six F chords of length 4 (the last one in the second octave), E notes between them.
    SetPlan(c, {{"0606", "44"}, {"060505", "422"}, {"0606", "44"}, {"1805", "44"}}, 60, dir.Path());
    SetKey(c, "C", "Maj");
    ASSERT_EQ(c.RenderCH(MarkerArchive("Data1.dat")), render::kRenderOk);
    // Variants 1..5, then 1 again, alternating voices.
    EXPECT_EQ(DecodeRuns(c.m_strTempCH[0]), Layout({{0, kPad60},
                                                    {Chord("F_", 4, 1), 5 * e},
                                                    {0, 3 * e},
                                                    {Chord("F_", 4, 3), 5 * e},
                                                    {0, 7 * e},
                                                    {Chord("F_", 4, 5), 5 * e},
                                                    {0, 7 * e + kPad60}}));
    EXPECT_EQ(DecodeRuns(c.m_strTempCH[1]), Layout({{0, kPad60 + 4 * e},
                                                    {Chord("F_", 4, 2), 5 * e},
                                                    {0, 7 * e},
                                                    {Chord("F_", 4, 4), 5 * e},
                                                    {0, 3 * e},
                                                    {Chord("F_", 4, 1), 5 * e},
                                                    {0, 3 * e + kPad60}}));
  }
  // Minor keys: the tonic and the second degree each get their minor chord (named "Min",
  // found as "min"); other notes none.
  for (const char* scale : {"Min", "PMin"}) {
    CComposer c;
    SetPlan(c, {{"0103", "44"}, {"0605", "44"}}, 60, dir.Path());
    SetKey(c, "C", scale);
    ASSERT_EQ(c.RenderCH(MarkerArchive("Data1.dat")), render::kRenderOk);
    EXPECT_EQ(DecodeRuns(c.m_strTempCH[0]),
              Layout({{0, kPad60}, {ChordOf("01", "C_", "min", 4, 1), 5 * e}, {0, 11 * e + kPad60}}))
        << scale;
    EXPECT_EQ(DecodeRuns(c.m_strTempCH[1]),
              Layout({{0, kPad60 + 4 * e}, {ChordOf("03", "D_", "min", 4, 1), 5 * e}, {0, 7 * e + kPad60}}))
        << scale;
  }
  // Key D major: the degrees D, G and A all have their chords, each counting its own variants.
  CComposer c;
  SetPlan(c, {{"0308", "44"}, {"1510", "44"}, {"2022", "44"}}, 60, dir.Path());
  SetKey(c, "D", "Maj");
  ASSERT_EQ(c.RenderCH(MarkerArchive("Data1.dat")), render::kRenderOk);
  EXPECT_EQ(DecodeRuns(c.m_strTempCH[0]), Layout({{0, kPad60},
                                                  {ChordOf("03", "D_", "maj", 4, 1), 5 * e},
                                                  {0, 3 * e},
                                                  {ChordOf("03", "D_", "maj", 4, 2), 5 * e},
                                                  {0, 3 * e},
                                                  {ChordOf("08", "G_", "maj", 4, 2), 5 * e},
                                                  {0, 3 * e + kPad60}}));
  EXPECT_EQ(DecodeRuns(c.m_strTempCH[1]),
            Layout({{0, kPad60 + 4 * e},
                                                  {ChordOf("08", "G_", "maj", 4, 1), 5 * e},
                                                  {0, 3 * e},
                                                  {ChordOf("10", "A_", "maj", 4, 1), 5 * e},
                                                  {0, 3 * e},
                                                  {ChordOf("10", "A_", "maj", 4, 2), 5 * e},
                                                  {0, kPad60 - e}}));
}
