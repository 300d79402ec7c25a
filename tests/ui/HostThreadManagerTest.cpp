// Seen from a host without Qt: only libmaplink.so and the public headers.
// This file includes no Qt header, so it also shows that the interface
// compiles without Qt. Without a QApplication the list-view operations only
// warn.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "LogCapture.h"
#include "common/WaitUntil.h"
#include "maplink/IThreadManagerInterface.h"

namespace {

using maplink::test::LogLevel;

struct HostWork {
  static int32_t Run(void* object, int32_t /*threadIndex*/) {
    static_cast<HostWork*>(object)->calls.fetch_add(1);
    return 1;
  }
  std::atomic<int> calls{0};
};

TEST(HostThreadManagerTest, TheExportAnswersTheSameObjectEveryTime) {
  IThreadManagerInterface* first = GetThreadManagerInterface();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetThreadManagerInterface(), first);
}

TEST(HostThreadManagerTest, AHostDrivesItsThreadsThroughAllEightOperations) {
  maplink::test::LogCapture capture;
  HostWork work;
  IThreadManagerInterface* threads = GetThreadManagerInterface();

  threads->AddThread("HostWorker", ThreadFunc{&HostWork::Run, &work}, false);
  EXPECT_EQ(threads->GetThreadCount(), 1);
  EXPECT_FALSE(threads->IsStarted());
  EXPECT_EQ(threads->StartAll(), 1);
  EXPECT_TRUE(threads->IsStarted());
  ASSERT_TRUE(maplink::test::WaitUntil([&] { return work.calls.load() > 0; }));

  threads->StopAll();
  EXPECT_FALSE(threads->IsStarted());
  EXPECT_TRUE(capture.Contains(LogLevel::Warn, "HostWorker Thread Stop"));

  threads->SetListView(nullptr);
  threads->RefreshListView();
  EXPECT_EQ(capture.Count(LogLevel::Warn, "SetListView: no QApplication in this process"), 1);
  EXPECT_EQ(capture.Count(LogLevel::Warn, "RefreshListView: no QApplication in this process"), 1);

  threads->ExitAll();
  EXPECT_EQ(threads->GetThreadCount(), 0);
  EXPECT_TRUE(capture.Contains(LogLevel::Info, "All Thread Exit OK!"));
}

}  // namespace
