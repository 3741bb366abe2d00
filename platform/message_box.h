// Message boxes: caption, text, icon and buttons. The window shows real ones; the command line
// prints them; tests record them and script the answers. UI thread only.
#pragma once

#include <string>

namespace platform {

enum class MbIcon { Error, Information, Exclamation };
enum class MbButtons { Ok, RetryCancel };
enum MbResult { IDOK = 1, IDCANCEL = 2, IDRETRY = 4 };

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  virtual int Show(const std::string& text, const std::string& caption, MbIcon icon,
                   MbButtons buttons) = 0;
};

// Installs the implementation (not owned); nullptr restores the default, which prints
// "caption: text" to standard error and answers OK, or Cancel to Retry/Cancel.
void SetMessageBoxes(IMessageBoxes* boxes);
int MessageBox(const std::string& text, const std::string& caption, MbIcon icon,
               MbButtons buttons = MbButtons::Ok);

}  // namespace platform
