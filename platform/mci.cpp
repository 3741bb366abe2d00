#include "platform/mci.h"

#include <sstream>
#include <vector>

namespace platform {
namespace {

std::vector<std::string> Words(const std::string& command) {
  std::istringstream in(command);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// No wave device: closing is always possible, everything else finds no open alias.
class CClosedMciDevice : public IMciDevice {
 public:
  int Send(const std::string& command, char* returnText, int returnLength, void*) override {
    if (returnText && returnLength > 0) returnText[0] = '\0';
    const std::vector<std::string> words = Words(command);
    const bool isClose = words.size() >= 2 && words.size() <= 3 && words[0] == "close" &&
                         (words.size() == 2 || words[2] == "wait");
    return isClose ? kMciOk : kMciErrNotOpen;
  }
};

CClosedMciDevice g_closedDevice;
IMciDevice* g_device = nullptr;

}  // namespace

void SetMciDevice(IMciDevice* device) { g_device = device; }

int MciSendString(const std::string& command, char* returnText, int returnLength,
                  void* notifyWindow) {
  return (g_device ? g_device : &g_closedDevice)->Send(command, returnText, returnLength, notifyWindow);
}

}  // namespace platform
