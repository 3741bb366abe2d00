#include "session/stop_generation.h"

#include "compose/composer.h"
#include "platform/file_io.h"
#include "session/session_files.h"
#include "session/session_state.h"
#include "session/track_mixer.h"

namespace {

void CloseIfOpen(platform::FileHandle& handle) {
  if (handle != 0) platform::CloseAndClear(handle);
}

}  // namespace

void SetCancelFlags() {
  theComposer.m_bAbort = 1;
  theMixer.m_bAbort = 1;
}

void CloseGenerationFiles() {
  CloseIfOpen(theComposer.m_hArchive);
  CloseIfOpen(theComposer.m_hOutWave);
  CloseIfOpen(theMixer.m_hOut);
  CloseIfOpen(theMixer.m_hSource);
  CloseIfOpen(theMixer.m_hIn1);
  CloseIfOpen(theMixer.m_hIn2);
}

int StopGeneration(CSession& session) {
  session.View().ShowManualSeries(view::kSeriesIdle);
  if (session.m_nPlaybackState == kStateGenerating) {
    CloseGenerationFiles();
    DeleteSessionFiles(session);
  }
  session.m_nPlaybackState = kStateIdle;
  session.m_nPhraseNumber = 0;
  session.View().ShowControl(view::kStopIndicator, true);
  return 0;
}

void PressStop(CSession& session) {
  session.View().ShowControl(view::kStopIndicator, true);
  if (session.m_nPlaybackState == kStateGenerating) SetCancelFlags();
  StopGeneration(session);
}

void PressExit(CSession& session) {
  if (session.m_nPlaybackState == kStateGenerating) SetCancelFlags();
}
