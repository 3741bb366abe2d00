#include "ui/main_window.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iterator>

#include "platform/file_io.h"
#include "platform/mci.h"
#include "platform/message_box.h"
#include "platform/timer_service.h"
#include "playback/note_preview.h"
#include "resources/resource_table.h"
#include "session/generate.h"
#include "session/session_files.h"
#include "session/stop_generation.h"

namespace ui {
namespace {

struct Extracted {
  const char* type;
  int id;
  const char* name;
};
// Extracted in this order at start-up; the sounds stay after exit, the movies go.
constexpr Extracted kExtracted[] = {
    {resources::kWave, 477, "WAV_U.WAV"},  {resources::kWave, 478, "WAV_01.WAV"},
    {resources::kWave, 479, "WAV_02.WAV"}, {resources::kWave, 480, "WAV_03.WAV"},
    {resources::kWave, 481, "WAV_04.WAV"}, {resources::kWave, 482, "WAV_05.WAV"},
    {resources::kWave, 483, "WAV_06.WAV"}, {resources::kWave, 484, "WAV_07.WAV"},
    {resources::kWave, 485, "WAV_08.WAV"}, {resources::kWave, 486, "WAV_09.WAV"},
    {resources::kWave, 487, "WAV_10.WAV"}, {resources::kWave, 488, "WAV_11.WAV"},
    {resources::kWave, 476, "WAV_12.WAV"}, {resources::kAvi, 202, "mag.avi"},
    {resources::kAvi, 198, "fan.avi"},     {resources::kAvi, 595, "VORSK_AVI.avi"},
};

struct PanelSetup {
  const char* file;
  int frame;
};
// Index = CMainWindow's panel number.
constexpr PanelSetup kPanels[] = {
    {"fan.avi", kGenerationFrame}, {"mag.avi", kPlaybackFrame}, {"VORSK_AVI.avi", kPermanentFrame}};
// Shutdown goes through the panels in this order.
constexpr int kShutdownOrder[] = {2, 1, 0};


}  // namespace

std::string UserTempFolder(const std::string& base) {
  const std::string folder = base + "vorsk-" + std::to_string(::getuid()) + "/";
  const std::string path = folder.substr(0, folder.size() - 1);
  ::mkdir(path.c_str(), 0700);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 077) != 0) {
    return {};
  }
  return folder;
}

CMainWindow::CMainWindow(IWindowHost& host, const platform::Places& places, std::string tempBase)
    : m_host(host),
      m_places(places),
      m_strTempBase(std::move(tempBase)),
      m_settings(m_places.SettingsPath()),
      m_session(m_options, m_places, this) {
  for (const ControlInfo& control : BoardControls()) {
    ControlState& state = m_controls[control.id];
    state.bVisible = control.bVisibleAtCreation;
    state.bitmap = control.bitmap;
  }
}

