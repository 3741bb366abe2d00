#include "tools/preview_sounds.h"

#include <cstdio>
#include <vector>

#include "tools/archive_builder.h"
#include "tools/output_file.h"

namespace archives {

namespace {

void PutLe(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string WaveHeader(int sampleRate, size_t dataBytes) {
  std::string h = "RIFF";
  PutLe(h, static_cast<uint32_t>(dataBytes + 36), 4);
  h += "WAVEfmt ";
  PutLe(h, 16, 4);
  PutLe(h, 1, 2);  // PCM
  PutLe(h, 1, 2);  // mono
  PutLe(h, static_cast<uint32_t>(sampleRate), 4);
  PutLe(h, static_cast<uint32_t>(sampleRate * 2), 4);
  PutLe(h, 2, 2);
  PutLe(h, 16, 2);
  h += "data";
  PutLe(h, static_cast<uint32_t>(dataBytes), 4);
  return h;
}

// Brings sound to the preview level and writes it as a wave file.
bool WriteWave(const std::string& path, Sound sound, int sampleRate, std::string& error) {
  const float peak = Peak(sound);
  const double gain = peak > 0.0f ? DbToGain(kPreviewPeakDb) / peak : 1.0;
  const std::string data = LittleEndianBytes(ToPcm16(sound, gain));
  COutputFile out(path);
  const std::string header = WaveHeader(sampleRate, data.size());
  return out.Open(error) && out.Write(header.data(), header.size(), error) &&
         out.Write(data.data(), data.size(), error) && out.Commit(error);
}

}  // namespace

bool WritePreviewSounds(CNoteSynth& synth, const std::string& soundFont, const std::string& folder,
                        std::string& error) {
  for (int i = 1; i <= 12; ++i) {
    Sound note(kPreviewNoteFrames, 0.0f);
    MixIn(note, 0, synth.Note({kPiano, kPreviewFirstMidi + i - 1, kPreviewVelocity, kPreviewHoldFrames}),
          1.0f);
    FadeOutEnd(note, kEndFadeFrames);
    char name[16];
    std::snprintf(name, sizeof name, "WAV_%.2d.WAV", i);
    if (!WriteWave(folder + "/" + name, std::move(note), kSampleRate, error)) return false;
  }
  CNoteSynth clickSynth(soundFont, kClickSampleRate);
  if (!clickSynth.Ok()) {
    error = clickSynth.Error();
    return false;
  }
  Sound click(kClickFrames, 0.0f);
  MixIn(click, 0, clickSynth.Note({kDrumKit, kClickKey, kClickVelocity, kBlockFrames}), 1.0f);
  FadeOutEnd(click, kClickFadeFrames);
  if (!clickSynth.Error().empty()) {
    error = clickSynth.Error();
    return false;
  }
  return WriteWave(folder + "/WAV_U.WAV", std::move(click), kClickSampleRate, error);
}

}  // namespace archives
