#include "platform/Signals.h"

#include <signal.h>

#include <atomic>

namespace maplink::platform {

namespace {

std::atomic<bool> g_Interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnInterrupt(int) { g_Interrupted.store(true); }

}  // namespace

void CatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return g_Interrupted.load(); }

}  // namespace maplink::platform
