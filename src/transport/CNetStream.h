#pragma once

#include <cstdint>

#include "platform/Socket.h"
#include "platform/SocketSender.h"
#include "transport/PackBufer.h"

// The thread's last-error value after a flush that found nothing to send: not
// a failure. An application-defined value (bit 29 set), so it never equals an
// errno.
inline constexpr uint32_t ERROR_NOTHING_TO_SEND = 0x20000001;

// Gathers consecutive writes in an 8192-byte buffer (8190 bytes usable) and
// writes them to a socket in one go when flushed or when the next write does
// not fit; a write larger than the buffer goes out directly. Bytes leave in
// the order they were written. Bytes still buffered when the stream is
// destroyed are dropped. Belongs to one thread.
//
// Results: greater than 0 on success; 0 or less on failure, with the cause in
// the thread's last-error value (platform::GetLastError): the errno of a
// failed send, or ERROR_NOTHING_TO_SEND after an empty flush.
class CNetStream {
 public:
  // "sender" writes to the socket and must outlive the stream.
  explicit CNetStream(maplink::platform::SocketHandle socket,
                      maplink::platform::SocketSender& sender = maplink::platform::SystemSocketSender());
  CNetStream(const CNetStream&) = delete;
  CNetStream& operator=(const CNetStream&) = delete;

  // len greater than 0: a buffered write; len 0: a flush (lpData unused).
  // A write returns len once its bytes are buffered or sent, or the result
  // of the failed send; a failure keeps what was buffered and does not take
  // lpData. A flush returns the number of bytes sent, 0 with
  // ERROR_NOTHING_TO_SEND when the buffer is empty, or the result of the
  // failed send with the buffer kept. A negative len is refused (-1, EINVAL)
  // and a null lpData with len above 0 gives 0 (EFAULT); both leave the
  // buffer unchanged and are logged.
  int32_t SendBuf_o(const char* lpData, int32_t len);

  // Sends all len bytes with as many sends as it takes: len, or the result of
  // the first send that returned 0 or less (bytes already sent are not
  // reported). A negative len is refused (-1, EINVAL).
  int32_t SendAll(const char* data, int32_t len);

 private:
  int32_t Flush();
  int32_t Write(const char* lpData, int32_t len);

  const maplink::platform::SocketHandle m_Socket;
  PackBufer m_Buffer;
  maplink::platform::SocketSender& m_Sender;
};
