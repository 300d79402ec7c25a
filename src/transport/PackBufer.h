#pragma once

#include <cstdint>
#include <vector>

// A fixed-capacity byte buffer filled from its start. It holds at most
// capacity − 2 bytes: an append must leave two bytes free. No lock; one
// thread at a time.
class PackBufer {
 public:
  // Capacities above 65536 are allowed and logged as a warning; a negative
  // size is logged and taken as 0.
  explicit PackBufer(int32_t size);
  PackBufer(const PackBufer&) = delete;
  PackBufer& operator=(const PackBufer&) = delete;

  // Copies len bytes after those in use when they fit; false, with nothing
  // changed, when they do not or when len is negative.
  bool Append(const char* data, int32_t len);
  // Zero-fills the whole storage and empties the buffer.
  void Reset();
  const char* GetData() const { return m_Buf.data(); }
  int32_t GetLen() const { return m_Len; }

 private:
  std::vector<char> m_Buf;
  int32_t m_Len = 0;
};
