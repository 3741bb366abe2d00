#include "session/track_mixer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include <sys/stat.h>

#include <cerrno>

#include "platform/message_pump.h"

CTrackMixer theMixer;

namespace {

// The buffers are read and written as the files' little-endian 16-bit samples.
static_assert(std::endian::native == std::endian::little, "samples are handled in host order");

// Eight samples at a time through the compiler's generic vector types (SSE2 on x86-64).
using Lanes = int16_t __attribute__((vector_size(16)));
constexpr int kLanes = 8;

Lanes LoadLanes(const int16_t* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
void StoreLanes(int16_t* p, Lanes v) { std::memcpy(p, &v, sizeof v); }
Lanes MaxLanes(Lanes x, Lanes y) { return x > y ? x : y; }
Lanes MinLanes(Lanes x, Lanes y) { return x < y ? x : y; }

// (x + y) / 2 rounded toward zero without leaving 16 bits: (x & y) + ((x ^ y) >> 1) is the
// average rounded down, and an odd negative sum is then raised by one.
Lanes AverageLanes(Lanes x, Lanes y) {
  const Lanes floorAvg = (x & y) + ((x ^ y) >> 1);
  return floorAvg + ((floorAvg >> 15) & (x ^ y) & 1);
}

// out[k] = (a[k] + b[k]) / 2 rounded toward zero for count positions; widens the peaks of the
// average and of the inputs. High and low are each updated for every value (max and min).
void AverageSamples(const int16_t* a, const int16_t* b, int16_t* out, int count,
                    CTrackMixer::Peaks& peaks) {
  int k = 0;
  if (count >= kLanes) {
    Lanes highAvg = AverageLanes(LoadLanes(a), LoadLanes(b));
    Lanes lowAvg = highAvg;
    Lanes highIn = MaxLanes(LoadLanes(a), LoadLanes(b));
    Lanes lowIn = MinLanes(LoadLanes(a), LoadLanes(b));
    for (; k + kLanes <= count; k += kLanes) {
      const Lanes x = LoadLanes(a + k);
      const Lanes y = LoadLanes(b + k);
      const Lanes avg = AverageLanes(x, y);
      StoreLanes(out + k, avg);
      highAvg = MaxLanes(highAvg, avg);
      lowAvg = MinLanes(lowAvg, avg);
      highIn = MaxLanes(highIn, MaxLanes(x, y));
      lowIn = MinLanes(lowIn, MinLanes(x, y));
    }
    for (int j = 0; j < kLanes; ++j) {
      peaks.nHighAvg = std::max<int>(peaks.nHighAvg, highAvg[j]);
      peaks.nLowAvg = std::min<int>(peaks.nLowAvg, lowAvg[j]);
      peaks.nHighIn = std::max<int>(peaks.nHighIn, highIn[j]);
      peaks.nLowIn = std::min<int>(peaks.nLowIn, lowIn[j]);
    }
  }
  for (; k < count; ++k) {
    const int avg = (a[k] + b[k]) / 2;
    out[k] = static_cast<int16_t>(avg);
    peaks.nHighAvg = std::max(peaks.nHighAvg, avg);
    peaks.nLowAvg = std::min(peaks.nLowAvg, avg);
    peaks.nHighIn = std::max<int>(peaks.nHighIn, std::max(a[k], b[k]));
    peaks.nLowIn = std::min<int>(peaks.nLowIn, std::min(a[k], b[k]));
  }
}

// Every 16-bit value v mapped to trunc(v x dGain) in 16 bits, indexed by v's bit pattern. The
// gain is at most 32 768 (a peak over an average of magnitude 1), so v x dGain fits an int.
void FillGainTable(int16_t* table, double dGain) {
  for (int v = -32768; v <= 32767; ++v) {
    table[static_cast<uint16_t>(v)] = static_cast<int16_t>(static_cast<int>(v * dGain));
  }
}

// The smaller of the two peak ratios, the second when they are equal; a ratio whose denominator
// is 0 is left out, and with both left out the gain is 1.
double MixGain(const CTrackMixer::Peaks& peaks) {
  const auto ratio = [](int nInput, int nAverage) {
    return std::abs(static_cast<double>(nInput)) / std::abs(static_cast<double>(nAverage));
  };
  const bool bLow = peaks.nLowAvg != 0;
  const bool bHigh = peaks.nHighAvg != 0;
  if (bLow && bHigh) {
    const double dLow = ratio(peaks.nLowIn, peaks.nLowAvg);
    const double dHigh = ratio(peaks.nHighIn, peaks.nHighAvg);
    return dLow < dHigh ? dLow : dHigh;
  }
  if (bLow) return ratio(peaks.nLowIn, peaks.nLowAvg);
  if (bHigh) return ratio(peaks.nHighIn, peaks.nHighAvg);
  return 1.0;
}

}  // namespace

bool CTrackMixer::CloseAll() {
  bool bClean = platform::CloseAndClear(m_hOut);
  bClean = platform::CloseAndClear(m_hIn1) && bClean;
  bClean = platform::CloseAndClear(m_hIn2) && bClean;
  return platform::CloseAndClear(m_hSource) && bClean;
}

namespace {

// Removes the mixer's scratch file; only a regular file is ever removed, so a scratch path
// naming a device or a folder is left alone. True when no scratch file remains.
bool RemoveScratch(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISREG(st.st_mode)) return true;
  return platform::DeleteFile(path);
}

}  // namespace

