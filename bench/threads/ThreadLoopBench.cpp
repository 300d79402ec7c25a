// One pass of a worker thread's run loop (call the function, check the CPU
// sampling period, set the state, test the termination and stop requests)
// against a plain loop calling the same function through the same pointer.
// Both report items per second; one item is one call of the function.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

#include "platform/Clock.h"
#include "platform/CoarseClock.h"
#include "threads/SingleThread.h"
#include "threads/ThreadManager.h"

namespace maplink {
namespace {

constexpr int64_t kPasses = 1 << 21;

// Answers 0 (call again at once) until it has been called "remaining"
// times, then -1 (end the thread).
struct Countdown {
  int64_t remaining;
};

int32_t CountDown(void* object, int32_t /*threadIndex*/) {
  return --static_cast<Countdown*>(object)->remaining > 0 ? 0 : -1;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_PlainLoopCall(benchmark::State& state) {
  for (auto _ : state) {
    Countdown countdown{kPasses};
    ThreadFunc func{&CountDown, &countdown};
    benchmark::DoNotOptimize(func);  // an indirect call, as the worker makes
    const auto start = std::chrono::steady_clock::now();
    while (func.Function(func.Object, 0) != -1) {
    }
    state.SetIterationTime(SecondsSince(start));
  }
  state.SetItemsProcessed(state.iterations() * kPasses);
}
BENCHMARK(BM_PlainLoopCall)->UseManualTime()->Unit(benchmark::kMillisecond);

// Timed from the first resume until the body has returned, so the start
// and exit steps (two log lines) are included once per 2^21 passes.
void RunLoopPasses(benchmark::State& state, const platform::Clock& clock) {
  ThreadManager manager;
  for (auto _ : state) {
    Countdown countdown{kPasses};
    SingleThread thread("bench", false, ThreadFunc{&CountDown, &countdown}, ThreadContext{manager, clock});
    const auto start = std::chrono::steady_clock::now();
    thread.Resume();
    thread.WaitFor();
    state.SetIterationTime(SecondsSince(start));
  }
  state.SetItemsProcessed(state.iterations() * kPasses);
}

// The module's threads: the sampling period is read from the coarse tick.
void BM_RunLoopPass(benchmark::State& state) { RunLoopPasses(state, platform::CoarseClock()); }
BENCHMARK(BM_RunLoopPass)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same loop reading the fine tick instead, to show what the clock costs.
void BM_RunLoopPassFineClock(benchmark::State& state) { RunLoopPasses(state, platform::SystemClock()); }
BENCHMARK(BM_RunLoopPassFineClock)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace maplink
