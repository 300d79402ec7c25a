// Long runs through the link: a million packets each way, and a server that
// keeps dropping the connection.

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>

#include "LinkFixture.h"
#include "common/Watchdog.h"
#include "packet/MMORPGPacketPool.h"

namespace maplink::test {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr uint32_t kSoakPackets = 40'000;
constexpr int kFaultRounds = 20;
#else
constexpr uint32_t kSoakPackets = 1'000'000;
constexpr int kFaultRounds = 100;
#endif
constexpr size_t kMaxBody = 5000;
// The sender waits while this many packets are on their way, so the queues
// (which never block a producer) stay small.
constexpr uint32_t kInFlight = 20'000;

class LinkSoakTest : public LinkFixture {};

TEST_F(LinkSoakTest, EveryPacketComesBackOnceInOrderAndWhole) {
  Watchdog watchdog(std::chrono::seconds(900), "soak through the link");
  const int32_t packetsOutBefore = MMORPG::GetCount();
  StartLink();
  IMapServerNetProxy& proxy = Proxy();

  std::atomic<uint32_t> received{0};
  std::atomic<uint32_t> damaged{0};
  std::thread receiver([&] {
    std::mt19937 sizes(7);  // the sender's sizes, drawn again in the same order
    std::uniform_int_distribution<size_t> size(0, kMaxBody);
    while (received.load() < kSoakPackets) {
      MMORPG::MMORPGPacket* packet = proxy.RecvPacket();
      if (packet == nullptr) {
        std::this_thread::yield();
        continue;
      }
      const uint32_t expected = received.load();
      const tagPackHead& head = *packet->GetHead();
      const bool whole = head.SessionID == expected && head.SrcServerType == stGameServer &&
                         head.DestServerType == stMapServer && BodyOf(*packet) == PatternBody(expected, size(sizes));
      if (!whole) damaged.fetch_add(1);
      proxy.FreePacket(packet);
      received.fetch_add(1);
      if (!whole) return;  // the order is lost; the rest would only repeat it
    }
  });

  std::mt19937 sizes(7);
  std::uniform_int_distribution<size_t> size(0, kMaxBody);
  for (uint32_t sequence = 0; sequence < kSoakPackets && damaged.load() == 0; ++sequence) {
    while (sequence - received.load() >= kInFlight) std::this_thread::yield();
    const std::string body = PatternBody(sequence, size(sizes));
    ASSERT_TRUE(proxy.SendPack(0, 0, static_cast<int32_t>(sequence), 0, 1, body.data(),
                               static_cast<int32_t>(body.size())));
  }
  receiver.join();
  EXPECT_EQ(damaged.load(), 0u);
  EXPECT_EQ(received.load(), kSoakPackets);
  EXPECT_EQ(m_Simulator.PacketsReceived(), kSoakPackets);
  FreeGameServerProcess();
  EXPECT_EQ(MMORPG::GetCount(), packetsOutBefore) << "every pooled packet went back";
}

// Reconnects on every failure; a pause when the server cannot be reached.
int32_t ReconnectAtOnce(void* link) { return static_cast<IGameServerProcess*>(link)->Reconnect() ? 0 : 50; }

TEST_F(LinkSoakTest, ServerDroppingTheConnectionAtRandomPointsNeverHangsTheLink) {
  const int32_t packetsOutBefore = MMORPG::GetCount();
  std::mt19937 random(11);
  std::uniform_int_distribution<uint64_t> closeAfter(1, 300);
  for (int round = 0; round < kFaultRounds; ++round) {
    SCOPED_TRACE(round);
    m_Simulator.SetCloseAfter(closeAfter(random));
    const uint64_t connectionsBefore = m_Simulator.Connections();
    IGameServerProcess* link = GetGameServerProcess();
    link->SetDisconnectHandler(&ReconnectAtOnce, link);
    ASSERT_TRUE(link->Connect("127.0.0.1", m_Simulator.Port()));
    link->Start();
    GetThreadManager().StartAll();

    // Traffic until the server has dropped the link and the link came back.
    IMapServerNetProxy& proxy = *link->GetNetProxy();
    const std::string body = PatternBody(static_cast<uint32_t>(round), 64);
    ASSERT_TRUE(WaitUntil([&] {
      for (int i = 0; i < 20; ++i) proxy.SendData(body.data(), static_cast<int32_t>(body.size()));
      while (MMORPG::MMORPGPacket* echo = proxy.RecvPacket()) proxy.FreePacket(echo);
      return m_Simulator.Connections() >= connectionsBefore + 2;
    }, kBound));

    Watchdog watchdog(std::chrono::seconds(30), "FreeGameServerProcess after connection drops");
    FreeGameServerProcess();
    EXPECT_EQ(GetThreadManager().GetThreadCount(), 0);
  }
  EXPECT_EQ(MMORPG::GetCount(), packetsOutBefore);
}

}  // namespace
}  // namespace maplink::test
