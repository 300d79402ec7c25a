// The link end to end against the game-server simulator on loopback.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "LinkFixture.h"
#include "SimFrame.h"
#include "common/Watchdog.h"
#include "link/GameServerProcess.h"
#include "packet/MMORPGPacketPool.h"
#include "platform/Socket.h"
#include "platform/SocketSender.h"
#include "recorder/PackRecorderManager.h"

namespace maplink::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class KeepingLinkTest : public LinkFixture {
 protected:
  KeepingLinkTest() : LinkFixture({.echo = false, .keepPackets = true}) {}
};

class EchoLinkTest : public LinkFixture {};

std::string Frame(const sim::SimPacket& packet) {
  std::string frame;
  sim::AppendFrame(frame, packet);
  return frame;
}

sim::SimPacket GamePacket(uint32_t sessionId, std::string body) {
  return {.sessionId = sessionId, .packOrder = 9, .type = 4, .dest = stMapServer, .src = stGameServer,
          .body = std::move(body)};
}

TEST(LinkObjectTest, OneObjectUntilFreedThenAFreshOne) {
  FreeGameServerProcess();  // no instance: nothing happens
  IGameServerProcess* first = GetGameServerProcess();
  EXPECT_EQ(GetGameServerProcess(), first);
  EXPECT_FALSE(first->Connect("127.0.0.1", 0));
  FreeGameServerProcess();
  FreeGameServerProcess();

  IGameServerProcess* fresh = GetGameServerProcess();
  EXPECT_FALSE(fresh->IsConnected());
  EXPECT_EQ(fresh->GetSocket(), -1);
  EXPECT_EQ(fresh->GetSendBytes(), 0u);
  EXPECT_EQ(fresh->GetRecvBytes(), 0u);
  EXPECT_EQ(fresh->GetSendQueueCount(), 0);
  EXPECT_NE(fresh->GetNetProxy(), nullptr);
  FreeGameServerProcess();
}

TEST(LinkObjectTest, ConnectRefusesPortsWithoutListenerOrOutOfRange) {
  LogCapture log;
  uint16_t closedPort = 0;
  {
    sim::GameServerSimulator probe;
    ASSERT_TRUE(probe.Start());
    closedPort = probe.Port();
  }
  struct Case {
    int32_t port;
    bool warns;
  };
  for (const Case& c : {Case{closedPort, false}, Case{-1, true}, Case{65536, true}, Case{70000, true}}) {
    IGameServerProcess* link = GetGameServerProcess();
    EXPECT_FALSE(link->Connect("127.0.0.1", c.port)) << c.port;
    EXPECT_FALSE(link->IsConnected());
    EXPECT_EQ(link->GetSocket(), -1);
    EXPECT_EQ(log.Contains(LogLevel::Warn, "refused port " + std::to_string(c.port)), c.warns) << c.port;
    FreeGameServerProcess();
  }
}

TEST_F(KeepingLinkTest, SendPackArrivesAsOneFrameWithTheLinksServerTypes) {
  IGameServerProcess& link = StartLink();
  ASSERT_TRUE(Proxy().SendPack(1, 9, 42, 7, 3, "abcd", 4));
  ASSERT_TRUE(m_Simulator.WaitForPackets(1, kBound));

  const std::vector<sim::SimPacket> received = m_Simulator.TakeReceived();
  ASSERT_EQ(received.size(), 1u);
  const sim::SimPacket expected{.sessionId = 42, .packOrder = 0, .type = 3, .dest = stGameServer,
                                .src = stMapServer, .body = "abcd"};
  EXPECT_EQ(received[0], expected);
  const uint64_t frameLength = 6 + 9 + 4;
  EXPECT_EQ(m_Simulator.BytesReceived(), frameLength);
  EXPECT_TRUE(WaitUntil([&] { return link.GetSendBytes() == frameLength; }, kBound));
}

// Counts the send loop's writes on their way to the real socket.
class CountingSender final : public platform::SocketSender {
 public:
  int32_t Send(platform::SocketHandle socket, const void* data, int32_t length) override {
    m_Lengths.push_back(length);
    return platform::SystemSocketSender().Send(socket, data, length);
  }
  std::vector<int32_t> m_Lengths;
};

