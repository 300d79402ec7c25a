#pragma once

#include <chrono>
#include <thread>

namespace maplink::test {

// Polls a condition until it holds or the bound runs out. For conditions set
// by other threads that offer nothing to wait on; the bound is generous, a
// test never depends on how fast the condition comes true.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds bound = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace maplink::test