void CMainWindow::OnInitDialog() {
  m_host.ShowSplash();
  const long long startMs = m_host.NowMs();
  m_strHelpUrl = "file://" + m_places.HelpPage() + "#context-20";
  m_strTempFolder = UserTempFolder(m_strTempBase);
  for (const Extracted& file : kExtracted) {
    // A file that cannot be written is simply absent later (no click, no movie).
    if (!m_strTempFolder.empty()) resources::ExtractResource(file.type, file.id, m_strTempFolder + file.name);
  }
  m_host.WaitUntilMs(startMs + kSplashMs);
  m_host.HideSplash();
  m_host.SetIcon(kIconBitmap);
  m_host.SetBackground(kBoardBitmap);
  const long long now = m_host.NowMs();
  for (int i = 0; i < 3; ++i) {
    m_panels[i].Create(FindControl(kPanels[i].frame)->rect);
    m_panels[i].Open(m_strTempFolder + kPanels[i].file);
    m_panels[i].SetRepeat(true);
    if (i == kPermanentPanel) m_panels[i].Play(now);
  }
  m_options.SetDefaults();
  for (int id : {view::kGenerationProgress, view::kPlaybackPosition}) SetProgressRange(id, 0, 100);
  m_bSchematic = false;
  m_session.m_strSessionName.clear();
  m_session.m_strPiecePath.clear();
  m_session.m_nPlaybackState = kStateIdle;
  SetStatus("Ready. Choose the options, then GENERATE.");
  m_nManualSeries = kSeriesOff;
  m_session.m_bSessionUnsaved = m_session.m_bLogUnsaved = false;
  RefreshManual();
  platform::SetTimer(kManualTimerId, kManualPeriodMs);
  if (m_options.PianoInt() != kPianoIntOff) m_options.TogglePianoInt();
  // A refused settings file is told once here; it is then neither read nor written.
  if (m_settings.LoadSettings(m_options) == kSettingsRefused) {
    const std::string text = "The options file " + m_settings.Path() + " was not read (" +
                             m_settings.Refusal() + "): default options, not saved at exit.";
    std::fprintf(stderr, "vorsk: %s\n", text.c_str());
    SetStatus(text);
  } else if (m_strTempFolder.empty()) {
    SetStatus("The private folder " + m_strTempBase + "vorsk-" + std::to_string(::getuid()) +
              " cannot be used: no preview sounds and animations.");
  }
  ShowControl(kIntensityStrip, m_options.PianoInt() != kPianoIntOff);
}

void CMainWindow::OnDestroy() {
  platform::MciSendString("close all wait");
  const long long now = m_host.NowMs();
  for (int i : kShutdownOrder) m_panels[i].Stop(now);
  for (int i : kShutdownOrder) m_panels[i].Close();
  for (int i : kShutdownOrder) m_panels[i].Destroy();
  DeleteSessionFiles(m_session);
  for (const char* name : {"fan.avi", "mag.avi", "VORSK_AVI.avi"}) {
    if (!m_strTempFolder.empty()) ::unlink((m_strTempFolder + name).c_str());
  }
  // Installed, the settings folder may not exist yet. Losing the options is worth a word on
  // standard error, not a box in the way of closing.
  platform::ClearFileFailure();
  const bool bFolder = platform::MakeFolders(m_places.strSettingsFolder);
  const int nSaved = bFolder ? m_settings.SaveSettings(m_options) : kSettingsFailed;
  if (nSaved == kSettingsFailed) {
    const platform::FileFailure failure = platform::LastFileFailure();
    std::fprintf(stderr, "vorsk: the options were not saved in %s%s%s\n", m_settings.Path().c_str(),
                 failure.nError ? ": " : "", failure.nError ? platform::ErrorText(failure.nError).c_str() : "");
  }
  platform::KillTimer(kManualTimerId);
  platform::KillTimer(kPlaybackTimerId);
}

void CMainWindow::OnLButtonDown(int x, int y) {
  const auto rows = HitRows();
  for (size_t k = 0; k < rows.size(); ++k) {
    const HitRow& row = rows[k];
    if (row.action == HitAction::StateGate) {
      if (m_session.m_nPlaybackState != kStateIdle) {
        SayWhyIgnored(rows.subspan(k + 1), x, y);
        return;
      }
      continue;
    }
    if (row.action == HitAction::CloseSchematic) {
      if (!m_bSchematic) continue;
    } else if (row.x0 >= 0 && (x < row.x0 || x > row.x1 || y < row.y0 || y > row.y1)) {
      continue;
    }
    RunHitAction(row);
    if (row.bStop) return;
  }
}

void CMainWindow::SayWhyIgnored(std::span<const HitRow> gated, int x, int y) {
  for (const HitRow& row : gated) {
    if (row.x0 < 0 || x < row.x0 || x > row.x1 || y < row.y0 || y > row.y1) continue;
    const bool bGenerate = row.action == HitAction::Generate5 || row.action == HitAction::Generate15;
    if (m_session.m_nPlaybackState == kStateGenerating) {
      SetStatus(bGenerate ? "A piece is being generated: wait for it, or STOP it"
                          : "Wait for the piece (or STOP it) to change the options");
    } else {
      SetStatus(bGenerate ? "Stop the player to generate" : "Stop the player to change the options");
    }
    return;
  }
}

