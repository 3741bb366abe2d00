// The multimedia string-command function: one text command per call, a numeric result and an
// optional text result, as the wave players of the program send them ("close vk wait",
// "open <path> type waveaudio alias vk wait", "status vk length wait" ...).
//
// Result: kMciOk (0) on success, else one of the kMciErr* codes below. A text result is copied
// into the caller's buffer (returnText, returnLength characters including the terminating
// zero); the buffer belongs to the caller and may be null when no text is wanted. A command
// without a text result leaves "" there. notifyWindow is accepted for the callers' sake and not
// used: every notification goes to the UI queue (ui_queue.h) as OnMciNotify(code, alias).
//
// The interpreter behind the function is replaceable (SetMciDevice): the window and the
// command line install one over their sound output, tests one over the virtual clock or a
// recorder. The built-in one is a CMciInterpreter (mci_interpreter.h) over the silent output,
// made on first use. UI thread only.
#pragma once

#include <string>

namespace platform {

constexpr int kMciOk = 0;
// The first word is not a command of the interpreter.
constexpr int kMciErrUnknownCommand = 261;
// The alias of the command is not open.
constexpr int kMciErrNotOpen = 263;
// The command's words do not fit it: a missing or unknown keyword, a bad number, an open
// quote, a device type other than waveaudio, "all" where one alias is meant.
constexpr int kMciErrBadSyntax = 274;
// The file to open is missing or cannot be read.
constexpr int kMciErrFileNotFound = 275;
// The text result does not fit the caller's buffer (it is cut to fit).
constexpr int kMciErrBufferTooSmall = 276;
// A seek beyond the end of the file.
constexpr int kMciErrOutOfRange = 282;
// "open" of an alias that is open already.
constexpr int kMciErrAlreadyOpen = 289;
// The file is not a wave file this device plays (16-bit PCM, mono or stereo, 8 000 to
// 96 000 Hz).
constexpr int kMciErrBadFile = 296;

// The codes of OnMciNotify, for a "play ... notify": the play reached the end of the file, a
// later "play ... notify" of the alias replaced it, a "stop", "pause", "seek" or "close"
// interrupted it, or the device failed while playing (the file could not be read).
constexpr int kMciNotifySuccessful = 1;
constexpr int kMciNotifySuperseded = 2;
constexpr int kMciNotifyAborted = 4;
constexpr int kMciNotifyFailure = 8;

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
