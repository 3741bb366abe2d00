#include "cli/play_loop.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iterator>
#include <string>

#include "platform/mci.h"
#include "platform/mci_interpreter.h"
#include "platform/terminal.h"
#include "platform/message_box.h"
#include "platform/timer_service.h"
#include "platform/ui_queue.h"
#include "playback/player.h"
#include "sdl/sdl_audio_backend.h"
#include "session/session_files.h"
#include "session/session_state.h"

namespace {

constexpr int kBarWidth = 30;        // characters between the brackets, off the terminal
constexpr int kMinBarWidth = 10;     // on a terminal narrower than this bar, the bar is left out
constexpr int kKeyWaitMs = 20;       // longest wait for a key between looks at the queue
constexpr int kEscapeFollowMs = 30;  // an escape sequence's bytes follow within this time

// The signals that stop the player like q does, leaving the terminal as it was.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_interrupted = 0;  // the number of the signal that came, or 0
extern "C" void OnPlayInterrupt(int signal) { g_interrupted = signal; }

// The stopping signals and a terminal without echo or line buffering, for the life of the object.
class CTerminalScope {
 public:
  CTerminalScope() {
    struct sigaction action {};
    action.sa_handler = OnPlayInterrupt;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kStopSignals); ++i) sigaction(kStopSignals[i], &action, &m_previous[i]);
    m_bRaw = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &m_saved) == 0;
    if (m_bRaw) {
      termios raw = m_saved;
      raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);  // ISIG stays: Ctrl-C interrupts
      raw.c_cc[VMIN] = 1;
      raw.c_cc[VTIME] = 0;
      ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
  }
  ~CTerminalScope() {
    if (m_bRaw) ::tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    for (size_t i = 0; i < std::size(kStopSignals); ++i) sigaction(kStopSignals[i], &m_previous[i], nullptr);
  }

 private:
  struct sigaction m_previous[std::size(kStopSignals)] {};
  termios m_saved {};
  bool m_bRaw = false;
};

enum class Key { None, PauseResume, Next, Previous, Save, Quit };

// Waits up to timeoutMs for a key. Right and Left arrive as ESC [ C and ESC [ D; an ESC
// that nothing follows is the Esc key.
Key ReadKey(int timeoutMs, bool& bInputOpen) {
  if (!bInputOpen) {
    ::poll(nullptr, 0, timeoutMs);
    return Key::None;
  }
  pollfd in{STDIN_FILENO, POLLIN, 0};
  if (::poll(&in, 1, timeoutMs) <= 0) return Key::None;
  char c = 0;
  if (::read(STDIN_FILENO, &c, 1) != 1) {
    bInputOpen = false;  // end of input: keep playing to the end
    return Key::None;
  }
  switch (c) {
    case ' ': return Key::PauseResume;
    case 'n': case 'N': return Key::Next;
    case 'p': case 'P': return Key::Previous;
    case 's': case 'S': return Key::Save;
    case 'q': case 'Q': return Key::Quit;
    case '\x1b': break;
    default: return Key::None;
  }
  char sequence[2] = {};
  for (char& part : sequence) {
    if (::poll(&in, 1, kEscapeFollowMs) <= 0 || ::read(STDIN_FILENO, &part, 1) != 1) {
      return Key::Quit;  // a lone Esc
    }
  }
  if (sequence[0] == '[' && sequence[1] == 'C') return Key::Next;
  if (sequence[0] == '[' && sequence[1] == 'D') return Key::Previous;
  return Key::None;
}

