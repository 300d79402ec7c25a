// Races on first use: the single-instance creation and the first load of the
// logging library.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <latch>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/LogBinding.h"
#include "support/ResGuard.h"

namespace maplink {
namespace {

std::atomic<int> g_Constructed{0};

struct Expensive {
  Expensive() { g_Constructed.fetch_add(1); }
};

TEST(LazyInstanceTest, ThreadsRacingTheFirstCallCreateOneInstance) {
  constexpr int kThreads = 8;
  std::latch start(kThreads);
  std::vector<Expensive*> seen(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      seen[static_cast<size_t>(i)] = SingletonEx::LazyInstance<Expensive>::Instance();
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(g_Constructed.load(), 1);
  for (Expensive* instance : seen) EXPECT_EQ(instance, seen[0]);
}

TEST(LogBindingConcurrencyTest, FirstLogsFromFourThreadsLoadOnceAndAllLinesArriveWhole) {
  const auto folder = std::filesystem::temp_directory_path() / ("maplink-log-" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  setenv("QUILLET_LOG_DIR", folder.c_str(), 1);
  setenv("QUILLET_LOG_NAME", "binding.log", 1);

  std::atomic<int> loads{0};
  LogBinding binding(REAL_QUILLET_PATH, [&](const std::string& name) {
    loads.fetch_add(1);
    return platform::DynamicLibrary::Open(name);
  });

  constexpr int kThreads = 4;
  constexpr int kLinesEach = 2000;
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int i = 0; i < kLinesEach; ++i) {
        binding.GetLogger()->LogInfo("writer %d line %d %s", t, i, "payload-payload-payload-payload");
      }
    });
  }
  for (auto& thread : threads) thread.join();
  binding.GetLogger()->Flush();
  EXPECT_EQ(loads.load(), 1);

  std::ifstream file(folder / "binding.log");
  std::set<std::string> found;
  std::string line;
  while (std::getline(file, line)) {
    const auto at = line.find("writer ");
    ASSERT_NE(at, std::string::npos) << line;
    EXPECT_NE(line.find("[info]"), std::string::npos) << line;
    EXPECT_NE(line.find("[tid "), std::string::npos) << line;
    EXPECT_EQ(line.substr(line.size() - 31), "payload-payload-payload-payload") << "torn line: " << line;
    found.insert(line.substr(at));
  }
  EXPECT_EQ(found.size(), static_cast<size_t>(kThreads * kLinesEach));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace maplink
