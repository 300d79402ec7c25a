// Push+pop pairs per second through CThreadQueue, beside a std::deque guarded
// by a std::mutex: on one thread, and from a producer thread to a consumer.

#include <benchmark/benchmark.h>

#include <deque>
#include <mutex>
#include <thread>

#include "link/CThreadQueue.h"
#include "maplink/MMORPGPacket.h"

namespace {

using MMORPG::MMORPGPacket;
using ThreadQueue = CThreadQueue<MMORPGPacket>;

// Baseline: the plainest thread-safe queue of packet pointers.
class MutexDeque {
 public:
  bool Push(MMORPGPacket* packet) {
    std::lock_guard lock(m_Mutex);
    m_Items.push_back(packet);
    return true;
  }

  MMORPGPacket* Pop() {
    std::lock_guard lock(m_Mutex);
    if (m_Items.empty()) return nullptr;
    MMORPGPacket* packet = m_Items.front();
    m_Items.pop_front();
    return packet;
  }

 private:
  std::mutex m_Mutex;
  std::deque<MMORPGPacket*> m_Items;
};

template <typename Queue>
void BM_PushPopOneThread(benchmark::State& state) {
  MMORPG::MMORPGPacket_Stack packet;
  Queue queue;
  for (auto _ : state) {
    queue.Push(&packet);
    benchmark::DoNotOptimize(queue.Pop());
  }
  state.SetItemsProcessed(state.iterations());
}

// One producer pushes kPairs packets while the benchmark's thread pops them.
template <typename Queue>
void BM_PushPopProducerConsumer(benchmark::State& state) {
  constexpr int kPairs = 100'000;
  MMORPG::MMORPGPacket_Stack packet;
  for (auto _ : state) {
    Queue queue;
    std::thread producer([&] {
      for (int i = 0; i < kPairs; ++i) queue.Push(&packet);
    });
    for (int taken = 0; taken < kPairs;) {
      if (queue.Pop() != nullptr) {
        ++taken;
      } else {
        std::this_thread::yield();
      }
    }
    producer.join();
  }
  state.SetItemsProcessed(state.iterations() * kPairs);
}

BENCHMARK_TEMPLATE(BM_PushPopOneThread, ThreadQueue);
BENCHMARK_TEMPLATE(BM_PushPopOneThread, MutexDeque);
BENCHMARK_TEMPLATE(BM_PushPopProducerConsumer, ThreadQueue)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_PushPopProducerConsumer, MutexDeque)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
