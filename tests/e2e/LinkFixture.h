#pragma once

#include <gtest/gtest.h>
#include <maplink/IGameServerProcess.h>
#include <maplink/IMapServerNetProxy.h>
#include <maplink/MMORPGPacket.h>

#include <chrono>
#include <string>

#include "GameServerSimulator.h"
#include "LogCapture.h"
#include "common/WaitUntil.h"
#include "threads/ThreadManager.h"

namespace maplink::test {

inline constexpr auto kBound = std::chrono::seconds(20);

// Body bytes that depend on the packet's sequence number and position, so a
// lost, doubled or shifted byte shows.
inline std::string PatternBody(uint32_t sequence, size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>((sequence * 131 + i * 7 + i / 253) & 0xFF);
  return body;
}

inline std::string BodyOf(const MMORPG::MMORPGPacket& packet) {
  return std::string(packet.GetData(), static_cast<size_t>(packet.GetDataLen()));
}

// A game-server simulator on loopback and the module's link connected to it.
// Every test ends with FreeGameServerProcess, which also ends every thread
// of the module's thread manager.
class LinkFixture : public ::testing::Test {
 protected:
  explicit LinkFixture(sim::SimulatorOptions options = {}) : m_Simulator(options) {}

  void SetUp() override { ASSERT_TRUE(m_Simulator.Start()); }

  void TearDown() override {
    FreeGameServerProcess();
    EXPECT_EQ(GetThreadManager().GetThreadCount(), 0);
    m_Simulator.Stop();
  }

  // The link, connected to the simulator, its threads running.
  IGameServerProcess& StartLink() {
    IGameServerProcess* link = GetGameServerProcess();
    EXPECT_TRUE(link->Connect("127.0.0.1", m_Simulator.Port()));
    EXPECT_TRUE(m_Simulator.WaitForConnections(1, kBound));
    link->Start();
    GetThreadManager().StartAll();
    return *link;
  }

  IMapServerNetProxy& Proxy() { return *GetGameServerProcess()->GetNetProxy(); }

  // Waits for a received packet and takes it; null when none came in time.
  MMORPG::MMORPGPacket* NextReceived() {
    MMORPG::MMORPGPacket* packet = nullptr;
    WaitUntil([&] { return (packet = Proxy().RecvPacket()) != nullptr; }, kBound);
    return packet;
  }

  sim::GameServerSimulator m_Simulator;
  LogCapture m_Log;
};

}  // namespace maplink::test