int CTrackMixer::MixTracks(const std::string& strOut, const std::string& strIn1,
                           const std::string& strIn2, const std::string& strScratch) {
  Peaks peaks;
  int nResult = AveragePass(strIn1, strIn2, strScratch, peaks);
  if (nResult == kMixNoInput1 || nResult == kMixNoInput2 || nResult == kMixNoScratch) return nResult;
  if (nResult == kMixOk && peaks.nLowIn == 0 && peaks.nHighIn == 0) {
    // Both inputs silent: the averaged silence is the result.
    platform::DeleteFile(strOut);
    const int nCopied = CopyWaveFile(strScratch, strOut);
    nResult = nCopied == kCopyOk ? kMixOk : nCopied == kCopyCancelled ? kMixCancelled : kMixSilentCopyFailed;
  } else if (nResult == kMixOk) {
    nResult = RestorePass(strOut, strScratch, MixGain(peaks));
  }
  const bool bScratchGone = RemoveScratch(strScratch);
  return nResult == kMixOk && !bScratchGone ? kMixScratchKept : nResult;
}

int CTrackMixer::AveragePass(const std::string& strIn1, const std::string& strIn2,
                             const std::string& strScratch, Peaks& peaks) {
  m_hIn1 = platform::OpenExisting(strIn1);
  if (!platform::IsOpen(m_hIn1)) return Fail(kMixNoInput1);
  m_hIn2 = platform::OpenExisting(strIn2);
  if (!platform::IsOpen(m_hIn2)) return Fail(kMixNoInput2);
  m_hOut = platform::CreateAlways(strScratch);
  if (!platform::IsOpen(m_hOut)) return Fail(kMixNoScratch);

  unsigned char block[kBlockBytes];
  unsigned char dropped[kBlockBytes];
  if (platform::ReadFile(m_hIn1, block, kBlockBytes) < kBlockBytes) return Fail(kMixShortInput1);
  if (platform::ReadFile(m_hIn2, dropped, kBlockBytes) < kBlockBytes) return Fail(kMixShortInput2);
  if (platform::WriteFile(m_hOut, block, kBlockBytes) < kBlockBytes) return Fail(kMixScratchBlockShort);

  m_bAbort = 0;
  constexpr int kChunkPositions = kMixChunkBytes / 2;
  const auto buffers = std::make_unique_for_overwrite<int16_t[]>(3 * kChunkPositions);
  int16_t* const pA = buffers.get();
  int16_t* const pB = pA + kChunkPositions;
  int16_t* const pOut = pB + kChunkPositions;
  auto* const pBytesA = reinterpret_cast<unsigned char*>(pA);
  auto* const pBytesB = reinterpret_cast<unsigned char*>(pB);

  for (;;) {
    platform::PumpOneMessage();
    if (m_bAbort) return Fail(kMixCancelled);
    const int nRead1 = platform::ReadFile(m_hIn1, pA, kMixChunkBytes);
    const int n = platform::ReadFile(m_hIn2, pB, kMixChunkBytes);
    if (n == 0) break;

    // Sample positions cover n rounded up to even (n odd is at most kMixChunkBytes - 1, so the
    // extra byte fits). Whatever in1 did not supply counts as zero, as does in2's missing byte.
    const int nTouched = n + (n & 1);
    if (nRead1 < nTouched) std::memset(pBytesA + nRead1, 0, static_cast<size_t>(nTouched - nRead1));
    if (n & 1) pBytesB[n] = 0;

    AverageSamples(pA, pB, pOut, nTouched / 2, peaks);
    if (platform::WriteFile(m_hOut, pOut, n) < n) return Fail(kMixShortWrite);
  }
  // A read that failed on the way counts as a scratch file not made whole.
  return CloseAll() ? kMixOk : kMixShortWrite;
}

