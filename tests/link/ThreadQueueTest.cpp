#include <gtest/gtest.h>

#include <string>

#include "LogCapture.h"
#include "PacketHelpers.h"
#include "link/CThreadQueue.h"

namespace maplink::test {
namespace {

using MMORPG::MMORPGPacket;
using MMORPG::MMORPGPacket_Stack;
using Queue = CThreadQueue<MMORPGPacket>;

constexpr const char* kPacketPopNull = "CThreadQueue<T>::PacketPop(T * Packet)  m_Queue->Pop()== NULL";
constexpr const char* kClearNull = "CThreadQueue<T>::Clear()  m_Queue->Pop()== NULL";

TEST(ThreadQueueTest, AnEmptyQueueYieldsNothingAndLeavesTheTargetAlone) {
  Queue queue;
  MMORPGPacket_Stack target;
  target.SetSessionID(7);
  target.ReadData("keep", 4);

  EXPECT_EQ(queue.Count(), 0);
  EXPECT_EQ(queue.Pop(), nullptr);
  EXPECT_EQ(queue.Front(), nullptr);
  EXPECT_FALSE(queue.PacketPop(&target));
  EXPECT_EQ(target.GetHead()->SessionID, 7u);
  EXPECT_EQ(Body(target), "keep");
}

TEST(ThreadQueueTest, EntriesLeaveInTheOrderTheyCame) {
  PoolBalance balance;
  Queue queue;
  MMORPGPacket* a = MakePacket(1);
  MMORPGPacket* b = MakePacket(2);
  MMORPGPacket* c = MakePacket(3);
  for (MMORPGPacket* packet : {a, b, c}) EXPECT_TRUE(queue.Push(packet));

  EXPECT_EQ(queue.Count(), 3);
  EXPECT_EQ(queue.Front(), a);
  EXPECT_EQ(queue.Count(), 3);
  EXPECT_EQ(queue.Pop(), a);
  EXPECT_EQ(queue.Pop(), b);
  EXPECT_EQ(queue.Front(), c);
  EXPECT_EQ(queue.Pop(), c);
  EXPECT_EQ(queue.Pop(), nullptr);
  EXPECT_EQ(queue.Count(), 0);
  EXPECT_EQ(balance.Out(), 3);  // Pop hands the packets to the caller

  for (MMORPGPacket* packet : {a, b, c}) queue.Release(packet);
  EXPECT_EQ(balance.Out(), 0);
}

TEST(ThreadQueueTest, PacketPopCopiesTheFrontPacketAndGivesItBackAtOnce) {
  PoolBalance balance;
  Queue queue;
  MMORPGPacket* queued = MakePacket(0xA1B2C3D4, std::string("x\0y", 3));
  queued->SetPackOrder(9);
  queued->SetPackType(3);
  queued->SetDestServerType(4);
  queued->SetSrcServerType(8);
  queued->m_ValueA = 11;
  queued->m_FlagA = 12;
  queued->m_NoHead = true;
  queued->m_ValueB = 13;
  queued->m_ValueC = 14;
  queued->m_HeadExtra = 15;
  queue.Push(queued);
  ASSERT_EQ(balance.Out(), 1);

  MMORPGPacket_Stack target;
  ASSERT_TRUE(queue.PacketPop(&target));

  const tagPackHead& head = *target.GetHead();
  EXPECT_EQ(head.SessionID, 0xA1B2C3D4u);
  EXPECT_EQ(head.PackOrder, 9);
  EXPECT_EQ(head.packType, 3);
  EXPECT_EQ(head.DestServerType, 4);
  EXPECT_EQ(head.SrcServerType, 8);
  EXPECT_EQ(Body(target), std::string("x\0y", 3));
  EXPECT_EQ(target.m_ValueA, 11);
  EXPECT_EQ(target.m_FlagA, 12);
  EXPECT_TRUE(target.m_NoHead);
  EXPECT_EQ(target.m_ValueB, 13);
  EXPECT_EQ(target.m_ValueC, 14);
  EXPECT_EQ(target.m_HeadExtra, 15);
  EXPECT_FALSE(target.m_InUse);

  EXPECT_EQ(queue.Count(), 0);
  EXPECT_EQ(balance.Out(), 0);
  EXPECT_FALSE(queued->m_InUse);  // back in the pool, reset
}

TEST(ThreadQueueTest, APushedNullIsAnEntryThatPacketPopConsumesWithAWarning) {
  PoolBalance balance;
  LogCapture capture;
  Queue queue;
  EXPECT_TRUE(queue.Push(nullptr));
  queue.Push(MakePacket(5));
  EXPECT_EQ(queue.Count(), 2);
  EXPECT_EQ(queue.Front(), nullptr);

  MMORPGPacket_Stack target;
  EXPECT_FALSE(queue.PacketPop(&target));
  EXPECT_EQ(capture.Count(LogLevel::Warn, kPacketPopNull), 1);
  EXPECT_EQ(queue.Count(), 1);

  EXPECT_TRUE(queue.PacketPop(&target));
  EXPECT_EQ(target.GetHead()->SessionID, 5u);
  EXPECT_EQ(balance.Out(), 0);
}

TEST(ThreadQueueTest, ClearGivesEveryPacketBackAndSkipsANullEntryWithAWarning) {
  PoolBalance balance;
  LogCapture capture;
  Queue queue;
  queue.Push(MakePacket(1));
  queue.Push(nullptr);
  queue.Push(MakePacket(2));
  queue.Push(MakePacket(3));
  EXPECT_EQ(queue.Count(), 4);
  EXPECT_EQ(balance.Out(), 3);

  queue.Clear();

  EXPECT_EQ(queue.Count(), 0);
  EXPECT_EQ(balance.Out(), 0);
  EXPECT_EQ(capture.Count(LogLevel::Warn, kClearNull), 1);
  EXPECT_EQ(capture.Lines().size(), 1u);
}

TEST(ThreadQueueTest, DestroyingAQueueGivesItsPacketsBack) {
  PoolBalance balance;
  {
    Queue queue;
    queue.Push(MakePacket(1));
    queue.Push(MakePacket(2));
    EXPECT_EQ(balance.Out(), 2);
  }
  EXPECT_EQ(balance.Out(), 0);
}

TEST(ThreadQueueTest, PacketPopIntoNullRefusesWithAWarningAndKeepsTheEntry) {
  PoolBalance balance;
  LogCapture capture;
  Queue queue;
  MMORPGPacket* packet = MakePacket(1);
  queue.Push(packet);

  EXPECT_FALSE(queue.PacketPop(nullptr));

  EXPECT_EQ(capture.Count(LogLevel::Warn, "CThreadQueue<T>::PacketPop(T * Packet)  Packet == NULL"), 1);
  EXPECT_EQ(queue.Count(), 1);
  EXPECT_EQ(queue.Front(), packet);
  EXPECT_EQ(balance.Out(), 1);
  queue.Clear();
}

TEST(ThreadQueueTest, PacketPopManyCopiesOutInOrderAndGivesEachBack) {
  PoolBalance balance;
  Queue queue;
  for (uint32_t id = 1; id <= 2; ++id) queue.Push(MakePacket(id, std::string(id, 'b')));
  queue.Push(nullptr);
  for (uint32_t id = 3; id <= 5; ++id) queue.Push(MakePacket(id, std::string(id, 'b')));
  EXPECT_EQ(balance.Out(), 5);

  MMORPGPacket_Stack targets[4];
  MMORPGPacket* into[4] = {&targets[0], &targets[1], &targets[2], &targets[3]};
  LogCapture capture;
  ASSERT_EQ(queue.PacketPopMany(into, 3), 3u) << "the null entry is consumed on the way";
  EXPECT_EQ(capture.Count(LogLevel::Warn, kPacketPopNull), 1);
  for (uint32_t i = 0; i < 3; ++i) {
    const uint32_t id = i < 2 ? i + 1 : 3;
    EXPECT_EQ(targets[i].GetHead()->SessionID, id);
    EXPECT_EQ(Body(targets[i]), std::string(id, 'b'));
  }
  EXPECT_EQ(balance.Out(), 2) << "every packet copied out is back in the pool";
  EXPECT_EQ(queue.Count(), 2);

  ASSERT_EQ(queue.PacketPopMany(into, 4), 2u);
  EXPECT_EQ(targets[1].GetHead()->SessionID, 5u);
  EXPECT_EQ(queue.PacketPopMany(into, 4), 0u);
  EXPECT_EQ(balance.Out(), 0);
}

TEST(ThreadQueueTest, PushAllAppendsInOrder) {
  PoolBalance balance;
  Queue queue;
  queue.Push(MakePacket(1));
  queue.PushAll({MakePacket(2), MakePacket(3)});
  queue.PushAll({});
  EXPECT_EQ(queue.Count(), 3);
  for (uint32_t id = 1; id <= 3; ++id) {
    MMORPGPacket* packet = queue.Pop();
    ASSERT_NE(packet, nullptr);
    EXPECT_EQ(packet->GetHead()->SessionID, id);
    queue.Release(packet);
  }
  EXPECT_EQ(balance.Out(), 0);
}

}  // namespace
}  // namespace maplink::test
