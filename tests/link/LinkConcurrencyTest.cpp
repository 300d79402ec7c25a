// Host threads and the link's threads passing pooled packets through the
// queues at once: every packet arrives exactly once, in each producer's order,
// and every packet goes back to the pool.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PacketHelpers.h"
#include "common/Watchdog.h"
#include "link/MapServerNetLogic.h"
#include "link/MapServerNetProxy.h"
#include "maplink/IMMORPGPacketQueue.h"

namespace maplink::test {
namespace {

using MMORPG::MMORPGPacket;
using MMORPG::MMORPGPacket_Stack;

constexpr int kPacketsEach = 250'000;
// Producers wait while this many packets are queued, so the pool (which never
// shrinks) stays small whatever the scheduler does.
constexpr int32_t kBacklog = 10'000;

// The body of a packet: its producer's sequence number, 4 bytes.
std::string SequenceBody(int32_t sequence) {
  std::string body(sizeof sequence, '\0');
  std::memcpy(body.data(), &sequence, sizeof sequence);
  return body;
}

// What the consumers took. A packet is identified by its producer (the
// session id) and its sequence number (the body).
class Arrivals {
 public:
  Arrivals(int producers, int consumers)
      : m_Producers(producers),
        m_Seen(static_cast<size_t>(producers) * kPacketsEach),
        m_Last(static_cast<size_t>(consumers), std::vector<int32_t>(static_cast<size_t>(producers), -1)) {}

  // Called by consumer `consumer` only, for each packet it took.
  void Take(int consumer, const MMORPGPacket& packet) {
    const uint32_t producer = packet.GetHead()->SessionID;
    int32_t sequence = -1;
    if (packet.GetDataLen() == sizeof sequence) std::memcpy(&sequence, packet.GetData(), sizeof sequence);
    if (producer >= static_cast<uint32_t>(m_Producers) || sequence < 0 || sequence >= kPacketsEach) {
      m_Strangers.fetch_add(1);
    } else {
      int32_t& last = m_Last[static_cast<size_t>(consumer)][producer];
      if (sequence <= last) m_OutOfOrder.fetch_add(1);
      last = sequence;
      if (m_Seen[producer * kPacketsEach + static_cast<size_t>(sequence)].fetch_add(1) != 0) {
        m_Duplicates.fetch_add(1);
      }
    }
    m_Taken.fetch_add(1);
  }

  bool AllTaken() const { return m_Taken.load() >= m_Producers * kPacketsEach; }

  // With no stranger and no duplicate, all taken means each taken exactly once.
  void Check() const {
    EXPECT_EQ(m_Taken.load(), m_Producers * kPacketsEach);
    EXPECT_EQ(m_Strangers.load(), 0);
    EXPECT_EQ(m_Duplicates.load(), 0);
    EXPECT_EQ(m_OutOfOrder.load(), 0);
  }

 private:
  const int m_Producers;
  std::vector<std::atomic<uint8_t>> m_Seen;
  std::vector<std::vector<int32_t>> m_Last;  // [consumer][producer]: each row owned by its consumer
  std::atomic<int> m_Taken{0};
  std::atomic<int> m_Strangers{0};
  std::atomic<int> m_Duplicates{0};
  std::atomic<int> m_OutOfOrder{0};
};

// Runs produce(index) on `producers` threads and consume(index) on
// `consumers` threads and joins them all; a run that does not end within a
// generous bound fails the test program instead of hanging it.
void RunThreads(int producers, const std::function<void(int)>& produce, int consumers,
                const std::function<void(int)>& consume) {
  Watchdog watchdog(std::chrono::seconds(300), "link queue threads");
  std::vector<std::thread> threads;
  for (int i = 0; i < producers; ++i) threads.emplace_back(produce, i);
  for (int i = 0; i < consumers; ++i) threads.emplace_back(consume, i);
  for (std::thread& thread : threads) thread.join();
}

// Pushes kPacketsEach pooled packets of one producer, waiting for room
// whenever count says the backlog is full.
void ProducePooled(int producer, const std::function<int32_t()>& count,
                   const std::function<bool(MMORPGPacket*)>& push) {
  for (int32_t sequence = 0; sequence < kPacketsEach; ++sequence) {
    while (count() >= kBacklog) std::this_thread::yield();
    EXPECT_TRUE(push(MakePacket(static_cast<uint32_t>(producer), SequenceBody(sequence))));
  }
}

// A net logic with its proxy wired to it, as the link's Start leaves them.
class LinkConcurrencyTest : public ::testing::Test {
 protected:
  LinkConcurrencyTest() { m_Proxy.SetNetLogic(&m_Logic); }

