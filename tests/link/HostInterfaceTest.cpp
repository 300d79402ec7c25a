// Seen from a host: only libmaplink.so and the public headers. Every
// operation is called through the pointer the export hands out.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "maplink/IMMORPGPacketQueue.h"
#include "maplink/IMapServerNetProxy.h"
#include "maplink/MMORPGPacket.h"

namespace {

using MMORPG::MMORPGPacket;

std::string Body(const MMORPGPacket& packet) {
  return std::string(packet.GetData(), static_cast<size_t>(packet.GetDataLen()));
}

TEST(HostInterfaceTest, AHostUsesEveryOperationOfAnExportedQueue) {
  IMMORPGPacketQueue* queue = NewMMORPGPacketQueue();
  ASSERT_NE(queue, nullptr);

  MMORPGPacket* first = MMORPGPacket::Alloc();
  first->SetSessionID(1);
  first->ReadData("one", 3);
  MMORPGPacket* second = MMORPGPacket::Alloc();
  second->SetSessionID(2);
  MMORPGPacket* third = MMORPGPacket::Alloc();
  EXPECT_TRUE(queue->Push(first));
  EXPECT_TRUE(queue->Push(second));
  EXPECT_TRUE(queue->Push(third));
  EXPECT_EQ(queue->Count(), 3);
  EXPECT_EQ(queue->Front(), first);

  MMORPG::MMORPGPacket_Stack copy;
  ASSERT_TRUE(queue->PacketPop(&copy));
  EXPECT_EQ(copy.GetHead()->SessionID, 1u);
  EXPECT_EQ(Body(copy), "one");
  EXPECT_FALSE(first->m_InUse);  // given back to the pool

  EXPECT_EQ(queue->Pop(), second);
  EXPECT_TRUE(second->m_InUse);  // the host's now
  queue->Release(second);
  EXPECT_FALSE(second->m_InUse);

  queue->Clear();
  EXPECT_FALSE(third->m_InUse);
  EXPECT_EQ(queue->Count(), 0);

  MMORPGPacket* left = MMORPGPacket::Alloc();
  queue->Push(left);
  FreeMMORPGPacketQueue(queue);
  EXPECT_FALSE(left->m_InUse);
  FreeMMORPGPacketQueue(nullptr);
}

}  // namespace
