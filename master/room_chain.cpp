#include "master/room_chain.h"

#include <sox.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace master {

namespace {

// The room, fed from a mono send of the placed tracks and giving only its own (wet) sound in
// stereo: reverberance 40 %, HF damping 55 %, room scale 75 %, stereo depth 100 %, pre-delay
// 12 ms, wet gain -3 dB. It decays by about 60 dB/s, a little slower than a SoundFont
// synthesizer's default room on the same notes, and keeps the piano in front of it. One send costs half of what a
// room per channel would.
const char* const kReverbArgs[] = {"-w", "40", "55", "75", "100", "12", "-3"};
// Against DC and rumble: two poles at 30 Hz, Q 0.707.
const char* const kHighpassArgs[] = {"30"};

constexpr double kSampleScale = 2147483647.0;

sox_sample_t ToSample(float x) {
  const double v = std::clamp(static_cast<double>(x), -1.0, 1.0) * kSampleScale;
  return static_cast<sox_sample_t>(v < 0.0 ? v - 0.5 : v + 0.5);  // rounded to the nearest
}

float ToFloat(sox_sample_t s) { return static_cast<float>(static_cast<double>(s) / kSampleScale); }

struct Run {
  const FrameSource* source;
  const FrameSink* sink;
  std::vector<float> frames;
  // The dry stereo frames the input has sent into the room, waiting for their wet sound.
  std::vector<float> dry;
  size_t dryRead = 0;
  bool bStopped = false;
};

// The private data of our two ends of the chain: the run they belong to.
struct EndPriv {
  Run* run;
};

int EndOptions(sox_effect_t* effp, int argc, char** argv) {
  if (argc != 2) return SOX_EOF;
  static_cast<EndPriv*>(effp->priv)->run = reinterpret_cast<Run*>(argv[1]);
  return SOX_SUCCESS;
}

// The start of the chain: the mono send of the next dry frames; the dry frames wait in run.dry.
int InputDrain(sox_effect_t* effp, sox_sample_t* obuf, size_t* osamp) {
  Run& run = *static_cast<EndPriv*>(effp->priv)->run;
  const size_t want = *osamp;
  if (run.bStopped || want == 0) {
    *osamp = 0;
    return SOX_EOF;
  }
  if (run.frames.size() < want * 2) run.frames.resize(want * 2);
  const size_t got = std::min((*run.source)(run.frames.data(), want), want);
  for (size_t i = 0; i < got; ++i) obuf[i] = ToSample(0.5f * (run.frames[2 * i] + run.frames[2 * i + 1]));
  // What the room has taken back goes, so the queue stays a few blocks long.
  if (run.dryRead > 0) {
    run.dry.erase(run.dry.begin(), run.dry.begin() + static_cast<std::ptrdiff_t>(run.dryRead * 2));
    run.dryRead = 0;
  }
  run.dry.insert(run.dry.end(), run.frames.begin(), run.frames.begin() + static_cast<std::ptrdiff_t>(got * 2));
  *osamp = got;
  return got == 0 ? SOX_EOF : SOX_SUCCESS;
}

// After the room: its stereo wet sound plus the dry frames it came from.
int DryFlow(sox_effect_t* effp, const sox_sample_t* ibuf, sox_sample_t* obuf, size_t* isamp, size_t* osamp) {
  Run& run = *static_cast<EndPriv*>(effp->priv)->run;
  const size_t waiting = (run.dry.size() - run.dryRead * 2) / 2;
  const size_t count = std::min({*isamp / 2, *osamp / 2, waiting});
  const float* dry = run.dry.data() + run.dryRead * 2;
  for (size_t i = 0; i < count * 2; ++i) obuf[i] = ToSample(ToFloat(ibuf[i]) + dry[i]);
  run.dryRead += count;
  *isamp = *osamp = count * 2;
  return SOX_SUCCESS;
}

int OutputFlow(sox_effect_t* effp, const sox_sample_t* ibuf, sox_sample_t*, size_t* isamp, size_t* osamp) {
  Run& run = *static_cast<EndPriv*>(effp->priv)->run;
  *osamp = 0;
  const size_t count = *isamp / 2;
  *isamp = count * 2;
  if (run.bStopped) return SOX_EOF;
  if (run.frames.size() < count * 2) run.frames.resize(count * 2);
  for (size_t i = 0; i < count * 2; ++i) run.frames[i] = ToFloat(ibuf[i]);
  if (count > 0 && !(*run.sink)(run.frames.data(), count)) {
    run.bStopped = true;
    return SOX_EOF;
  }
  return SOX_SUCCESS;
}

const sox_effect_handler_t kInputHandler = {"vorsk_input", nullptr, SOX_EFF_MCHAN, EndOptions, nullptr,
                                            nullptr, InputDrain, nullptr, nullptr, sizeof(EndPriv)};
const sox_effect_handler_t kDryHandler = {"vorsk_dry", nullptr, SOX_EFF_MCHAN, EndOptions, nullptr,
                                          DryFlow, nullptr, nullptr, nullptr, sizeof(EndPriv)};
const sox_effect_handler_t kOutputHandler = {"vorsk_output", nullptr, SOX_EFF_MCHAN, EndOptions, nullptr,
                                             OutputFlow, nullptr, nullptr, nullptr, sizeof(EndPriv)};

void Quiet(unsigned, const char*, const char*, va_list) {}

bool Started() {
  static std::once_flag once;
  static bool bStarted = false;
  std::call_once(once, [] {
    sox_get_globals()->verbosity = 0;
    sox_get_globals()->output_message_handler = Quiet;
    bStarted = sox_init() == SOX_SUCCESS;
  });
  return bStarted;
}

int StopFlow(sox_bool, void* data) { return static_cast<Run*>(data)->bStopped ? SOX_EOF : SOX_SUCCESS; }

// The chain and every effect made for it, deleted on every way out.
class Chain {
 public:
  Chain() {
    sox_encodinginfo_t encoding;
    sox_init_encodinginfo(&encoding);
    encoding.encoding = SOX_ENCODING_SIGN2;
    encoding.bits_per_sample = 32;
    m_chain = sox_create_effects_chain(&encoding, &encoding);
  }
  ~Chain() {
    if (m_chain) sox_delete_effects_chain(m_chain);
  }
  Chain(const Chain&) = delete;
  Chain& operator=(const Chain&) = delete;

