// Packets per second through the whole link, each way, beside a raw socket
// moving the same frames over loopback in 8 KiB writes; and the round trip of
// one packet through the link beside a raw round trip. Prints the link/raw
// ratios at the end.

#include <benchmark/benchmark.h>
#include <maplink/IGameServerProcess.h>
#include <maplink/IMapServerNetProxy.h>
#include <maplink/MMORPGPacket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "GameServerSimulator.h"
#include "SimFrame.h"
#include "platform/Socket.h"
#include "platform/UniqueSocket.h"
#include "threads/ThreadManager.h"

namespace {

using namespace maplink;
using Clock = std::chrono::steady_clock;

constexpr size_t kRawWrite = 8 * 1024;
constexpr size_t kRawRead = 8 * 1024;
constexpr auto kBound = std::chrono::seconds(120);
// The host stops queueing while this many packets wait to be sent.
constexpr int32_t kQueueLimit = 20000;

uint32_t PacketsPerIteration(size_t bodySize) { return bodySize >= 4096 ? 20'000 : 200'000; }

std::string Body(size_t size) { return std::string(size, 'b'); }

std::string Frames(uint32_t count, size_t bodySize) {
  std::string frames;
  sim::SimPacket packet{.sessionId = 0, .packOrder = 0, .type = 1, .dest = 6, .src = 5, .body = Body(bodySize)};
  for (uint32_t i = 0; i < count; ++i) sim::AppendFrame(frames, packet);
  return frames;
}

platform::UniqueSocket ConnectRaw(uint16_t port) {
  platform::UniqueSocket socket(platform::OpenTcpSocket());
  uint32_t address = 0;
  platform::ParseDottedAddress("127.0.0.1", address);
  if (!platform::ConnectIPv4(socket.Get(), address, port)) socket.Reset();
  return socket;
}

bool SendAllRaw(platform::SocketHandle socket, const std::string& bytes, size_t chunk) {
  for (size_t at = 0; at < bytes.size();) {
    const int32_t sent = platform::SendSome(socket, bytes.data() + at,
                                            static_cast<int32_t>(std::min(chunk, bytes.size() - at)));
    if (sent <= 0) return false;
    at += static_cast<size_t>(sent);
  }
  return true;
}

// Reads frames in 8 KiB reads, as the link does, until count have come,
// walking their lengths in place.
bool ReceiveFramesRaw(platform::SocketHandle socket, uint32_t count) {
  std::string buffer(kRawRead + 64 * 1024, '\0');
  size_t held = 0;
  uint32_t frames = 0;
  while (frames < count) {
    if (buffer.size() < held + kRawRead) buffer.resize(held + kRawRead);
    const int32_t received = platform::ReceiveSome(socket, buffer.data() + held, static_cast<int32_t>(kRawRead));
    if (received <= 0) return false;
    held += static_cast<size_t>(received);
    size_t at = 0;
    while (held - at >= sim::kFrameHeadBytes) {
      const auto* head = reinterpret_cast<const unsigned char*>(buffer.data() + at);
      const size_t length = sim::kFrameHeadBytes + (head[2] | head[3] << 8 | head[4] << 16 | static_cast<size_t>(head[5]) << 24);
      if (held - at < length) break;
      at += length;
      ++frames;
    }
    std::memmove(buffer.data(), buffer.data() + at, held - at);
    held -= at;
  }
  return true;
}

// The module's link connected to a simulator, its threads running; freed at
// the end of the benchmark.
class RunningLink {
 public:
  explicit RunningLink(sim::GameServerSimulator& simulator) : m_Link(*GetGameServerProcess()) {
    m_Link.Connect("127.0.0.1", simulator.Port());
    simulator.WaitForConnections(1, kBound);
    m_Link.Start();
    GetThreadManager().StartAll();
  }
  ~RunningLink() { FreeGameServerProcess(); }
  IGameServerProcess& operator*() { return m_Link; }

 private:
  IGameServerProcess& m_Link;
};

// The packets of one iteration of a throughput benchmark: their body size,
// the benchmark's argument, and how many.
struct Workload {
  explicit Workload(const benchmark::State& state)
      : bodySize(static_cast<size_t>(state.range(0))), count(PacketsPerIteration(bodySize)) {}

  void SetRates(benchmark::State& state) const {
    const auto packets = static_cast<int64_t>(state.iterations()) * count;
    state.SetItemsProcessed(packets);
    state.SetBytesProcessed(packets * static_cast<int64_t>(sim::kFrameHeadBytes + sim::kPacketHeadBytes + bodySize));
  }

