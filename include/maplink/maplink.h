#pragma once

// maplink: the network link module of a map server. Everything a host
// compiles against; link with libmaplink.so (find_package(maplink) gives
// maplink::maplink, or pkg-config maplink). libmaplink.so loads
// libquillet.so, its logging library, from beside itself.
//
// What the host gets, and who releases it:
//   GetGameServerProcess       the link (IGameServerProcess.h);   FreeGameServerProcess
//   NewPackageDispatcher       stream framing (IPackageDispatcher.h); FreePackageDispatcher
//   NewMMORPGPacketQueue       a packet queue (IMMORPGPacketQueue.h); FreeMMORPGPacketQueue
//   GetThreadManagerInterface  the thread manager (IThreadManagerInterface.h); never released
//   packets                    from the net proxy or MMORPGPacket::Alloc; given back with
//                              FreePacket / MMORPGPacket::Free, or by pushing them on a queue
// Nothing the module hands out may be deleted by the host.
//
// The binary interface: the order of every interface's operations, the
// member order of MMORPG::MMORPGPacket and tagPackHead, and the export names
// are frozen. Interfaces have no public destructor; the Free… exports
// destroy.
//
// Threads: each header says who may call what from which thread. In short,
// packets and queues may be used from any thread (one owner per packet at a
// time); the thread manager is driven from one controlling thread and its
// list view from the display thread.
//
// Failures come back as false, null, 0 or -1 results and as lines in the
// log. The one exception that leaves the library is maplink::PackCrcError,
// thrown by IPackageDispatcher::RecvData on a CRC mismatch when the host
// switched the CRC on.

#include "maplink/IGameServerProcess.h"
#include "maplink/IMMORPGPacketQueue.h"
#include "maplink/IMapServerNetProxy.h"
#include "maplink/IPackageDispatcher.h"
#include "maplink/IThreadManagerInterface.h"
#include "maplink/MMORPGPacket.h"
#include "maplink/PackCrcError.h"
#include "maplink/ThreadFunc.h"
