// The master: one finished stereo file made from the stems of a piece (session/stems.h).
//
// MasterStems streams the stems through one chain and never holds the piece in memory:
//  - every track is placed in the stereo field and levelled by kTrackPlacements;
//  - a stereo room (the libsox "reverb" effect), then a gentle high-pass ("highpass", 30 Hz);
//  - pass 1 measures the integrated loudness (libebur128) and how long the room rings on after
//    the piece;
//  - pass 2 applies the gain that reaches the target, limits the true peak to kCeilingDbtp with
//    a look-ahead limiter (peak_limiter.h), encodes and measures what it encoded; when that
//    misses the target by more than kLoudnessTolerance the gain is corrected and pass 2 runs
//    again (at most kMaxEncodePasses times; the limiter lowers the loudness it is given).
// The master starts with the first sample of the stems (so with the piece's lead-in) and ends
// once the room has decayed below kTailFloorDbfs, at least kMinTailSeconds after the end of
// the piece.
//
// The file is written under a fresh name in the destination's folder and renamed onto the
// destination only when it is whole (master_file.h), so a failed or cancelled run leaves an
// older master of that name as it was and nothing of its own.
//
// Call from one thread at a time (the encoder runs on a thread of its own during pass 2,
// encode_queue.h; hooks are called on the caller's thread). No exceptions leave these functions.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace master {

enum class Format { kFlac, kOgg, kOpus, kMp3, kWav };

struct FormatInfo {
  Format format;
  const char* name;       // as --format takes it
  const char* extension;  // of the file, without the dot
  int sampleRate;         // of the file
};

inline constexpr FormatInfo kFormats[] = {
    {Format::kFlac, "flac", "flac", 44100}, {Format::kOgg, "ogg", "ogg", 44100},
    {Format::kOpus, "opus", "opus", 48000}, {Format::kMp3, "mp3", "mp3", 44100},
    {Format::kWav, "wav", "wav", 44100},
};

// The row of kFormats for a name ("flac"); nullptr for an unknown name.
const FormatInfo* FormatByName(const std::string& name);
const FormatInfo& InfoOf(Format format);

inline constexpr double kDefaultLoudness = -14.0;  // LUFS
inline constexpr double kMinLoudness = -30.0;
inline constexpr double kMaxLoudness = -9.0;
inline constexpr double kCeilingDbtp = -1.0;
inline constexpr double kLoudnessTolerance = 0.3;  // LU
inline constexpr int kMaxEncodePasses = 4;
inline constexpr double kTailFloorDbfs = -60.0;
inline constexpr double kMinTailSeconds = 1.0;
inline constexpr int kStemRate = 44100;

// Where a track sits and how loud it is in the master.
struct TrackPlacement {
  const char* stem;  // the stem's track name (session/stems.h)
  double pan;        // -1 left .. 0 centre .. +1 right
  double levelDb;    // gain before the room
};
// Melody in the centre, the accompaniment spread left and right, bass and drums centred.
extern const TrackPlacement kTrackPlacements[9];

// The text tags of the file, set before its first frame. Formats that cannot hold one drop it
// (the README lists which).
struct Tags {
  std::string title;     // the session name
  std::string artist;    // "Vorsk"
  std::string software;  // "Vorsk <version>"
  std::string date;      // "YYYY-MM-DD"
  std::string comment;   // the command that makes the same piece again
};

struct Job {
  // Stem files (16-bit mono 44.1 kHz wave) with the track each holds, named as in
  // session/stems.h ("Melody"); a track without a row in kTrackPlacements is refused.
  std::vector<std::pair<std::string, std::string>> stems;  // {track name, path}
  long long pieceFrames = 0;  // frames of Mix.wav: the master lasts at least this + 1 s
  Format format = Format::kFlac;
  double targetLufs = kDefaultLoudness;
  std::string outPath;
  Tags tags;
};

// Progress and cancellation. progress(done, total) is called at every step (about every tenth
// of a pass), cancelled() after every block; a true answer ends the run with kCancelled.
struct Hooks {
  std::function<void(int done, int total)> progress;
  std::function<bool()> cancelled;
};

// Results.
inline constexpr int kMasterOk = 0;
inline constexpr int kMasterCancelled = -1;
inline constexpr int kMasterBadJob = 1;        // no stems, an unknown track, a target out of range
inline constexpr int kMasterStemUnreadable = 2;  // a stem missing, not 16-bit mono 44.1 kHz, unreadable
inline constexpr int kMasterSilent = 3;        // nothing to measure: the stems are silent
inline constexpr int kMasterEffectFailed = 4;  // the room or the resampler could not start or run
inline constexpr int kMasterWriteFailed = 5;   // the file could not be created, written or renamed

struct Report {
  int result = kMasterOk;
  std::string error;            // one line naming the file and the cause, when result != kMasterOk
  double firstPassLufs = 0.0;   // before the gain
  double lufs = 0.0;            // of what was encoded, last pass
  double peakDbfs = 0.0;        // sample peak of what was encoded, last pass
  int encodePasses = 0;
  long long frames = 0;         // of the file, at its own rate
  int sampleRate = 0;
};

Report MasterStems(const Job& job, const Hooks& hooks = {});

}  // namespace master
