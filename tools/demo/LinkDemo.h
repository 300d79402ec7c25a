#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "DemoOptions.h"

class IGameServerProcess;
class IMapServerNetProxy;

namespace maplink::sim {
class GameServerSimulator;
}

namespace maplink::demo {

// Drives the link the way a map server does: a sender thread at a steady
// rate, a receiver thread that checks every echo, a status line a second
// on the main thread, and a clean stop.
class LinkDemo {
 public:
  explicit LinkDemo(DemoOptions options);
  ~LinkDemo();
  LinkDemo(const LinkDemo&) = delete;
  LinkDemo& operator=(const LinkDemo&) = delete;

  // Runs to the end and answers the process's exit code.
  int Run();

 private:
  bool StartSimulator();
  void SendLoop(IMapServerNetProxy& proxy);
  void ReceiveLoop(IMapServerNetProxy& proxy);
  bool TakeEcho(IMapServerNetProxy& proxy);
  void PrintStatus(IGameServerProcess& link, uint32_t second, bool final);
  void PrintSummary();
  static int32_t OnDisconnect(void* demo);
  int32_t Reconnect();

  const DemoOptions m_Options;
  std::unique_ptr<sim::GameServerSimulator> m_Simulator;
  IGameServerProcess* m_Link = nullptr;  // from GetGameServerProcess, freed by Run
  const bool m_Terminal;

  std::atomic<bool> m_Sending{true};
  std::atomic<bool> m_Receiving{true};
  std::atomic<uint64_t> m_Sent{0};
  std::atomic<uint64_t> m_Echoed{0};
  std::atomic<uint64_t> m_Mismatched{0};
  std::atomic<uint64_t> m_Reconnects{0};
  uint64_t m_SendBytesAtEnd = 0;
  uint64_t m_RecvBytesAtEnd = 0;

  std::mutex m_ReconnectMutex;
  std::chrono::steady_clock::time_point m_LastReconnect{};
};

}  // namespace maplink::demo