void CMainWindow::RunHitAction(const HitRow& row) {
  const std::string code = row.code ? row.code : "";
  switch (row.action) {
    case HitAction::PrevPhrase: m_player.SeekPhrase(-1); break;
    case HitAction::NextPhrase: m_player.SeekPhrase(+1); break;
    case HitAction::CloseSchematic: CloseSchematic(); break;
    case HitAction::OpenSchematic: OpenSchematic(); break;
    case HitAction::ToggleManual: ToggleManual(); break;
    case HitAction::Exit:
      PressExit(m_session);
      if (m_session.m_nPlaybackState == kStatePlaying) m_player.StopPlayback();
      EndDialog(kResultExit);
      break;
    case HitAction::Stop:
      ShowControl(view::kStopIndicator, true);
      m_host.RepaintNow();
      m_player.PressStop();
      SetStatus("Stopped.");
      break;
    case HitAction::Play:
      if (m_session.m_nPlaybackState == kStateIdle && m_player.Play() == 0 &&
          m_session.m_nPlaybackState == kStatePlaying) {
        SayPlaying();
      }
      break;
    case HitAction::Pause:
      m_player.PauseResume();
      if (m_session.m_nPlaybackState == kStatePaused) SetStatus("Paused.");
      if (m_session.m_nPlaybackState == kStatePlaying) SayPlaying();
      break;
    case HitAction::Save: SaveSession(m_session); break;
    case HitAction::Help: OnHelp(); break;
    case HitAction::StateGate: break;
    case HitAction::Tempo: m_options.SetTempo(code); break;
    case HitAction::ForcePitch: m_options.SetForcePitch(code); break;
    case HitAction::Harmony: m_options.ToggleHarmony(code); break;
    case HitAction::Rhythm: m_options.ToggleRhythm(code); break;
    case HitAction::PlayMode: m_options.SetPlayMode(code); break;
    case HitAction::Scale: m_options.SetScale(code); break;
    case HitAction::Note: m_options.SetNote(code); break;
    case HitAction::PCI: m_options.SetPCI(code); break;
    case HitAction::Motive: m_options.SetMotive(code); break;
    case HitAction::Hand: m_options.SetHand(code); break;
    case HitAction::PianoInt:
      m_options.TogglePianoInt();
      ShowControl(kIntensityStrip, m_options.PianoInt() != kPianoIntOff);
      break;
    case HitAction::Generate5: GenerateSequence("5", kGenerate5Indicator); break;
    case HitAction::Generate15: GenerateSequence("15", kGenerate15Indicator); break;
    case HitAction::Default: break;  // the board cannot be dragged
  }
}

void CMainWindow::GenerateSequence(const char* length, int indicator) {
  ShowControl(indicator, true);
  ShowControl(indicator == kGenerate5Indicator ? kGenerate15Indicator : kGenerate5Indicator, false);
  ShowControl(kStatusLamp, true);
  m_host.RepaintNow();
  m_options.SetGenerateLength(length);
  SetStatus(std::string("Generating a ") + length + "-minute piece ...");
  const bool bManualOn = m_nManualSeries != kSeriesOff;
  if (Generate(m_session) == 0) {
    ShowControl(kStatusLamp, false);
    if (bManualOn) m_nManualSeries = view::kSeriesGenerated, m_nManualPage = 0;
    SetStatus("Piece ready: " + m_session.m_strSessionName + "Mix.wav. PLAY or SAVE it.");
  } else {
    ShowControl(kStatusLamp, true);
    if (bManualOn) m_nManualSeries = view::kSeriesIdle, m_nManualPage = 0;
    SetStatus("No piece made.");
  }
  ShowControl(indicator, false);
  if (m_nManualSeries != kSeriesOff) {
    platform::KillTimer(kManualTimerId);
    RefreshManual();
    platform::SetTimer(kManualTimerId, kManualPeriodMs);
  }
}

void CMainWindow::ShowPlaybackDisplays(bool visible) {
  for (int id : view::kTimeDigits) ShowControl(id, visible);
  for (int id : view::kPhraseDigits) ShowControl(id, visible);
  ShowControl(view::kPlaybackPosition, visible);
}

