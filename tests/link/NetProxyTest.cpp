// The proxy as the host uses it: every call goes through the interface.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "PacketHelpers.h"
#include "common/ManualClock.h"
#include "link/MapServerNetLogic.h"
#include "link/MapServerNetProxy.h"

namespace maplink::test {
namespace {

using MMORPG::MMORPGPacket;
using MMORPG::MMORPGPacket_Stack;
using namespace std::string_literals;

// Names each case of a table after its name field.
template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& testInfo) {
  return testInfo.param.name;
}

class NetProxyTest : public ::testing::Test {
 protected:
  NetProxyTest() { m_Proxy.SetNetLogic(&m_Logic); }

  // The frame of the next packet the send thread would take, or "" when none.
  std::string NextFrame() {
    MMORPGPacket_Stack sent;
    return m_Logic.PopSend(&sent) ? sent.GetSendData() : "";
  }

  PoolBalance m_Balance;
  ManualClock m_Clock{1000};
  MapServerNetLogic m_Logic;
  MapServerNetProxy m_Proxy{m_Clock};
  IMapServerNetProxy& m_Host = m_Proxy;
  LogCapture m_Capture;
};

struct SendCase {
  const char* name;
  std::function<bool(IMapServerNetProxy&)> send;
  std::string frame;
};

class ProxySendTest : public NetProxyTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(ProxySendTest, QueuesOnePacketWhoseFrameIsKnown) {
  ASSERT_TRUE(GetParam().send(m_Host));
  EXPECT_EQ(m_Logic.GetSendCount(), 1);
  EXPECT_EQ(NextFrame(), GetParam().frame);
  EXPECT_EQ(m_Balance.Out(), 0);
  EXPECT_TRUE(m_Capture.Lines().empty());
}

// Frame: FF CC, length, session (4, LE), order (2), type, destination, source, body.
INSTANTIATE_TEST_SUITE_P(
    Sends, ProxySendTest,
    ::testing::Values(
        SendCase{"SendDataFiveBytes", [](IMapServerNetProxy& host) { return host.SendData("hello", 5); },
                 "\xFF\xCC\x0E\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x05\x06hello"s},
        SendCase{"SendPackReplacesSourceDestinationAndOrder",
                 [](IMapServerNetProxy& host) { return host.SendPack(1, 9, 42, 7, 3, "WXYZ", 4); },
                 "\xFF\xCC\x0D\x00\x00\x00\x2A\x00\x00\x00\x00\x00\x03\x05\x06WXYZ"s},
        SendCase{"SendPackWithAnEmptyBody",
                 [](IMapServerNetProxy& host) { return host.SendPack(6, 5, 1, 0, 4, "ignored", 0); },
                 "\xFF\xCC\x09\x00\x00\x00\x01\x00\x00\x00\x00\x00\x04\x05\x06"s},
        SendCase{"SendPackWithANegativeSessionAndZeroBytesInTheBody",
                 [](IMapServerNetProxy& host) { return host.SendPack(2, 2, -2, 65535, 255, "\0\1\0", 3); },
                 "\xFF\xCC\x0C\x00\x00\x00\xFE\xFF\xFF\xFF\x00\x00\xFF\x05\x06\x00\x01\x00"s},
        SendCase{"SendDataWithNoDataAndNoLength",
                 [](IMapServerNetProxy& host) { return host.SendData(nullptr, 0); },
                 "\xFF\xCC\x09\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x05\x06"s}),
    CaseName<SendCase>);

struct RefusedCase {
  const char* name;
  std::function<bool(IMapServerNetProxy&)> send;
};

class ProxyRefusedBodyTest : public NetProxyTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(ProxyRefusedBodyTest, QueuesNothingTakesNoPacketAndSaysSo) {
  const int32_t rateBefore = m_Host.GetSendRate();  // opens the first window
  EXPECT_FALSE(GetParam().send(m_Host));

