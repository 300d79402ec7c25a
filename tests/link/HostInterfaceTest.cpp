// Seen from a host: only libmaplink.so and the public headers. The order of
// each interface's operations is frozen, and every operation is called
// through the pointer the export hands out.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "maplink/IMMORPGPacketQueue.h"
#include "maplink/IMapServerNetProxy.h"
#include "maplink/MMORPGPacket.h"

namespace {

using MMORPG::MMORPGPacket;

// The slot of a virtual operation in its interface's table. Under the x86-64
// C++ ABI a pointer to a virtual member function holds 1 + the byte offset of
// its slot.
template <typename Member>
ptrdiff_t SlotOf(Member member) {
  struct Representation {
    ptrdiff_t ptr;
    ptrdiff_t adj;
  };
  static_assert(sizeof(Member) == sizeof(Representation));
  Representation representation;
  std::memcpy(&representation, &member, sizeof representation);
  return (representation.ptr - 1) / static_cast<ptrdiff_t>(sizeof(void*));
}

struct Slot {
  const char* operation;
  ptrdiff_t slot;
};

void ExpectSlotsInOrder(const std::vector<Slot>& slots) {
  for (size_t i = 0; i < slots.size(); ++i) {
    EXPECT_EQ(slots[i].slot, static_cast<ptrdiff_t>(i)) << slots[i].operation;
  }
}

TEST(HostInterfaceTest, TheNetProxysOperationsKeepTheirSlots) {
  using I = IMapServerNetProxy;
  ExpectSlotsInOrder({
      {"SendPack", SlotOf(&I::SendPack)},
      {"SendData", SlotOf(&I::SendData)},
      {"RecvPacket", SlotOf(&I::RecvPacket)},
      {"GetSendRate", SlotOf(&I::GetSendRate)},
      {"GetRecvRate", SlotOf(&I::GetRecvRate)},
      {"PopUserQueue1", SlotOf(&I::PopUserQueue1)},
      {"PushUserQueue1", SlotOf(&I::PushUserQueue1)},
      {"CountUserQueue1", SlotOf(&I::CountUserQueue1)},
      {"PopUserQueue2", SlotOf(&I::PopUserQueue2)},
      {"PushUserQueue2", SlotOf(&I::PushUserQueue2)},
      {"CountUserQueue2", SlotOf(&I::CountUserQueue2)},
      {"PopUserQueue3", SlotOf(&I::PopUserQueue3)},
      {"PushUserQueue3", SlotOf(&I::PushUserQueue3)},
      {"CountUserQueue3", SlotOf(&I::CountUserQueue3)},
      {"NewPacket", SlotOf(&I::NewPacket)},
      {"FreePacket", SlotOf(&I::FreePacket)},
      {"GetPacketCount", SlotOf(&I::GetPacketCount)},
      {"GetPacketPeakCount", SlotOf(&I::GetPacketPeakCount)},
  });
}

TEST(HostInterfaceTest, TheExportedQueuesOperationsKeepTheirSlots) {
  using I = IMMORPGPacketQueue;
  ExpectSlotsInOrder({
      {"PacketPop", SlotOf(&I::PacketPop)},
      {"Push", SlotOf(&I::Push)},
      {"Pop", SlotOf(&I::Pop)},
      {"Front", SlotOf(&I::Front)},
      {"Release", SlotOf(&I::Release)},
      {"Clear", SlotOf(&I::Clear)},
      {"Count", SlotOf(&I::Count)},
  });
}

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
