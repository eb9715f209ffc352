#include "scan/MessagePump.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace vog {

namespace {

class TQuietPump : public IMessagePump {
public:
  void ProcessMessages() override {}
  void Wait(unsigned milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};

TQuietPump g_quietPump;
std::atomic<IMessagePump*> g_pump{nullptr};

}  // namespace

IMessagePump& MessagePump() {
  IMessagePump* pump = g_pump.load(std::memory_order_acquire);
  return pump ? *pump : g_quietPump;
}

IMessagePump* InstallMessagePump(IMessagePump* pump) { return g_pump.exchange(pump, std::memory_order_acq_rel); }

}  // namespace vog
