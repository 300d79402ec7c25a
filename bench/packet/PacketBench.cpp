// The packet's send path and the pool, each beside a baseline.

#include <benchmark/benchmark.h>

#include <string>

#include "maplink/MMORPGPacket.h"
#include "packet/MMORPGPacketPool.h"

namespace {

using MMORPG::MMORPGPacket;

void FillPacket(MMORPGPacket& packet, size_t bodySize) {
  const std::string body(bodySize, 'b');
  packet.SetSessionID(1);
  packet.SetPackType(2);
  packet.SetDestServerType(stGameServer);
  packet.SetSrcServerType(stMapServer);
  packet.ReadData(body.data(), static_cast<int32_t>(body.size()));
}

void BM_GetSendData(benchmark::State& state) {
  MMORPG::MMORPGPacket_Stack packet;
  FillPacket(packet, static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::string frame = packet.GetSendData();
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetBytesProcessed(state.iterations() * (state.range(0) + 15));
}

// Baseline: one string holding a frame head, the header and a copy of the body.
void BM_CopyIntoFrameString(benchmark::State& state) {
  MMORPG::MMORPGPacket_Stack packet;
  FillPacket(packet, static_cast<size_t>(state.range(0)));
  const std::string head(15, 'h');
  for (auto _ : state) {
    std::string frame;
    frame.reserve(head.size() + packet.m_Data.size());
    frame.append(head).append(packet.m_Data);
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetBytesProcessed(state.iterations() * (state.range(0) + 15));
}

void BM_PoolTakeAndGiveBack(benchmark::State& state) {
  MMORPG::GetPacketPool();
  for (auto _ : state) {
    MMORPGPacket* packet = MMORPGPacket::Alloc();
    benchmark::DoNotOptimize(packet);
    MMORPGPacket::Free(packet);
  }
}

// Baseline: making and destroying a packet object each time.
void BM_NewAndDeletePacket(benchmark::State& state) {
  for (auto _ : state) {
    auto* packet = new MMORPGPacket();
    benchmark::DoNotOptimize(packet);
    delete packet;
  }
}

// The same with a 256-byte body read in: a pooled packet keeps its body's
// memory between uses, a new one allocates it again.
const std::string kBody(256, 'b');

void BM_PoolTakeFillAndGiveBack(benchmark::State& state) {
  MMORPG::GetPacketPool();
  for (auto _ : state) {
    MMORPGPacket* packet = MMORPGPacket::Alloc();
    packet->ReadData(kBody.data(), static_cast<int32_t>(kBody.size()));
    benchmark::DoNotOptimize(packet);
    MMORPGPacket::Free(packet);
  }
}

void BM_NewFillAndDeletePacket(benchmark::State& state) {
  for (auto _ : state) {
    auto* packet = new MMORPGPacket();
    packet->ReadData(kBody.data(), static_cast<int32_t>(kBody.size()));
    benchmark::DoNotOptimize(packet);
    delete packet;
  }
}

BENCHMARK(BM_GetSendData)->Arg(32)->Arg(256)->Arg(4096);
BENCHMARK(BM_CopyIntoFrameString)->Arg(32)->Arg(256)->Arg(4096);
BENCHMARK(BM_PoolTakeAndGiveBack)->ThreadRange(1, 2);
BENCHMARK(BM_NewAndDeletePacket)->ThreadRange(1, 2);
BENCHMARK(BM_PoolTakeFillAndGiveBack);
BENCHMARK(BM_NewFillAndDeletePacket);

}  // namespace