int CTrackMixer::RestorePass(const std::string& strOut, const std::string& strScratch,
                             double dGain) {
  m_hIn1 = platform::OpenExisting(strScratch);
  if (!platform::IsOpen(m_hIn1)) return Fail(kMixScratchNotReopened);
  m_hOut = platform::CreateAlways(strOut);
  if (!platform::IsOpen(m_hOut)) return Fail(kMixNoOutput);
  unsigned char block[kBlockBytes];
  if (platform::ReadFile(m_hIn1, block, kBlockBytes) < kBlockBytes) return Fail(kMixShortScratch);
  if (platform::WriteFile(m_hOut, block, kBlockBytes) < kBlockBytes) return Fail(kMixOutputBlockShort);

  constexpr int kChunkPositions = kMixChunkBytes / 2;
  constexpr int kSampleValues = 65536;
  const auto buffers = std::make_unique_for_overwrite<int16_t[]>(kChunkPositions + kSampleValues);
  int16_t* const p = buffers.get();
  int16_t* const pTable = p + kChunkPositions;
  FillGainTable(pTable, dGain);
  for (;;) {
    platform::PumpOneMessage();
    if (m_bAbort) return Fail(kMixCancelled);
    const int n = platform::ReadFile(m_hIn1, p, kMixChunkBytes);
    if (n == 0) break;
    if (n & 1) reinterpret_cast<unsigned char*>(p)[n] = 0;  // the missing high byte
    const int nPositions = (n + 1) / 2;
    for (int k = 0; k < nPositions; ++k) p[k] = pTable[static_cast<uint16_t>(p[k])];
    if (platform::WriteFile(m_hOut, p, n) < n) return Fail(kMixShortWrite);
  }
  return CloseAll() ? kMixOk : kMixShortWrite;
}

int CTrackMixer::CopyWaveFile(const std::string& strSource, const std::string& strDest,
                              CopyTarget target) {
  m_hSource = platform::OpenExisting(strSource);
  if (!platform::IsOpen(m_hSource)) return Fail(kCopyNoSource);
  m_hOut = target == CopyTarget::kFinishedFile ? platform::CreateReplacement(strDest)
                                               : platform::CreateAlways(strDest);
  if (!platform::IsOpen(m_hOut)) return Fail(kCopyNoDestination);
  const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(kCopyChunkBytes);
  for (;;) {
    platform::PumpOneMessage();
    if (m_bAbort) return Fail(kCopyCancelled);
    const int n = platform::ReadFile(m_hSource, buffer.get(), kCopyChunkBytes);
    if (n == 0) {
      const bool bCommitted = platform::CommitFile(m_hOut);  // puts a finished file in place
      m_hOut = 0;
      return CloseAll() && bCommitted ? kCopyOk : kCopyShortWrite;
    }
    if (platform::WriteFile(m_hOut, buffer.get(), n) < n) return Fail(kCopyShortWrite);
  }
}