// The status line on standard output, and messages on standard error that never land in the
// middle of it.
class CStatusLine : public platform::IMessageBoxes {
 public:
  explicit CStatusLine(bool bQuiet) : m_bInPlace(::isatty(STDOUT_FILENO) != 0), m_bQuiet(bQuiet) {}
  // The line for the state shown; on a terminal as wide as it is now less one column, so a
  // resized terminal gets a line of its new width at the next look.
  void Draw(int seconds, int totalSeconds, int phrase, int phraseCount, bool bPaused) {
    if (!m_bInPlace) {
      Draw(PlayStatusLine(seconds, totalSeconds, phrase, phraseCount, bPaused, kBarWidth));
      return;
    }
    const int room = platform::TerminalColumns(STDOUT_FILENO) - 1;
    // The line with a bar of one character, less that character: all but the bar.
    const int fixed = static_cast<int>(PlayStatusLine(seconds, totalSeconds, phrase, phraseCount, bPaused, 1).size()) - 1;
    const int barWidth = room - fixed >= kMinBarWidth ? room - fixed : 0;
    const std::string line = PlayStatusLine(seconds, totalSeconds, phrase, phraseCount, bPaused, barWidth);
    Draw(line.substr(0, room > 0 ? static_cast<size_t>(room) : 0));
  }
  void Draw(const std::string& line) {
    if (m_bQuiet || line == m_strLast) return;
    m_strLast = line;
    if (m_bInPlace) {
      std::printf("\r%s\x1b[K", line.c_str());
      m_bOpen = true;
    } else {
      std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
  }
  void End() {
    if (m_bOpen) std::fputs("\n", stdout);
    std::fflush(stdout);
    m_bOpen = false;
    m_strLast.clear();  // a line ended by a message is drawn again
  }
  int Show(const std::string& text, const std::string& caption, platform::MbIcon,
           platform::MbButtons buttons) override {
    End();
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return buttons == platform::MbButtons::RetryCancel ? platform::IDCANCEL : platform::IDOK;
  }

 private:
  bool m_bInPlace;
  bool m_bQuiet;
  bool m_bOpen = false;
  std::string m_strLast;
};

std::string TwoDigits(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

std::string Clock(int seconds) { return TwoDigits(seconds / 60) + ":" + TwoDigits(seconds % 60); }

}  // namespace

std::string PlayStatusLine(int seconds, int totalSeconds, int phrase, int phraseCount,
                           bool bPaused, int barWidth) {
  if (seconds < 0) seconds = 0;
  const int filled = totalSeconds > 0 ? (seconds >= totalSeconds ? barWidth : seconds * barWidth / totalSeconds) : 0;
  const std::string bar =
      barWidth > 0 ? "[" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "]  " : "";
  return Clock(seconds) + "/" + Clock(totalSeconds) + "  phrase " + TwoDigits(phrase) + "/" +
         TwoDigits(phraseCount) + "  " + bar + (bPaused ? "paused" : "playing");
}

int RunPlayLoop(CSession& session, bool bQuiet) {
  CStatusLine status(bQuiet);
  vorsk_sdl::CSdlAudioBackend backend([&status](const std::string& notice) {
    status.End();
    std::fprintf(stderr, "%s\n", notice.c_str());
  });
  platform::CUiQueue& queue = platform::UiQueue();
  platform::CMciInterpreter interpreter(backend, queue);
  platform::CPolledTimerService timers;
  platform::SetMciDevice(&interpreter);
  platform::SetTimerService(&timers);
  platform::SetMessageBoxes(&status);
  CTerminalScope terminal;
  g_interrupted = 0;

  int exitStatus = kExitPlayed;
  {
    CPlayer player(session);
    if (player.Play() != 0) {
      exitStatus = kExitCantPlay;
    } else {
      bool bInputOpen = true;
      while (session.m_nPlaybackState != kStateIdle) {
        if (g_interrupted) {
          player.StopPlayback();
          exitStatus = kExitSignalBase + g_interrupted;
          break;
        }
        int wait = timers.MsUntilNextTick();
        if (wait < 0 || wait > kKeyWaitMs) wait = kKeyWaitMs;
        switch (ReadKey(wait, bInputOpen)) {
          case Key::PauseResume: player.PauseResume(); break;
          case Key::Next: player.SeekPhrase(+1); break;
          case Key::Previous: player.SeekPhrase(-1); break;
          case Key::Save: SaveSession(session); break;
          case Key::Quit: player.StopPlayback(); break;
          case Key::None: break;
        }
        timers.Poll();
        queue.DispatchAll(player);
        if (session.m_nPlaybackState == kStateIdle || player.ShownSeconds() < 0) continue;
        status.Draw(player.ShownSeconds(), player.LengthMs() / 1000, session.m_nPhraseNumber,
                    session.m_nPhraseCount, session.m_nPlaybackState == kStatePaused);
      }
    }
    status.End();
  }
  platform::SetMessageBoxes(nullptr);
  platform::SetTimerService(nullptr);
  platform::SetMciDevice(nullptr);
  queue.Clear();
  return exitStatus;
}
