// Helpers shared by the track renderers: temporary names, the pump-and-abort check, the exits
// that release the composer's handle fields, and the fixed-width parsing of plan strings.
// Handle ownership is described in render/render_codes.h. UI thread only.
#pragma once

#include <string>

#include "compose/composer.h"
#include "render/sample_catalog.h"

namespace render {

// Obtains a new temporary file name in folder into field; the file exists, empty, from now on.
// A folder that refuses new files leaves field empty, and creating the voice file then fails.
void AcquireTempName(const std::string& folder, std::string& field);

// Handles at most one pending message, then tells whether the cancel flag is set.
bool PumpAndCheckAbort(const CComposer& composer);

// Closes the composer's nonzero handle fields and clears them: every exit but the abort.
void CloseHandles(CComposer& composer);
inline int Fail(CComposer& composer, int code) {
  CloseHandles(composer);
  return code;
}

// Sets the catalog's pad time from the composer's eighth and creates the voice file with its
// header into m_hOutWave. False, with both handle fields closed and cleared, when it fails.
bool OpenVoiceFile(CComposer& composer, CSampleCatalog& catalog, const std::string& path);

// Ends the voice file in m_hOutWave: gives it exactly the length its header announces (zero
// bytes fill a short one), closes it and clears the field. kRenderOk, or kRenderFileFailed
// (both handle fields closed and cleared) when a write to it or the resize failed.
int FinishVoiceFile(CComposer& composer);
// Closes the archive in m_hArchive: kRenderOk, or kRenderFileFailed when a read from it failed.
int FinishArchive(CComposer& composer);

// Decimal value of up to width digits at pos, stopping at the first non-digit (0 when none).
int ParseNumber(const std::string& text, size_t pos, size_t width);

// Pitch class 1..12 of a note number: the note reduced by 12 until it is 12 or less.
int PitchClass(int note);

// Placement rules that the renderers and the MIDI export share.
// The low note of melody note n: notes from 24 up land in the second octave (13..24), lower
// ones in the first (1..12).
int LowNote(int n);
// Eighths of silence before the low note of a note of len eighths: the whole of a one-eighth
// note, none before a two-eighth note, and all but the last two eighths of a longer one.
int SilentEighths(int len);

// The next plan bar, split at its first blank; lengths keeps at most maxLengths characters.
struct PlanBar {
  std::string notes;    // two digits per event
  std::string lengths;  // one digit per event
  // Events of the bar: a note needs both its two digits and its length digit.
  size_t Events() const {
    return notes.size() / 2 < lengths.size() ? notes.size() / 2 : lengths.size();
  }
};
PlanBar NextPlanBar(CComposer& composer, size_t maxLengths = std::string::npos);

// printf into a string (sample names).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Cuts text at the next "|": returns what lies before it and leaves the rest in text.
std::string CutAtBar(std::string& text);

}  // namespace render
