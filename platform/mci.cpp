#include "platform/mci.h"

#include "platform/mci_interpreter.h"
#include "platform/silent_backend.h"

namespace platform {
namespace {

// The built-in device: the interpreter over the silent output, made on first use.
IMciDevice& BuiltInDevice() {
  static struct BuiltIn {
    CSilentAudioBackend backend;
    CMciInterpreter interpreter{backend};
  } builtIn;
  return builtIn.interpreter;
}

IMciDevice* g_device = nullptr;

}  // namespace

void SetMciDevice(IMciDevice* device) { g_device = device; }

int MciSendString(const std::string& command, char* returnText, int returnLength,
                  void* notifyWindow) {
  IMciDevice& device = g_device ? *g_device : BuiltInDevice();
  return device.Send(command, returnText, returnLength, notifyWindow);
}

}  // namespace platform
