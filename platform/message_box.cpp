#include "platform/message_box.h"

#include <cstdio>

namespace platform {
namespace {

class CStderrMessageBoxes : public IMessageBoxes {
 public:
  int Show(const std::string& text, const std::string& caption, MbIcon, MbButtons buttons) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return buttons == MbButtons::RetryCancel ? IDCANCEL : IDOK;
  }
};

CStderrMessageBoxes g_stderrBoxes;
IMessageBoxes* g_boxes = nullptr;

}  // namespace

void SetMessageBoxes(IMessageBoxes* boxes) { g_boxes = boxes; }

int MessageBox(const std::string& text, const std::string& caption, MbIcon icon, MbButtons buttons) {
  return (g_boxes ? g_boxes : &g_stderrBoxes)->Show(text, caption, icon, buttons);
}

}  // namespace platform
