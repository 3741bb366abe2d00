#include "platform/mci_interpreter.h"

#include <cstring>
#include <utility>

namespace platform {

CMciInterpreter::CMciInterpreter(IAudioBackend& backend, CUiQueue& queue)
    : m_backend(backend), m_queue(queue), m_self(std::make_shared<CMciInterpreter*>(this)) {}

CMciInterpreter::~CMciInterpreter() {
  m_self.reset();
  m_aliases.clear();
}

int CMciInterpreter::Send(const std::string& text, char* returnText, int returnLength, void*) {
  if (returnText && returnLength > 0) returnText[0] = '\0';
  MciCommand command;
  int result = ParseMciCommand(text, command);
  if (result != kMciOk) return result;

  std::string answer;
  if (command.verb == MciVerb::Open) {
    result = Open(command);
  } else if (command.closeAll) {
    while (!m_aliases.empty()) Close(m_aliases.begin()->first);
  } else {
    const auto it = m_aliases.find(MciAliasKey(command.alias));
    result = it == m_aliases.end() ? kMciErrNotOpen : Run(command, it->second, answer);
  }
  if (result != kMciOk || answer.empty() || !returnText || returnLength <= 0) return result;
  const size_t room = static_cast<size_t>(returnLength) - 1;
  const size_t n = std::min(answer.size(), room);
  std::memcpy(returnText, answer.data(), n);
  returnText[n] = '\0';
  return answer.size() > room ? kMciErrBufferTooSmall : kMciOk;
}

int CMciInterpreter::Open(const MciCommand& command) {
  const std::string key = MciAliasKey(command.alias);
  if (m_aliases.count(key)) return kMciErrAlreadyOpen;
  std::unique_ptr<CWaveSource> source;
  const int result = CWaveSource::Open(command.path, source);
  if (result != kMciOk) return result;
  Alias alias;
  alias.name = command.alias;
  alias.nRate = source->Rate();
  alias.nFrames = source->Frames();
  std::weak_ptr<CMciInterpreter*> self = m_self;
  CUiQueue* queue = &m_queue;
  alias.voice = m_backend.CreateVoice(std::move(source), [self, queue, key] {
    queue->PostTask([self, key] {
      if (auto alive = self.lock()) (*alive)->OnVoiceEnded(key);
    });
  });
  if (!alias.voice) return kMciErrBadFile;
  m_aliases.emplace(key, std::move(alias));
  return kMciOk;
}

int CMciInterpreter::Run(const MciCommand& command, Alias& alias, std::string& text) {
  IAudioVoice& voice = *alias.voice;
  switch (command.verb) {
    case MciVerb::Close:
      Close(MciAliasKey(command.alias));
      return kMciOk;
    case MciVerb::Set:
      return kMciOk;  // milliseconds are the only time format
    case MciVerb::Status: {
      const long long frames =
          command.item == MciStatusItem::Length ? alias.nFrames : voice.Position();
      text = std::to_string(frames * 1000 / alias.nRate);
      return kMciOk;
    }
    case MciVerb::Play:
      if (alias.bNotify) Notify(alias, kMciNotifySuperseded);
      voice.Start();
      alias.bNotify = command.notify;
      return kMciOk;
    case MciVerb::Pause:
    case MciVerb::Stop:
      voice.Stop();
      if (alias.bNotify) Notify(alias, kMciNotifyAborted);
      return kMciOk;
    case MciVerb::Seek: {
      long long frame = 0;
      if (command.seekTarget == MciSeekTarget::End) {
        frame = alias.nFrames;
      } else if (command.seekTarget == MciSeekTarget::Millisecond) {
        // Rounded up, so that the position reads back as the millisecond asked for.
        frame = (command.seekMs * alias.nRate + 999) / 1000;
        if (frame > alias.nFrames) return kMciErrOutOfRange;
      }
      voice.Stop();
      if (alias.bNotify) Notify(alias, kMciNotifyAborted);
      voice.Seek(frame);
      return kMciOk;
    }
    case MciVerb::Open:
      break;
  }
  return kMciErrUnknownCommand;
}

void CMciInterpreter::Close(const std::string& key) {
  const auto it = m_aliases.find(key);
  if (it == m_aliases.end()) return;
  if (it->second.bNotify) Notify(it->second, kMciNotifyAborted);
  m_aliases.erase(it);  // the voice stops and closes its file
}

void CMciInterpreter::Notify(Alias& alias, int code) {
  alias.bNotify = false;
  m_queue.PostMciNotify(code, alias.name);
}

void CMciInterpreter::OnVoiceEnded(const std::string& key) {
  const auto it = m_aliases.find(key);
  if (it == m_aliases.end() || !it->second.bNotify) return;
  const VoiceState state = it->second.voice->State();
  if (state == VoiceState::Ended) Notify(it->second, kMciNotifySuccessful);
  if (state == VoiceState::Failed) Notify(it->second, kMciNotifyFailure);
}

}  // namespace platform
