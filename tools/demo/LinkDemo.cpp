#include "LinkDemo.h"

#include <maplink/IGameServerProcess.h>
#include <maplink/IMapServerNetProxy.h>
#include <maplink/IThreadManagerInterface.h>
#include <maplink/MMORPGPacket.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <thread>

#include "GameServerSimulator.h"
#include "link/GameServerProcess.h"
#include "platform/LastError.h"
#include "platform/Process.h"
#include "platform/Signals.h"
#include "recorder/PackRecorderManager.h"
#include "threads/ThreadManager.h"

namespace maplink::demo {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kDemoPacketType = 1;
// How long the demo waits at the end for echoes still on their way.
constexpr auto kDrainBound = std::chrono::seconds(5);
// A failure within this span of a reconnect is taken as the old
// connection's: the thread runs again on the new one instead of reconnecting.
constexpr auto kReconnectSettle = std::chrono::milliseconds(500);
constexpr int32_t kRetryDelayMs = 1000;
constexpr auto kInterruptPoll = std::chrono::milliseconds(50);

std::string BodyOf(uint32_t sequence, uint32_t size) {
  std::string body(size, '\0');
  for (uint32_t i = 0; i < size; ++i) body[i] = static_cast<char>((sequence + i * 7) & 0xFF);
  return body;
}

std::string ThreadFigures() {
  std::string text;
  ThreadManager& manager = GetThreadManager();
  for (int32_t i = 0; i < manager.GetThreadCount(); ++i) {
    text += manager.ReadThread(i, [](const SingleThread* thread) {
      if (thread == nullptr) return std::string(" | (ended)");
      return " | " + thread->GetName() + " " + thread->GetStateText() + " cpu " +
             std::to_string(thread->GetCpuUsage()) + "% kernel " + std::to_string(thread->GetKernelCpuUsage()) + "%";
    });
  }
  return text;
}

}  // namespace

LinkDemo::LinkDemo(DemoOptions options)
    : m_Options(std::move(options)), m_Terminal(platform::StandardOutputIsTerminal()) {}

LinkDemo::~LinkDemo() = default;

bool LinkDemo::StartSimulator() {
  m_Simulator = std::make_unique<sim::GameServerSimulator>();
  if (!m_Simulator->Start()) {
    std::fprintf(stderr, "maplink-demo: cannot start the game-server simulator on 127.0.0.1\n");
    return false;
  }
  std::printf("game-server simulator listening on 127.0.0.1:%u\n", m_Simulator->Port());
  return true;
}

int LinkDemo::Run() {
  platform::CatchInterrupt();
  std::string host = m_Options.host;
  uint16_t port = m_Options.port;
  if (host.empty()) {
    if (!StartSimulator()) return 1;
    host = "127.0.0.1";
    port = m_Simulator->Port();
  }

  // Recorder 3 is the one the link records its traffic into.
  PackRecorder* recorder = GetPackRecorderManager().FindRecorder(GameServerProcess::kRecorderIndex);
  if (recorder == nullptr) recorder = GetPackRecorderManager().AddRecorder(GameServerProcess::kRecorderIndex);
  recorder->GetSendRecorder().SetEnable(true);
  recorder->GetRecvRecorder().SetEnable(true);

  m_Link = GetGameServerProcess();
  m_Link->SetDisconnectHandler(&LinkDemo::OnDisconnect, this);
  if (!m_Link->Connect(host.c_str(), port)) {
    const std::string system = platform::SystemErrorText(static_cast<int>(platform::GetLastError()));
    std::string reason = static_cast<GameServerProcess*>(m_Link)->GetLastErrorText();
    while (!reason.empty() && reason.back() == '\n') reason.pop_back();
    std::fprintf(stderr, "maplink-demo: cannot connect to %s:%u: %s (%s)\n", host.c_str(), port, reason.c_str(),
                 system.c_str());
    FreeGameServerProcess();
    return 1;
  }
  std::printf("linked to %s:%u; sending %u packets/s of %u bytes%s\n", host.c_str(), port, m_Options.rate,
              m_Options.bodySize, m_Options.seconds == 0 ? " until Ctrl-C" : "");
  std::fflush(stdout);

  m_Link->Start();
  GetThreadManagerInterface()->StartAll();
  IMapServerNetProxy& proxy = *m_Link->GetNetProxy();
  std::thread sender([&] { SendLoop(proxy); });
  std::thread receiver([&] { ReceiveLoop(proxy); });

  const auto start = Clock::now();
  uint32_t second = 0;
  while (!platform::InterruptRequested() && (m_Options.seconds == 0 || second < m_Options.seconds)) {
    // Short naps, so Ctrl-C is answered at once.
    const auto nextStatus = start + std::chrono::seconds(second + 1);
    while (Clock::now() < nextStatus && !platform::InterruptRequested()) {
      std::this_thread::sleep_for(std::min<Clock::duration>(kInterruptPoll, nextStatus - Clock::now()));
    }
    if (platform::InterruptRequested()) break;
    PrintStatus(*m_Link, ++second, false);
  }

  m_Sending.store(false);
  sender.join();
  const auto drainEnd = Clock::now() + kDrainBound;
  while (m_Echoed.load() + m_Mismatched.load() < m_Sent.load() && Clock::now() < drainEnd) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  m_Receiving.store(false);
  receiver.join();
  PrintStatus(*m_Link, second, true);

  m_SendBytesAtEnd = m_Link->GetSendBytes();
  m_RecvBytesAtEnd = m_Link->GetRecvBytes();
  m_Link->Disconnect();
  FreeGameServerProcess();
  if (m_Simulator) m_Simulator->Stop();
  m_Link = nullptr;
  PrintSummary();
  return m_Echoed.load() == m_Sent.load() && m_Mismatched.load() == 0 ? 0 : 1;
}

