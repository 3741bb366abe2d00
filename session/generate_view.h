// IGenerateView: the display notifications that the generate pipeline, the session files and
// the STOP path send to the main window. None of them returns anything the caller relies on;
// they are made in a fixed order, which the recording view lets tests compare.
//
// The window implements it on its controls; the headless implementations are CRecordingView
// (tests) and CConsoleProgressView (vorsk-cli). UI thread only.
#pragma once

namespace view {

// Controls of the board.
constexpr int kPlayIndicator = 1000;
constexpr int kSaveIndicator = 1051;
constexpr int kGenerationProgress = 1052;
constexpr int kTimeDigits[4] = {1054, 1055, 1056, 1057};  // tens of minutes .. seconds
constexpr int kPlaybackPosition = 1059;
constexpr int kStopIndicator = 1061;
constexpr int kPauseIndicator = 1062;
constexpr int kPhraseDigits[2] = {1065, 1066};

// Digit pictures: bitmap kTimeDigitBitmap + d shows the digit d on a time digit,
// kPhraseDigitBitmap + d on a phrase digit.
constexpr int kTimeDigitBitmap = 341;
constexpr int kPhraseDigitBitmap = 351;

// Hint series of the user manual.
constexpr int kSeriesIdle = 2;
constexpr int kSeriesGenerating = 3;
constexpr int kSeriesGenerated = 4;
constexpr int kSeriesPaused = 5;
constexpr int kSeriesPlaying = 6;

// The animation panels that the pipeline starts and stops.
enum class Panel { Generation, Playback };

}  // namespace view

class IGenerateView {
 public:
  virtual ~IGenerateView() = default;
  // Switches the user manual to the hint series of the new activity (nothing while it is off).
  virtual void ShowManualSeries(int series) = 0;
  virtual void ShowControl(int id, bool visible) = 0;
  // Progress bars (kGenerationProgress, kPlaybackPosition).
  virtual void SetProgressRange(int id, int lower, int upper) = 0;
  virtual void SetProgressPos(int id, int pos) = 0;
  virtual void SetProgressStep(int id, int step) = 0;
  virtual void StepProgress(int id) = 0;  // advance by the step
  // Loads a digit picture (a bitmap id) into a time or phrase digit.
  virtual void SetDigitPicture(int id, int bitmap) = 0;
  virtual void StartAnimation(view::Panel panel) = 0;
  virtual void StopAnimation(view::Panel panel) = 0;
  // Window updates held back between the two calls (several controls change at once).
  virtual void LockUpdates() = 0;
  virtual void UnlockUpdates() = 0;
};

// Ignores every notification; for callers without a board.
class CNullView : public IGenerateView {
 public:
  void ShowManualSeries(int) override {}
  void ShowControl(int, bool) override {}
  void SetProgressRange(int, int, int) override {}
  void SetProgressPos(int, int) override {}
  void SetProgressStep(int, int) override {}
  void StepProgress(int) override {}
  void SetDigitPicture(int, int) override {}
  void StartAnimation(view::Panel) override {}
  void StopAnimation(view::Panel) override {}
  void LockUpdates() override {}
  void UnlockUpdates() override {}
};