void CMainWindow::OpenSchematic() {
  if (m_nManualSeries != kSeriesOff) platform::KillTimer(kManualTimerId);
  for (CAnimationPanel& panel : m_panels) panel.SetVisible(false);
  ShowControl(kManualPicture, false);
  const int state = m_session.m_nPlaybackState;
  if (state == kStateGenerating) ShowControl(view::kGenerationProgress, false);
  if (state == kStatePlaying || state == kStatePaused) ShowPlaybackDisplays(false);
  ShowControl(kSchematicView, true);
  m_bSchematic = true;
}

void CMainWindow::CloseSchematic() {
  if (m_nManualSeries != kSeriesOff) platform::SetTimer(kManualTimerId, kManualPeriodMs);
  ShowControl(kSchematicView, false);
  for (CAnimationPanel& panel : m_panels) panel.SetVisible(true);
  // The manual's picture comes back only while the manual is on; off, it stays hidden.
  ShowControl(kManualPicture, m_nManualSeries != kSeriesOff);
  m_bSchematic = false;
  const int state = m_session.m_nPlaybackState;
  if (state == kStateGenerating) ShowControl(view::kGenerationProgress, true);
  if (state == kStatePlaying || state == kStatePaused) ShowPlaybackDisplays(true);
}

void CMainWindow::ToggleManual() {
  if (m_nManualSeries == kSeriesOff) {
    static constexpr int kSeriesOfState[] = {view::kSeriesIdle, view::kSeriesGenerating,
                                             view::kSeriesPlaying, view::kSeriesPaused};
    const int state = m_session.m_nPlaybackState;
    m_nManualSeries = kSeriesOfState[state >= 0 && state <= 3 ? state : 0];
    m_nManualPage = 0;  // RefreshManual advances to page 1
    platform::KillTimer(kManualTimerId);
    RefreshManual();
    platform::SetTimer(kManualTimerId, kManualPeriodMs);
  } else {
    m_nManualSeries = kSeriesOff;
    platform::KillTimer(kManualTimerId);
    RefreshManual();
  }
}

void CMainWindow::RefreshManual() {
  if (m_nManualSeries == kSeriesOff) {
    ShowControl(kManualPicture, false);
    return;
  }
  ShowControl(kManualPicture, true);
  const auto pages = ManualPages(m_nManualSeries);
  if (pages.empty()) return;
  if (++m_nManualPage > static_cast<int>(pages.size())) m_nManualPage = 1;
  m_controls[kManualPicture].bitmap = pages[m_nManualPage - 1];
  m_bDirty = true;
}

void CMainWindow::ShowManualSeries(int series) {
  if (m_nManualSeries == kSeriesOff) return;
  m_nManualSeries = series;
  m_nManualPage = 0;
  platform::KillTimer(kManualTimerId);
  RefreshManual();
  platform::SetTimer(kManualTimerId, kManualPeriodMs);
}

void CMainWindow::OnKeyDown(Key key, char ch) {
  switch (key) {
    case Key::PageUp: m_player.SeekPhrase(+1); return;
    case Key::PageDown: m_player.SeekPhrase(-1); return;
    case Key::Left: StepNote(-1); return;
    case Key::Right: StepNote(+1); return;
    case Key::Up: return ClickButton(HitAction::Hand, "F");
    case Key::Down: return ClickButton(HitAction::Hand, "R");
    case Key::F1: OnHelp(); return;
    case Key::Escape: OnClose(); return;
    case Key::Return: return;  // the default button does nothing
    case Key::Other: break;
  }
  int x = 0, y = 0;
  if (KeyClickPoint(ch, x, y)) OnLButtonDown(x, y);
}

void CMainWindow::StepNote(int direction) {
  constexpr int kCount = static_cast<int>(std::size(kNoteCodes));
  const std::string& note = m_options.Note();
  if (direction > 0) {
    for (int i = kCount - 2; i >= 0; --i) {
      if (note == kNoteCodes[i].code) return ClickButton(HitAction::Note, kNoteCodes[i + 1].code);
    }
  } else {
    for (int i = 1; i < kCount; ++i) {
      if (note == kNoteCodes[i].code) return ClickButton(HitAction::Note, kNoteCodes[i - 1].code);
    }
  }
}

