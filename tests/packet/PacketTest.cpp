#include "maplink/MMORPGPacket.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "maplink/IPackageDispatcher.h"
#include "packet/PackHead.h"
#include "support/CommFunc.h"

namespace maplink::test {
namespace {

using MMORPG::MMORPGPacket;
using MMORPG::MMORPGPacket_Stack;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

const std::string kExampleHead = Bytes({0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x02, 0x05, 0x06});

// The example packet: SessionID 0x01020304, PackOrder 0, packType 2, from the
// map server to the game server, body "AB".
void FillExample(MMORPGPacket& packet) {
  packet.SetSessionID(0x01020304);
  packet.SetPackOrder(0);
  packet.SetPackType(2);
  packet.SetDestServerType(stGameServer);
  packet.SetSrcServerType(stMapServer);
  packet.ReadData("AB", 2);
}

// Sets every member a packet copies, each to a value of its own.
void FillAll(MMORPGPacket& packet) {
  FillExample(packet);
  packet.ReadData("\0x\0", 3);
  packet.m_ValueA = 11;
  packet.m_FlagA = 12;
  packet.m_NoHead = true;
  packet.m_ValueB = 13;
  packet.m_ValueC = 14;
  packet.m_HeadExtra = 15;
}

// The state Reset leaves: body and carried members cleared, m_ValueB as given.
void ExpectCleared(const MMORPGPacket& packet, int32_t valueB) {
  EXPECT_EQ(packet.GetDataLen(), 0);
  ASSERT_NE(packet.GetData(), nullptr);
  EXPECT_STREQ(packet.GetData(), "");
  EXPECT_EQ(packet.m_ValueA, 0);
  EXPECT_EQ(packet.m_FlagA, 0);
  EXPECT_FALSE(packet.m_NoHead);
  EXPECT_EQ(packet.m_ValueB, valueB);
  EXPECT_EQ(packet.m_ValueC, 0);
  EXPECT_EQ(packet.m_HeadExtra, 0);
  EXPECT_FALSE(packet.m_InUse);
}

std::string HeadBytes(const MMORPGPacket& packet) {
  std::string bytes(9, '\0');
  int32_t offset = 0;
  WritePackHead(bytes.data(), offset, *packet.GetHead());
  return bytes;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
TEST(PacketLayoutTest, MembersSitWhereTheHostExpectsThem) {
  // The host compiles against the same class: these offsets are its binary
  // interface on 64-bit Linux (the virtual table pointer comes first).
  EXPECT_EQ(offsetof(MMORPGPacket, m_Dispatcher), 8u);
  EXPECT_EQ(offsetof(MMORPGPacket, m_PackHead), 16u);
  EXPECT_EQ(offsetof(MMORPGPacket, m_Data), 32u);
  EXPECT_EQ(offsetof(MMORPGPacket, m_ValueA), 64u);
  EXPECT_EQ(offsetof(MMORPGPacket, m_FlagA), 68u);
  EXPECT_EQ(offsetof(MMORPGPacket, m_NoHead), 69u);
  EXPECT_EQ(offsetof(MMORPGPacket, m_ValueB), 72u);
  EXPECT_EQ(offsetof(MMORPGPacket, m_ValueC), 76u);
  EXPECT_EQ(offsetof(MMORPGPacket, m_HeadExtra), 80u);
  EXPECT_EQ(offsetof(MMORPGPacket, m_InUse), 84u);
  EXPECT_EQ(sizeof(MMORPGPacket), 88u);
  EXPECT_EQ(sizeof(MMORPGPacket_Stack), sizeof(MMORPGPacket));
}
#pragma GCC diagnostic pop

TEST(PacketTest, ANewPacketIsEmptyAndOwnsADispatcherWithTheDefaults) {
  MMORPGPacket_Stack packet;
  EXPECT_EQ(HeadBytes(packet), std::string(9, '\0'));
  EXPECT_EQ(packet.GetHeadLen(), 9);
  ExpectCleared(packet, 1);
  ASSERT_NE(packet.m_Dispatcher, nullptr);
  EXPECT_EQ(packet.m_Dispatcher->GetPackHeadLen(), 6);
  EXPECT_FALSE(packet.m_Dispatcher->GetUseCrc());
  EXPECT_FALSE(packet.CanFree());
  EXPECT_TRUE(static_cast<MMORPGPacket&>(packet).MMORPGPacket::CanFree());
}

TEST(PacketTest, HeaderFieldsGoOnTheWireLittleEndian) {
  MMORPGPacket_Stack packet;
  FillExample(packet);
  EXPECT_EQ(HexString(HeadBytes(packet)), HexString(kExampleHead));

  tagPackHead parsed{};
  EXPECT_EQ(MMORPG::ParseHead(&parsed, kExampleHead.data(), 9), 9);
  EXPECT_EQ(parsed.SessionID, 0x01020304u);
  EXPECT_EQ(parsed.PackOrder, 0);
  EXPECT_EQ(parsed.packType, 2);
  EXPECT_EQ(parsed.DestServerType, stGameServer);
  EXPECT_EQ(parsed.SrcServerType, stMapServer);
  const std::string ordered = Bytes({0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 1, 2, 3});
  MMORPG::ParseHead(&parsed, ordered.data(), 0);
  EXPECT_EQ(parsed.SessionID, 0x12345678u);
  EXPECT_EQ(parsed.PackOrder, 0x1234);
}

TEST(PacketTest, ParseHeadLogsAnUnexpectedLengthAndCopiesTheHeaderAnyway) {
  const std::string bytes = kExampleHead + "AB";
  struct Case {
    int32_t expectedLen;
    std::vector<std::string> warnings;
  };
  const Case cases[] = {
      {0, {}},
      {9, {}},
      {11, {"Error in tagPackHead : 04 03 02 01 00 00 02 05 06 41 42  "}},
      {2, {"Error in tagPackHead : 04 03  "}},
  };
  for (const Case& tried : cases) {
    SCOPED_TRACE(tried.expectedLen);
    LogCapture capture;
    tagPackHead head{};
    EXPECT_EQ(MMORPG::ParseHead(&head, bytes.data(), tried.expectedLen), 9);
    EXPECT_EQ(capture.Texts(LogLevel::Warn), tried.warnings);
    EXPECT_EQ(head.SessionID, 0x01020304u);
    EXPECT_EQ(head.SrcServerType, stMapServer);
  }
}

struct SendCase {
  const char* name;
  void (*prepare)(MMORPGPacket&);
  std::string frame;
};

TEST(PacketSendTest, GetSendDataFramesTheHeaderAndBody) {
  const SendCase cases[] = {
      {"example", [](MMORPGPacket& p) { FillExample(p); },
       Bytes({0xFF, 0xCC, 0x0B, 0x00, 0x00, 0x00}) + kExampleHead + "AB"},
      {"empty body",
       [](MMORPGPacket& p) {
         FillExample(p);
         p.ReadData(nullptr, 0);
       },
       Bytes({0xFF, 0xCC, 0x09, 0x00, 0x00, 0x00}) + kExampleHead},
      {"body alone",
       [](MMORPGPacket& p) {
         p.ReadData("AB", 2);
         p.m_NoHead = true;
       },
       Bytes({0xFF, 0xCC, 0x02, 0x00, 0x00, 0x00, 0x41, 0x42})},
      {"zero bytes in the body",
       [](MMORPGPacket& p) {
         FillExample(p);
         p.ReadData("\0\0", 2);
       },
       Bytes({0xFF, 0xCC, 0x0B, 0x00, 0x00, 0x00}) + kExampleHead + std::string(2, '\0')},
      {"CRC switched on in the packet's dispatcher",
       [](MMORPGPacket& p) {
         FillExample(p);
         p.m_Dispatcher->SetUseCrc(true);
       },
       Bytes({0xFF, 0xCC, 0x0F, 0x00, 0x00, 0x00}) + kExampleHead + "AB" + Bytes({0x29, 0xAD, 0xED, 0xD1})},
  };
  for (const SendCase& send : cases) {
    SCOPED_TRACE(send.name);
    MMORPGPacket_Stack packet;
    send.prepare(packet);
    LogCapture capture;
    EXPECT_EQ(HexString(packet.GetSendData()), HexString(send.frame));
    EXPECT_EQ(HexString(packet.GetSendData()), HexString(send.frame));
    EXPECT_TRUE(capture.Lines().empty());
  }
}

TEST(PacketSendTest, ServerTypesOutOfRangeAreLoggedAndTheFrameIsSentAnyway) {
  const std::string destWarning =
      "MMORPGPacket::GetSendData  m_PackHead.DestServerType <= stMin || m_PackHead.DestServerType >= stMax  , "
      "packType=7";
  const std::string srcWarning =
      "MMORPGPacket::GetSendData  m_PackHead.SrcServerType <= stMin || m_PackHead.SrcServerType >= stMax  , "
      "packType=7";
  struct Case {
    uint8_t dest;
    uint8_t src;
    std::vector<std::string> warnings;
  };
  const Case cases[] = {
      {1, 13, {}},
      {13, 1, {}},
      {0, 6, {destWarning}},
      {14, 6, {destWarning}},
      {255, 6, {destWarning}},
      {5, 0, {srcWarning}},
      {5, 14, {srcWarning}},
      {0, 200, {destWarning, srcWarning}},
  };
  for (const Case& tried : cases) {
    SCOPED_TRACE(std::to_string(tried.dest) + " -> " + std::to_string(tried.src));
    MMORPGPacket_Stack packet;
    packet.SetPackType(7);
    packet.SetDestServerType(tried.dest);
    packet.SetSrcServerType(tried.src);
    LogCapture capture;
    EXPECT_EQ(packet.GetSendData().size(), 15u);
    EXPECT_EQ(capture.Texts(LogLevel::Warn), tried.warnings);
  }
}

TEST(PacketTest, ReadDataSetsTheBodyAndRefusesBadArguments) {
  struct Case {
    const char* data;
    int32_t length;
    int32_t result;
    std::string body;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"xy", 2, 2, "xy", {}},
      {"x\0y", 3, 3, std::string("x\0y", 3), {}},
      {"ignored", 0, 0, "", {}},
      {nullptr, 0, 0, "", {}},
      {"xy", -1, -1, "abc", {"MMORPGPacket::ReadData(char *lpData, int Len), Len = -1"}},
      {nullptr, 3, 0, "abc", {"MMORPGPacket::ReadData(char *lpData, int Len), lpData = NULL, Len = 3"}},
  };
  for (const Case& tried : cases) {
    SCOPED_TRACE(tried.length);
    MMORPGPacket_Stack packet;
    packet.ReadData("abc", 3);
    LogCapture capture;
    EXPECT_EQ(packet.ReadData(tried.data, tried.length), tried.result);
    EXPECT_EQ(std::string(packet.GetData(), static_cast<size_t>(packet.GetDataLen())), tried.body);
    EXPECT_EQ(capture.Texts(LogLevel::Error), tried.errors);
  }
}

TEST(PacketTest, CopyTakesHeaderCarriedMembersAndTheWholeBodyButNotDispatcherOrUse) {
  MMORPGPacket_Stack source;
  FillAll(source);
  MMORPGPacket_Stack target;
  IPackageDispatcher* ownDispatcher = target.m_Dispatcher;
  target.m_InUse = true;

  target.Copy(&source);
  EXPECT_EQ(HeadBytes(target), HeadBytes(source));
  EXPECT_EQ(std::string(target.GetData(), 3), std::string("\0x\0", 3));
  EXPECT_EQ(target.GetDataLen(), 3);
  EXPECT_EQ(target.m_ValueA, 11);
  EXPECT_EQ(target.m_FlagA, 12);
  EXPECT_TRUE(target.m_NoHead);
  EXPECT_EQ(target.m_ValueB, 13);
  EXPECT_EQ(target.m_ValueC, 14);
  EXPECT_EQ(target.GetHeadExtra(), 15);
  EXPECT_EQ(target.m_Dispatcher, ownDispatcher);
  EXPECT_TRUE(target.m_InUse);

  target.Copy(&target);
  EXPECT_EQ(target.GetDataLen(), 3);
}

TEST(PacketTest, CopyHeadTakesOnlyTheHeaderAndItsExtra) {
  MMORPGPacket_Stack source;
  FillAll(source);
  MMORPGPacket_Stack target;
  target.ReadData("keep", 4);
  target.CopyHead(&source);
  EXPECT_EQ(HeadBytes(target), kExampleHead);
  EXPECT_EQ(target.GetHeadExtra(), 15);
  EXPECT_EQ(std::string(target.GetData()), "keep");
  EXPECT_EQ(target.m_ValueA, 0);

  MMORPGPacket_Stack other;
  other.SetHead(source.GetHead());
  EXPECT_EQ(HeadBytes(other), kExampleHead);
  EXPECT_EQ(other.GetHeadExtra(), 0);
}

TEST(PacketTest, ANullSourceResetsKeepingTheHeaderAndValueB) {
  void (*const withNull[])(MMORPGPacket&) = {
      [](MMORPGPacket& p) { p.Copy(nullptr); },
      [](MMORPGPacket& p) { p.CopyHead(nullptr); },
      [](MMORPGPacket& p) { p.SetHead(nullptr); },
      [](MMORPGPacket& p) { p.Reset(); },
  };
  for (auto call : withNull) {
    MMORPGPacket_Stack packet;
    FillAll(packet);
    packet.m_InUse = true;
    call(packet);
    EXPECT_EQ(HeadBytes(packet), kExampleHead);
    ExpectCleared(packet, 13);
  }
}

TEST(PacketTest, ResetGivesBackTheMemoryOfALargeBody) {
  MMORPGPacket_Stack packet;
  const std::string large(1 << 20, 'x');
  packet.ReadData(large.data(), static_cast<int32_t>(large.size()));
  packet.Reset();
  EXPECT_LE(packet.m_Data.capacity(), 64u * 1024u);
}

}  // namespace
}  // namespace maplink::test
