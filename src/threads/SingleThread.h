#pragma once

#include <maplink/ThreadFunc.h>

#include <string>

#include "threads/KestThread.h"

namespace maplink {

// A named worker thread that calls one ThreadFunc in a loop, sleeping
// between calls as long as the function asks, parking on a stop request and
// ending on a termination request or a result of -1. Created suspended: the
// OS thread exists (and has its id) from the constructor on, but runs
// nothing until the first Resume.
class SingleThread final : public KestThread {
 public:
  // A thread of the module's thread manager.
  SingleThread(const std::string& name, bool coInit, ThreadFunc threadFunc);
  // The event comes from context.Manager, which must outlive this object.
  SingleThread(const std::string& name, bool coInit, ThreadFunc threadFunc, const ThreadContext& context);

 protected:
  // The run loop.
  void Execute() override;

 public:
  // The start line, on the worker. There is no component-object runtime to
  // initialise on this platform: the flag is only kept and reported.
  void OnThreadInit() override;
  ThreadFunc GetThreadFunc() const override;

  ~SingleThread() override;

 private:
  void ParkOnStopRequest();
  void RunFunctionOnce();

  const ThreadFunc m_ThreadFunc;
};

}  // namespace maplink
