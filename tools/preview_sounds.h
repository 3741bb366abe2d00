// The thirteen preview sounds as wave files (16-bit mono PCM with a 44-byte header):
// "WAV_U.WAV", a short wood-block click at 16 000 Hz, and "WAV_01.WAV" .. "WAV_12.WAV", piano
// notes C4 .. B4 of 1.5 s at 44 100 Hz. Each file is written atomically.
#pragma once

#include <string>

#include "tools/note_synth.h"

namespace archives {

// synth renders at 44 100 Hz; the click needs a synthesizer of its own at 16 000 Hz, loaded
// from soundFont. false with a reason in error.
bool WritePreviewSounds(CNoteSynth& synth, const std::string& soundFont, const std::string& folder,
                        std::string& error);

}  // namespace archives
