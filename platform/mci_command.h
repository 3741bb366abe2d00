// The words of one multimedia command, checked against the command set of the interpreter:
//
//   open <path> [type waveaudio] alias <a> [wait]      the options in any order
//   close <a>|all [wait]
//   set <a> time format ms|milliseconds [wait]
//   status <a> length|position [wait]
//   play <a> [notify]
//   pause <a> [wait]
//   stop <a> [wait]
//   seek <a> to <ms>|start|end [wait]
//
// Keywords are case-insensitive; a word in double quotes keeps its blanks ("/my music/x.wav").
// Pure text work: no state, any thread.
#pragma once

#include <string>

namespace platform {

enum class MciVerb { Open, Close, Set, Status, Play, Pause, Stop, Seek };
enum class MciStatusItem { Length, Position };
enum class MciSeekTarget { Millisecond, Start, End };

struct MciCommand {
  MciVerb verb = MciVerb::Close;
  std::string alias;  // as written; "" with closeAll
  bool closeAll = false;
  std::string path;  // open: the file, without its quotes
  MciStatusItem item = MciStatusItem::Length;
  MciSeekTarget seekTarget = MciSeekTarget::Millisecond;
  long long seekMs = 0;
  bool notify = false;
  bool wait = false;
};

// kMciOk and the command, or kMciErrUnknownCommand (the first word is no command; also an
// empty text) or kMciErrBadSyntax (the rest does not fit the command).
int ParseMciCommand(const std::string& text, MciCommand& command);

// The lower-case form of an alias, under which aliases are compared.
std::string MciAliasKey(const std::string& alias);

}  // namespace platform
