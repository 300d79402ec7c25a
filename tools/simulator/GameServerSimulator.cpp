#include "GameServerSimulator.h"

#include <cerrno>
#include <utility>

#include "platform/LastError.h"

namespace maplink::sim {

namespace {

// The serving thread wakes this often to see commands and the stop request.
constexpr int32_t kPollMilliseconds = 50;
constexpr size_t kReadBlock = 64 * 1024;
// Replies are written once this many bytes are gathered, and after each read.
constexpr size_t kWriteBlock = 64 * 1024;

bool WouldBlock() {
  const uint32_t error = platform::GetLastError();
  return error == EAGAIN || error == EWOULDBLOCK;
}

std::string PatternBody(uint32_t sessionId, uint32_t size) {
  std::string body(size, '\0');
  for (uint32_t i = 0; i < size; ++i) body[i] = static_cast<char>((sessionId * 31 + i) & 0xFF);
  return body;
}

}  // namespace

GameServerSimulator::GameServerSimulator(SimulatorOptions options)
    : m_KeepPackets(options.keepPackets),
      m_Port(options.port),
      m_Echo(options.echo),
      m_CloseAfter(options.closeAfterPackets) {}

GameServerSimulator::~GameServerSimulator() { Stop(); }

bool GameServerSimulator::Start() {
  m_Listener = platform::TcpListener::Open("127.0.0.1", m_Port);
  if (!m_Listener) return false;
  m_Port = m_Listener->Port();
  m_Stopping.store(false);
  m_Server = std::thread([this] { Serve(); });
  return true;
}

void GameServerSimulator::Stop() {
  m_Stopping.store(true);
  SetStalled(false);
  CloseConnection();
  if (m_Server.joinable()) m_Server.join();
  m_Listener.reset();
}

void GameServerSimulator::Serve() {
  while (!m_Stopping.load()) {
    platform::UniqueSocket connection = m_Listener->Accept(kPollMilliseconds);
    if (!connection.IsOpen()) continue;
    platform::SetSocketTimeouts(connection.Get(), kPollMilliseconds);
    m_CloseRequested.store(false);
    {
      std::lock_guard<std::mutex> lock(m_WriteMutex);
      m_Connection = connection.Get();
    }
    m_Connections.fetch_add(1);
    Notify();
    ServeConnection(connection.Get());
    {
      std::lock_guard<std::mutex> lock(m_WriteMutex);
      m_Connection = platform::kNoSocket;
    }
    connection.Reset();
    Notify();
  }
}

void GameServerSimulator::ServeConnection(platform::SocketHandle connection) {
  FrameDecoder decoder;
  std::string block(kReadBlock, '\0');
  std::string replies;
  uint64_t packetsOnConnection = 0;
  while (!m_Stopping.load() && !m_CloseRequested.load()) {
    {
      std::unique_lock<std::mutex> lock(m_StallMutex);
      if (m_Stalled) {
        m_StallChanged.wait_for(lock, std::chrono::milliseconds(kPollMilliseconds));
        continue;
      }
    }
    const int32_t received = platform::ReceiveSome(connection, block.data(), static_cast<int32_t>(block.size()));
    if (received == 0) return;  // the link closed
    if (received < 0) {
      if (WouldBlock()) continue;
      return;
    }
    m_BytesReceived.fetch_add(static_cast<uint64_t>(received));
    decoder.Feed(block.data(), static_cast<size_t>(received));
    const bool keepOpen = HandlePayloads(decoder, replies, packetsOnConnection);
    if (!replies.empty() && !WriteAll(replies)) return;
    replies.clear();
    Notify();
    if (!keepOpen) return;
  }
}

bool GameServerSimulator::HandlePayloads(FrameDecoder& decoder, std::string& replies,
                                         uint64_t& packetsOnConnection) {
  const bool echo = m_Echo.load();
  while (auto payload = decoder.NextPayload()) {
    const uint64_t closeAfter = m_CloseAfter.load();
    const bool closeNow = closeAfter != 0 && ++packetsOnConnection >= closeAfter;
    if (payload->size() < kPacketHeadBytes) {
      m_Malformed.fetch_add(1);
      if (closeNow) return false;
      continue;
    }
    m_PacketsReceived.fetch_add(1, std::memory_order_relaxed);
    if (echo) {
      // The same frame with source and destination swapped.
      const size_t start = replies.size();
      replies.append(payload->data() - kFrameHeadBytes, kFrameHeadBytes + payload->size());
      std::swap(replies[start + kFrameHeadBytes + kDestOffset], replies[start + kFrameHeadBytes + kSrcOffset]);
      m_PacketsSent.fetch_add(1, std::memory_order_relaxed);
      if (replies.size() >= kWriteBlock) {
        if (!WriteAll(replies)) return false;
        replies.clear();
      }
    }
    if (m_KeepPackets) {
      std::lock_guard<std::mutex> lock(m_ProgressMutex);
      m_Received.push_back(*ParsePayload(payload->data(), payload->size()));
    }
    if (closeNow) return false;
  }
  if (decoder.Broken()) {
    m_Malformed.fetch_add(1);
    return false;
  }
  return true;
}

bool GameServerSimulator::WriteAll(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(m_WriteMutex);
  size_t written = 0;
  while (written < bytes.size()) {
    if (m_Connection == platform::kNoSocket || m_Stopping.load()) return false;
    const int32_t sent = platform::SendSome(m_Connection, bytes.data() + written,
                                            static_cast<int32_t>(bytes.size() - written));
    if (sent > 0) {
      written += static_cast<size_t>(sent);
    } else if (!(sent < 0 && WouldBlock())) {
      return false;
    }
  }
  return true;
}

bool GameServerSimulator::SendBurst(uint32_t count, uint32_t bodySize) {
  std::string frames;
  for (uint32_t i = 1; i <= count; ++i) {
    SimPacket packet;
    packet.sessionId = i;
    packet.type = 1;
    packet.dest = 6;
    packet.src = 5;
    packet.body = PatternBody(i, bodySize);
    AppendFrame(frames, packet);
    if (frames.size() >= kWriteBlock || i == count) {
      if (!WriteAll(frames)) return false;
      frames.clear();
    }
  }
  m_PacketsSent.fetch_add(count);
  return true;
}

bool GameServerSimulator::SendRaw(const std::string& bytes) { return WriteAll(bytes); }

bool GameServerSimulator::SendGarbage(size_t count) {
  std::string garbage(count, '\0');
  for (size_t i = 0; i < count; ++i) garbage[i] = static_cast<char>(0x41 + i % 26);
  return WriteAll(garbage);
}

void GameServerSimulator::CloseConnection() {
  m_CloseRequested.store(true);
  std::lock_guard<std::mutex> lock(m_WriteMutex);
  if (m_Connection != platform::kNoSocket) platform::ShutdownSocket(m_Connection);
}

void GameServerSimulator::SetStalled(bool stalled) {
  {
    std::lock_guard<std::mutex> lock(m_StallMutex);
    m_Stalled = stalled;
  }
  m_StallChanged.notify_all();
}

bool GameServerSimulator::HasConnection() const {
  std::lock_guard<std::mutex> lock(m_WriteMutex);
  return m_Connection != platform::kNoSocket;
}

std::vector<SimPacket> GameServerSimulator::TakeReceived() {
  std::lock_guard<std::mutex> lock(m_ProgressMutex);
  return std::exchange(m_Received, {});
}

bool GameServerSimulator::WaitForPackets(uint64_t total, std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(m_ProgressMutex);
  return m_Progress.wait_for(lock, bound, [&] { return m_PacketsReceived.load() >= total; });
}

bool GameServerSimulator::WaitForConnections(uint64_t count, std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(m_ProgressMutex);
  return m_Progress.wait_for(lock, bound, [&] { return m_Connections.load() >= count && HasConnection(); });
}

bool GameServerSimulator::WaitForNoConnection(std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(m_ProgressMutex);
  return m_Progress.wait_for(lock, bound, [&] { return !HasConnection(); });
}

void GameServerSimulator::Notify() {
  // Taking the mutex orders the notification after a waiter's predicate test.
  { std::lock_guard<std::mutex> lock(m_ProgressMutex); }
  m_Progress.notify_all();
}

}  // namespace maplink::sim
