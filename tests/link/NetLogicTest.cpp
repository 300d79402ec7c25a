#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "PacketHelpers.h"
#include "link/MapServerNetLogic.h"

namespace maplink::test {
namespace {

using MMORPG::MMORPGPacket;
using MMORPG::MMORPGPacket_Stack;
using namespace std::string_literals;

struct HeadCase {
  uint8_t src;
  uint8_t dest;
  uint16_t packOrder;
};

class PushSendTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(PushSendTest, QueuesThePacketFromTheMapServerToTheGameServerWithPackOrderZero) {
  PoolBalance balance;
  MapServerNetLogic logic;
  MMORPGPacket* packet = MakePacket(0xA1B2C3D4, "A\0"s);
  packet->SetPackType(3);
  packet->SetSrcServerType(GetParam().src);
  packet->SetDestServerType(GetParam().dest);
  packet->SetPackOrder(GetParam().packOrder);
  packet->m_HeadExtra = 21;

  ASSERT_TRUE(logic.PushSend(packet));
  EXPECT_EQ(logic.GetSendCount(), 1);
  MMORPGPacket_Stack sent;
  ASSERT_TRUE(logic.PopSend(&sent));

  // Session D4 C3 B2 A1, order 00 00, type 03, destination 05, source 06, body 41 00.
  EXPECT_EQ(sent.GetSendData(), "\xFF\xCC\x0B\x00\x00\x00\xD4\xC3\xB2\xA1\x00\x00\x03\x05\x06\x41\x00"s);
  EXPECT_EQ(sent.m_HeadExtra, 21);
  EXPECT_EQ(logic.GetSendCount(), 0);
  EXPECT_EQ(balance.Out(), 0);
}

INSTANTIATE_TEST_SUITE_P(WhateverTheCallerSet, PushSendTest,
                         ::testing::Values(HeadCase{1, 9, 77}, HeadCase{0, 0, 0}, HeadCase{6, 5, 0},
                                           HeadCase{255, 255, 65535}, HeadCase{5, 6, 1}),
                         [](const ::testing::TestParamInfo<HeadCase>& testInfo) {
                           const HeadCase& head = testInfo.param;
                           return "Src" + std::to_string(head.src) + "Dest" + std::to_string(head.dest) +
                                  "Order" + std::to_string(head.packOrder);
                         });

TEST(NetLogicTest, PushSendRefusesANullPacketWithAWarning) {
  LogCapture capture;
  MapServerNetLogic logic;
  EXPECT_FALSE(logic.PushSend(nullptr));
  EXPECT_EQ(logic.GetSendCount(), 0);
  EXPECT_EQ(capture.Count(LogLevel::Warn, "MapServerNetLogic::PushSend  packet == NULL"), 1);
}

// One of the seven queues, reached only through the net logic's operations.
struct QueueRoute {
  const char* name;
  std::function<bool(MapServerNetLogic&, MMORPGPacket*)> push;
  std::function<int32_t(MapServerNetLogic&)> count;
  // Takes the front packet out and answers its session id, or 0 when none came.
  std::function<uint32_t(MapServerNetLogic&)> take;
};

template <typename PopInto>
std::function<uint32_t(MapServerNetLogic&)> CopyOut(PopInto pop) {
  return [pop](MapServerNetLogic& logic) -> uint32_t {
    MMORPGPacket_Stack target;
    return (logic.*pop)(&target) ? target.GetHead()->SessionID : 0;
  };
}

std::vector<QueueRoute> Routes() {
  using L = MapServerNetLogic;
  return {
      {"Recv", &L::PushRecv, &L::GetRecvCount,
       [](L& logic) -> uint32_t {
         MMORPGPacket* packet = logic.PopRecv();
         if (packet == nullptr) return 0;
         const uint32_t sessionId = packet->GetHead()->SessionID;
         MMORPGPacket::Free(packet);
         return sessionId;
       }},
      {"Send", &L::PushSend, &L::GetSendCount, CopyOut(&L::PopSend)},
      {"User1", &L::PushUser1, &L::CountUser1, CopyOut(&L::PopUser1)},
      {"Spare1", &L::PushSpare1, &L::CountSpare1, CopyOut(&L::PopSpare1)},
      {"Spare2", &L::PushSpare2, &L::CountSpare2, CopyOut(&L::PopSpare2)},
      {"User2", &L::PushUser2, &L::CountUser2, CopyOut(&L::PopUser2)},
      {"User3", &L::PushUser3, &L::CountUser3, CopyOut(&L::PopUser3)},
  };
}

TEST(NetLogicTest, EachOperationReachesItsOwnQueue) {
  PoolBalance balance;
  MapServerNetLogic logic;
  const std::vector<QueueRoute> routes = Routes();
  for (size_t pushed = 0; pushed < routes.size(); ++pushed) {
    SCOPED_TRACE(routes[pushed].name);
    const auto sessionId = static_cast<uint32_t>(100 + pushed);
    ASSERT_TRUE(routes[pushed].push(logic, MakePacket(sessionId)));
    for (size_t other = 0; other < routes.size(); ++other) {
      EXPECT_EQ(routes[other].count(logic), other == pushed ? 1 : 0) << routes[other].name;
    }
    EXPECT_EQ(routes[pushed].take(logic), sessionId);
    EXPECT_EQ(routes[pushed].count(logic), 0);
    EXPECT_EQ(routes[pushed].take(logic), 0u);
  }
  EXPECT_EQ(balance.Out(), 0);
}

TEST(NetLogicTest, ClearRecvAndClearSendEmptyOnlyTheirOwnQueue) {
  PoolBalance balance;
  MapServerNetLogic logic;
  logic.PushRecv(MakePacket(1));
  logic.PushRecv(MakePacket(2));
  for (uint32_t id : {3, 4, 5}) logic.PushSend(MakePacket(id));
  logic.PushUser1(MakePacket(6));

  logic.ClearRecv();
  EXPECT_EQ(logic.GetRecvCount(), 0);
  EXPECT_EQ(logic.GetSendCount(), 3);
  EXPECT_EQ(balance.Out(), 4);

  logic.ClearSend();
  EXPECT_EQ(logic.GetSendCount(), 0);
  EXPECT_EQ(logic.CountUser1(), 1);
  EXPECT_EQ(balance.Out(), 1);
}

TEST(NetLogicTest, DestroyingTheNetLogicGivesBackThePacketsOfAllSevenQueues) {
  PoolBalance balance;
  {
    MapServerNetLogic logic;
    uint32_t sessionId = 1;
    for (const QueueRoute& route : Routes()) {
      route.push(logic, MakePacket(sessionId++));
      route.push(logic, MakePacket(sessionId++));
    }
    EXPECT_EQ(balance.Out(), 14);
  }
  EXPECT_EQ(balance.Out(), 0);
}

}  // namespace
}  // namespace maplink::test