TEST_F(KeepingLinkTest, PacketsQueuedBetweenRunsLeaveInOneFlush) {
  CountingSender sender;
  {
    GameServerProcess link(sender);
    ASSERT_TRUE(link.Connect("127.0.0.1", m_Simulator.Port()));
    link.Start();  // registered, not started: the test runs the send loop itself
    for (uint32_t i = 1; i <= 3; ++i) {
      const std::string body = PatternBody(i, 100);
      ASSERT_TRUE(link.GetNetProxy()->SendPack(0, 0, static_cast<int32_t>(i), 0, 1, body.data(), 100));
    }
    EXPECT_EQ(link.SendToGameServerProc(0), 0);
    EXPECT_EQ(sender.m_Lengths, std::vector<int32_t>{3 * (6 + 9 + 100)});
    EXPECT_EQ(link.SendToGameServerProc(0), 1) << "an empty queue asks for a pause";
    ASSERT_TRUE(m_Simulator.WaitForPackets(3, kBound));
  }
  const std::vector<sim::SimPacket> received = m_Simulator.TakeReceived();
  ASSERT_EQ(received.size(), 3u);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(received[i].sessionId, i + 1);
}

TEST_F(KeepingLinkTest, FramesAreCutWhateverTheSegmentsCarry) {
  IGameServerProcess& link = StartLink();
  const std::string first = Frame(GamePacket(1, "one"));
  const std::string second = Frame(GamePacket(2, std::string("t\0o", 3)));
  ASSERT_TRUE(m_Simulator.SendRaw(first + second));
  MMORPG::MMORPGPacket* one = NextReceived();
  MMORPG::MMORPGPacket* two = NextReceived();
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(one->GetHead()->SessionID, 1u);
  EXPECT_EQ(BodyOf(*one), "one");
  EXPECT_EQ(two->GetHead()->SessionID, 2u);
  EXPECT_EQ(BodyOf(*two), std::string("t\0o", 3));
  EXPECT_EQ(two->GetHead()->PackOrder, 9);
  EXPECT_EQ(two->GetHead()->packType, 4);
  Proxy().FreePacket(one);
  Proxy().FreePacket(two);

  // A frame split across two reads gives one packet once its rest arrives.
  const std::string third = Frame(GamePacket(3, PatternBody(3, 300)));
  ASSERT_TRUE(m_Simulator.SendRaw(third.substr(0, 10)));
  ASSERT_TRUE(WaitUntil([&] {
    int32_t pending = -1;
    return platform::PendingReceiveBytes(link.GetSocket(), pending) && pending == 0;
  }, kBound)) << "the receive thread reads the first part";
  EXPECT_EQ(link.GetRecvQueueCount(), 0);
  ASSERT_TRUE(m_Simulator.SendRaw(third.substr(10)));
  MMORPG::MMORPGPacket* whole = NextReceived();
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(BodyOf(*whole), PatternBody(3, 300));
  Proxy().FreePacket(whole);
  EXPECT_EQ(link.GetRecvQueueCount(), 0);
}

TEST_F(KeepingLinkTest, PayloadShorterThanAHeaderIsDroppedWithAWarning) {
  IGameServerProcess& link = StartLink();
  const std::string shortFrame("\xFF\xCC\x05\x00\x00\x00" "abcde", 11);
  ASSERT_TRUE(m_Simulator.SendRaw(shortFrame + Frame(GamePacket(7, "next"))));
  MMORPG::MMORPGPacket* next = NextReceived();
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->GetHead()->SessionID, 7u);
  Proxy().FreePacket(next);
  EXPECT_EQ(link.GetRecvQueueCount(), 0);
  EXPECT_TRUE(m_Log.Contains(LogLevel::Warn, "dropped a frame of 5 bytes"));
  EXPECT_EQ(link.GetRecvBytes(), 5u + 13u) << "both payloads are counted";
}

