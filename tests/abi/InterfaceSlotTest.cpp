// The order of every interface's operations, and of the packet's virtual
// operations, is part of the binary interface a host is compiled against.

#include <gtest/gtest.h>
#include <maplink/IGameServerProcess.h>
#include <maplink/IMMORPGPacketQueue.h>
#include <maplink/IMapServerNetProxy.h>
#include <maplink/IPackageDispatcher.h>
#include <maplink/IThreadManagerInterface.h>
#include <maplink/MMORPGPacket.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// The slot of a virtual operation in its class's table. Under the x86-64 C++
// ABI a pointer to a virtual member function holds 1 + the byte offset of
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

void ExpectSlotsInOrder(const std::vector<Slot>& slots, ptrdiff_t first = 0) {
  for (size_t i = 0; i < slots.size(); ++i) {
    EXPECT_EQ(slots[i].slot, first + static_cast<ptrdiff_t>(i)) << slots[i].operation;
  }
}

TEST(InterfaceSlotTest, GameServerProcess) {
  using I = IGameServerProcess;
  ExpectSlotsInOrder({
      {"Start", SlotOf(&I::Start)},
      {"Connect", SlotOf(&I::Connect)},
      {"Reconnect", SlotOf(&I::Reconnect)},
      {"Disconnect", SlotOf(&I::Disconnect)},
      {"SetDisconnectHandler", SlotOf(&I::SetDisconnectHandler)},
      {"GetSocket", SlotOf(&I::GetSocket)},
      {"IsConnected", SlotOf(&I::IsConnected)},
      {"GetRecvBytes", SlotOf(&I::GetRecvBytes)},
      {"GetSendBytes", SlotOf(&I::GetSendBytes)},
      {"GetSendQueueCount", SlotOf(&I::GetSendQueueCount)},
      {"GetRecvQueueCount", SlotOf(&I::GetRecvQueueCount)},
      {"GetNetProxy", SlotOf(&I::GetNetProxy)},
  });
}

TEST(InterfaceSlotTest, MapServerNetProxy) {
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

TEST(InterfaceSlotTest, PacketQueue) {
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

TEST(InterfaceSlotTest, PackageDispatcher) {
  using I = IPackageDispatcher;
  ExpectSlotsInOrder({
      {"SetRecvFilter", SlotOf(&I::SetRecvFilter)},
      {"SetPackCallback", SlotOf(&I::SetPackCallback)},
      {"SetErrorCallback", SlotOf(&I::SetErrorCallback)},
      {"SetFatalCallback", SlotOf(&I::SetFatalCallback)},
      {"RecvData", SlotOf(&I::RecvData)},
      {"PackData", SlotOf(&I::PackData)},
      {"ClearBuffer", SlotOf(&I::ClearBuffer)},
      {"GetPackHeadLen", SlotOf(&I::GetPackHeadLen)},
      {"SetLenMode", SlotOf(&I::SetLenMode)},
      {"GetCrcLen", SlotOf(&I::GetCrcLen)},
      {"SetUseCrc", SlotOf(&I::SetUseCrc)},
      {"GetUseCrc", SlotOf(&I::GetUseCrc)},
  });
}

TEST(InterfaceSlotTest, ThreadManagerInterface) {
  using I = IThreadManagerInterface;
  ExpectSlotsInOrder({
      {"AddThread", SlotOf(&I::AddThread)},
      {"GetThreadCount", SlotOf(&I::GetThreadCount)},
      {"StartAll", SlotOf(&I::StartAll)},
      {"StopAll", SlotOf(&I::StopAll)},
      {"ExitAll", SlotOf(&I::ExitAll)},
      {"IsStarted", SlotOf(&I::IsStarted)},
      {"SetListView", SlotOf(&I::SetListView)},
      {"RefreshListView", SlotOf(&I::RefreshListView)},
  });
}

TEST(InterfaceSlotTest, PacketDestructorThenCanFree) {
  // The virtual destructor takes the first two slots (complete and deleting).
  ExpectSlotsInOrder({{"CanFree", SlotOf(&MMORPG::MMORPGPacket::CanFree)}}, 2);
  ExpectSlotsInOrder({{"MMORPGPacket_Stack::CanFree", SlotOf(&MMORPG::MMORPGPacket_Stack::CanFree)}}, 2);
}

TEST(InterfaceSlotTest, ThreadFuncIsTheFunctionThenTheObject) {
  static_assert(sizeof(ThreadFunc) == 2 * sizeof(void*));
  EXPECT_EQ(offsetof(ThreadFunc, Function), 0u);
  EXPECT_EQ(offsetof(ThreadFunc, Object), sizeof(void*));
}

}  // namespace