  EXPECT_EQ(m_Logic.GetSendCount(), 0);
  EXPECT_EQ(m_Balance.Out(), 0);
  EXPECT_EQ(m_Capture.Count(LogLevel::Error, "body refused"), 1);
  m_Clock.Advance(1000);
  EXPECT_EQ(m_Host.GetSendRate(), rateBefore);
}

INSTANTIATE_TEST_SUITE_P(
    BadBodies, ProxyRefusedBodyTest,
    ::testing::Values(
        RefusedCase{"SendPackNegativeLength",
                    [](IMapServerNetProxy& host) { return host.SendPack(6, 5, 1, 0, 1, "abc", -1); }},
        RefusedCase{"SendPackNullDataWithALength",
                    [](IMapServerNetProxy& host) { return host.SendPack(6, 5, 1, 0, 1, nullptr, 4); }},
        RefusedCase{"SendDataNegativeLength",
                    [](IMapServerNetProxy& host) { return host.SendData("abc", -5); }},
        RefusedCase{"SendDataNullDataWithALength",
                    [](IMapServerNetProxy& host) { return host.SendData(nullptr, 3); }}),
    CaseName<RefusedCase>);

TEST_F(NetProxyTest, SendRateCountsSendPackAndSendPacketButNotSendData) {
  EXPECT_EQ(m_Host.GetSendRate(), 0);  // opens the window
  for (int i = 0; i < 3; ++i) m_Host.SendPack(6, 5, i, 0, 1, "ab", 2);
  m_Host.SendData("cd", 2);
  m_Host.SendData("ef", 2);
  m_Proxy.SendPacket(m_Host.NewPacket());
  m_Clock.Advance(1000);
  EXPECT_EQ(m_Host.GetSendRate(), 4);
  EXPECT_EQ(m_Host.GetRecvRate(), 0);
  m_Logic.ClearSend();
}

TEST_F(NetProxyTest, SendPacketForcesTheLinkHeaderAndRefusesNull) {
  MMORPGPacket* packet = m_Host.NewPacket();
  packet->SetSessionID(3);
  packet->SetSrcServerType(1);
  packet->SetDestServerType(2);
  packet->SetPackOrder(3);
  packet->SetPackType(4);
  EXPECT_TRUE(m_Proxy.SendPacket(packet));
  EXPECT_EQ(NextFrame(), "\xFF\xCC\x09\x00\x00\x00\x03\x00\x00\x00\x00\x00\x04\x05\x06"s);

  EXPECT_FALSE(m_Proxy.SendPacket(nullptr));
  EXPECT_EQ(m_Capture.Count(LogLevel::Warn, "MapServerNetLogic::PushSend  packet == NULL"), 1);
  EXPECT_EQ(m_Logic.GetSendCount(), 0);
  EXPECT_EQ(m_Balance.Out(), 0);
}

TEST_F(NetProxyTest, RecvPacketHandsOverWhatArrivedInOrderAndCountsIt) {
  EXPECT_EQ(m_Host.GetRecvRate(), 0);  // opens the window
  EXPECT_EQ(m_Host.RecvPacket(), nullptr);
  MMORPGPacket* first = MakePacket(1, "one");
  MMORPGPacket* second = MakePacket(2, "two");
  m_Logic.PushRecv(first);
  m_Logic.PushRecv(second);

  EXPECT_EQ(m_Host.RecvPacket(), first);
  EXPECT_EQ(m_Host.RecvPacket(), second);
  EXPECT_EQ(m_Host.RecvPacket(), nullptr);
  EXPECT_EQ(m_Balance.Out(), 2);  // the host holds them
  m_Host.FreePacket(first);
  m_Host.FreePacket(second);
  EXPECT_EQ(m_Balance.Out(), 0);

  m_Clock.Advance(2000);
  EXPECT_EQ(m_Host.GetRecvRate(), 1);  // two packets in a window of 2000 ms
  EXPECT_EQ(m_Host.GetSendRate(), 0);
}

struct UserQueue {
  const char* name;
  bool (IMapServerNetProxy::*push)(MMORPGPacket*);
  bool (IMapServerNetProxy::*pop)(MMORPGPacket*);
  int32_t (IMapServerNetProxy::*count)();
  int32_t (MapServerNetLogic::*logicCount)();
};

TEST_F(NetProxyTest, EachUserQueueOperationReachesItsOwnQueue) {
  using I = IMapServerNetProxy;
  using L = MapServerNetLogic;
  const std::vector<UserQueue> queues = {
      {"1", &I::PushUserQueue1, &I::PopUserQueue1, &I::CountUserQueue1, &L::CountUser1},
      {"2", &I::PushUserQueue2, &I::PopUserQueue2, &I::CountUserQueue2, &L::CountUser2},
      {"3", &I::PushUserQueue3, &I::PopUserQueue3, &I::CountUserQueue3, &L::CountUser3},
  };
  for (size_t pushed = 0; pushed < queues.size(); ++pushed) {
    SCOPED_TRACE(queues[pushed].name);
    const auto sessionId = static_cast<uint32_t>(pushed + 1);
    ASSERT_TRUE((m_Host.*queues[pushed].push)(MakePacket(sessionId, "body")));
    for (size_t other = 0; other < queues.size(); ++other) {
      const int32_t expected = other == pushed ? 1 : 0;
      EXPECT_EQ((m_Host.*queues[other].count)(), expected) << queues[other].name;
      EXPECT_EQ((m_Logic.*queues[other].logicCount)(), expected) << queues[other].name;
    }
    // The host copies out into a packet of its own; the queued one goes back.
    MMORPGPacket* own = m_Host.NewPacket();
    ASSERT_TRUE((m_Host.*queues[pushed].pop)(own));
    EXPECT_EQ(own->GetHead()->SessionID, sessionId);
    EXPECT_EQ(Body(*own), "body");
    EXPECT_FALSE((m_Host.*queues[pushed].pop)(own));
    m_Host.FreePacket(own);
    EXPECT_EQ(m_Balance.Out(), 0);
  }
}

TEST_F(NetProxyTest, NewPacketAndFreePacketMoveThePoolCounts) {
  const int32_t before = m_Host.GetPacketCount();
  MMORPGPacket* packet = m_Host.NewPacket();
  ASSERT_NE(packet, nullptr);
  EXPECT_TRUE(packet->m_InUse);
  EXPECT_EQ(packet->GetDataLen(), 0);
  EXPECT_EQ(m_Host.GetPacketCount(), before + 1);
  EXPECT_GE(m_Host.GetPacketPeakCount(), before + 1);
  m_Host.FreePacket(packet);
  EXPECT_EQ(m_Host.GetPacketCount(), before);
}

TEST(NetProxyUnwiredTest, SetNetLogicAnswersWithTheNetLogicItWasGiven) {
  MapServerNetLogic logic;
  MapServerNetProxy proxy;
  EXPECT_EQ(proxy.SetNetLogic(&logic), &logic);
  EXPECT_NE(MMORPG::GetPacketPool(), nullptr);
}

struct UnwiredCase {
  const char* name;  // of the operation
  // Calls the operation and answers its result as a number (false, null and 0 are 0).
  std::function<intptr_t(MapServerNetProxy&, MMORPGPacket*)> call;
};

class NetProxyUnwiredCallTest : public ::testing::TestWithParam<UnwiredCase> {};

TEST_P(NetProxyUnwiredCallTest, FailsWithOneWarningNamingTheOperation) {
  PoolBalance balance;
  MMORPGPacket* packet = MakePacket(1);
  LogCapture capture;
  MapServerNetProxy proxy;

  EXPECT_EQ(GetParam().call(proxy, packet), 0);

  const std::string warning = "MapServerNetProxy::"s + GetParam().name + "  m_pNetLogic == NULL";
  EXPECT_EQ(capture.Count(LogLevel::Warn, warning), 1);
  EXPECT_EQ(capture.Lines().size(), 1u);
  EXPECT_TRUE(packet->m_InUse);  // a refused push leaves the packet with the caller
  MMORPGPacket::Free(packet);
  EXPECT_EQ(balance.Out(), 0);
}

intptr_t Number(const void* pointer) { return reinterpret_cast<intptr_t>(pointer); }

INSTANTIATE_TEST_SUITE_P(
    BeforeSetNetLogic, NetProxyUnwiredCallTest,
    ::testing::Values(
        UnwiredCase{"SendPack", [](MapServerNetProxy& p,
                                   MMORPGPacket*) { return intptr_t{p.SendPack(6, 5, 1, 0, 1, "ab", 2)}; }},
        UnwiredCase{"SendData",
                    [](MapServerNetProxy& p, MMORPGPacket*) { return intptr_t{p.SendData("ab", 2)}; }},
        UnwiredCase{"RecvPacket", [](MapServerNetProxy& p, MMORPGPacket*) { return Number(p.RecvPacket()); }},
        UnwiredCase{"PopUserQueue1",
                    [](MapServerNetProxy& p, MMORPGPacket* q) { return intptr_t{p.PopUserQueue1(q)}; }},
        UnwiredCase{"PushUserQueue1",
                    [](MapServerNetProxy& p, MMORPGPacket* q) { return intptr_t{p.PushUserQueue1(q)}; }},
        UnwiredCase{"CountUserQueue1",
                    [](MapServerNetProxy& p, MMORPGPacket*) { return intptr_t{p.CountUserQueue1()}; }},
        UnwiredCase{"PopUserQueue2",
                    [](MapServerNetProxy& p, MMORPGPacket* q) { return intptr_t{p.PopUserQueue2(q)}; }},
        UnwiredCase{"PushUserQueue2",
                    [](MapServerNetProxy& p, MMORPGPacket* q) { return intptr_t{p.PushUserQueue2(q)}; }},
        UnwiredCase{"CountUserQueue2",
                    [](MapServerNetProxy& p, MMORPGPacket*) { return intptr_t{p.CountUserQueue2()}; }},
        UnwiredCase{"PopUserQueue3",
                    [](MapServerNetProxy& p, MMORPGPacket* q) { return intptr_t{p.PopUserQueue3(q)}; }},
        UnwiredCase{"PushUserQueue3",
                    [](MapServerNetProxy& p, MMORPGPacket* q) { return intptr_t{p.PushUserQueue3(q)}; }},
        UnwiredCase{"CountUserQueue3",
                    [](MapServerNetProxy& p, MMORPGPacket*) { return intptr_t{p.CountUserQueue3()}; }},
        UnwiredCase{"SendPacket",
                    [](MapServerNetProxy& p, MMORPGPacket* q) { return intptr_t{p.SendPacket(q)}; }}),
    CaseName<UnwiredCase>);

TEST(NetProxyUnwiredTest, PoolAndRateOperationsWorkWithoutANetLogic) {
  PoolBalance balance;
  LogCapture capture;
  MapServerNetProxy proxy;
  IMapServerNetProxy& host = proxy;

  MMORPGPacket* packet = host.NewPacket();
  ASSERT_NE(packet, nullptr);
  EXPECT_EQ(balance.Out(), 1);
  EXPECT_GE(host.GetPacketPeakCount(), host.GetPacketCount());
  host.FreePacket(packet);
  EXPECT_EQ(balance.Out(), 0);
  EXPECT_EQ(host.GetSendRate(), 0);
  EXPECT_EQ(host.GetRecvRate(), 0);
  EXPECT_TRUE(capture.Lines().empty());
}

}  // namespace
}  // namespace maplink::test