TEST_F(KeepingLinkTest, PeerCloseWithoutHandlerEndsTheReceiveThreadThenTheSendThread) {
  StartLink();
  m_Simulator.CloseConnection();
  ASSERT_TRUE(m_Log.WaitFor(LogLevel::Warn, "GameServerProcess : 252, Connect Error, "));
  ThreadManager& manager = GetThreadManager();
  ASSERT_TRUE(WaitUntil([&] { return manager.GetThread(1) == nullptr; }, kBound)) << "receive thread ends";
  EXPECT_NE(manager.GetThread(0), nullptr) << "the send thread has met no failure yet";

  // Writing to the closed connection fails within a few packets.
  ASSERT_TRUE(WaitUntil([&] {
    Proxy().SendData("x", 1);
    return manager.GetThread(0) == nullptr;
  }, kBound));
  EXPECT_TRUE(m_Log.Contains(LogLevel::Warn, ", send failed Reason = "));
  EXPECT_EQ(manager.GetThreadCount(), 2) << "ended threads keep their records";
}

// Records when it is called and answers from a script of results.
struct ScriptedHandler {
  std::mutex mutex;
  std::vector<Clock::time_point> calls;
  std::vector<int32_t> answers;
  IGameServerProcess* reconnectWith = nullptr;

  static int32_t Call(void* self) { return static_cast<ScriptedHandler*>(self)->Answer(); }

  int32_t Answer() {
    std::lock_guard<std::mutex> lock(mutex);
    calls.push_back(Clock::now());
    if (reconnectWith != nullptr) return reconnectWith->Reconnect() ? 0 : 100;
    return calls.size() <= answers.size() ? answers[calls.size() - 1] : -1;
  }
  size_t CallCount() {
    std::lock_guard<std::mutex> lock(mutex);
    return calls.size();
  }
};

TEST_F(KeepingLinkTest, HandlerAnsweringAPauseMakesTheThreadWaitThatLong) {
  ScriptedHandler handler;
  handler.answers = {1000, -1};
  GetGameServerProcess()->SetDisconnectHandler(&ScriptedHandler::Call, &handler);
  StartLink();
  m_Simulator.CloseConnection();
  ASSERT_TRUE(WaitUntil([&] { return handler.CallCount() >= 2; }, kBound));
  std::lock_guard<std::mutex> lock(handler.mutex);
  EXPECT_GE(handler.calls[1] - handler.calls[0], 1000ms);
  EXPECT_TRUE(WaitUntil([] { return GetThreadManager().GetThread(1) == nullptr; }, kBound));
}

TEST_F(KeepingLinkTest, HandlerThatReconnectsResumesOnTheNewConnection) {
  ScriptedHandler handler;
  IGameServerProcess& link = StartLink();
  handler.reconnectWith = &link;
  link.SetDisconnectHandler(&ScriptedHandler::Call, &handler);

  m_Simulator.CloseConnection();
  ASSERT_TRUE(m_Simulator.WaitForConnections(2, kBound));
  EXPECT_TRUE(m_Log.WaitFor(LogLevel::Warn, "GameServerProcess::Reconnect! m_IP = 127.0.0.1 m_Port = " +
                                               std::to_string(m_Simulator.Port())));
  // The server may accept before the link's connect call has returned.
  EXPECT_TRUE(WaitUntil([&] { return link.IsConnected(); }, kBound));

  ASSERT_TRUE(Proxy().SendData("after", 5));
  ASSERT_TRUE(m_Simulator.WaitForPackets(1, kBound));
  EXPECT_EQ(m_Simulator.TakeReceived().at(0).body, "after");
  ASSERT_TRUE(m_Simulator.SendBurst(3, 20));
  for (uint32_t i = 1; i <= 3; ++i) {
    MMORPG::MMORPGPacket* packet = NextReceived();
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->GetHead()->SessionID, i);
    Proxy().FreePacket(packet);
  }
}