void LinkDemo::SendLoop(IMapServerNetProxy& proxy) {
  const auto start = Clock::now();
  uint64_t sequence = 0;
  while (m_Sending.load()) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
    const uint64_t due = static_cast<uint64_t>(elapsed) * m_Options.rate / 1000000;
    for (; sequence < due && m_Sending.load(); ++sequence) {
      const std::string body = BodyOf(static_cast<uint32_t>(sequence), m_Options.bodySize);
      if (proxy.SendPack(stMapServer, stGameServer, static_cast<int32_t>(sequence), 0, kDemoPacketType,
                         body.data(), static_cast<int32_t>(body.size()))) {
        m_Sent.fetch_add(1);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void LinkDemo::ReceiveLoop(IMapServerNetProxy& proxy) {
  while (m_Receiving.load()) {
    if (!TakeEcho(proxy)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool LinkDemo::TakeEcho(IMapServerNetProxy& proxy) {
  MMORPG::MMORPGPacket* packet = proxy.RecvPacket();
  if (packet == nullptr) return false;
  const tagPackHead* head = packet->GetHead();
  const uint32_t sequence = head->SessionID;
  const bool intact = head->SrcServerType == stGameServer && head->DestServerType == stMapServer &&
                      head->packType == kDemoPacketType &&
                      std::string(packet->GetData(), static_cast<size_t>(packet->GetDataLen())) ==
                          BodyOf(sequence, m_Options.bodySize);
  (intact ? m_Echoed : m_Mismatched).fetch_add(1);
  proxy.FreePacket(packet);
  return true;
}

void LinkDemo::PrintStatus(IGameServerProcess& link, uint32_t second, bool final) {
  IMapServerNetProxy& proxy = *link.GetNetProxy();
  char line[512];
  std::snprintf(line, sizeof line,
                "%4us  out %d/s in %d/s | bytes out %" PRIu64 " in %" PRIu64 " | queues send %d recv %d | pool %d out, peak %d",
                second, proxy.GetSendRate(), proxy.GetRecvRate(), link.GetSendBytes(), link.GetRecvBytes(),
                link.GetSendQueueCount(), link.GetRecvQueueCount(), proxy.GetPacketCount(),
                proxy.GetPacketPeakCount());
  const std::string text = line + ThreadFigures();
  if (m_Terminal) {
    std::printf("\r\033[K%s%s", text.c_str(), final ? "\n" : "");
  } else {
    std::printf("%s\n", text.c_str());
  }
  std::fflush(stdout);
}

void LinkDemo::PrintSummary() {
  const uint64_t sent = m_Sent.load();
  const uint64_t echoed = m_Echoed.load();
  std::printf("summary: packets sent %" PRIu64 ", echoed %" PRIu64 ", lost %" PRIu64 ", damaged %" PRIu64
              "; bytes sent %" PRIu64 ", received %" PRIu64 "; reconnects %" PRIu64
              "; peak resident memory %.1f MiB\n",
              sent, echoed, sent - echoed - m_Mismatched.load(), m_Mismatched.load(), m_SendBytesAtEnd,
              m_RecvBytesAtEnd, m_Reconnects.load(), static_cast<double>(platform::PeakResidentKilobytes()) / 1024.0);
}

int32_t LinkDemo::OnDisconnect(void* demo) { return static_cast<LinkDemo*>(demo)->Reconnect(); }

int32_t LinkDemo::Reconnect() {
  std::lock_guard<std::mutex> lock(m_ReconnectMutex);
  if (Clock::now() - m_LastReconnect < kReconnectSettle) return 0;
  if (!m_Link->Reconnect()) return kRetryDelayMs;
  m_LastReconnect = Clock::now();
  m_Reconnects.fetch_add(1);
  return 0;
}

}  // namespace maplink::demo
