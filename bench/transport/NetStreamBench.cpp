// Bytes per second through the net stream as the link's send thread uses it
// (one stream per run: frames written with SendBuf_o, one flush when the
// queue is empty, every N frames), beside raw sends of the same frames in
// 8 KiB pieces. Both write into a loopback connection that a reader thread
// drains.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Socket.h"
#include "platform/TcpListener.h"
#include "platform/UniqueSocket.h"
#include "transport/CNetStream.h"
#include "transport/FlBlockSocket.h"

namespace {

namespace platform = maplink::platform;

constexpr int32_t kRawPiece = 8192;

// A connected client socket whose far end is read and thrown away by a
// reader thread until the client closes.
class DrainedConnection {
 public:
  DrainedConnection() : m_Listener(platform::TcpListener::Open("127.0.0.1")) {
    if (m_Listener == nullptr || !m_Client.Connect("127.0.0.1", m_Listener->Port())) Abort("connect");
    m_Far = m_Listener->Accept(20000);
    if (!m_Far.IsOpen()) Abort("accept");
    m_Reader = std::thread([this] {
      std::vector<char> buffer(64 * 1024);
      while (platform::ReceiveSome(m_Far.Get(), buffer.data(), static_cast<int32_t>(buffer.size())) > 0) {
      }
    });
  }
  ~DrainedConnection() {
    m_Client.Close();
    m_Reader.join();
  }
  DrainedConnection(const DrainedConnection&) = delete;
  DrainedConnection& operator=(const DrainedConnection&) = delete;

  platform::SocketHandle Socket() { return m_Client.GetSocket(); }

 private:
  [[noreturn]] static void Abort(const char* step) {
    std::fprintf(stderr, "loopback %s failed\n", step);
    std::abort();
  }

  std::unique_ptr<platform::TcpListener> m_Listener;
  FlBlockSocket m_Client;
  platform::UniqueSocket m_Far;
  std::thread m_Reader;
};

// Arguments: frame size, frames per flush.
void BM_NetStream(benchmark::State& state) {
  const auto frameSize = static_cast<int32_t>(state.range(0));
  const auto framesPerFlush = state.range(1);
  const std::string frame(static_cast<size_t>(frameSize), 'f');
  DrainedConnection connection;
  for (auto _ : state) {
    CNetStream stream(connection.Socket());
    bool written = true;
    for (int64_t i = 0; i < framesPerFlush && written; ++i) {
      written = stream.SendBuf_o(frame.data(), frameSize) > 0;
    }
    if (!written || stream.SendBuf_o(nullptr, 0) <= 0) {
      state.SkipWithError("write or flush failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * frameSize * framesPerFlush);
}

// The baseline: the same frames, laid out once, sent in pieces of 8 KiB.
void BM_RawSend(benchmark::State& state) {
  const auto frameSize = state.range(0);
  const auto framesPerFlush = state.range(1);
  const std::string frames(static_cast<size_t>(frameSize * framesPerFlush), 'f');
  const auto total = static_cast<int32_t>(frames.size());
  DrainedConnection connection;
  for (auto _ : state) {
    for (int32_t sent = 0; sent < total;) {
      const int32_t result =
          platform::SendSome(connection.Socket(), frames.data() + sent, std::min(kRawPiece, total - sent));
      if (result <= 0) {
        state.SkipWithError("send failed");
        break;
      }
      sent += result;
    }
  }
  state.SetBytesProcessed(state.iterations() * total);
}

void FrameArguments(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgNames({"frame", "framesPerFlush"});
  for (int64_t frameSize : {32, 256, 4096}) {
    for (int64_t framesPerFlush : {1, 16, 256}) benchmark->Args({frameSize, framesPerFlush});
  }
  benchmark->UseRealTime();
}

BENCHMARK(BM_NetStream)->Apply(FrameArguments);
BENCHMARK(BM_RawSend)->Apply(FrameArguments);

}  // namespace
