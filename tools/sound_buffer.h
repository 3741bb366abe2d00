// Mono float sound buffers at the archive rate and the few operations the sample designs need:
// mixing a note in at a frame, choking it, fading the end, measuring peaks, converting to PCM.
// Plain values; single-threaded.
#pragma once

#include <cstdint>
#include <vector>

namespace archives {

// Full scale is 1.0.
using Sound = std::vector<float>;

// Adds gain x note into out starting at frame at; whatever falls before the start of out (a
// negative at: the note was struck before the sample begins) or runs past its end is dropped.
// When stopAt >= 0 the note is choked there: it fades out over fadeFrames and ends (an open
// hi-hat closed by the next stroke, a note damped by the next one).
void MixIn(Sound& out, long at, const Sound& note, float gain, long stopAt = -1, int fadeFrames = 441);
// Multiplies the last frames of s by a raised-cosine ramp from 1 down to 0.
void FadeOutEnd(Sound& s, int frames);
// Multiplies the first frames of s by a raised-cosine ramp from 0 up to 1.
void FadeInStart(Sound& s, int frames);
// Multiplies the frames from start on by a raised-cosine ramp that reaches 0 after frames
// frames, and clears everything after it.
void FadeOutFrom(Sound& s, long start, int frames);
// Ends s with a release: over the releaseFrames before its last silentFrames, its level (RMS
// per kReleaseBlockFrames) follows the tracks' release curve (wave::ReleaseDb) from the loudest
// level of that span: held down to it, or lifted onto it by at most liftDb where the sound dies
// away faster on its own (a block more than kReleaseSilentDb under the start is left as it is).
// Its last block closes to 0 in a straight line; the last silentFrames are 0.
void ReleaseEnd(Sound& s, int releaseFrames, int silentFrames, double liftDb);
inline constexpr double kReleaseLiftDb = 12.0;
inline constexpr double kReleaseSilentDb = 60.0;
inline constexpr int kReleaseBlockFrames = 441;  // 10 ms
// Removes a constant offset: a first-order high-pass at cornerHz (a DC blocker).
void BlockDc(Sound& s, double cornerHz, int sampleRate);
// Takes the mean of s out under a Hann window spread over its sounding frames (those before the
// first and after the last frame above silence keep their value), so that no step is added.
void RemoveMean(Sound& s);
// Largest absolute value.
float Peak(const Sound& s);
// 10^(db/20).
double DbToGain(double db);
// s x gain as 16-bit samples (x 32767, rounded to nearest, clamped).
std::vector<int16_t> ToPcm16(const Sound& s, double gain);

}  // namespace archives