TEST_F(EchoLinkTest, SentBytesCountFramesAndReceivedBytesCountPayloads) {
  IGameServerProcess& link = StartLink();
  const std::string body = PatternBody(1, 100);
  ASSERT_TRUE(Proxy().SendData(body.data(), 100));
  MMORPG::MMORPGPacket* echo = NextReceived();
  ASSERT_NE(echo, nullptr);
  EXPECT_EQ(BodyOf(*echo), body);
  EXPECT_EQ(echo->GetHead()->SrcServerType, stGameServer);
  Proxy().FreePacket(echo);
  EXPECT_EQ(link.GetSendBytes(), 6u + 9 + 100);
  EXPECT_EQ(link.GetRecvBytes(), 9u + 100);
}

TEST_F(EchoLinkTest, RecorderThreeHoldsExactlyWhatCrossedTheWire) {
  PackRecorder* recorder = GetPackRecorderManager().FindRecorder(GameServerProcess::kRecorderIndex);
  if (recorder == nullptr) recorder = GetPackRecorderManager().AddRecorder(GameServerProcess::kRecorderIndex);
  OneWayPackRec& sent = recorder->GetSendRecorder();
  OneWayPackRec& received = recorder->GetRecvRecorder();
  sent.ClearPacks();
  received.ClearPacks();
  sent.SetEnable(true);
  received.SetEnable(true);

  StartLink();
  std::vector<std::string> bodies = {"", "a", PatternBody(5, 300), std::string(4, '\0')};
  for (size_t i = 0; i < bodies.size(); ++i) {
    ASSERT_TRUE(Proxy().SendPack(0, 0, static_cast<int32_t>(i), 0, 2, bodies[i].data(),
                                 static_cast<int32_t>(bodies[i].size())));
  }
  for (size_t i = 0; i < bodies.size(); ++i) {
    MMORPG::MMORPGPacket* echo = NextReceived();
    ASSERT_NE(echo, nullptr);
    Proxy().FreePacket(echo);
  }
  sent.SetEnable(false);
  received.SetEnable(false);

  ASSERT_EQ(sent.GetPackCount(), static_cast<int32_t>(bodies.size()));
  ASSERT_EQ(received.GetPackCount(), static_cast<int32_t>(bodies.size()));
  for (size_t i = 0; i < bodies.size(); ++i) {
    const sim::SimPacket out{.sessionId = static_cast<uint32_t>(i), .packOrder = 0, .type = 2,
                             .dest = stGameServer, .src = stMapServer, .body = bodies[i]};
    sim::SimPacket back = out;
    std::swap(back.src, back.dest);
    EXPECT_EQ(sent.GetPack(static_cast<int32_t>(i))->m_Data, Frame(out)) << "the whole frame as written";
    EXPECT_EQ(received.GetPack(static_cast<int32_t>(i))->m_Data, Frame(back).substr(6)) << "the payload as cut";
  }
  sent.ClearPacks();
  received.ClearPacks();
}

TEST_F(KeepingLinkTest, FreeReturnsPromptlyWhileTheReceiveThreadIsBlocked) {
  ScriptedHandler handler;
  GetGameServerProcess()->SetDisconnectHandler(&ScriptedHandler::Call, &handler);
  StartLink();
  ASSERT_TRUE(WaitUntil([] { return GetThreadManager().GetThread(1) != nullptr; }, kBound));
  {
    Watchdog watchdog(std::chrono::seconds(20), "FreeGameServerProcess with a blocked receive");
    FreeGameServerProcess();
  }
  EXPECT_EQ(handler.CallCount(), 0u) << "teardown is not a disconnect";
  EXPECT_FALSE(m_Log.Contains(LogLevel::Warn, "Connect Error"));
  EXPECT_EQ(GetThreadManager().GetThreadCount(), 0);
}

TEST_F(KeepingLinkTest, SecondStartIsRefused) {
  IGameServerProcess& link = StartLink();
  link.Start();
  EXPECT_TRUE(m_Log.Contains(LogLevel::Warn, "Start called again"));
  EXPECT_EQ(GetThreadManager().GetThreadCount(), 2);
}

}  // namespace
}  // namespace maplink::test
