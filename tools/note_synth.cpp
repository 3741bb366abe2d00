#include "tools/note_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/analysis/audio_analysis.h"

namespace archives {

namespace {

constexpr int kChunkFrames = 64 * kBlockFrames;  // frames per write while a note rings
constexpr int kMelodicChannel = 0;
constexpr int kDrumChannel = 9;
constexpr double kDcCornerHz = 5.0;
// A note's attack is the half of its rise to the loudest moment of its first 80 ms: the rise of
// the strike, not the swell of a sound that keeps growing after it.
constexpr size_t kAttackSearchFrames = 80 * 441 / 10, kAttackAfterFrames = 60 * 441 / 10;
// The stretch of a note whose fundamental is measured, after its attack. A note held for
// seconds (a pad) is measured over a longer stretch: the ensemble and choir sounds waver with
// vibrato and their layers drift against each other for seconds, so 300 ms would tune them to a
// moment rather than to what the held chord sounds.
constexpr double kTuneFromSeconds = 0.100, kTuneToSeconds = 0.400;
constexpr double kHeldNoteSeconds = 2.0, kHeldTuneToSeconds = 4.0;

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
  Tune(rounded);
  return m_cache.emplace(key, Render(rounded)).first->second;
}

int CNoteSynth::AttackFrames(const NoteSpec& spec) {
  const int holdBlocks = std::max(1, (spec.holdFrames + kBlockFrames / 2) / kBlockFrames);
  const auto key = std::make_tuple(spec.instrument.bank, spec.instrument.program, spec.instrument.drums,
                                   spec.key, spec.velocity, holdBlocks);
  const auto found = m_attacks.find(key);
  if (found != m_attacks.end()) return found->second;
  const Sound& note = Note(spec);
  const std::vector<double> x(note.begin(), note.end());
  // A sound that swells on: settle on the attack whose search reaches 60 ms past itself, as the
  // attack of a finished sample is read.
  size_t attack = analysis::HalfRiseFrame(x, kAttackSearchFrames);
  for (int round = 0; round < 4; ++round) attack = analysis::HalfRiseFrame(x, attack + kAttackAfterFrames);
  return m_attacks.emplace(key, static_cast<int>(attack)).first->second;
}

double CNoteSynth::KeyCorrectionCents(const Instrument& instrument, int key, int velocity) const {
  const auto found = m_tunings.find({instrument.bank, instrument.program, velocity});
  if (found == m_tunings.end() || key < 0 || key > 127) return 0.0;
  return found->second.cents[key] - 100.0 * key;
}

bool CNoteSynth::Select(const Instrument& instrument, int velocity, int channel) {
  fluid_synth_t* synth = m_synth.get();
  if (fluid_synth_program_select(synth, channel, m_fontId, instrument.bank, instrument.program) != FLUID_OK) {
    m_error = "the SoundFont has no preset " + std::to_string(instrument.bank) + ":" +
              std::to_string(instrument.program);
    return false;
  }
  const auto found = m_tunings.find({instrument.bank, instrument.program, velocity});
  if (!instrument.drums && found != m_tunings.end() && found->second.retuned) {
    fluid_synth_activate_tuning(synth, channel, found->second.tuningProgram / 128, found->second.tuningProgram % 128, 1);
  } else {
    fluid_synth_deactivate_tuning(synth, channel, 1);
  }
  return true;
}

void CNoteSynth::Tune(const NoteSpec& spec) {
  if (spec.instrument.drums || spec.key < 0 || spec.key > 127) return;
  auto [it, added] = m_tunings.try_emplace({spec.instrument.bank, spec.instrument.program, spec.velocity});
  KeyTuning& tuning = it->second;
  if (added) {
    for (int k = 0; k < 128; ++k) tuning.cents[k] = 100.0 * k;
    tuning.tuningProgram = static_cast<int>(m_tunings.size()) - 1;
  }
  if (tuning.measured[spec.key]) return;
  tuning.measured[spec.key] = true;
  // Strike the key alone, held through the measured stretch, as it sounds so far.
  NoteSpec probe = spec;
  const bool held = spec.holdFrames >= kHeldNoteSeconds * kSampleRate;
  const double measureTo = held ? kHeldTuneToSeconds : kTuneToSeconds;
  probe.holdFrames = static_cast<int>(measureTo * kSampleRate) + kSampleRate / 10;
  probe.holdFrames -= probe.holdFrames % kBlockFrames;
  const Sound sound = Render(probe);
  std::vector<double> x(sound.begin(), sound.end());
  const std::vector<double> head(x.begin(), x.begin() + std::min(x.size(), kAttackSearchFrames));
  const size_t attack = analysis::HalfRiseFrame(head, head.size());
  const auto from = attack + static_cast<size_t>(kTuneFromSeconds * kSampleRate);
  const auto to = attack + static_cast<size_t>(measureTo * kSampleRate);
  if (to > x.size()) return;
  const double off = analysis::KeyCents(std::vector<double>(x.begin() + static_cast<long>(from), x.begin() + static_cast<long>(to)),
                                        spec.key);
  if (std::fabs(off) <= kTuneToleranceCents) return;
  tuning.cents[spec.key] -= off;
  tuning.retuned = true;
  fluid_synth_activate_key_tuning(m_synth.get(), tuning.tuningProgram / 128, tuning.tuningProgram % 128, "retuned",
                                  tuning.cents, 0);
}

Sound CNoteSynth::Render(const NoteSpec& spec) {
  Sound out;
  if (!m_synth) return out;
  fluid_synth_t* synth = m_synth.get();
  const int channel = spec.instrument.drums ? kDrumChannel : kMelodicChannel;
  if (!Select(spec.instrument, spec.velocity, channel)) return out;
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
  BlockDc(out, kDcCornerHz, kSampleRate);
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
