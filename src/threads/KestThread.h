#pragma once

#include <maplink/ThreadFunc.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/Thread.h"
#include "threads/ThreadContext.h"

namespace maplink {

class KestThreadEvent;

// Values of a thread's m_State; GetStateText gives their texts.
enum ThreadState : int32_t {
  tsSuspended = 0,
  tsIdle = 1,
  tsBusy = 2,
  tsIniting = 3,
  tsUnIniting = 4,
  tsTerminate = 5,
  tsException = 6,
};

// The display text of a state value; any value outside the table reads
// "KestThread UnDefined State".
const char* ThreadStateText(int32_t state);

// The exit notification: called on the worker thread with its index when its
// run loop has ended normally. Empty (Function null) means none.
struct ThreadExitFunc {
  void (*Function)(void* object, int32_t threadIndex) = nullptr;
  void* Object = nullptr;

  bool IsEmpty() const { return Function == nullptr; }
};

// A named thread with a state, a stop request acknowledged through its
// event, CPU-use figures and an exit notification. Its OS thread is created
// suspended and runs Execute() from the first Resume(); this base's body
// returns at once, SingleThread adds the run loop.
//
// Threads: the worker runs the body, the init hooks, UpdateCpuUsage and the
// exit notification; one controlling thread calls Stop, ClearStop, Resume,
// Terminate and the waits; any thread (the display) reads the name, the
// state text, the CPU figures, the thread id and the index. The fields that
// cross threads are atomics; the name, the flag and the context are fixed
// before the first Resume.
class KestThread : public platform::Thread {
 public:
  // A thread of the module's thread manager.
  explicit KestThread(bool coInit);
  // The event comes from context.Manager, which must outlive this object.
  KestThread(bool coInit, const ThreadContext& context);

 protected:
  void DoTerminate() noexcept override;
  void Execute() override;

 public:
  virtual void OnThreadInit();
  virtual void OnThreadUnInit();
  // False while a stop request is pending.
  virtual bool IsRunEnabled() const;
  virtual void SetThreadIndex(int32_t threadIndex);
  virtual bool GetCoInit() const;
  virtual std::string GetName() const;
  virtual std::string GetStateText() const;
  virtual int32_t GetThreadIndex() const;
  virtual ThreadFunc GetThreadFunc() const;
  // The stop handshake, on the controlling thread: sets the stop request and
  // waits without limit until the worker acknowledges at the top of its
  // loop (it parks right after). Returns at once for a thread whose
  // termination was requested, and without an acknowledgement once the
  // body has ended (its event is then released for good). It does not
  // resume a parked thread: the caller resumes it first.
  virtual void Stop();
  virtual void ClearStop();
  // Whole percent of the process's CPU time that this thread used over the
  // last sampling period.
  virtual int32_t GetCpuUsage() const;
  virtual int32_t GetKernelCpuUsage() const;
  virtual void SetInfo(const std::string& info);
  virtual std::string GetInfo() const;

  ~KestThread() override;

  // Lives as long as the manager that made it.
  KestThreadEvent* GetEvent() const { return m_Event; }
  // Set before the first Resume.
  void SetOnExit(ThreadExitFunc onExit) { m_OnExit = onExit; }
  // Samples the CPU times at most once per 1000 ms; the first sample is
  // only a baseline. On the worker thread (after each call of its function).
  void UpdateCpuUsage();

 protected:
  // Names the thread object and its OS thread; by the derived constructor.
  void InitName(const std::string& name);
  void SetState(ThreadState state) { m_State.store(state, std::memory_order_relaxed); }
  // Sleeps the calling thread through the context's sleeper.
  void SleepMs(uint32_t milliseconds) const { m_Sleeper.SleepMs(milliseconds); }
  // The exit notification, when there is one.
  void NotifyExit();

 private:
  void ReportException(const char* what) const;

  KestThreadEvent* const m_Event;
  const bool m_CoInit;
  std::string m_Name;
  std::atomic<int32_t> m_State{tsSuspended};
  std::atomic<int32_t> m_ThreadIndex{-1};
  std::atomic<bool> m_StopRequest{false};
  // Previous CPU times and the clock at the last sample (0: none yet);
  // touched only by UpdateCpuUsage, on the worker thread.
  uint64_t m_PrevProcessKernel = 0;
  uint64_t m_PrevProcessUser = 0;
  uint64_t m_PrevThreadKernel = 0;
  uint64_t m_PrevThreadUser = 0;
  uint32_t m_LastSample = 0;
  std::atomic<int32_t> m_CpuUsage{0};
  std::atomic<int32_t> m_KernelCpuUsage{0};
  ThreadExitFunc m_OnExit;
  const platform::Clock& m_Clock;
  const platform::CpuTimeSource& m_CpuTimes;
  const platform::Sleeper& m_Sleeper;
};

}  // namespace maplink
