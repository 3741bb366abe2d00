#include "render/render_support.h"

#include <cstdarg>
#include <cstdio>

#include "platform/message_pump.h"
#include "platform/system_paths.h"
#include "render/render_codes.h"
#include "render/wave_format.h"

namespace render {

void AcquireTempName(const std::string& folder, std::string& field) {
  field = platform::MakeTempFileName(folder);
}

bool PumpAndCheckAbort(const CComposer& composer) {
  platform::PumpOneMessage();
  return composer.m_bAbort != 0;
}

void CloseHandles(CComposer& composer) {
  if (composer.m_hOutWave != 0) platform::CloseAndClear(composer.m_hOutWave);
  if (composer.m_hArchive != 0) platform::CloseAndClear(composer.m_hArchive);
}

bool OpenVoiceFile(CComposer& composer, CSampleCatalog& catalog, const std::string& path) {
  catalog.m_dPadMs = composer.m_dEighthMs;
  composer.m_hOutWave = catalog.WriteWaveHeader(path, composer.m_nBars, composer.m_nTempo);
  if (platform::IsOpen(composer.m_hOutWave)) return true;
  CloseHandles(composer);
  return false;
}

int FinishVoiceFile(CComposer& composer) {
  const long long size =
      wave::kHeaderBytes + wave::DataSize(composer.m_nBars, composer.m_nTempo, composer.m_dEighthMs);
  const bool bSized = platform::SetFileSize(composer.m_hOutWave, size);
  if (!platform::CloseAndClear(composer.m_hOutWave) || !bSized) return Fail(composer, kRenderFileFailed);
  return kRenderOk;
}

int FinishArchive(CComposer& composer) {
  return platform::CloseAndClear(composer.m_hArchive) ? kRenderOk : kRenderFileFailed;
}

int ParseNumber(const std::string& text, size_t pos, size_t width) {
  int value = 0;
  for (size_t i = pos; i < text.size() && i < pos + width; ++i) {
    if (text[i] < '0' || text[i] > '9') break;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

int PitchClass(int note) {
  while (note > 12) note -= 12;
  return note;
}

int LowNote(int n) {
  const int top = n >= 24 ? 24 : 12;
  while (n > top) n -= 12;
  return n;
}

int SilentEighths(int len) {
  if (len == 1) return 1;
  if (len == 2) return 0;
  return len - 2;
}

PlanBar NextPlanBar(CComposer& composer, size_t maxLengths) {
  std::string bar;
  composer.NextBar(bar);
  PlanBar split;
  const size_t blank = bar.find(' ');
  if (blank == std::string::npos) {
    split.notes = bar;
  } else {
    split.notes = bar.substr(0, blank);
    split.lengths = bar.substr(blank + 1, maxLengths);
  }
  return split;
}

std::string Format(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

std::string CutAtBar(std::string& text) {
  const size_t bar = text.find('|');
  std::string head = text.substr(0, bar);
  text = bar == std::string::npos ? std::string() : text.substr(bar + 1);
  return head;
}

}  // namespace render
