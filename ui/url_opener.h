// Opening a page in the user's browser through the desktop's opener (xdg-open), without
// waiting for it: a browser may stay in the opener's foreground for as long as it runs. When
// the opener cannot be started (not installed, not on PATH) or ends with a failure status (no
// browser), onFailure runs on the UI thread, posted through the UI queue. UI thread.
#pragma once

#include <functional>
#include <string>

namespace ui {

inline constexpr const char* kUrlOpener = "xdg-open";

void OpenUrlInBackground(const std::string& url, std::function<void()> onFailure);

}  // namespace ui
