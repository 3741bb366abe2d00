// The headless ends of the pipeline: the command line's progress bar and the multimedia
// command function without a wave device.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "session/console_progress_view.h"

namespace {

// On a terminal the bar is redrawn in place on one line (plain lines are what the command-line
// tests read).
TEST(ConsoleProgressView, BarRedrawnInPlaceOnATerminal) {
  std::FILE* out = std::tmpfile();
  CConsoleProgressView progress(out, true);
  progress.SetProgressRange(view::kGenerationProgress, 0, 4);
  progress.SetProgressPos(view::kGenerationProgress, 0);
  progress.SetProgressStep(view::kGenerationProgress, 1);
  progress.StepProgress(view::kGenerationProgress);  // not shown yet: silent
  progress.ShowControl(view::kGenerationProgress, true);
  progress.StepProgress(view::kGenerationProgress);
  progress.StepProgress(1059);  // another bar: ignored
  for (int i = 0; i < 4; ++i) progress.StepProgress(view::kGenerationProgress);  // stops at 4
  progress.ShowControl(view::kGenerationProgress, false);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);

  const auto bar = [](int filled, int done) {
    return "\rGenerating [" + std::string(filled, '#') + std::string(40 - filled, '.') + "] " +
           std::to_string(done) + "/4";
  };
  EXPECT_EQ(text, bar(10, 1) + bar(20, 2) + bar(30, 3) + bar(40, 4) + bar(40, 4) + bar(40, 4) + "\n");
}

TEST(ConsoleProgressView, MessageDuringTheBarEndsItsLineAndRedrawsIt) {
  std::FILE* out = std::tmpfile();
  CConsoleProgressView progress(out, true);
  progress.SetProgressRange(view::kGenerationProgress, 0, 4);
  progress.SetProgressStep(view::kGenerationProgress, 1);
  progress.ShowControl(view::kGenerationProgress, true);
  const int answer = progress.Show("TF Error 1", "Vorsk - Error", platform::MbIcon::Information,
                                   platform::MbButtons::Ok);
  const int retry = progress.Show("Can't delete file: x", "Vorsk - File Error",
                                  platform::MbIcon::Exclamation, platform::MbButtons::RetryCancel);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);

  const std::string bar = "\rGenerating [" + std::string(40, '.') + "] 0/4";
  EXPECT_EQ(text, bar + "\nVorsk - Error: TF Error 1\n" + bar +
                      "\nVorsk - File Error: Can't delete file: x\n" + bar);
  EXPECT_EQ(answer, platform::IDOK);
  EXPECT_EQ(retry, platform::IDCANCEL);
}

}  // namespace
