// Seen from a host: only libmaplink.so and the public headers, nothing of the
// module's internals. Builds and links only when everything the host needs
// is exported.

#include <gtest/gtest.h>

#include <string>

#include "maplink/IPackageDispatcher.h"
#include "maplink/MMORPGPacket.h"

namespace {

using MMORPG::MMORPGPacket;

TEST(HostBoundaryTest, AHostBuildsSendsAndRecyclesPackets) {
  MMORPGPacket* packet = MMORPGPacket::Alloc();
  ASSERT_NE(packet, nullptr);
  packet->SetPackType(2);
  packet->SetDestServerType(stGameServer);
  packet->SetSrcServerType(stMapServer);
  packet->ReadData("AB", 2);
  EXPECT_EQ(packet->GetSendData().size(), 17u);
  MMORPGPacket::Free(packet);

  MMORPG::MMORPGPacket_Stack onStack;
  EXPECT_FALSE(onStack.CanFree());
  auto* own = new MMORPGPacket();
  own->Copy(&onStack);
  delete own;
}

TEST(HostBoundaryTest, AHostCatchesTheCrcErrorThrownInsideTheLibrary) {
  IPackageDispatcher* dispatcher = NewPackageDispatcher();
  dispatcher->SetUseCrc(true);
  const std::string badFrame("\xFF\xCC\x04\x00\x00\x00\x00\x00\x00\x00", 10);
  EXPECT_THROW(dispatcher->RecvData(badFrame), maplink::PackCrcError);
  FreePackageDispatcher(dispatcher);
}

}  // namespace
