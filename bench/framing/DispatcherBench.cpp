// RecvData cutting a stream of equal frames that arrives in 8192-byte blocks,
// beside a plain copy of the same blocks.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "maplink/IPackageDispatcher.h"

namespace {

constexpr size_t kBlockSize = 8192;
constexpr size_t kStreamBytes = 1 << 20;

struct Stream {
  std::vector<std::string> blocks;
  size_t bytes = 0;
  int64_t frames = 0;
};

// About 1 MiB of frames with payloads of payloadSize bytes, cut into blocks.
Stream MakeStream(size_t payloadSize) {
  IPackageDispatcher* packer = NewPackageDispatcher();
  const std::string payload(payloadSize, 'p');
  std::string frame(payloadSize + 6, '\0');
  packer->PackData(payload.data(), static_cast<uint32_t>(payload.size()), frame.data(),
                   static_cast<int32_t>(frame.size()));
  FreePackageDispatcher(packer);

  Stream stream;
  std::string bytes;
  while (bytes.size() < kStreamBytes) {
    bytes += frame;
    ++stream.frames;
  }
  for (size_t at = 0; at < bytes.size(); at += kBlockSize) stream.blocks.push_back(bytes.substr(at, kBlockSize));
  stream.bytes = bytes.size();
  return stream;
}

void CountFrame(void* context, const std::string& payload) {
  *static_cast<int64_t*>(context) += 1;
  benchmark::DoNotOptimize(payload.data());
}

void Report(benchmark::State& state, const Stream& stream) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.bytes));
  state.counters["frames"] = benchmark::Counter(static_cast<double>(state.iterations() * stream.frames),
                                                benchmark::Counter::kIsRate);
}

void BM_RecvData(benchmark::State& state) {
  const Stream stream = MakeStream(static_cast<size_t>(state.range(0)));
  IPackageDispatcher* dispatcher = NewPackageDispatcher();
  int64_t delivered = 0;
  dispatcher->SetPackCallback(&CountFrame, &delivered);
  for (auto _ : state) {
    for (const std::string& block : stream.blocks) dispatcher->RecvData(block);
  }
  FreePackageDispatcher(dispatcher);
  if (delivered != state.iterations() * stream.frames) state.SkipWithError("frames lost");
  Report(state, stream);
}

// Baseline: copying the same blocks into a socket-sized buffer.
void BM_MemcpyBlocks(benchmark::State& state) {
  const Stream stream = MakeStream(static_cast<size_t>(state.range(0)));
  std::vector<char> buffer(kBlockSize);
  for (auto _ : state) {
    for (const std::string& block : stream.blocks) {
      std::memcpy(buffer.data(), block.data(), block.size());
      benchmark::ClobberMemory();
    }
  }
  Report(state, stream);
}

BENCHMARK(BM_RecvData)->Arg(32)->Arg(256)->Arg(4096);
BENCHMARK(BM_MemcpyBlocks)->Arg(32)->Arg(256)->Arg(4096);

}  // namespace
