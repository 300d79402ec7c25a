#pragma once

#include <cstdint>
#include <string>

namespace maplink {

// One recorded packet. Built whole by the recording thread and never changed
// afterwards, so readers share it without a lock.
struct tagOnePackData {
  std::string m_HexText;  // two upper-case hex digits and a blank per byte of m_Data
  std::string m_Data;     // the packet bytes as recorded
  std::string m_Time;     // local time of day at recording, "HH:MM:SS"
  uint32_t m_Serial = 0;  // the direction's packet count after counting this packet
  uint32_t m_SessionID = 0;
  int32_t m_PackOrder = 0;
};

}  // namespace maplink
