// The audio format of every track: 16-bit mono PCM at 44 100 Hz behind one fixed 44-byte RIFF
// header. Time is measured in bytes throughout; these are the units and the header layout.
//
// Byte counts handed to the copy primitives are always even, so a copy never splits a sample.
#pragma once

namespace wave {

constexpr int kSampleRate = 44100;
constexpr int kBytesPerSecond = 88200;  // 2 bytes per sample, one channel
constexpr double kBytesPerMs = 88.2;

// The 44-byte header: the first 40 bytes come from this template (decimal byte values
// separated by blanks; bytes 4..7 are a placeholder for the RIFF size), then the data size.
constexpr const char* kHeaderTemplate =
    "82 73 70 70 128 98 05 00 87 65 86 69 102 109 116 32          "
    "16 00 00 00 01 00 01 00 68 172 00 00 136 88 01 00          "
    "02 00 16 00 100 97 116 97 ";
constexpr int kTemplateBytes = 40;
constexpr int kHeaderBytes = 44;
constexpr int kRiffSizeOffset = 4;  // RIFF size = data size + 36
constexpr int kRiffSizeExtra = 36;

// Streaming buffers: range copies read at most this much per chunk; rhythm-group copies use
// chunks one byte shorter.
constexpr int kCopyBufferBytes = 65536;
constexpr int kRhythmChunkBytes = 65535;

// Step subtracted from the gain once per level above 1 (level 9 gives 0.36).
constexpr double kGainStep = 0.08;

// One bar of four beats in bytes: 352 800 at tempo 60, 235 200 at tempo 90. Other tempos (the
// option offers only these two) get 240 s / tempo, lowered to a multiple of 16 so that an
// eighth and a half eighth stay whole samples.
constexpr int BarBytes(int tempo) {
  if (tempo == 60) return 352800;
  if (tempo == 90) return 235200;
  if (tempo <= 0) return 0;
  const long long bytes = 240LL * kBytesPerSecond / tempo;
  return static_cast<int>(bytes - bytes % 16);
}
constexpr int EighthBytes(int tempo) { return BarBytes(tempo) / 8; }

// A length in milliseconds as a byte count: trunc(ms × 88.2), lowered to even.
constexpr int MsToEvenBytes(double ms) {
  const int bytes = static_cast<int>(ms * kBytesPerMs);
  return bytes - bytes % 2;
}
// The pad of silence before and after a track: one pad time (the eighth in ms, 500 at tempo
// 60 and 333 at 90) gives 44 100 or 29 370 bytes.
constexpr int PadBytes(double padMs) { return MsToEvenBytes(padMs); }

// Data size promised by a header for bars at tempo with pad time padMs on either side:
// trunc((bars x 240 / tempo + 2 x padMs / 1000) x 88 200), lowered to even so that the header
// announces whole samples (tempo 90 would otherwise promise half a sample).
constexpr long long DataSize(int bars, int tempo, double padMs) {
  if (tempo <= 0) return 0;
  const auto bytes = static_cast<long long>((bars * 4.0 * 60.0 / tempo + 2.0 * padMs / 1000.0) *
                                            kBytesPerSecond);
  return bytes - bytes % 2;
}
constexpr int kDataSizeOffset = 40;

// The piano motive track starts a little earlier and ends a little later than the others.
constexpr double kPianoLeadInMs60 = 469, kPianoLeadInMs90 = 312;
constexpr double kPianoTailMs60 = 531, kPianoTailMs90 = 354;

// The release a sound gets where a track lets it ring out instead of cutting it (a bass note or
// pad after its held eighths, the drum track's last loop in the tail silence): at most one
// eighth (a pad at tempo 90 is 30 bytes shorter than the eighth, so the pad bounds it). The
// archive builder shapes every sample's ringing last eighth to the same curve.
constexpr int ReleaseBytes(int tempo, int tailBytes) {
  return EighthBytes(tempo) < tailBytes ? EighthBytes(tempo) : tailBytes;
}
// The curve, in dB at the fraction x (0..1) of the release: a steady fall of kReleaseDecayDb
// over the range, 6 dB in 50 ms at tempo 90 and 4 at tempo 60, well under the 12 dB in 50 ms
// that a listener hears as a cut, and deep enough that a loud last note ends under -50 dBFS.
constexpr double kReleaseDecayDb = 40.0;
constexpr double ReleaseDb(double x) { return -kReleaseDecayDb * x; }
// A release written by a track closes to 0 over its last bytes in a straight line.
constexpr int kReleaseCloseBytes = 882;  // 10 ms

}  // namespace wave
