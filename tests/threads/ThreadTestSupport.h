#pragma once

// Fakes and probes shared by the thread tests.

#include <maplink/ThreadFunc.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LogCapture.h"
#include "platform/CpuTimes.h"
#include "platform/Sleeper.h"

namespace maplink::test {

// CPU times set by hand; counts the reads and can be told to fail.
class FakeCpuTimes final : public platform::CpuTimeSource {
 public:
  bool ReadProcessTimes(platform::CpuTimes& times) const override { return Read(m_Process, times); }
  bool ReadThreadTimes(platform::CpuTimes& times) const override { return Read(m_Thread, times); }

  void Set(platform::CpuTimes process, platform::CpuTimes thread) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Process = process;
    m_Thread = thread;
  }
  void SetFailing(bool failing) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Failing = failing;
  }
  int Reads() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Reads;
  }

 private:
  bool Read(const platform::CpuTimes& source, platform::CpuTimes& times) const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    ++m_Reads;
    if (m_Failing) return false;
    times = source;
    return true;
  }

  mutable std::mutex m_Mutex;
  mutable int m_Reads = 0;
  bool m_Failing = false;
  platform::CpuTimes m_Process;
  platform::CpuTimes m_Thread;
};

// Records the sleeps asked for instead of sleeping (it only yields, so a
// thread that sleeps in a loop does not starve the test).
class RecordingSleeper final : public platform::Sleeper {
 public:
  void SleepMs(uint32_t milliseconds) const override {
    {
      std::lock_guard<std::mutex> lock(m_Mutex);
      if (m_Sleeps.size() < kKept) m_Sleeps.push_back(milliseconds);
      ++m_Count;
    }
    std::this_thread::yield();
  }
  // The first sleeps, in order.
  std::vector<uint32_t> Sleeps() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Sleeps;
  }
  int Count() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Count;
  }

 private:
  static constexpr size_t kKept = 100;
  mutable std::mutex m_Mutex;
  mutable std::vector<uint32_t> m_Sleeps;
  mutable int m_Count = 0;
};

// A ThreadFunc whose results come from a script of (call number, thread
// index) → result; counts its calls. The script runs on the worker.
class FuncProbe {
 public:
  using Script = std::function<int32_t(int32_t call, int32_t threadIndex)>;

  explicit FuncProbe(Script script) : m_Script(std::move(script)) {}
  FuncProbe(const FuncProbe&) = delete;
  FuncProbe& operator=(const FuncProbe&) = delete;

  ThreadFunc Func() { return ThreadFunc{&FuncProbe::Call, this}; }
  int32_t Calls() const { return m_Calls.load(); }
  int32_t LastIndex() const { return m_LastIndex.load(); }

 private:
  static int32_t Call(void* object, int32_t threadIndex) {
    auto* probe = static_cast<FuncProbe*>(object);
    probe->m_LastIndex.store(threadIndex);
    const int32_t call = probe->m_Calls.fetch_add(1) + 1;
    return probe->m_Script(call, threadIndex);
  }

  const Script m_Script;
  std::atomic<int32_t> m_Calls{0};
  std::atomic<int32_t> m_LastIndex{-1};
};

inline FuncProbe::Script Returns(int32_t result) {
  return [result](int32_t, int32_t) { return result; };
}

// Position of the first line at this level with exactly this text after
// position "from"; -1 when there is none.
inline int IndexOf(const std::vector<LogLine>& lines, LogLevel level, const std::string& text, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i) {
    if (lines[static_cast<size_t>(i)].level == level && lines[static_cast<size_t>(i)].text == text) return i;
  }
  return -1;
}

}  // namespace maplink::test
