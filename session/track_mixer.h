// CTrackMixer: mixes two 16-bit mono wave files into one and copies wave files, in chunks.
//
// One instance, theMixer, lives for the whole program; UI thread only. Both operations stream
// through buffers allocated once per call and freed on return, never a whole file (pass 1:
// three of 64 000 bytes; pass 2: 64 000 bytes and a 128 KiB gain table; copy: 256 000 bytes),
// and call platform::PumpOneMessage() before every chunk, then test m_bAbort.
//
// MixTracks(out, in1, in2, scratch):
//   pass 1 averages in1 and in2 sample by sample into scratch, gathering the peaks of the inputs
//   and of the average; pass 2 rewrites scratch into out, scaled so that the peaks of the result
//   reach the peaks of the inputs, and deletes scratch. The first 104 bytes of in1 (header and
//   lead-in) are copied unchanged; those of in2 are dropped. The result is as long as in2; an
//   in1 that ends first contributes zeros. out may name the same file as in1: in1 is closed
//   before out is created. When both inputs are entirely silent, out becomes a copy of scratch.
//   Results (constants below): -1 cancelled, 0 done, 1 in1 not opened, 2 in2 not opened,
//   3 scratch not created, 4 / 5 in1 / in2 shorter than 104 bytes, 6 block not written to
//   scratch, 7 done but scratch not deleted, 8 silent inputs and the copy to out failed,
//   9 scratch not reopened, 10 out not created, 11 scratch shorter than 104 bytes, 12 block not
//   written to out, 99 a chunk written short. A failure in pass 1 leaves out as it was; every
//   exit after scratch was created removes it (only ever a regular file). The file and the
//   cause of a failure are in platform::LastFileFailure.
//   Gain of pass 2: the smaller of |low of inputs| / |low of average| and |high of inputs| /
//   |high of average| (the second when equal); a ratio whose denominator is 0 is left out, and
//   with both left out the gain is 1. Each sample becomes trunc(s x gain), stored in 16 bits.
//   An odd chunk length n: the missing high byte of the last position counts as zero (in1's
//   byte there is used when it was read) and exactly n bytes are written, in both passes.
//   m_bAbort is cleared when pass 1 begins (after the files are open and the block is copied).
//
// CopyWaveFile(source, destination, target): copies in 256 000-byte chunks. A working file is
//   written in place (platform::CreateAlways); a finished file (a stem) is written as a
//   replacement (platform::CreateReplacement) that appears only when the copy is whole.
//   Results: 0 done, 1 source not opened, 2 destination not created, -1 cancelled (a working
//   destination keeps what was written, a finished one does not appear; m_bAbort stays set),
//   99 a chunk written short or the destination not stored whole.
//   It only reads m_bAbort, so a copy started with the flag set returns -1 before reading.
//
// Handle ownership. The four handle fields hold the files of the running call and are 0
// otherwise. While a call is suspended in the pump, the STOP path may close any nonzero field
// and set it to 0 (and sets m_bAbort). The call never keeps a copy of a handle across a pump:
// it reads the fields afresh, and on every exit it closes only the fields that are still
// nonzero, then clears them. So every exit leaves all four fields 0 and no file of the call
// open, and no descriptor is closed twice.
#pragma once

#include <string>

#include "platform/file_io.h"

class CTrackMixer {
 public:
  // Results of MixTracks; each value has one meaning.
  static constexpr int kMixCancelled = -1;
  static constexpr int kMixOk = 0;
  static constexpr int kMixNoInput1 = 1;
  static constexpr int kMixNoInput2 = 2;
  static constexpr int kMixNoScratch = 3;
  static constexpr int kMixShortInput1 = 4;
  static constexpr int kMixShortInput2 = 5;
  static constexpr int kMixScratchBlockShort = 6;
  static constexpr int kMixScratchKept = 7;
  static constexpr int kMixSilentCopyFailed = 8;
  static constexpr int kMixScratchNotReopened = 9;
  static constexpr int kMixNoOutput = 10;
  static constexpr int kMixShortScratch = 11;
  static constexpr int kMixOutputBlockShort = 12;
  static constexpr int kMixShortWrite = 99;
  // Results of CopyWaveFile.
  static constexpr int kCopyCancelled = -1;
  static constexpr int kCopyOk = 0;
  static constexpr int kCopyNoSource = 1;
  static constexpr int kCopyNoDestination = 2;
  static constexpr int kCopyShortWrite = 99;

  // Bytes at the start of every input copied unchanged: the 44-byte header and 30 samples of
  // lead-in silence.
  static constexpr int kBlockBytes = 104;
  // Bytes read from each input (and from scratch in pass 2) per chunk: 32 000 samples.
  static constexpr int kMixChunkBytes = 64000;
  // Bytes per chunk of CopyWaveFile.
  static constexpr int kCopyChunkBytes = 256000;

  int MixTracks(const std::string& strOut, const std::string& strIn1, const std::string& strIn2,
                const std::string& strScratch);
  enum class CopyTarget { kWorkingFile, kFinishedFile };
  int CopyWaveFile(const std::string& strSource, const std::string& strDest,
                   CopyTarget target = CopyTarget::kWorkingFile);

  unsigned char m_bAbort = 0;        // cancel request set by STOP/EXIT; cleared by MixTracks
  platform::FileHandle m_hOut = 0;   // file being written: scratch, output or copy destination
  platform::FileHandle m_hIn1 = 0;   // first input, or scratch during pass 2
  platform::FileHandle m_hIn2 = 0;   // second input
  platform::FileHandle m_hSource = 0;  // copy source

  // Peaks gathered by pass 1, as 32-bit integers with the starting values 0 and 65 535.
  struct Peaks {
    int nHighAvg = 0;
    int nLowAvg = 65535;
    int nHighIn = 0;
    int nLowIn = 65535;
  };

 private:
  int AveragePass(const std::string& strIn1, const std::string& strIn2,
                  const std::string& strScratch, Peaks& peaks);
  int RestorePass(const std::string& strOut, const std::string& strScratch, double dGain);
  // Closes every field still open; false when one of them had a failed read or write.
  bool CloseAll();
  // Every exit closes the files still held in the handle fields; a failure then returns its code.
  int Fail(int code) {
    CloseAll();
    return code;
  }
};

extern CTrackMixer theMixer;
