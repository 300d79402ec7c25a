#pragma once

#include <memory>
#include <string>

namespace maplink::platform {

// A loaded shared library. Closing happens when the object is destroyed;
// owners that must keep a library for the life of the process never destroy it.
class DynamicLibrary {
 public:
  // Loads by name through the system's library search (the caller's run
  // path, LD_LIBRARY_PATH, the system folders) or by path. Null on failure.
  static std::unique_ptr<DynamicLibrary> Open(const std::string& name);

  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // The address of an exported symbol, or null when the library has none.
  void* Symbol(const char* name) const;

 private:
  explicit DynamicLibrary(void* handle) : m_Handle(handle) {}

  void* m_Handle;
};

}  // namespace maplink::platform
