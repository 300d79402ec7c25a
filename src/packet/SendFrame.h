#pragma once

#include <string>

#include "maplink/MMORPGPacket.h"

namespace maplink {

// The frame GetSendData gives, written into "frame" (its old contents
// replaced) with "payload" as scratch. Both keep their capacity, so a loop
// that frames many packets with the same two strings allocates nothing per
// packet.
void BuildSendFrame(MMORPG::MMORPGPacket& packet, std::string& payload, std::string& frame);

}  // namespace maplink
