#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace maplink::test {

// Ends the test program with a message when the scope it guards is still
// running after the bound: a stuck test fails instead of hanging, even when
// the thread that is stuck cannot be woken.
class Watchdog {
 public:
  Watchdog(std::chrono::seconds bound, std::string what)
      : m_What(std::move(what)), m_Thread([this, bound] { Watch(bound); }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(m_Mutex);
      m_Finished = true;
    }
    m_Changed.notify_one();
    m_Thread.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  void Watch(std::chrono::seconds bound) {
    std::unique_lock lock(m_Mutex);
    if (m_Changed.wait_for(lock, bound, [this] { return m_Finished; })) return;
    std::fprintf(stderr, "Watchdog: \"%s\" still running after %lld s\n", m_What.c_str(),
                 static_cast<long long>(bound.count()));
    std::abort();
  }

  const std::string m_What;
  std::mutex m_Mutex;
  std::condition_variable m_Changed;
  bool m_Finished = false;
  std::thread m_Thread;
};

}  // namespace maplink::test
