// Threads meeting on one connection: a receive blocked without time-out that
// another thread ends, and a reader on the far end of a long stream of
// random-sized writes.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/WaitUntil.h"
#include "platform/LastError.h"
#include "platform/Socket.h"
#include "transport/CNetStream.h"
#include "transport/FlBlockSocket.h"
#include "transport/LoopbackPeer.h"
#include "common/Watchdog.h"

namespace {

using namespace std::chrono_literals;
using maplink::test::ConnectTo;
using maplink::test::LoopbackPeer;
using maplink::test::Watchdog;

TEST(BlockedRecvTest, ShutdownOrCloseFromAnotherThreadEndsARecvWithoutTimeOut) {
  struct Case {
    const char* name;
    void (*end)(FlBlockSocket&);
    bool handleKept;
  };
  const Case cases[] = {
      {"Shutdown", [](FlBlockSocket& socket) { socket.Shutdown(); }, true},
      {"Close", [](FlBlockSocket& socket) { socket.Close(); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Watchdog watchdog(60s, c.name);
    LoopbackPeer peer;
    FlBlockSocket client;
    client.SetTimeOut(0);
    ASSERT_TRUE(ConnectTo(client, peer));
    const auto handle = client.GetSocket();

    auto received = std::async(std::launch::async, [&] {
      char buffer[64];
      return client.Recv(buffer, sizeof buffer);
    });
    // With no time-out and no bytes, the receive must still be waiting.
    EXPECT_EQ(received.wait_for(50ms), std::future_status::timeout);
    c.end(client);
    ASSERT_EQ(received.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(received.get(), 0);
    EXPECT_TRUE(peer.SeesEndOfStream());
    EXPECT_EQ(client.GetSocket(), c.handleKept ? handle : maplink::platform::kNoSocket);
    EXPECT_EQ(client.IsConnected(), c.handleKept);
  }
}

TEST(SocketCloseTest, CloseFromAnotherThreadWhileCallsAreInFlight) {
  Watchdog watchdog(60s, "close while calls are in flight");
  LoopbackPeer peer;
  FlBlockSocket client;
  ASSERT_TRUE(ConnectTo(client, peer));

  std::atomic<int> calls{0};
  auto user = [&] {
    // Ends once Close has made the calls fail.
    while (client.Send("0123456789", 10) > 0) {
      client.GetRecvSize();
      calls.fetch_add(1);
    }
  };
  std::thread first(user);
  std::thread second(user);
  auto blockedRecv = std::async(std::launch::async, [&] {
    char buffer[16];
    return client.Recv(buffer, sizeof buffer);
  });
  ASSERT_TRUE(maplink::test::WaitUntil([&] { return calls.load() >= 200; }));
  client.Close();
  first.join();
  second.join();
  ASSERT_EQ(blockedRecv.wait_for(20s), std::future_status::ready);
  EXPECT_LE(blockedRecv.get(), 0);
  EXPECT_EQ(client.GetSocket(), maplink::platform::kNoSocket);
}

TEST(SocketCloseTest, FailureTextsOfTwoThreadsStayWhole) {
  FlBlockSocket client;
  const uint16_t refusedPort = maplink::test::PortWithoutListener();
  const std::string refused =
      "FlBlockSocket::connect() generated error " + std::to_string(ECONNREFUSED) + "\n";
  std::atomic<bool> done{false};
  std::thread failingRecv([&] {
    char buffer[8];
    while (!done.load()) client.Recv(buffer, sizeof buffer);
  });
  for (int i = 0; i < 200; ++i) {
    EXPECT_FALSE(client.Connect("127.0.0.1", refusedPort));
    const std::string text = client.GetLastErrorText();
    EXPECT_TRUE(text == refused || text == "not connected") << text;
  }
  done.store(true);
  failingRecv.join();
}

// The byte at each position of the long stream: a hash of the position, so
// that any lost, doubled or reordered run of bytes changes what is seen.
uint8_t StreamByte(uint64_t position) {
  uint64_t z = (position >> 3) + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<uint8_t>(z >> ((position & 7) * 8));
}

struct ReadResult {
  int64_t received = 0;
  int64_t firstMismatch = -1;
  int32_t endResult = 0;
};

// Reads until the end of the stream (or a failure), checking every byte.
ReadResult ReadAndVerify(maplink::platform::SocketHandle connection) {
  ReadResult result;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const int32_t count =
        maplink::platform::ReceiveSome(connection, buffer.data(), static_cast<int32_t>(buffer.size()));
    if (count <= 0) {
      result.endResult = count;
      return result;
    }
    for (int32_t i = 0; i < count; ++i) {
      if (result.firstMismatch < 0 && static_cast<uint8_t>(buffer[static_cast<size_t>(i)]) !=
                                          StreamByte(static_cast<uint64_t>(result.received + i))) {
        result.firstMismatch = result.received + i;
      }
    }
    result.received += count;
  }
}

TEST(NetStreamOrderTest, FiftyMegabytesOfRandomWritesArriveInOrderOnce) {
  constexpr int64_t kTotal = 50ll * 1024 * 1024;
  constexpr int32_t kLongestWrite = 20000;
  constexpr unsigned kSeed = 20240611;
  Watchdog watchdog(300s, "50 MB through the net stream");
  LoopbackPeer peer;
  FlBlockSocket client;
  ASSERT_TRUE(ConnectTo(client, peer));
  auto reading = std::async(std::launch::async, [&] { return ReadAndVerify(peer.Connection()); });

  std::mt19937 random(kSeed);
  std::uniform_int_distribution<int32_t> writeLength(1, kLongestWrite);
  std::bernoulli_distribution flushNow(0.1);
  std::string chunk;
  int64_t written = 0;
  int64_t writes = 0;
  std::string failure;
  {
    CNetStream stream(client.GetSocket());
    while (written < kTotal && failure.empty()) {
      const auto length = static_cast<int32_t>(std::min<int64_t>(writeLength(random), kTotal - written));
      chunk.resize(static_cast<size_t>(length));
      for (int32_t i = 0; i < length; ++i)
        chunk[static_cast<size_t>(i)] = static_cast<char>(StreamByte(static_cast<uint64_t>(written + i)));
      if (stream.SendBuf_o(chunk.data(), length) != length) failure = "write " + std::to_string(writes);
      written += length;
      ++writes;
      if (failure.empty() && (flushNow(random) || written == kTotal)) {
        const int32_t flushed = stream.SendBuf_o(nullptr, 0);
        if (flushed <= 0 && maplink::platform::GetLastError() != ERROR_NOTHING_TO_SEND) failure = "flush";
      }
    }
  }
  client.Close();
  const ReadResult read = reading.get();

  EXPECT_EQ(failure, "") << "seed " << kSeed;
  EXPECT_EQ(read.received, kTotal) << "seed " << kSeed << ", " << writes << " writes";
  EXPECT_EQ(read.firstMismatch, -1) << "seed " << kSeed;
  EXPECT_EQ(read.endResult, 0) << "the reader ends at the end of the stream, not on an error";
}

}  // namespace
