// The multimedia string-command function: one text command per call, a numeric result and an
// optional text result, as the wave players of the program send them ("close vk wait",
// "open <path> type waveaudio alias vk wait", "status vk length wait" ...).
//
// Result: 0 on success, nonzero on failure. A text result is copied into the caller's buffer
// (returnText, returnLength characters including the terminating zero); the buffer belongs to
// the caller and may be null when no text is wanted. notifyWindow names the window that gets
// the end-of-play notification of a "notify" command; it is opaque here.
//
// The command interpreter behind the function is replaceable (SetMciDevice): the wave device
// of the window installs its own, tests install a recorder. The built-in one has no wave
// device yet: it accepts the close commands ("close <alias> [wait]", "close all wait"), which
// succeed whether or not the alias is open, and answers every other command with
// kMciErrNotOpen. UI thread only.
#pragma once

#include <string>

namespace platform {

constexpr int kMciOk = 0;
// The alias of the command is not open (also: the command needs a device that is not there).
constexpr int kMciErrNotOpen = 263;

class IMciDevice {
 public:
  virtual ~IMciDevice() = default;
  // The result convention of MciSendString; returnText is null or holds returnLength chars.
  virtual int Send(const std::string& command, char* returnText, int returnLength,
                   void* notifyWindow) = 0;
};

// Installs the interpreter (not owned); nullptr restores the built-in one.
void SetMciDevice(IMciDevice* device);
int MciSendString(const std::string& command, char* returnText = nullptr, int returnLength = 0,
                  void* notifyWindow = nullptr);

}  // namespace platform
