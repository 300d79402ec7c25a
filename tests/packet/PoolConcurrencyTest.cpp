// Threads taking and giving back pooled packets at once.

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <chrono>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "LogCapture.h"
#include "common/Watchdog.h"
#include "packet/MMORPGPacketPool.h"
#include "packet/PacketCounters.h"

namespace maplink::test {
namespace {

using MMORPG::MMORPGPacket;
using MMORPG::MMORPGPacketPool;

// Runs body(index) on `count` threads and joins them; a run that does not end
// within a generous bound fails the test program instead of hanging it.
void RunThreads(int count, const std::function<void(int)>& body) {
  Watchdog watchdog(std::chrono::seconds(300), "pool threads");
  std::vector<std::thread> threads;
  for (int i = 0; i < count; ++i) threads.emplace_back(body, i);
  for (std::thread& thread : threads) thread.join();
}

TEST(PoolConcurrencyTest, FourThreadsTakeAndGiveBackAMillionPacketsAndNoneIsLentTwice) {
  constexpr int kThreads = 4;
  constexpr int kPairsEach = 250'000;
  constexpr int kWindow = 8;  // packets a thread holds at once
  MMORPG::GetPacketPool();
  const int32_t countBefore = MMORPG::GetCount();
  std::atomic<int> lentTwice{0};
  std::atomic<int> nulls{0};

  RunThreads(kThreads, [&](int index) {
    // Each holder marks the packets it holds; a packet lent to two threads at
    // once shows another's mark (and is a data race for ThreadSanitizer).
    const int mark = index + 1;
    std::vector<MMORPGPacket*> held;
    for (int done = 0; done < kPairsEach;) {
      for (int i = 0; i < kWindow && done + i < kPairsEach; ++i) {
        MMORPGPacket* packet = MMORPGPacket::Alloc();
        if (packet == nullptr) {
          nulls.fetch_add(1);
          continue;
        }
        if (!packet->m_InUse || packet->m_ValueA != 0) lentTwice.fetch_add(1);
        packet->m_ValueA = mark;
        held.push_back(packet);
      }
      for (MMORPGPacket* packet : held) {
        if (packet->m_ValueA != mark) lentTwice.fetch_add(1);
        MMORPGPacket::Free(packet);
        ++done;
      }
      held.clear();
    }
  });

  EXPECT_EQ(lentTwice.load(), 0);
  EXPECT_EQ(nulls.load(), 0);
  EXPECT_EQ(MMORPG::GetCount(), countBefore);
  EXPECT_GE(MMORPG::GetMaxCount(), countBefore + kWindow);
  EXPECT_LE(MMORPG::GetMaxCount(), countBefore + kThreads * kWindow);
}

TEST(PoolConcurrencyTest, TwoThreadsGivingBackOnePacketAtOnceQueueItOnce) {
  constexpr int kRounds = 2000;
  PacketCounters counters;
  MMORPGPacketPool pool(counters);
  LogCapture capture;
  MMORPGPacket* packet = nullptr;
  std::barrier sync(3);

  RunThreads(3, [&](int index) {
    for (int round = 0; round < kRounds; ++round) {
      if (index == 0) packet = pool.Alloc();
      sync.arrive_and_wait();  // the packet is out
      if (index != 0) pool.Free(packet);
      sync.arrive_and_wait();  // both give-backs are done
    }
  });

  EXPECT_EQ(capture.Count(LogLevel::Error, "MMORPGPacketPool::Free  MMORPGPacket * pack is Not Used"), kRounds);
  EXPECT_EQ(capture.Lines().size(), static_cast<size_t>(kRounds));
  EXPECT_EQ(counters.GetCount(), 0);
  EXPECT_EQ(pool.EmptyCount(), pool.Count());

  // Every free packet is queued once: taking them all yields distinct packets.
  std::set<MMORPGPacket*> free;
  const int32_t freeCount = pool.EmptyCount();
  for (int32_t i = 0; i < freeCount; ++i) free.insert(pool.Alloc());
  EXPECT_EQ(free.size(), static_cast<size_t>(freeCount));
}

}  // namespace
}  // namespace maplink::test