void CMainWindow::ClickButton(HitAction action, const char* code) {
  int x = 0, y = 0;
  if (ButtonPoint(action, code, x, y)) OnLButtonDown(x, y);
}

void CMainWindow::OnClose() {
  // A run in progress is cancelled as EXIT does, so the window closes without waiting for it.
  PressExit(m_session);
  EndDialog(kResultCancel);
}

void CMainWindow::EndDialog(int result) {
  if (m_bEnded) return;
  m_bEnded = true;
  m_nResult = result;
}

void CMainWindow::OnHelp() {
  m_host.OpenUrl(m_strHelpUrl, [this, alive = std::weak_ptr<int>(m_alive)] {
    if (alive.expired()) return;
    platform::MessageBox("No web browser opened the help page. Open this file in a browser to read it:\n" +
                             m_places.HelpPage(),
                         kHelpCaption, platform::MbIcon::Information);
  });
}

void CMainWindow::SetStatus(const std::string& text) {
  if (text == m_strStatus) return;
  m_strStatus = text;
  m_bDirty = true;
}

const CMainWindow::ControlState& CMainWindow::Control(int id) const {
  static const ControlState kNone;
  const auto it = m_controls.find(id);
  return it == m_controls.end() ? kNone : it->second;
}

void CMainWindow::ShowControl(int id, bool visible) {
  ControlState& state = m_controls[id];
  if (state.bVisible == visible) return;
  state.bVisible = visible;
  m_bDirty = true;
}

void CMainWindow::SetProgressRange(int id, int lower, int upper) {
  m_controls[id].lower = lower;
  m_controls[id].upper = upper;
  m_bDirty = true;
}

void CMainWindow::SetProgressPos(int id, int pos) {
  ControlState& state = m_controls[id];
  if (state.pos == pos) return;
  state.pos = pos;
  m_bDirty = true;
}

void CMainWindow::SetProgressStep(int id, int step) { m_controls[id].step = step; }

void CMainWindow::StepProgress(int id) {
  ControlState& state = m_controls[id];
  state.pos += state.step;
  if (state.pos > state.upper) state.pos = state.lower + (state.pos - state.upper);  // wraps
  m_bDirty = true;
}

void CMainWindow::SetDigitPicture(int id, int bitmap) {
  ControlState& state = m_controls[id];
  if (state.bitmap == bitmap) return;
  state.bitmap = bitmap;
  m_bDirty = true;
}

void CMainWindow::StartAnimation(view::Panel panel) {
  m_panels[panel == view::Panel::Generation ? kGenerationPanel : kPlaybackPanel].Play(m_host.NowMs());
  m_bDirty = true;
}

void CMainWindow::StopAnimation(view::Panel panel) {
  m_panels[panel == view::Panel::Generation ? kGenerationPanel : kPlaybackPanel].Stop(m_host.NowMs());
  m_bDirty = true;
}

void CMainWindow::UnlockUpdates() {
  if (m_nLock > 0) --m_nLock;
}

void CMainWindow::PlayOptionSound() {
  if (!m_strTempFolder.empty()) PlayPreviewSound(0, m_strTempFolder);
}

void CMainWindow::OnTimer(int id) {
  if (id == kManualTimerId) {
    RefreshManual();
  } else {
    m_player.OnPlaybackTimer(id);
  }
}

void CMainWindow::OnMciNotify(int code, const std::string& alias) {
  const int before = m_session.m_nPlaybackState;
  m_player.OnMciNotify(code, alias);
  if (before == kStatePlaying && m_session.m_nPlaybackState == kStateIdle) SetStatus("The piece has ended.");
}

void CMainWindow::SayPlaying() {
  SetStatus(m_silentOutput && m_silentOutput() ? kSilentOutputStatus : "Playing the piece.");
}

}  // namespace ui
