// The thirteen preview sounds in the resource folder.
#include <gtest/gtest.h>

#include <cstdio>

#include "tools/analysis/audio_analysis.h"
#include "tools/built_archives.h"

namespace {

TEST(BuiltPreviewSounds, ClickIsAShortQuietEnding16kHzMonoWave) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  const built::Wave click = built::ReadWave(built::ResourceFile("WAV_U.WAV"));
  ASSERT_TRUE(click.ok);
  EXPECT_EQ(click.sampleRate, 16000);
  EXPECT_EQ(click.channels, 1);
  EXPECT_EQ(click.bitsPerSample, 16);
  EXPECT_GT(click.pcm.size(), 160u);   // over 10 ms
  EXPECT_LT(click.pcm.size(), 3200u);  // under 200 ms
  const int peak = analysis::PeakAbs(click.pcm);
  EXPECT_GT(peak, 3000);
  EXPECT_LE(peak, 29204);
  EXPECT_LE(analysis::PeakAbs(click.pcm, click.pcm.size() - 80), peak / 100);
}

TEST(BuiltPreviewSounds, NoteSoundsAreTheTwelveNotesUpFromMiddleC) {
  SKIP_UNLESS_ARCHIVES_BUILT();
  for (int i = 1; i <= 12; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "WAV_%.2d.WAV", i);
    SCOPED_TRACE(name);
    const built::Wave note = built::ReadWave(built::ResourceFile(name));
    ASSERT_TRUE(note.ok);
    EXPECT_EQ(note.sampleRate, 44100);
    EXPECT_EQ(note.channels, 1);
    EXPECT_EQ(note.bitsPerSample, 16);
    EXPECT_NEAR(static_cast<double>(note.pcm.size()) / 44100.0, 1.5, 0.1);
    const int peak = analysis::PeakAbs(note.pcm);
    EXPECT_LE(peak, 29204);
    EXPECT_LE(analysis::PeakAbs(note.pcm, note.pcm.size() - 220), peak / 100);
    const double hz = analysis::RefinedPitch(analysis::Slice(note.pcm, 2205, 33075), 100.0, 1000.0);
    EXPECT_NEAR(analysis::Cents(hz, analysis::MidiToHz(59 + i)), 0.0, 25.0) << hz << " Hz";
  }
}

}  // namespace
