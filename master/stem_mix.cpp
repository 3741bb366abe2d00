#include "master/stem_mix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "master/master.h"

namespace master {

namespace {

const TrackPlacement* PlacementOf(const std::string& track) {
  for (const TrackPlacement& p : kTrackPlacements) {
    if (track == p.stem) return &p;
  }
  return nullptr;
}

}  // namespace

bool StemMix::Open(const std::vector<std::pair<std::string, std::string>>& stems, std::string& error,
                   bool& bBadTrack) {
  bBadTrack = false;
  m_tracks.clear();
  m_frames = m_position = 0;
  m_failure.clear();
  for (const auto& [track, path] : stems) {
    const TrackPlacement* placement = PlacementOf(track);
    if (!placement) {
      bBadTrack = true;
      error = "no placement for the track \"" + track + "\" (" + path + ")";
      return false;
    }
    SF_INFO info{};
    Track t;
    t.path = path;
    t.file.reset(sf_open(path.c_str(), SFM_READ, &info));
    if (!t.file) {
      error = "cannot read the stem " + path + ": " + sf_strerror(nullptr);
      return false;
    }
    if (info.channels != 1 || info.samplerate != kStemRate) {
      error = "the stem " + path + " is not mono at 44 100 Hz";
      return false;
    }
    // Constant-power pan: the centre keeps -3 dB on each side.
    const double angle = (std::clamp(placement->pan, -1.0, 1.0) + 1.0) * M_PI / 4.0;
    const double level = std::pow(10.0, placement->levelDb / 20.0) * kHeadroom;
    t.left = static_cast<float>(std::cos(angle) * level);
    t.right = static_cast<float>(std::sin(angle) * level);
    t.frames = info.frames;
    m_frames = std::max(m_frames, t.frames);
    m_tracks.push_back(std::move(t));
  }
  return true;
}

size_t StemMix::Read(float* frames, size_t maxFrames, long long limitFrames) {
  if (Failed()) return 0;
  const long long left = std::max(0LL, limitFrames - m_position);
  const size_t count = static_cast<size_t>(std::min<long long>(static_cast<long long>(maxFrames), left));
  std::fill(frames, frames + count * 2, 0.0f);
  if (m_block.size() < count) m_block.resize(count);
  for (Track& t : m_tracks) {
    if (m_position >= t.frames) continue;
    const sf_count_t want = std::min<sf_count_t>(static_cast<sf_count_t>(count), t.frames - m_position);
    const sf_count_t got = sf_readf_float(t.file.get(), m_block.data(), want);
    if (got != want) {
      m_failure = "cannot read the stem " + t.path + ": " +
                  (sf_error(t.file.get()) != 0 ? sf_strerror(t.file.get()) : "it ends early");
      return 0;
    }
    for (sf_count_t i = 0; i < got; ++i) {
      frames[2 * i] += m_block[static_cast<size_t>(i)] * t.left;
      frames[2 * i + 1] += m_block[static_cast<size_t>(i)] * t.right;
    }
  }
  m_position += static_cast<long long>(count);
  return count;
}

}  // namespace master
