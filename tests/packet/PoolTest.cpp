#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "packet/AAutoQueue.h"
#include "packet/AIndexList.h"
#include "packet/MMORPGPacketPool.h"
#include "packet/PacketCounters.h"

namespace maplink::test {
namespace {

using MMORPG::MMORPGPacket;
using MMORPG::MMORPGPacket_Stack;
using MMORPG::MMORPGPacketPool;

struct Item {
  int id;
};

// Numbers the items it makes 1, 2, 3 …; after `limit` items it fails the way
// the `how` says, as an exhausted memory would.
struct CountingFactory {
  enum How { kThrow, kNull };
  int made = 0;
  int limit = 1 << 30;
  How how = kThrow;

  AAutoQueue<Item>::ElementFactory Make() {
    return [this]() -> std::unique_ptr<Item> {
      if (made >= limit) {
        if (how == kThrow) throw std::bad_alloc();
        return nullptr;
      }
      return std::make_unique<Item>(Item{++made});
    };
  }
};

std::vector<int> TakeIds(AAutoQueue<Item>& queue, int count) {
  std::vector<int> ids;
  for (int i = 0; i < count; ++i) {
    Item* item = queue.Alloc();
    ids.push_back(item == nullptr ? 0 : item->id);
  }
  return ids;
}

TEST(AAutoQueueTest, HandsOutNewElementsInCreationOrderAndGivenBackOnesLastInFirstOut) {
  CountingFactory factory;
  AAutoQueue<Item> queue(factory.Make());
  queue.Init(4);
  EXPECT_EQ(queue.Count(), 4);
  EXPECT_EQ(queue.EmptyCount(), 4);

  Item* a = queue.Alloc();
  Item* b = queue.Alloc();
  EXPECT_EQ(a->id, 1);
  EXPECT_EQ(b->id, 2);
  queue.Free(a);
  queue.Free(b);
  EXPECT_EQ(queue.Alloc(), b);
  EXPECT_EQ(queue.Alloc(), a);
  EXPECT_EQ(TakeIds(queue, 2), (std::vector<int>{3, 4}));
  EXPECT_EQ(queue.EmptyCount(), 0);
  EXPECT_EQ(queue.GetEmpty(), nullptr);
}

TEST(AAutoQueueTest, ATakeFromAnEmptyQueueGrowsByTheGrowStep) {
  CountingFactory factory;
  AAutoQueue<Item> queue(factory.Make());
  queue.Init(2);
  queue.SetGrowStep(3);
  EXPECT_EQ(TakeIds(queue, 3), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(queue.Count(), 5);
  EXPECT_EQ(queue.EmptyCount(), 2);

  // Grown elements wait behind the free ones.
  Item* given = queue.Alloc();
  queue.Free(given);
  queue.Grow(2);
  EXPECT_EQ(TakeIds(queue, 4), (std::vector<int>{4, 5, 6, 7}));
}

TEST(AAutoQueueTest, InitStartsOverWithNewElements) {
  CountingFactory factory;
  AAutoQueue<Item> queue(factory.Make());
  queue.Init(3);
  queue.Init(2);
  EXPECT_EQ(queue.Count(), 2);
  EXPECT_EQ(TakeIds(queue, 2), (std::vector<int>{4, 5}));
}

TEST(AAutoQueueTest, MoreFreeThanOwnedIsLoggedOnGiveBackAndOnTake) {
  CountingFactory factory;
  AAutoQueue<Item> queue(factory.Make());
  queue.Init(2);
  Item* item = queue.Alloc();
  queue.Free(item);
  LogCapture capture;
  queue.Free(item);
  EXPECT_EQ(capture.Texts(LogLevel::Error), std::vector<std::string>{"Free Error : EmptyCount(3) > Count(2)"});
  capture.Clear();
  EXPECT_EQ(queue.Alloc(), item);
  EXPECT_EQ(capture.Texts(LogLevel::Error),
            std::vector<std::string>{" AAutoQueue<T>::GetEmpty EmptyCount(3)<0 || EmptyCount() > Count(2)"});
}

TEST(AAutoQueueTest, AGiveBackTheHookRefusesIsNotQueued) {
  CountingFactory factory;
  AAutoQueue<Item> queue(factory.Make());
  queue.Init(1);
  Item* item = queue.Alloc();
  EXPECT_FALSE(queue.Free(item, [](Item*) { return false; }));
  EXPECT_EQ(queue.EmptyCount(), 0);
  EXPECT_TRUE(queue.Free(item, [](Item*) { return true; }));
  EXPECT_EQ(queue.EmptyCount(), 1);
}

TEST(AAutoQueueTest, WhenMemoryRunsOutOnlyTheElementsMadeAreQueuedAndATakeAnswersNull) {
  for (const auto how : {CountingFactory::kThrow, CountingFactory::kNull}) {
    SCOPED_TRACE(how == CountingFactory::kThrow ? "factory throws" : "factory answers null");
    CountingFactory factory;
    factory.limit = 3;
    factory.how = how;
    AAutoQueue<Item> queue(factory.Make());
    LogCapture capture;
    queue.Init(5);
    EXPECT_EQ(queue.Count(), 3);
    EXPECT_EQ(queue.EmptyCount(), 3);
    EXPECT_EQ(capture.Texts(LogLevel::Error),
              std::vector<std::string>{"AAutoQueue<T> out of memory: 3 of 5 elements created"});

    EXPECT_EQ(TakeIds(queue, 4), (std::vector<int>{1, 2, 3, 0}));
    EXPECT_TRUE(capture.Contains(LogLevel::Error, "AAutoQueue<T> out of memory: 0 of 1000 elements created"));
    EXPECT_EQ(queue.Count(), 3);
    EXPECT_EQ(queue.EmptyCount(), 0);

    // Memory is back: the next take grows again.
    factory.limit = 1 << 30;
    EXPECT_EQ(TakeIds(queue, 1), std::vector<int>{4});
  }
}

TEST(AAutoQueueTest, AllocationTrackingCountsTakesAndGiveBacks) {
  CountingFactory factory;
  AAutoQueue<Item> queue(factory.Make());
  queue.SetAllocCount(true);
  queue.Init(1);
  Item* item = queue.Alloc();
  tagAllocCount record;
  ASSERT_TRUE(queue.GetAllocCount(item, record));
  EXPECT_EQ(record.m_Element, reinterpret_cast<uintptr_t>(item));
  EXPECT_EQ(record.m_AllocTimes, 1);
  EXPECT_EQ(record.m_Used, 1);
  queue.Free(item);
  ASSERT_TRUE(queue.GetAllocCount(item, record));
  EXPECT_EQ(record.m_FreeTimes, 1);
  EXPECT_EQ(record.m_Used, 0);

  LogCapture capture;
  queue.Free(item);
  EXPECT_TRUE(capture.Contains(LogLevel::Error, "AAutoQueue<T>::FreeAllocCounter Error"));

  AAutoQueue<Item> untracked(factory.Make());
  untracked.Init(1);
  untracked.SetAllocCount(true);
  Item* unrecorded = untracked.Alloc();
  EXPECT_FALSE(untracked.GetAllocCount(unrecorded, record));
  EXPECT_TRUE(capture.Contains(LogLevel::Error, "AAutoQueue<T>::AllocCounter Error"));
}

struct Counted {
  explicit Counted(int& destroyed) : m_Destroyed(destroyed) {}
  ~Counted() { ++m_Destroyed; }
  int& m_Destroyed;
};

TEST(AIndexListTest, KeepsKeysInOrderRefusesDuplicatesAndDeletesOwnedValues) {
  int destroyed = 0;
  {
    AIndexList<Counted> list(true);
    auto* three = new Counted(destroyed);
    auto* one = new Counted(destroyed);
    EXPECT_TRUE(list.AddEx(3, three));
    EXPECT_TRUE(list.AddEx(1, one));
    Counted duplicate(destroyed);
    EXPECT_FALSE(list.AddEx(3, &duplicate));
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.Find(1), one);
    EXPECT_EQ(list.Find(3), three);
    EXPECT_EQ(list.Find(2), nullptr);
  }
  EXPECT_EQ(destroyed, 3);  // the two owned values and the refused one on the stack

  Counted kept(destroyed);
  {
    AIndexList<Counted> borrowed(false);
    borrowed.AddEx(7, &kept);
  }
  EXPECT_EQ(destroyed, 3);
}

// A pool with counters of its own, so every test sees exact counts.
class PoolTest : public ::testing::Test {
 protected:
  PacketCounters counters;
};

TEST_F(PoolTest, StartsWith5000FreePacketsAndSaysSo) {
  LogCapture capture;
  MMORPGPacketPool pool(counters);
  EXPECT_EQ(capture.Texts(LogLevel::Info), std::vector<std::string>{"Init PacketPool Size = 5000"});
  EXPECT_EQ(pool.Count(), 5000);
  EXPECT_EQ(pool.EmptyCount(), 5000);
  EXPECT_EQ(counters.GetCount(), 0);
}

TEST_F(PoolTest, The5001stTakeGrowsBy500AndTheCountersFollow) {
  MMORPGPacketPool pool(counters);
  std::vector<MMORPGPacket*> taken;
  for (int i = 0; i < 5001; ++i) taken.push_back(pool.Alloc());
  EXPECT_EQ(pool.Count(), 5500);
  EXPECT_EQ(pool.EmptyCount(), 499);
  EXPECT_EQ(counters.GetCount(), 5001);
  EXPECT_EQ(counters.GetMaxCount(), 5001);
  EXPECT_EQ(std::set<MMORPGPacket*>(taken.begin(), taken.end()).size(), 5001u);

  for (MMORPGPacket* packet : taken) pool.Free(packet);
  EXPECT_EQ(pool.EmptyCount(), 5500);
  EXPECT_EQ(counters.GetCount(), 0);
  EXPECT_EQ(counters.GetMaxCount(), 5001);
}

TEST_F(PoolTest, ReuseIsLastInFirstOut) {
  MMORPGPacketPool pool(counters);
  MMORPGPacket* a = pool.Alloc();
  MMORPGPacket* b = pool.Alloc();
  pool.Free(a);
  pool.Free(b);
  EXPECT_EQ(pool.Alloc(), b);
  EXPECT_EQ(pool.Alloc(), a);
}

TEST_F(PoolTest, ATakenPacketIsInUseAndAGivenBackOneIsResetKeepingItsHeader) {
  MMORPGPacketPool pool(counters);
  MMORPGPacket* packet = pool.Alloc();
  EXPECT_TRUE(packet->m_InUse);
  EXPECT_EQ(packet->GetDataLen(), 0);
  packet->SetSessionID(42);
  packet->ReadData("body", 4);
  packet->m_ValueA = 7;
  packet->m_NoHead = true;
  pool.Free(packet);
  EXPECT_FALSE(packet->m_InUse);

  ASSERT_EQ(pool.Alloc(), packet);
  EXPECT_EQ(packet->GetHead()->SessionID, 42u);
  EXPECT_EQ(packet->GetDataLen(), 0);
  EXPECT_EQ(packet->m_ValueA, 0);
  EXPECT_FALSE(packet->m_NoHead);
}

TEST_F(PoolTest, ThePeakIsTheMostPacketsEverOut) {
  MMORPGPacketPool pool(counters);
  MMORPGPacket* taken[3] = {pool.Alloc(), pool.Alloc(), pool.Alloc()};
  for (MMORPGPacket* packet : taken) pool.Free(packet);
  pool.Free(pool.Alloc());
  EXPECT_EQ(counters.GetCount(), 0);
  EXPECT_EQ(counters.GetMaxCount(), 3);
}

TEST_F(PoolTest, AGiveBackThatIsNotAcceptedChangesNothingButTheLog) {
  MMORPGPacketPool pool(counters);
  MMORPGPacket* out = pool.Alloc();
  MMORPGPacket* freeOne = pool.Alloc();
  pool.Free(freeOne);
  MMORPGPacket_Stack stack;
  stack.m_InUse = true;

  struct Case {
    const char* name;
    MMORPGPacket* packet;
    const char* error;
  };
  const Case cases[] = {
      {"stack packet", &stack, "MMORPGPacketPool::Free  MMORPGPacket * pack can't free"},
      {"given back twice", freeOne, "MMORPGPacketPool::Free  MMORPGPacket * pack is Not Used"},
      {"null", nullptr, "MMORPGPacketPool::Free  MMORPGPacket * pack is NULL"},
  };
  for (const Case& misuse : cases) {
    SCOPED_TRACE(misuse.name);
    const int32_t freeBefore = pool.EmptyCount();
    LogCapture capture;
    pool.Free(misuse.packet);
    EXPECT_EQ(capture.Texts(LogLevel::Error), std::vector<std::string>{misuse.error});
    EXPECT_EQ(counters.GetCount(), 1);
    EXPECT_EQ(pool.EmptyCount(), freeBefore);
  }
  pool.Free(out);
  EXPECT_EQ(counters.GetCount(), 0);
}

TEST_F(PoolTest, ManyAtOnceTakeAndGiveBackAsOneAtATimeWouldAndCheckEachPacket) {
  MMORPGPacketPool pool(counters);
  std::vector<MMORPGPacket*> taken;
  pool.AllocMany(5002, taken);
  ASSERT_EQ(taken.size(), 5002u);
  EXPECT_EQ(std::set<MMORPGPacket*>(taken.begin(), taken.end()).size(), 5002u);
  EXPECT_EQ(pool.Count(), 5500) << "grown by the grow step on the way";
  EXPECT_EQ(counters.GetCount(), 5002);
  for (MMORPGPacket* packet : taken) EXPECT_TRUE(packet->m_InUse);

  MMORPGPacket_Stack stack;
  stack.m_InUse = true;
  std::vector<MMORPGPacket*> givenBack(taken.begin(), taken.begin() + 3);
  givenBack.push_back(taken[0]);  // twice in one batch
  givenBack.push_back(&stack);
  givenBack.push_back(nullptr);
  LogCapture capture;
  pool.FreeMany(givenBack);
  EXPECT_EQ(capture.Texts(LogLevel::Error),
            (std::vector<std::string>{"MMORPGPacketPool::Free  MMORPGPacket * pack is Not Used",
                                      "MMORPGPacketPool::Free  MMORPGPacket * pack can't free",
                                      "MMORPGPacketPool::Free  MMORPGPacket * pack is NULL"}));
  EXPECT_EQ(counters.GetCount(), 4999);
  EXPECT_EQ(pool.EmptyCount(), 498 + 3);
  EXPECT_EQ(pool.Alloc(), taken[2]) << "given back in order, so the last is taken first";

  pool.Free(taken[2]);
  pool.FreeMany(std::vector<MMORPGPacket*>(taken.begin() + 3, taken.end()));
  EXPECT_EQ(counters.GetCount(), 0);
  EXPECT_EQ(pool.EmptyCount(), 5500);
}

TEST_F(PoolTest, AGiveBackThatWouldTakeTheCountBelowZeroIsRefused) {
  MMORPGPacketPool pool(counters);
  MMORPGPacket outsider;
  outsider.m_InUse = true;
  outsider.ReadData("kept", 4);
  LogCapture capture;
  pool.Free(&outsider);
  EXPECT_EQ(capture.Texts(LogLevel::Error), std::vector<std::string>{"Error : MMORPGPacket::Free, m_Count = -1"});
  EXPECT_EQ(counters.GetCount(), 0);
  EXPECT_EQ(pool.EmptyCount(), 5000);
  EXPECT_TRUE(outsider.m_InUse);
  EXPECT_EQ(outsider.GetDataLen(), 4);
}

TEST_F(PoolTest, WhenMemoryRunsOutATakeAnswersNullAndIsNotCounted) {
  int made = 0;
  LogCapture capture;
  MMORPGPacketPool pool(counters, [&made]() -> std::unique_ptr<MMORPGPacket> {
    if (made == 10) throw std::bad_alloc();
    ++made;
    return std::make_unique<MMORPGPacket>();
  });
  EXPECT_EQ(pool.Count(), 10);
  EXPECT_TRUE(capture.Contains(LogLevel::Error, "AAutoQueue<T> out of memory: 10 of 5000 elements created"));

  std::vector<MMORPGPacket*> taken;
  for (int i = 0; i < 10; ++i) taken.push_back(pool.Alloc());
  capture.Clear();
  EXPECT_EQ(pool.Alloc(), nullptr);
  EXPECT_EQ(capture.Texts(LogLevel::Error),
            (std::vector<std::string>{"AAutoQueue<T> out of memory: 0 of 500 elements created",
                                      "MMORPGPacketPool  m_PacketPool.Alloc == NULL"}));
  EXPECT_EQ(counters.GetCount(), 10);
  for (MMORPGPacket* packet : taken) pool.Free(packet);
  EXPECT_EQ(counters.GetCount(), 0);
}

TEST(ModulePoolTest, IsOneInstanceAndItsTakesComeWithAZeroHeader) {
  MMORPGPacketPool* pool = MMORPG::GetPacketPool();
  EXPECT_EQ(MMORPG::GetPacketPool(), pool);
  EXPECT_GE(pool->Count(), 5000);

  const int32_t countBefore = MMORPG::GetCount();
  MMORPGPacket* packet = MMORPGPacket::Alloc();
  ASSERT_NE(packet, nullptr);
  EXPECT_EQ(MMORPG::GetCount(), countBefore + 1);
  EXPECT_GE(MMORPG::GetMaxCount(), countBefore + 1);
  packet->SetSessionID(9);
  packet->SetPackType(3);
  MMORPGPacket::Free(packet);
  EXPECT_EQ(MMORPG::GetCount(), countBefore);

  MMORPGPacket* again = MMORPGPacket::Alloc();
  ASSERT_EQ(again, packet);
  EXPECT_EQ(again->GetHead()->SessionID, 0u);
  EXPECT_EQ(again->GetHead()->packType, 0);
  EXPECT_TRUE(again->m_InUse);
  MMORPGPacket::Free(again);
}

}  // namespace
}  // namespace maplink::test
