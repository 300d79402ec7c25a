#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "platform/Mutex.h"

namespace maplink::platform {

// An OS thread that is created suspended and runs its body, Execute(), from
// the first Resume(). The body may park the thread (Park) until another
// thread resumes it, and is expected to end once termination is requested
// (Terminate, IsTerminated). The object outlives its OS thread: nothing
// frees it when the body ends.
//
// Threads: Park only on the thread itself; Resume, Terminate and the
// queries from any thread; TerminateAndWait, SetName and the destructor by
// the owner, never on the thread itself.
//
// A class that overrides Execute calls TerminateAndWait first thing in its
// own destructor, so the body never runs on a half-destroyed object.
class Thread {
 public:
  // Called on the thread with the text of an exception that escaped Execute.
  using ExceptionReporter = std::function<void(const char* what)>;

  // The OS thread exists, suspended, and its id is known when this returns.
  explicit Thread(ExceptionReporter reportException);
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

 protected:
  // The termination notification: runs on the thread once a body that was
  // started has ended, by returning or by an exception. Does nothing here.
  virtual void DoTerminate() noexcept;
  // The body. An exception that escapes it is caught, handed to the
  // reporter, and ends the OS thread.
  virtual void Execute() = 0;

 public:
  // Ends the thread as TerminateAndWait does.
  virtual ~Thread();

  // Lets a thread that was never started, is parked or is about to park
  // run on. Has no effect on a thread that is running or has ended, so a
  // resume cannot be saved up for a later park.
  void Resume();
  // Requests termination: sets the flag the body reads.
  void Terminate();
  bool IsTerminated() const;
  // True while the thread waits for a resume: not started yet, parked, or
  // about to park, and no resume on its way.
  bool IsSuspended() const;
  // Waits until the body has ended (at once for a body that never ran).
  void WaitFor();
  // Requests termination, resumes the thread and waits for the body, then
  // releases the OS thread. A thread that was never started ends without
  // running its body.
  void TerminateAndWait();

  // The OS id (gettid) of the thread.
  uint32_t GetThreadId() const { return m_ThreadId.load(std::memory_order_relaxed); }
  // Names the OS thread; names longer than 15 bytes are cut (the system's
  // limit). Before TerminateAndWait.
  void SetName(const std::string& name);

 protected:
  // Parks the calling thread, which must be this one. The thread counts as
  // about to park from the call on: announce() runs then (it may tell
  // others that the thread parks), and a resume that arrives while it runs,
  // or later, lets the thread continue.
  template <typename Announce>
  void Park(Announce announce) {
    BeginPark();
    announce();
    WaitForResume();
  }

 private:
  enum class RunState { NotStarted, Running, Parking, Parked, Finished };

  void Run();
  void BeginPark();
  void WaitForResume();
  static bool WaitsForResume(RunState state);

  const ExceptionReporter m_ReportException;
  std::atomic<uint32_t> m_ThreadId{0};
  std::atomic<bool> m_Terminated{false};
  // Innermost: no other lock is taken while it is held (the thread
  // manager's list lock may be held when it is taken).
  mutable Mutex m_Mutex;
  std::condition_variable_any m_Changed;
  RunState m_State GUARDED_BY(m_Mutex) = RunState::NotStarted;
  bool m_ResumePending GUARDED_BY(m_Mutex) = false;
  // Set once in the constructor; joined by the owner.
  std::thread m_Thread;
};

}  // namespace maplink::platform