  // Adds an effect with its arguments; false with the cause in error.
  bool Add(const sox_effect_handler_t* handler, const char* name, int argc, char* const argv[],
           sox_signalinfo_t& signal, std::string& error) {
    if (!m_chain || !handler) {
      error = std::string("the ") + name + " effect of libsox is not there";
      return false;
    }
    sox_effect_t* effect = sox_create_effect(handler);
    if (!effect) {
      error = std::string("the ") + name + " effect of libsox could not be made";
      return false;
    }
    const sox_signalinfo_t wanted = signal;
    const bool bAdded = sox_effect_options(effect, argc, argv) == SOX_SUCCESS &&
                        sox_add_effect(m_chain, effect, &signal, &wanted) == SOX_SUCCESS;
    if (!bAdded) {
      sox_delete_effect(effect);
      error = std::string("the ") + name + " effect of libsox would not start";
      return false;
    }
    std::free(effect);  // the chain owns its copy and the private data
    return true;
  }
  sox_effects_chain_t* Get() { return m_chain; }

 private:
  sox_effects_chain_t* m_chain = nullptr;
};

}  // namespace

int RunRoom(const FrameSource& source, const FrameSink& sink, std::string& error) {
  if (!Started()) {
    error = "libsox could not be started";
    return kRoomFailed;
  }
  Run run{&source, &sink, {}, {}, 0, false};
  Chain chain;
  sox_signalinfo_t signal{44100.0, 1, 32, SOX_UNKNOWN_LEN, nullptr};
  char* endArgs[] = {reinterpret_cast<char*>(&run)};
  if (!chain.Add(&kInputHandler, "input", 1, endArgs, signal, error) ||
      !chain.Add(sox_find_effect("reverb"), "reverb", 7, const_cast<char* const*>(kReverbArgs), signal, error) ||
      !chain.Add(&kDryHandler, "dry", 1, endArgs, signal, error) ||
      !chain.Add(sox_find_effect("highpass"), "highpass", 1, const_cast<char* const*>(kHighpassArgs), signal,
                 error) ||
      !chain.Add(&kOutputHandler, "output", 1, endArgs, signal, error)) {
    return kRoomFailed;
  }
  if (signal.channels != 2 || signal.rate != 44100.0) {
    error = "the room of libsox changed the signal's layout";
    return kRoomFailed;
  }
  const int flowed = sox_flow_effects(chain.Get(), StopFlow, &run);
  if (run.bStopped) return kRoomStopped;
  if (flowed != SOX_SUCCESS && flowed != SOX_EOF) {
    error = "the room of libsox failed while it ran";
    return kRoomFailed;
  }
  return kRoomDone;
}

}  // namespace master
