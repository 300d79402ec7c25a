#pragma once

#include <cstdint>

#include "recorder/OneWayPackRec.h"

namespace maplink {

// The two directions of one recorded link, known by an index number that
// need not be unique.
class PackRecorder {
 public:
  explicit PackRecorder(int32_t index) : m_Index(index) {}
  PackRecorder(const PackRecorder&) = delete;
  PackRecorder& operator=(const PackRecorder&) = delete;

  OneWayPackRec& GetRecvRecorder() { return m_Recv; }
  OneWayPackRec& GetSendRecorder() { return m_Send; }
  int32_t GetIndex() const { return m_Index; }

 private:
  OneWayPackRec m_Recv;
  OneWayPackRec m_Send;
  const int32_t m_Index;
};

}  // namespace maplink
