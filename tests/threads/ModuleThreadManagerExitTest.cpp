// Threads of the module's manager still running when the process exits
// (the host never called ExitAll): the manager's destructor ends them, so
// the exit neither hangs nor runs a thread on unloaded code.

#include <gtest/gtest.h>

#include <cstdlib>

#include "ThreadTestSupport.h"
#include "common/WaitUntil.h"
#include "threads/ThreadManager.h"

namespace maplink {
namespace {

TEST(ModuleThreadManagerExitTest, ProcessExitEndsThreadsLeftRunning) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        static test::FuncProbe busy(test::Returns(0));
        static test::FuncProbe idle(test::Returns(1));
        GetThreadManager().AddThread("Busy", busy.Func(), false);
        GetThreadManager().AddThread("Idle", idle.Func(), false);
        GetThreadManager().StartAll();
        if (!test::WaitUntil([] { return busy.Calls() > 0 && idle.Calls() > 0; })) std::_Exit(2);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace maplink
