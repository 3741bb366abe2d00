#include "tools/note_synth.h"

#include <fluidsynth.h>

#include <algorithm>

namespace archives {

namespace {

constexpr int kChunkFrames = 64 * kBlockFrames;  // frames per write while a note rings
constexpr int kMelodicChannel = 0;
constexpr int kDrumChannel = 9;

// Quiet the library: warnings about SoundFont details are of no use at build time.
void IgnoreLog(int, const char*, void*) {}

}  // namespace

void CNoteSynth::SettingsDeleter::operator()(fluid_settings_t* settings) const {
  delete_fluid_settings(settings);
}

void CNoteSynth::SynthDeleter::operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }

CNoteSynth::CNoteSynth(const std::string& soundFont, int sampleRate)
    : m_left(kChunkFrames), m_right(kChunkFrames) {
  for (const int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
    fluid_set_log_function(level, IgnoreLog, nullptr);
  m_settings.reset(new_fluid_settings());
  if (!m_settings) {
    m_error = "cannot create synthesizer settings";
    return;
  }
  fluid_settings_t* s = m_settings.get();
  fluid_settings_setnum(s, "synth.sample-rate", sampleRate);
  fluid_settings_setint(s, "synth.reverb.active", 0);
  fluid_settings_setint(s, "synth.chorus.active", 0);
  fluid_settings_setint(s, "synth.cpu-cores", 1);
  fluid_settings_setnum(s, "synth.gain", 1.0);  // levels are set per family afterwards
  std::unique_ptr<fluid_synth_t, SynthDeleter> synth(new_fluid_synth(s));
  if (!synth) {
    m_error = "cannot create the synthesizer";
    return;
  }
  m_fontId = fluid_synth_sfload(synth.get(), soundFont.c_str(), 1);
  if (m_fontId == FLUID_FAILED) {
    m_error = "cannot load the SoundFont " + soundFont;
    return;
  }
  m_synth = std::move(synth);
}

CNoteSynth::~CNoteSynth() = default;

const Sound& CNoteSynth::Note(const NoteSpec& spec) {
  const int holdBlocks = std::max(1, (spec.holdFrames + kBlockFrames / 2) / kBlockFrames);
  const auto key = std::make_tuple(spec.instrument.bank, spec.instrument.program, spec.instrument.drums,
                                   spec.key, spec.velocity, holdBlocks);
  const auto found = m_cache.find(key);
  if (found != m_cache.end()) return found->second;
  NoteSpec rounded = spec;
  rounded.holdFrames = holdBlocks * kBlockFrames;
  return m_cache.emplace(key, Render(rounded)).first->second;
}

Sound CNoteSynth::Render(const NoteSpec& spec) {
  Sound out;
  if (!m_synth) return out;
  fluid_synth_t* synth = m_synth.get();
  const int channel = spec.instrument.drums ? kDrumChannel : kMelodicChannel;
  if (fluid_synth_program_select(synth, channel, m_fontId, spec.instrument.bank, spec.instrument.program) !=
      FLUID_OK) {
    m_error = "the SoundFont has no preset " + std::to_string(spec.instrument.bank) + ":" +
              std::to_string(spec.instrument.program);
    return out;
  }
  // The first note that uses a SoundFont sample differs in its first block from every later
  // one (the synthesizer measures the sample on first use): strike the note once, briefly, so
  // that the kept rendering never depends on what was rendered before it.
  fluid_synth_noteon(synth, channel, spec.key, spec.velocity);
  Write(kBlockFrames, nullptr);
  Silence();
  out.reserve(static_cast<size_t>(spec.holdFrames + kSampleRate));
  fluid_synth_noteon(synth, channel, spec.key, spec.velocity);
  for (int done = 0; done < spec.holdFrames;) {
    const int n = std::min(kChunkFrames, spec.holdFrames - done);
    Write(n, &out);
    done += n;
  }
  fluid_synth_noteoff(synth, channel, spec.key);
  for (int rung = 0; rung < kMaxRingFrames && fluid_synth_get_active_voice_count(synth) > 0;
       rung += kChunkFrames) {
    Write(kChunkFrames, &out);
  }
  Silence();
  // Drop the exact zeros the voices left behind once they had died away.
  while (!out.empty() && out.back() == 0.0f) out.pop_back();
  return out;
}

void CNoteSynth::Write(int frames, Sound* out) {
  fluid_synth_write_float(m_synth.get(), frames, m_left.data(), 0, 1, m_right.data(), 0, 1);
  if (!out) return;
  for (int i = 0; i < frames; ++i) out->push_back(0.5f * (m_left[i] + m_right[i]));
}

void CNoteSynth::Silence() {
  fluid_synth_t* synth = m_synth.get();
  fluid_synth_all_sounds_off(synth, -1);
  // A voice switched off still finishes its current block: run blocks until none is left, so
  // the next note starts from a silent synthesizer.
  for (int i = 0; i < 1000 && fluid_synth_get_active_voice_count(synth) > 0; ++i)
    Write(kBlockFrames, nullptr);
}

}  // namespace archives
