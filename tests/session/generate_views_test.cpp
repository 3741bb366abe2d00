// The headless ends of the pipeline: the command line's progress bar and the multimedia
// command function without a wave device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "session/console_progress_view.h"

namespace {

std::string ReadBack(std::FILE* out) {
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);
  return text;
}

// On a terminal the bar is redrawn in place on one line, as wide as the terminal less one
// column; a resize redraws it at the new width. Plain lines are what the command-line tests read.
TEST(ConsoleProgressView, BarRedrawnInPlaceAtTheTerminalsWidth) {
  std::FILE* out = std::tmpfile();
  CConsoleProgressView progress(out, ProgressStyle::kInPlace, 30);
  progress.SetProgressRange(view::kGenerationProgress, 0, 4);
  progress.SetProgressPos(view::kGenerationProgress, 0);
  progress.SetProgressStep(view::kGenerationProgress, 1);
  progress.StepProgress(view::kGenerationProgress);  // not shown yet: silent
  progress.ShowControl(view::kGenerationProgress, true);
  progress.StepProgress(view::kGenerationProgress);
  progress.StepProgress(1059);  // another bar: ignored
  progress.Resize(30);          // no change: no redraw
  progress.Resize(20);
  for (int i = 0; i < 3; ++i) progress.StepProgress(view::kGenerationProgress);  // stops at 4
  progress.ShowControl(view::kGenerationProgress, false);

  const auto bar = [](const char* line) { return std::string("\r") + line + "\x1b[K"; };
  EXPECT_EQ(ReadBack(out), bar("Generating [###.........] 1/4") +
                               bar("Generating [######......] 2/4") +
                               bar("Generating 2/4") + bar("Generating 3/4") + bar("Generating 4/4") +
                               bar("Generating 4/4") + "\n");
}

TEST(ConsoleProgressView, BarLineNeverPassesTheLastColumn) {
  for (const int columns : {0, 1, 5, 16, 28, 30, 80, 200}) {
    for (const int done : {0, 7, 19}) {
      const std::string line = CConsoleProgressView::BarLine(done, 19, columns);
      SCOPED_TRACE(line);
      EXPECT_LE(static_cast<int>(line.size()), std::max(columns - 1, 0));
      if (columns >= 30) {  // room for a bar: it fills the line, empty at 0, full at 19
        EXPECT_EQ(static_cast<int>(line.size()), columns - 1);
        EXPECT_EQ(line.find('#') == std::string::npos, done == 0);
        EXPECT_EQ(line.find('.') == std::string::npos, done == 19);
      }
    }
  }
}

// Through a pipe each step is a line; with -q nothing but the messages.
TEST(ConsoleProgressView, PlainLinesOrNothingOffTheTerminal) {
  for (const ProgressStyle style : {ProgressStyle::kLines, ProgressStyle::kNone}) {
    std::FILE* out = std::tmpfile();
    CConsoleProgressView progress(out, style);
    progress.SetProgressRange(view::kGenerationProgress, 0, 2);
    progress.SetProgressStep(view::kGenerationProgress, 1);
    progress.ShowControl(view::kGenerationProgress, true);
    progress.StepProgress(view::kGenerationProgress);
    progress.Resize(20);
    progress.Show("TF Error 1", "Vorsk - Error", platform::MbIcon::Information, platform::MbButtons::Ok);
    progress.ShowControl(view::kGenerationProgress, false);
    EXPECT_EQ(ReadBack(out), style == ProgressStyle::kLines
                                 ? "progress 0/2\nprogress 1/2\nVorsk - Error: TF Error 1\n"
                                 : "Vorsk - Error: TF Error 1\n");
  }
}

TEST(ConsoleProgressView, MessageDuringTheBarEndsItsLineAndRedrawsIt) {
  std::FILE* out = std::tmpfile();
  CConsoleProgressView progress(out, ProgressStyle::kInPlace);
  progress.SetProgressRange(view::kGenerationProgress, 0, 4);
  progress.SetProgressStep(view::kGenerationProgress, 1);
  progress.ShowControl(view::kGenerationProgress, true);
  const int answer = progress.Show("TF Error 1", "Vorsk - Error", platform::MbIcon::Information,
                                   platform::MbButtons::Ok);
  const int retry = progress.Show("Can't delete file: x", "Vorsk - File Error",
                                  platform::MbIcon::Exclamation, platform::MbButtons::RetryCancel);
  const std::string bar = "\rGenerating [" + std::string(62, '.') + "] 0/4\x1b[K";
  EXPECT_EQ(ReadBack(out), bar + "\nVorsk - Error: TF Error 1\n" + bar +
                      "\nVorsk - File Error: Can't delete file: x\n" + bar);
  EXPECT_EQ(answer, platform::IDOK);
  EXPECT_EQ(retry, platform::IDCANCEL);
}

}  // namespace
