#include "platform/message_pump.h"

namespace platform {
namespace {
IMessagePump* g_pump = nullptr;
}

void SetMessagePump(IMessagePump* pump) { g_pump = pump; }

void PumpOneMessage() {
  if (g_pump) g_pump->PumpOneMessage();
}

}  // namespace platform
