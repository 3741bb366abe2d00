// CMainWindow: the board's behaviour. It owns the option set, the session and the player, the
// state of every control on the board (shown or hidden, picture, progress), the user manual,
// the schematic view and the three animation panels, and runs the start-up and shutdown
// sequences. It draws nothing itself: a window-system host (IWindowHost) shows the splash, paints
// the board from Control()/Panel()/StatusText() when NeedsRepaint(), and turns mouse clicks and
// keys into OnLButtonDown/OnKeyDown calls. Tests drive it with a recording host.
//
// It is the session's view (IGenerateView), the option set's view (IOptionView) and the UI
// queue's handler: timer 2 turns the manual's page, other ticks and the multimedia
// notifications go to the player. UI thread only; clicks may arrive re-entrantly from the
// message pump while a GENERATE runs inside OnLButtonDown.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "options/option_set.h"
#include "options/settings_file.h"
#include "platform/places.h"
#include "platform/ui_queue.h"
#include "playback/player.h"
#include "session/generate_view.h"
#include "session/session_state.h"
#include "ui/animation_panel.h"
#include "ui/board_layout.h"

namespace ui {

// What the window system does for the board.
class IWindowHost {
 public:
  virtual ~IWindowHost() = default;
  virtual void ShowSplash() = 0;  // centred on the screen and painted at once
  virtual void HideSplash() = 0;
  virtual long long NowMs() = 0;  // a steady clock
  virtual void WaitUntilMs(long long ms) = 0;
  virtual void SetIcon(int bitmap) = 0;
  virtual void SetBackground(int bitmap) = 0;  // drawn at its size; the window takes that size
  virtual void RepaintNow() = 0;               // paint the board at once
  // Opens url in the user's browser; onFailure runs later, on the UI thread, when none opened.
  virtual void OpenUrl(const std::string& url, std::function<void()> onFailure) = 0;
  virtual void ShowAbout() = 0;  // modal
};

// How the dialog ended: EXIT gives 1, the close button and Esc 2.
inline constexpr int kResultExit = 1;
inline constexpr int kResultCancel = 2;
// The status line while a piece plays without a sound device.
inline constexpr const char* kSilentOutputStatus = "No sound output: playing silently";
// The splash stays at least this long from the start of the initialisation.
inline constexpr long long kSplashMs = 3000;

// The per-user scratch folder "vorsk-<uid>/" under base (which ends with "/"): made with mode
// 0700 when absent; refused ("" returned) when it is not a real folder owned by this user or
// others may enter it.
std::string UserTempFolder(const std::string& base);

class CMainWindow : public IGenerateView, public IOptionView, public platform::IUiMessageHandler {
 public:
  struct ControlState {
    bool bVisible = false;
    int bitmap = 0;
    int lower = 0, upper = 100, pos = 0, step = 10;
  };

  // places: where the archives, help, sessions and settings are (platform/places.h); tempBase
  // the system temporary folder ending in "/".
  CMainWindow(IWindowHost& host, const platform::Places& places, std::string tempBase);
  // The portable layout of programFolder (no trailing "/").
  CMainWindow(IWindowHost& host, const std::string& programFolder, std::string tempBase)
      : CMainWindow(host, platform::PortablePlaces(programFolder), std::move(tempBase)) {}
  ~CMainWindow() override = default;

  void OnInitDialog();
  void OnDestroy();

  void OnLButtonDown(int x, int y);
  void OnRButtonDown() { m_host.ShowAbout(); }
  // A key: one of the named keys, or Key::Other with the character of a letter or digit.
  void OnKeyDown(Key key, char ch = 0);
  // The close button and Esc: the same path as the dialog's cancel.
  void OnClose();
  void OnHelp();
  void StepNote(int direction);
  void RefreshManual();
  void ShowManualSeries(int series) override;

  bool DialogEnded() const { return m_bEnded; }
  int DialogResult() const { return m_nResult; }

  // Painting.
  const ControlState& Control(int id) const;
  CAnimationPanel& Panel(int i) { return m_panels[i]; }
  const std::string& StatusText() const { return m_strStatus; }
  bool NeedsRepaint() const { return m_bDirty && m_nLock == 0; }
  void Painted() { m_bDirty = false; }
  void Invalidate() { m_bDirty = true; }

  // For tests and the host.
  COptionSet& Options() { return m_options; }
  CSession& Session() { return m_session; }
  CPlayer& Player() { return m_player; }
  int ManualSeries() const { return m_nManualSeries; }
  int ManualPage() const { return m_nManualPage; }
  bool SchematicShown() const { return m_bSchematic; }
  const std::string& TempFolder() const { return m_strTempFolder; }
  const std::string& SettingsPath() const { return m_settings.Path(); }
  const std::string& HelpUrl() const { return m_strHelpUrl; }
  // Asked when a piece starts or resumes: true when the sound goes nowhere (no audio device),
  // which the status line then says.
  void SetSilentOutputCheck(std::function<bool()> check) { m_silentOutput = std::move(check); }
  // Start-up and shutdown steps are appended here when set.

  // IGenerateView
  void ShowControl(int id, bool visible) override;
  void SetProgressRange(int id, int lower, int upper) override;
  void SetProgressPos(int id, int pos) override;
  void SetProgressStep(int id, int step) override;
  void StepProgress(int id) override;
  void SetDigitPicture(int id, int bitmap) override;
  void StartAnimation(view::Panel panel) override;
  void StopAnimation(view::Panel panel) override;
  void LockUpdates() override { ++m_nLock; }
  void UnlockUpdates() override;
  // IOptionView
  void ShowIndicator(int id, bool visible) override { ShowControl(id, visible); }
  void PlayOptionSound() override;
  // IUiMessageHandler
  void OnTimer(int id) override;
  void OnMciNotify(int code, const std::string& alias) override;

  // The panels, in the order of their start-up.
  enum { kGenerationPanel = 0, kPlaybackPanel = 1, kPermanentPanel = 2 };

 private:
  void RunHitAction(const HitRow& row);
  // A click that the state gate stopped: the status line says why, when it hit a gated button.
  void SayWhyIgnored(std::span<const HitRow> gated, int x, int y);
  void SayPlaying();
  // A simulated click on the top-left corner of that button's hit rectangle.
  void ClickButton(HitAction action, const char* code);
  void GenerateSequence(const char* length, int indicator);
  void OpenSchematic();
  void CloseSchematic();
  void ToggleManual();
  void SetStatus(const std::string& text);
  void ShowPlaybackDisplays(bool visible);
  void EndDialog(int result);

  IWindowHost& m_host;
  platform::Places m_places;
  std::string m_strTempBase;
  std::string m_strTempFolder;
  std::string m_strHelpUrl;
  COptionSet m_options{this};
  CSettingsFile m_settings;
  CSession m_session;
  CPlayer m_player{m_session};
  std::map<int, ControlState> m_controls;
  std::array<CAnimationPanel, 3> m_panels;
  std::string m_strStatus;
  int m_nManualSeries = kSeriesOff;
  int m_nManualPage = 0;
  bool m_bSchematic = false;
  bool m_bDirty = true;
  int m_nLock = 0;
  bool m_bEnded = false;
  int m_nResult = 0;
  std::function<bool()> m_silentOutput;
  // Callbacks that may outlive the window (the browser's) hold this weakly.
  std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace ui
