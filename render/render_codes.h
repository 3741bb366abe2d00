// Results of the track renderers (CComposer::RenderTP ... RenderVO).
//
// Handle ownership while a renderer runs: the voice file sits in the composer's m_hOutWave and
// the archive in its m_hArchive (the drum loop track keeps its archive in the catalog's own
// m_hArchive, which the catalog closes when it is destroyed). A message dispatched from the
// pump may run the STOP path, which closes every nonzero field and clears it to 0. Hence:
//  - on kRenderAborted a renderer returns at once and never touches the two fields again;
//  - on every other exit it closes the fields that are still nonzero and clears them, so no
//    descriptor outlives the call; the voice files stay as far as they were written.
#pragma once

namespace render {

constexpr int kRenderOk = 0;
constexpr int kRenderAborted = -1;       // m_bAbort was set when a pump returned
constexpr int kRenderNoArchive = 1;      // archive not opened, or a name that must exist is missing
constexpr int kRenderNoVoiceFile = 2;    // a voice file cannot be created
constexpr int kRenderNoTableName = 3;    // piano track: a name-table sample is not in the catalog
constexpr int kRenderNoTailSilence = 4;  // the tail silence cannot be found
// A voice file could not be written whole or the archive could not be read (disk full, I/O
// error); platform::LastFileFailure names the file and the cause.
constexpr int kRenderFileFailed = 5;
constexpr int kRenderShortCopy = 99;     // piano track: a copy wrote another byte count than asked

}  // namespace render
