#pragma once

// ThreadFunc: the function a managed worker thread of libmaplink.so runs.
//
// A host registers one with the module's thread manager together with a
// thread name; the thread then calls Function(Object, threadIndex) over and
// over on its own OS thread, where threadIndex is the position the
// registration took (0 for the first since the last ExitAll). The result
// steers the loop:
//   0             call again at once;
//   greater than 0  sleep that many milliseconds, then call again;
//   -1            end the thread (no further call);
//   below -1      call again at once.
// The function must not throw: an exception that escapes it ends its thread
// without the thread's exit steps.
//
// The layout is part of the binary interface and never changes: two machine
// words, the function first, then the object pointer it receives. The
// object must stay valid until the thread has ended (ExitAll returns).

#include <cstddef>
#include <cstdint>
#include <type_traits>

struct ThreadFunc {
  int32_t (*Function)(void* object, int32_t threadIndex) = nullptr;
  void* Object = nullptr;

  // An empty function (Function null) is never called; its thread idles.
  bool IsEmpty() const { return Function == nullptr; }
};

static_assert(sizeof(ThreadFunc) == 2 * sizeof(void*));
static_assert(offsetof(ThreadFunc, Function) == 0 && offsetof(ThreadFunc, Object) == sizeof(void*));
static_assert(std::is_standard_layout_v<ThreadFunc> && std::is_trivially_copyable_v<ThreadFunc>);
