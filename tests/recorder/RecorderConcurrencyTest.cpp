// The recording threads against the window's thread: records, views, watch
// strings, notifications and the manager's list, under ThreadSanitizer and
// AddressSanitizer.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/WaitUntil.h"
#include "common/Watchdog.h"
#include "recorder/PackRecorderManager.h"
#include "support/CommFunc.h"

namespace maplink {
namespace {

using test::Watchdog;

constexpr std::chrono::seconds kTestBound{240};

// The bytes recorded with each serial number, so a reader can tell that a
// record's fields belong together.
std::string PacketFor(uint32_t serial) {
  std::string bytes(serial % 24, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(serial * 31 + i);
  return bytes;
}

void ExpectWholeRecord(const tagOnePackData& record) {
  EXPECT_EQ(record.m_Data, PacketFor(record.m_Serial));
  EXPECT_EQ(record.m_HexText, HexString(record.m_Data));
  EXPECT_EQ(record.m_Time.size(), 8u);
  EXPECT_EQ(record.m_SessionID, 0u);
  EXPECT_EQ(record.m_PackOrder, 0);
}

TEST(RecorderConcurrencyTest, WindowWorksOnADirectionWhileThreeHundredThousandPacketsAreRecorded) {
  Watchdog watchdog(kTestBound, ::testing::UnitTest::GetInstance()->current_test_info()->name());
  constexpr uint32_t kPackets = 300000;
  // The window clears the records itself only while the first packets are
  // recorded; the link then waits until it has stopped doing so, so the
  // clears after that are the recorder's own, at its limit.
  constexpr uint32_t kWindowClearsUntil = 50000;
  OneWayPackRec direction;
  direction.SetEnable(true);
  std::atomic<int64_t> notified{0};
  direction.SetOnNewPack([&] { notified.fetch_add(1, std::memory_order_relaxed); });
  std::atomic<bool> firstPartRecorded{false};
  std::atomic<bool> windowClearsStopped{false};
  std::atomic<bool> recorded{false};

  std::thread link([&] {
    for (uint32_t serial = 1; serial <= kPackets; ++serial) {
      direction.RecordPack(PacketFor(serial));
      if (serial == kWindowClearsUntil) {
        firstPartRecorded.store(true);
        EXPECT_TRUE(test::WaitUntil([&] { return windowClearsStopped.load(); }));
      }
    }
    recorded.store(true);
  });

  const WatchFilterMode modes[] = {wfNone, wfHideMatch, wfShowMatch};
  int passes = 0;
  do {
    ++passes;
    const bool mayClear = !firstPartRecorded.load();
    direction.SetFilterMode(modes[passes % 3]);
    direction.AddWatch(HexString(std::string(1, static_cast<char>(passes))));
    if (direction.GetWatchCount() > 3) direction.DeleteWatch(passes % 3);
    if (passes % 5 == 0) direction.ClearWatch();

    // Rows show stored records in serial order; a clear at the limit since
    // ApplyFilter empties the view, or under wfNone moves later rows onto
    // newer records, so the order holds across it.
    const int32_t rows = direction.ApplyFilter();
    uint32_t previous = 0;
    for (int32_t row = 0; row < rows; ++row) {
      const auto record = direction.GetViewPack(row);
      if (!record) continue;
      ExpectWholeRecord(*record);
      EXPECT_GT(record->m_Serial, previous);
      previous = record->m_Serial;
    }
    if (const auto last = direction.GetPack(direction.GetPackCount() - 1)) ExpectWholeRecord(*last);

    if (!mayClear) {
      windowClearsStopped.store(true);
    } else if (passes % 7 == 0) {
      direction.ClearPacks();
    }
  } while (!recorded.load());
  link.join();

  EXPECT_GT(notified.load(), 0);
  // Every packet was stored and every clear removes all records, so the
  // records left are a run of consecutive serial numbers ending at the last;
  // one that starts after serial 100000 began with a clear at the limit.
  const int32_t count = direction.GetPackCount();
  ASSERT_GT(count, 0);
  ASSERT_LE(count, 100000);
  EXPECT_GT(direction.GetPack(0)->m_Serial, 100000u);
  for (int32_t i = 0; i < count; ++i) {
    EXPECT_EQ(direction.GetPack(i)->m_Serial, kPackets - static_cast<uint32_t>(count - 1 - i)) << i;
  }
}

TEST(RecorderConcurrencyTest, NotificationIsNeverCalledOnceItsUnbindingHasReturned) {
  Watchdog watchdog(kTestBound, ::testing::UnitTest::GetInstance()->current_test_info()->name());
  constexpr int kRounds = 500;
  PackRecorderManager manager;
  OneWayPackRec& direction = manager.AddRecorder(3)->GetRecvRecorder();
  direction.SetEnable(true);

  struct Listener {
    std::atomic<int> calls{0};
  };
  std::array<std::atomic<bool>, kRounds> retired{};
  std::atomic<int> lateCalls{0};
  std::atomic<bool> stop{false};

  std::thread link([&] {
    while (!stop.load()) direction.RecordPack("\x01\x02");
  });

  for (int round = 0; round < kRounds; ++round) {
    auto listener = std::make_unique<Listener>();
    Listener* target = listener.get();
    direction.SetOnNewPack([&retired, &lateCalls, round, target] {
      if (retired[static_cast<size_t>(round)].load()) {
        lateCalls.fetch_add(1);
        return;
      }
      target->calls.fetch_add(1);  // a use after free if the listener is gone
    });
    const bool called = test::WaitUntil([&] { return target->calls.load() > 0; });

    // The window unbinds in both ways: rebinding the direction, or clearing
    // every notification before it is destroyed.
    if (round % 2 == 0) {
      direction.SetOnNewPack(nullptr);
    } else {
      manager.ClearAllNotify();
    }
    retired[static_cast<size_t>(round)].store(true);
    listener.reset();
    if (!called) {
      ADD_FAILURE() << "no notification in round " << round;
      break;
    }
  }
  stop.store(true);
  link.join();
  EXPECT_EQ(lateCalls.load(), 0);
}

TEST(RecorderConcurrencyTest, RecordersAreAddedWhileTheLinkLooksThemUp) {
  Watchdog watchdog(kTestBound, ::testing::UnitTest::GetInstance()->current_test_info()->name());
  constexpr int32_t kRecorders = 2000;
  constexpr int32_t kIndexes = 50;
  PackRecorderManager manager;
  std::atomic<bool> added{false};
  std::atomic<int64_t> found{0};

  auto lookUp = [&](bool send) {
    auto recordInto = [&](int32_t index) {
      PackRecorder* recorder = manager.FindRecorder(index);
      if (recorder == nullptr) return;
      EXPECT_EQ(recorder->GetIndex(), index);
      (send ? recorder->GetSendRecorder() : recorder->GetRecvRecorder()).RecordPack("\xAB");
      found.fetch_add(1);
    };
    for (int32_t i = 0; !added.load(); ++i) recordInto(i % kIndexes);
    for (int32_t index = 0; index < kIndexes; ++index) recordInto(index);
  };
  std::thread sendThread(lookUp, true);
  std::thread recvThread(lookUp, false);

  for (int32_t i = 0; i < kRecorders; ++i) {
    manager.AddRecorder(i % kIndexes);
    if (i % 100 == 0) {
      manager.SetEnableAll(i % 200 == 0);
      manager.ClearAllNotify();
      EXPECT_NE(manager.GetRecorderAt(manager.GetRecorderCount() - 1), nullptr);
    }
  }
  added.store(true);
  sendThread.join();
  recvThread.join();

  EXPECT_GE(found.load(), 2 * kIndexes);
  ASSERT_EQ(manager.GetRecorderCount(), kRecorders);
  for (int32_t index = 0; index < kIndexes; ++index) {
    EXPECT_EQ(manager.FindRecorder(index), manager.GetRecorderAt(index)) << index;
  }
}

}  // namespace
}  // namespace maplink
