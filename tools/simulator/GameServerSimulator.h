#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimFrame.h"
#include "platform/Socket.h"
#include "platform/TcpListener.h"

namespace maplink::sim {

struct SimulatorOptions {
  uint16_t port = 0;               // 0: a port the system picks
  bool echo = true;                // send every packet back, source and destination swapped
  uint64_t closeAfterPackets = 0;  // close each connection after this many packets; 0: never
  bool keepPackets = false;        // keep received packets for TakeReceived
};

// A game server for tests, the demo and benchmarks: listens on 127.0.0.1,
// accepts one link connection at a time (the next one after a close, so a
// link can reconnect), speaks the frame protocol, and can echo, send bursts,
// close, stall its reading and send garbage on command.
//
// Threads: Start, Stop and the destructor from the owning thread; every
// command and query from any thread. One thread of its own serves the
// connection.
class GameServerSimulator {
 public:
  explicit GameServerSimulator(SimulatorOptions options = {});
  ~GameServerSimulator();
  GameServerSimulator(const GameServerSimulator&) = delete;
  GameServerSimulator& operator=(const GameServerSimulator&) = delete;

  // Listens and starts serving; false (errno in the last-error value) when it
  // cannot listen.
  bool Start();
  // Closes the connection and the listener and ends the serving thread.
  void Stop();
  uint16_t Port() const { return m_Port; }

  // Writes count packets with bodies of bodySize bytes (type 1, source 5,
  // destination 6, session ids counting from 1, body bytes a pattern of the
  // session id) to the current connection. False when there is none or a
  // write fails.
  bool SendBurst(uint32_t count, uint32_t bodySize);
  // Writes the bytes as they are; false when there is no connection.
  bool SendRaw(const std::string& bytes);
  // Writes count bytes that are not a frame (starting with 41 42).
  bool SendGarbage(size_t count);
  // Closes the current connection; the next connection is then accepted.
  void CloseConnection();
  // While stalled the connection is not read, so the link's sending backs up.
  void SetStalled(bool stalled);
  void SetEcho(bool echo) { m_Echo.store(echo); }
  void SetCloseAfter(uint64_t packets) { m_CloseAfter.store(packets); }

  uint64_t PacketsReceived() const { return m_PacketsReceived.load(); }
  uint64_t BytesReceived() const { return m_BytesReceived.load(); }
  uint64_t PacketsSent() const { return m_PacketsSent.load(); }
  uint64_t Connections() const { return m_Connections.load(); }
  // Frames whose payload was shorter than a packet header, or streams cut off by a bad marker.
  uint64_t Malformed() const { return m_Malformed.load(); }
  bool HasConnection() const;
  // The packets received since the last call (only with keepPackets).
  std::vector<SimPacket> TakeReceived();

  bool WaitForPackets(uint64_t total, std::chrono::milliseconds bound);
  bool WaitForConnections(uint64_t count, std::chrono::milliseconds bound);
  // Waits until no connection is open (the link closed, or CloseConnection took effect).
  bool WaitForNoConnection(std::chrono::milliseconds bound);

 private:
  void Serve();
  void ServeConnection(platform::SocketHandle connection);
  // Handles the whole payloads in the decoder; false when the connection is to close.
  bool HandlePayloads(FrameDecoder& decoder, std::string& replies, uint64_t& packetsOnConnection);
  bool WriteAll(const std::string& bytes);
  void Notify();

  const bool m_KeepPackets;
  std::unique_ptr<platform::TcpListener> m_Listener;
  uint16_t m_Port = 0;
  std::thread m_Server;

  std::atomic<bool> m_Stopping{false};
  std::atomic<bool> m_CloseRequested{false};
  std::atomic<bool> m_Echo;
  std::atomic<uint64_t> m_CloseAfter;

  // The open connection, kNoSocket when there is none. It is written by the
  // serving thread and used for writes and shut-downs from any thread, all
  // under m_WriteMutex, so a handle is never used after it is closed.
  mutable std::mutex m_WriteMutex;
  platform::SocketHandle m_Connection = platform::kNoSocket;

  std::mutex m_StallMutex;
  std::condition_variable m_StallChanged;
  bool m_Stalled = false;

  std::atomic<uint64_t> m_PacketsReceived{0};
  std::atomic<uint64_t> m_BytesReceived{0};
  std::atomic<uint64_t> m_PacketsSent{0};
  std::atomic<uint64_t> m_Connections{0};
  std::atomic<uint64_t> m_Malformed{0};

  // Guards m_Received and pairs with m_Progress for the Wait… queries.
  std::mutex m_ProgressMutex;
  std::condition_variable m_Progress;
  std::vector<SimPacket> m_Received;
};

}  // namespace maplink::sim