  const size_t bodySize;
  const uint32_t count;
};

void BM_HostToServer_Link(benchmark::State& state) {
  const Workload work(state);
  sim::GameServerSimulator simulator({.echo = false});
  simulator.Start();
  RunningLink link(simulator);
  IMapServerNetProxy& proxy = *(*link).GetNetProxy();
  const std::string body = Body(work.bodySize);
  for (auto _ : state) {
    const uint64_t target = simulator.PacketsReceived() + work.count;
    for (uint32_t i = 0; i < work.count; ++i) {
      while ((*link).GetSendQueueCount() >= kQueueLimit) std::this_thread::yield();
      proxy.SendPack(0, 0, static_cast<int32_t>(i), 0, 1, body.data(), static_cast<int32_t>(work.bodySize));
    }
    if (!simulator.WaitForPackets(target, kBound)) state.SkipWithError("packets did not arrive");
  }
  work.SetRates(state);
}

void BM_HostToServer_Raw(benchmark::State& state) {
  const Workload work(state);
  sim::GameServerSimulator simulator({.echo = false});
  simulator.Start();
  platform::UniqueSocket socket = ConnectRaw(simulator.Port());
  const std::string frames = Frames(work.count, work.bodySize);
  for (auto _ : state) {
    const uint64_t target = simulator.PacketsReceived() + work.count;
    if (!SendAllRaw(socket.Get(), frames, kRawWrite) || !simulator.WaitForPackets(target, kBound)) {
      state.SkipWithError("raw send failed");
    }
  }
  work.SetRates(state);
}

void BM_ServerToHost_Link(benchmark::State& state) {
  const Workload work(state);
  sim::GameServerSimulator simulator({.echo = false});
  simulator.Start();
  RunningLink link(simulator);
  IMapServerNetProxy& proxy = *(*link).GetNetProxy();
  const std::string frames = Frames(work.count, work.bodySize);
  for (auto _ : state) {
    std::thread server([&] { simulator.SendRaw(frames); });
    for (uint32_t received = 0; received < work.count;) {
      if (MMORPG::MMORPGPacket* packet = proxy.RecvPacket()) {
        proxy.FreePacket(packet);
        ++received;
      } else {
        // As a map server's loop would: nothing arrived, so pause instead of
        // spinning, and leave the core to the link's receive thread.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    server.join();
  }
  work.SetRates(state);
}

void BM_ServerToHost_Raw(benchmark::State& state) {
  const Workload work(state);
  sim::GameServerSimulator simulator({.echo = false});
  simulator.Start();
  platform::UniqueSocket socket = ConnectRaw(simulator.Port());
  simulator.WaitForConnections(1, kBound);
  const std::string frames = Frames(work.count, work.bodySize);
  for (auto _ : state) {
    std::thread server([&] { simulator.SendRaw(frames); });
    if (!ReceiveFramesRaw(socket.Get(), work.count)) state.SkipWithError("raw receive failed");
    server.join();
  }
  work.SetRates(state);
}

// Median and 99th percentile of round trips, in microseconds.
void ReportTrips(benchmark::State& state, std::vector<double>& trips) {
  std::sort(trips.begin(), trips.end());
  state.counters["median_us"] = trips[trips.size() / 2];
  state.counters["p99_us"] = trips[trips.size() * 99 / 100];
}

constexpr int kTrips = 3000;

void BM_RoundTrip_Link(benchmark::State& state) {
  sim::GameServerSimulator simulator;
  simulator.Start();
  RunningLink link(simulator);
  IMapServerNetProxy& proxy = *(*link).GetNetProxy();
  std::vector<double> trips;
  for (auto _ : state) {
    for (int i = 0; i < kTrips; ++i) {
      const auto start = Clock::now();
      proxy.SendPack(0, 0, i, 0, 1, "ping", 4);
      MMORPG::MMORPGPacket* echo = nullptr;
      while ((echo = proxy.RecvPacket()) == nullptr) {
      }
      proxy.FreePacket(echo);
      trips.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
  }
  ReportTrips(state, trips);
}

void BM_RoundTrip_Raw(benchmark::State& state) {
  sim::GameServerSimulator simulator;
  simulator.Start();
  platform::UniqueSocket socket = ConnectRaw(simulator.Port());
  const std::string frame = Frames(1, 4);
  std::vector<double> trips;
  for (auto _ : state) {
    for (int i = 0; i < kTrips; ++i) {
      const auto start = Clock::now();
      SendAllRaw(socket.Get(), frame, kRawWrite);
      ReceiveFramesRaw(socket.Get(), 1);
      trips.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
  }
  ReportTrips(state, trips);
}

BENCHMARK(BM_HostToServer_Link)->Arg(32)->Arg(256)->Arg(4096)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_HostToServer_Raw)->Arg(32)->Arg(256)->Arg(4096)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ServerToHost_Link)->Arg(32)->Arg(256)->Arg(4096)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ServerToHost_Raw)->Arg(32)->Arg(256)->Arg(4096)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_RoundTrip_Link)->Iterations(1)->UseRealTime();
BENCHMARK(BM_RoundTrip_Raw)->Iterations(1)->UseRealTime();

// Keeps every run's packet rate so the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto rate = run.counters.find("items_per_second");
      if (rate != run.counters.end()) m_Rates[run.benchmark_name()] = rate->second;
    }
  }

  void PrintRatios() const {
    std::printf("\nlink / raw, packets per second:\n");
    for (const char* direction : {"HostToServer", "ServerToHost"}) {
      for (int size : {32, 256, 4096}) {
        const std::string suffix = "/" + std::to_string(size) + "/min_time:1.000/real_time";
        const auto link = m_Rates.find(std::string("BM_") + direction + "_Link" + suffix);
        const auto raw = m_Rates.find(std::string("BM_") + direction + "_Raw" + suffix);
        if (link == m_Rates.end() || raw == m_Rates.end()) continue;
        std::printf("  %-13s %5d-byte bodies: link %10.0f/s  raw %10.0f/s  ratio %.3f\n", direction, size,
                    link->second, raw->second, link->second / raw->second);
      }
    }
  }

 private:
  std::map<std::string, double> m_Rates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