  PoolBalance m_Balance;
  MapServerNetLogic m_Logic;
  MapServerNetProxy m_Proxy;
  IMapServerNetProxy& m_Host = m_Proxy;
};

TEST_F(LinkConcurrencyTest, FourHostThreadsSendPackWhileTheSendThreadPopsEachPacketOnceInOrder) {
  constexpr int kProducers = 4;
  Arrivals arrivals(kProducers, 1);
  int wrongHeaders = 0;  // written by the send thread only

  RunThreads(
      kProducers,
      [&](int producer) {
        for (int32_t sequence = 0; sequence < kPacketsEach; ++sequence) {
          while (m_Logic.GetSendCount() >= kBacklog) std::this_thread::yield();
          const std::string body = SequenceBody(sequence);
          EXPECT_TRUE(m_Host.SendPack(1, 2, producer, 3, 4, body.data(), static_cast<int32_t>(body.size())));
        }
      },
      1,
      [&](int consumer) {
        // As the send thread does: poll the count, copy each packet out.
        MMORPGPacket_Stack sent;
        while (!arrivals.AllTaken()) {
          if (m_Logic.GetSendCount() == 0) {
            m_Host.GetSendRate();
            std::this_thread::yield();
            continue;
          }
          if (!m_Logic.PopSend(&sent)) continue;
          const tagPackHead& head = *sent.GetHead();
          if (head.SrcServerType != stMapServer || head.DestServerType != stGameServer ||
              head.PackOrder != 0 || head.packType != 4) {
            ++wrongHeaders;
          }
          arrivals.Take(consumer, sent);
        }
      });

  arrivals.Check();
  EXPECT_EQ(wrongHeaders, 0);
  EXPECT_EQ(m_Logic.GetSendCount(), 0);
  EXPECT_EQ(m_Balance.Out(), 0);
}

TEST_F(LinkConcurrencyTest, PacketsPushedOnTheReceiveQueueReachTheHostThreadsOnceInOrder) {
  constexpr int kProducers = 4;
  constexpr int kConsumers = 2;
  Arrivals arrivals(kProducers, kConsumers);

  RunThreads(
      kProducers,
      [&](int producer) {
        ProducePooled(
            producer, [&] { return m_Logic.GetRecvCount(); },
            [&](MMORPGPacket* packet) { return m_Logic.PushRecv(packet); });
      },
      kConsumers,
      [&](int consumer) {
        while (!arrivals.AllTaken()) {
          MMORPGPacket* packet = m_Host.RecvPacket();
          if (packet == nullptr) {
            m_Host.GetRecvRate();
            std::this_thread::yield();
            continue;
          }
          arrivals.Take(consumer, *packet);
          m_Host.FreePacket(packet);
        }
      });

  arrivals.Check();
  EXPECT_EQ(m_Logic.GetRecvCount(), 0);
  EXPECT_EQ(m_Balance.Out(), 0);
}

TEST(ExportedQueueConcurrencyTest, AnExportedQueueSharedByTwoProducersAndTwoConsumersLosesNothing) {
  constexpr int kProducers = 2;
  constexpr int kConsumers = 2;
  PoolBalance balance;
  std::unique_ptr<IMMORPGPacketQueue, decltype(&FreeMMORPGPacketQueue)> queue(NewMMORPGPacketQueue(),
                                                                              &FreeMMORPGPacketQueue);
  Arrivals arrivals(kProducers, kConsumers);

  RunThreads(
      kProducers,
      [&](int producer) {
        ProducePooled(
            producer, [&] { return queue->Count(); },
            [&](MMORPGPacket* packet) { return queue->Push(packet); });
      },
      kConsumers,
      [&](int consumer) {
        // One consumer copies out, the other takes the pooled packet itself.
        MMORPGPacket_Stack copy;
        while (!arrivals.AllTaken()) {
          if (consumer == 0) {
            if (queue->PacketPop(&copy)) {
              arrivals.Take(consumer, copy);
              continue;
            }
          } else if (MMORPGPacket* packet = queue->Pop()) {
            arrivals.Take(consumer, *packet);
            queue->Release(packet);
            continue;
          }
          std::this_thread::yield();
        }
      });

  arrivals.Check();
  EXPECT_EQ(queue->Count(), 0);
  EXPECT_EQ(balance.Out(), 0);
}

}  // namespace
}  // namespace maplink::test
