// The phrase excerpts that saving during playback writes: methods of the composer over a
// sample catalog made for the call.
#include "session/excerpt_writer.h"

#include <cstdio>
#include <string>

#include "compose/composer.h"
#include "platform/file_io.h"
#include "render/sample_catalog.h"
#include "render/wave_format.h"

ExcerptLayout ExcerptLayoutFor(int phrase, int tempo) {
  ExcerptLayout layout{};
  layout.nLeadInBytes = wave::MsToEvenBytes(tempo == 60 ? kExcerptLeadInMs60 : kExcerptLeadInMsOther);
  layout.nPhraseBytes = 8 * wave::BarBytes(tempo);
  layout.nStartOffset = kExcerptCutBase + layout.nLeadInBytes +
                        static_cast<long long>(phrase - 1) * layout.nPhraseBytes;
  layout.nDataSize = wave::DataSize(kExcerptBars, tempo, 0.0);
  return layout;
}

namespace {

std::string ExcerptName(const std::string& folder, const std::string& sessionName,
                        const char* kind, int phrase) {
  char name[64];
  std::snprintf(name, sizeof name, "%s_%.2d.wav", kind, phrase);
  return folder + sessionName + name;
}

// Cuts phrase n of folder + sessionName + kind + ".wav" into the excerpt named after kind.
int WriteExcerpt(CComposer& c, const std::string& folder, const std::string& sessionName,
                 const char* kind, int n, int tempo, std::string* failedPath) {
  CSampleCatalog catalog;
  const ExcerptLayout layout = ExcerptLayoutFor(n, tempo);
  c.m_hArchive = platform::OpenExisting(folder + sessionName + kind + ".wav");
  const std::string excerpt = ExcerptName(folder, sessionName, kind, n);
  catalog.m_dPadMs = 0.0;
  // A phrase saved again replaces its excerpt only once the new one is whole.
  c.m_hOutWave = catalog.WriteWaveHeader(excerpt, kExcerptBars, tempo,
                                         CSampleCatalog::WaveTarget::kReplacement);

  // The header is written when the file holds its 44 bytes; each copy must be whole.
  bool bComplete = platform::IsOpen(c.m_hArchive) && platform::IsOpen(c.m_hOutWave) &&
                   platform::FileSize(c.m_hOutWave) == wave::kHeaderBytes;
  for (int i = 0; bComplete && i < kExcerptRepeats; ++i) {
    bComplete = catalog.CopyRange(c.m_hArchive, c.m_hOutWave, layout.nStartOffset,
                                  layout.nPhraseBytes) == layout.nPhraseBytes;
  }
  if (platform::IsOpen(c.m_hArchive)) platform::CloseFile(c.m_hArchive);
  // Committed only when whole; closing without a commit keeps the older excerpt, if any.
  if (platform::IsOpen(c.m_hOutWave)) {
    bComplete = bComplete ? platform::CommitFile(c.m_hOutWave) : (platform::CloseFile(c.m_hOutWave), false);
  } else {
    bComplete = false;
  }
  c.m_hArchive = 0;
  c.m_hOutWave = 0;
  if (bComplete) return kExcerptWritten;
  if (failedPath) *failedPath = excerpt;
  return kExcerptFailed;
}

}  // namespace

int CComposer::WriteMixExcerpt(const std::string& archiveFolder, const std::string& sessionName,
                               int n, int tempo, std::string* failedPath) {
  return WriteExcerpt(*this, archiveFolder, sessionName, "Mix", n, tempo, failedPath);
}

int CComposer::WritePianoExcerpt(const std::string& archiveFolder, const std::string& sessionName,
                                 int n, int tempo, std::string* failedPath) {
  return WriteExcerpt(*this, archiveFolder, sessionName, "Piano", n, tempo, failedPath);
}
