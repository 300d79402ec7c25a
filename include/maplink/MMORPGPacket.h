#pragma once

// The packet the host and the module share: a 9-byte header and a body.
//
// The member order and types of MMORPG::MMORPGPacket and the layout of
// tagPackHead are part of the binary interface and never change; so is the
// order of the packet's virtual operations (the destructor, then CanFree).
//
// Ownership: pooled packets are taken with MMORPGPacket::Alloc and given back
// with MMORPGPacket::Free (through the net proxy, FreePacket). A packet the
// host creates itself with new, or an MMORPGPacket_Stack, is the host's to
// destroy; the pool refuses a stack packet.
//
// Threads: a packet has no lock. It belongs to one thread at a time: whoever
// took it from the pool or popped it from a queue. The thread that pushes a
// packet onto a queue must not touch it afterwards. Alloc and Free may be
// called from any thread.

#include <cstddef>
#include <cstdint>
#include <string>

#include "maplink/Export.h"

class IPackageDispatcher;

// Server types: the valid ones lie strictly between stMin and stMax.
enum ServerType : uint8_t {
  stMin = 0,
  stGameServer = 5,  // destination of every packet the module sends
  stMapServer = 6,   // source of every packet the module sends
  stMax = 14,
};

// The packet header, 9 bytes without padding. On the wire its fields are
// little-endian in this order; the module reads and writes them field by
// field, so the in-memory layout below is only for the host's binary interface.
#pragma pack(push, 1)
struct tagPackHead {
  uint32_t SessionID;       // set by the host, carried unchanged
  uint16_t PackOrder;       // carried; 0 on every packet queued for the game server
  uint8_t packType;         // chosen by the host
  uint8_t DestServerType;   // a ServerType
  uint8_t SrcServerType;    // a ServerType
};
#pragma pack(pop)

static_assert(sizeof(tagPackHead) == 9, "the packet header is 9 bytes on the wire");
static_assert(offsetof(tagPackHead, SessionID) == 0);
static_assert(offsetof(tagPackHead, PackOrder) == 4);
static_assert(offsetof(tagPackHead, packType) == 6);
static_assert(offsetof(tagPackHead, DestServerType) == 7);
static_assert(offsetof(tagPackHead, SrcServerType) == 8);

namespace MMORPG {

class MAPLINK_EXPORT MMORPGPacket {
 public:
  // Zero header, empty body, m_ValueB 1, not in use, a dispatcher of its own
  // (4-byte length, no CRC). Throws std::bad_alloc when memory runs out.
  MMORPGPacket();
  virtual ~MMORPGPacket();
  // True: a pooled packet may go back to the pool. MMORPGPacket_Stack says false.
  virtual bool CanFree();

  MMORPGPacket(const MMORPGPacket&) = delete;
  MMORPGPacket& operator=(const MMORPGPacket&) = delete;

  // Takes a packet from the pool, its header zeroed and its body empty; null
  // only when memory runs out.
  static MMORPGPacket* Alloc();
  // Gives a packet taken with Alloc back to the pool. Misuse (a stack packet,
  // a second give-back, null) is logged and changes nothing.
  static void Free(MMORPGPacket* packet);

  void SetSessionID(uint32_t sessionId) { m_PackHead.SessionID = sessionId; }
  void SetPackOrder(uint16_t packOrder) { m_PackHead.PackOrder = packOrder; }
  void SetPackType(uint8_t packType) { m_PackHead.packType = packType; }
  void SetDestServerType(uint8_t serverType) { m_PackHead.DestServerType = serverType; }
  void SetSrcServerType(uint8_t serverType) { m_PackHead.SrcServerType = serverType; }

  const tagPackHead* GetHead() const { return &m_PackHead; }
  int32_t GetHeadLen() const { return static_cast<int32_t>(sizeof(tagPackHead)); }
  // Copies the header; null resets the packet instead.
  void SetHead(const tagPackHead* head);
  int32_t GetHeadExtra() const { return m_HeadExtra; }
  void SetHeadExtra(int32_t headExtra) { m_HeadExtra = headExtra; }

  // The body becomes a copy of the length bytes at data (empty for 0). A
  // negative length, or null data with a positive length, is logged and leaves
  // the body as it was. Returns length.
  int32_t ReadData(const char* data, int32_t length);
  // The body bytes; never null, an empty text for an empty body.
  const char* GetData() const { return m_Data.c_str(); }
  int32_t GetDataLen() const { return static_cast<int32_t>(m_Data.size()); }

  // The framed bytes to send: the header and body (or the body alone when
  // m_NoHead is set) as one frame. A server type out of range is logged, and
  // the frame is built all the same.
  std::string GetSendData();

  // Copies the header and m_HeadExtra; null resets the packet instead.
  void CopyHead(const MMORPGPacket* source);
  // Copies the header, the carried members and the body; m_Dispatcher and
  // m_InUse stay. Null resets the packet instead.
  void Copy(const MMORPGPacket* source);
  // Empties the body and clears m_ValueA, m_FlagA, m_NoHead, m_ValueC,
  // m_HeadExtra and m_InUse; the header and m_ValueB stay.
  void Reset();

  // The members, in their binary-interface order. m_Dispatcher and m_InUse
  // belong to the module (the packet and the pool); the host reads them at most.
  IPackageDispatcher* m_Dispatcher = nullptr;  // owned; made by NewPackageDispatcher, freed by the destructor
  tagPackHead m_PackHead{};
  std::string m_Data;                // the body; may hold zero bytes
  int32_t m_ValueA = 0;              // carried for the host
  uint8_t m_FlagA = 0;               // carried for the host
  bool m_NoHead = false;             // frame the body alone, without the header
  int32_t m_ValueB = 1;              // carried for the host; Reset keeps it
  int32_t m_ValueC = 0;              // carried for the host
  int32_t m_HeadExtra = 0;           // travels with the header in CopyHead
  bool m_InUse = false;              // set while the packet is lent by the pool
};

// A packet that lives on the stack (or anywhere outside the pool); the pool
// refuses to take it.
class MAPLINK_EXPORT MMORPGPacket_Stack final : public MMORPGPacket {
 public:
  bool CanFree() override;
};

}  // namespace MMORPG
