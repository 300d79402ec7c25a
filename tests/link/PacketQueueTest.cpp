// The exported queue, made and released through its exports.

#include <gtest/gtest.h>

#include <memory>

#include "LogCapture.h"
#include "PacketHelpers.h"
#include "maplink/IMMORPGPacketQueue.h"

namespace maplink::test {
namespace {

using MMORPG::MMORPGPacket;
using MMORPG::MMORPGPacket_Stack;

using QueueHandle = std::unique_ptr<IMMORPGPacketQueue, decltype(&FreeMMORPGPacketQueue)>;

QueueHandle NewQueue() { return QueueHandle(NewMMORPGPacketQueue(), &FreeMMORPGPacketQueue); }

TEST(PacketQueueTest, ANewQueueIsEmpty) {
  QueueHandle queue = NewQueue();
  ASSERT_NE(queue, nullptr);
  MMORPGPacket_Stack target;
  EXPECT_EQ(queue->Count(), 0);
  EXPECT_EQ(queue->Pop(), nullptr);
  EXPECT_EQ(queue->Front(), nullptr);
  EXPECT_FALSE(queue->PacketPop(&target));
}

TEST(PacketQueueTest, PacketPopCopiesIntoTheHostsPacketAndGivesTheQueuedOneBack) {
  PoolBalance balance;
  QueueHandle queue = NewQueue();
  EXPECT_TRUE(queue->Push(MakePacket(8, "payload")));
  EXPECT_EQ(balance.Out(), 1);

  MMORPGPacket_Stack target;
  ASSERT_TRUE(queue->PacketPop(&target));
  EXPECT_EQ(target.GetHead()->SessionID, 8u);
  EXPECT_EQ(Body(target), "payload");
  EXPECT_EQ(balance.Out(), 0);
  EXPECT_EQ(queue->Count(), 0);
}

TEST(PacketQueueTest, PopHandsThePacketOverAndReleaseGivesItBack) {
  PoolBalance balance;
  QueueHandle queue = NewQueue();
  MMORPGPacket* packet = MakePacket(1);
  queue->Push(packet);
  EXPECT_EQ(queue->Front(), packet);
  EXPECT_EQ(queue->Pop(), packet);
  EXPECT_EQ(balance.Out(), 1);
  queue->Release(packet);
  EXPECT_EQ(balance.Out(), 0);
}

TEST(PacketQueueTest, ClearAndFreeGiveEveryQueuedPacketBack) {
  PoolBalance balance;
  QueueHandle queue = NewQueue();
  queue->Push(MakePacket(1));
  queue->Push(MakePacket(2));
  queue->Push(MakePacket(3));
  queue->Clear();
  EXPECT_EQ(queue->Count(), 0);
  EXPECT_EQ(balance.Out(), 0);

  queue->Push(MakePacket(4));
  queue->Push(MakePacket(5));
  EXPECT_EQ(balance.Out(), 2);
  queue.reset();
  EXPECT_EQ(balance.Out(), 0);
}

TEST(PacketQueueTest, TwoQueuesAreIndependent) {
  PoolBalance balance;
  QueueHandle first = NewQueue();
  QueueHandle second = NewQueue();
  first->Push(MakePacket(1));
  first->Push(MakePacket(2));
  second->Push(MakePacket(3));

  EXPECT_EQ(first->Count(), 2);
  EXPECT_EQ(second->Count(), 1);
  MMORPGPacket_Stack target;
  ASSERT_TRUE(second->PacketPop(&target));
  EXPECT_EQ(target.GetHead()->SessionID, 3u);
  second->Clear();
  EXPECT_EQ(first->Count(), 2);
  first.reset();
  EXPECT_EQ(second->Count(), 0);
  EXPECT_EQ(balance.Out(), 0);
}

TEST(PacketQueueTest, FreeingNullDoesNothing) {
  LogCapture capture;
  FreeMMORPGPacketQueue(nullptr);
  EXPECT_TRUE(capture.Lines().empty());
}

}  // namespace
}  // namespace maplink::test
