#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Socket.h"
#include "platform/TcpListener.h"
#include "platform/UniqueSocket.h"
#include "transport/FlBlockSocket.h"

namespace maplink::test {

// The server end of a test connection: listens on 127.0.0.1 with an
// ephemeral port and accepts one connection. Every wait on the accepted
// connection is bounded by a receive time-out, so a missing byte fails the
// test instead of hanging it.
class LoopbackPeer {
 public:
  static constexpr int32_t kBoundMilliseconds = 20000;

  LoopbackPeer() : m_Listener(platform::TcpListener::Open("127.0.0.1")) {
    EXPECT_NE(m_Listener, nullptr) << "cannot listen on 127.0.0.1";
  }
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  uint16_t Port() const { return m_Listener->Port(); }

  // Accepts the connection the test has made; false when none came.
  bool Accept() {
    m_Connection = m_Listener->Accept(kBoundMilliseconds);
    if (!m_Connection.IsOpen()) return false;
    platform::SetSocketTimeouts(m_Connection.Get(), kBoundMilliseconds);
    return true;
  }

  platform::SocketHandle Connection() const { return m_Connection.Get(); }

  // Reads until count bytes have come, the client has closed, or the bound
  // has run out; returns what came.
  std::string Receive(size_t count) {
    std::string bytes(count, '\0');
    size_t received = 0;
    while (received < count) {
      const int32_t result = platform::ReceiveSome(m_Connection.Get(), bytes.data() + received,
                                                   static_cast<int32_t>(count - received));
      if (result <= 0) break;
      received += static_cast<size_t>(result);
    }
    bytes.resize(received);
    return bytes;
  }

  // True when the client has closed its end and no further byte came first.
  bool SeesEndOfStream() {
    char byte = 0;
    return platform::ReceiveSome(m_Connection.Get(), &byte, 1) == 0;
  }

  // Bytes that have arrived and are not read yet.
  int32_t Pending() const {
    int32_t count = -1;
    platform::PendingReceiveBytes(m_Connection.Get(), count);
    return count;
  }

  bool Send(const std::string& bytes) {
    return platform::SendSome(m_Connection.Get(), bytes.data(), static_cast<int32_t>(bytes.size())) ==
           static_cast<int32_t>(bytes.size());
  }

  void CloseConnection() { m_Connection.Reset(); }

 private:
  std::unique_ptr<platform::TcpListener> m_Listener;
  platform::UniqueSocket m_Connection;
};

// Connects the client to the peer on 127.0.0.1 and has the peer accept.
inline ::testing::AssertionResult ConnectTo(FlBlockSocket& client, LoopbackPeer& peer) {
  if (!client.Connect("127.0.0.1", peer.Port())) {
    return ::testing::AssertionFailure() << "connect: " << client.GetLastErrorText();
  }
  if (!peer.Accept()) return ::testing::AssertionFailure() << "the peer saw no connection";
  return ::testing::AssertionSuccess();
}

// A port on 127.0.0.1 with no listener: one the system just handed out and
// took back.
inline uint16_t PortWithoutListener() {
  const auto listener = platform::TcpListener::Open("127.0.0.1");
  return listener->Port();
}

// Distinct, position-dependent bytes, so that a lost, doubled or reordered
// run of bytes shows.
inline std::string PatternBytes(size_t count, unsigned seed) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((seed * 131 + i * 7 + i / 251) & 0xFF);
  return bytes;
}

}  // namespace maplink::test
