// Cost of recording one packet, beside a memcpy of the same bytes.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "recorder/PackRecorderManager.h"
#include "support/CommFunc.h"

namespace maplink {
namespace {

std::string Packet(int64_t size) {
  std::string bytes(static_cast<size_t>(size), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  return bytes;
}

void BM_Memcpy(benchmark::State& state) {
  const std::string bytes = Packet(state.range(0));
  std::vector<char> target(bytes.size());
  for (auto _ : state) {
    std::memcpy(target.data(), bytes.data(), bytes.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Memcpy)->Arg(32)->Arg(1024);

void BM_RecordPackDisabled(benchmark::State& state) {
  const std::string bytes = Packet(state.range(0));
  OneWayPackRec direction;
  for (auto _ : state) direction.RecordPack(bytes);
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RecordPackDisabled)->Arg(32)->Arg(1024);

// Starts from a full list and records twice the limit, so the mean holds the
// clears at their true rate (one per kMaxPacks records) and reuses freed
// memory as a long-running link does.
void BM_RecordPackEnabled(benchmark::State& state) {
  const std::string bytes = Packet(state.range(0));
  OneWayPackRec direction;
  direction.SetEnable(true);
  for (size_t i = 0; i < OneWayPackRec::kMaxPacks; ++i) direction.RecordPack(bytes);
  for (auto _ : state) direction.RecordPack(bytes);
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RecordPackEnabled)->Arg(32)->Arg(1024)->Iterations(2 * OneWayPackRec::kMaxPacks);

// What the link does per packet: look the recorder up, then record.
void BM_LinkPathDisabled(benchmark::State& state) {
  const std::string bytes = Packet(state.range(0));
  PackRecorderManager manager;
  manager.AddRecorder(1);
  manager.AddRecorder(3);
  for (auto _ : state) manager.FindRecorder(3)->GetSendRecorder().RecordPack(bytes);
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LinkPathDisabled)->Arg(32)->Arg(1024);

void BM_LocalTimeOfDayText(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(platform::LocalTimeOfDayText());
}
BENCHMARK(BM_LocalTimeOfDayText);

void BM_HexString(benchmark::State& state) {
  const std::string bytes = Packet(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(HexString(bytes));
}
BENCHMARK(BM_HexString)->Arg(32)->Arg(1024);

// A full direction of packets of "size" bytes with two watch strings, built
// once per size and kept for every run.
OneWayPackRec& FullDirectionWithWatches(int64_t size) {
  static OneWayPackRec small;
  static OneWayPackRec large;
  OneWayPackRec& direction = size <= 64 ? small : large;
  if (direction.GetPackCount() == 0) {
    direction.SetEnable(true);
    const std::string bytes = Packet(size);
    for (size_t i = 0; i < OneWayPackRec::kMaxPacks; ++i) direction.RecordPack(bytes);
    direction.AddWatch("AB CD");
    direction.AddWatch("FF 00 11");
  }
  return direction;
}

// How long the window holds a direction's lock after a filter change: a scan
// of the whole list against both watch strings.
void BM_ApplyFilterAfterChange(benchmark::State& state) {
  OneWayPackRec& direction = FullDirectionWithWatches(state.range(0));
  bool hide = false;
  for (auto _ : state) {
    hide = !hide;
    direction.SetFilterMode(hide ? wfHideMatch : wfShowMatch);
    benchmark::DoNotOptimize(direction.ApplyFilter());
  }
}
BENCHMARK(BM_ApplyFilterAfterChange)->Arg(64)->Arg(1024)->Unit(benchmark::kMillisecond);

// The timer's refresh with nothing new since the last one.
void BM_ApplyFilterUnchanged(benchmark::State& state) {
  OneWayPackRec& direction = FullDirectionWithWatches(state.range(0));
  direction.SetFilterMode(wfHideMatch);
  direction.ApplyFilter();
  for (auto _ : state) benchmark::DoNotOptimize(direction.ApplyFilter());
}
BENCHMARK(BM_ApplyFilterUnchanged)->Arg(64);

}  // namespace
}  // namespace maplink
