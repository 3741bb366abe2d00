// The width of the terminal a stream is shown on, for lines redrawn in place.
#pragma once

namespace platform {

// Used when neither the terminal nor $COLUMNS tells the width.
inline constexpr int kDefaultTerminalColumns = 80;

// Columns of the terminal on fd (TIOCGWINSZ); else $COLUMNS when it is a positive number; else
// kDefaultTerminalColumns. Any thread.
int TerminalColumns(int fd);

}  // namespace platform
