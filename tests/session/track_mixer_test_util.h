// Helpers shared by the mixer and copier tests: wave-like input files, a counting pump that can
// act at its k-th call, and an open-descriptor count for leak checks.
#pragma once

#include <dirent.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/message_pump.h"
#include "session/track_mixer.h"
#include "support/fixtures.h"

namespace mixtest {

// Counts its calls; onPump(k) runs at the k-th call (1-based).
class CountingPump : public platform::IMessagePump {
 public:
  void PumpOneMessage() override {
    ++count;
    if (onPump) onPump(count);
  }
  int count = 0;
  std::function<void(int)> onPump;
};

// Installs a counting pump for the life of the test and clears the mixer's flag around it.
class PumpScope {
 public:
  PumpScope() {
    theMixer.m_bAbort = 0;
    platform::SetMessagePump(&pump);
  }
  ~PumpScope() {
    platform::SetMessagePump(nullptr);
    theMixer.m_bAbort = 0;
  }
  CountingPump pump;
};

// The 104-byte block of a test input: distinct bytes starting at seed.
inline std::vector<unsigned char> Block(int seed) {
  std::vector<unsigned char> block(CTrackMixer::kBlockBytes);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(seed + i * 7);
  return block;
}

inline void AppendSample(std::vector<unsigned char>& bytes, int v) {
  bytes.push_back(static_cast<unsigned char>(v & 0xFF));
  bytes.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

// Block(seed), then the samples, then any extra raw bytes.
inline void WriteWave(const std::string& path, int seed, const std::vector<int>& samples,
                      const std::vector<unsigned char>& tail = {}) {
  std::vector<unsigned char> bytes = Block(seed);
  for (int v : samples) AppendSample(bytes, v);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  fixtures::WriteAll(path, bytes);
}

// Signed samples of a file after the 104-byte block (a trailing odd byte is left out).
inline std::vector<int> MixedSamples(const std::string& path) {
  std::vector<int> out;
  for (uint16_t v : fixtures::ReadSamples(path, CTrackMixer::kBlockBytes)) {
    out.push_back(static_cast<int16_t>(v));
  }
  return out;
}

using fixtures::OpenDescriptors;

// What the STOP path does from inside a pump: close every nonzero handle field, clear it, and
// set the cancel flag.
inline void StopAction() {
  platform::CloseAndClear(theMixer.m_hOut);
  platform::CloseAndClear(theMixer.m_hIn1);
  platform::CloseAndClear(theMixer.m_hIn2);
  platform::CloseAndClear(theMixer.m_hSource);
  theMixer.m_bAbort = 1;
}

inline bool AllHandlesClear() {
  return theMixer.m_hOut == 0 && theMixer.m_hIn1 == 0 && theMixer.m_hIn2 == 0 &&
         theMixer.m_hSource == 0;
}

}  // namespace mixtest
