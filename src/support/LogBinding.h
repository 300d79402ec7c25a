#pragma once

#include <quillet/ILog.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/DynamicLibrary.h"

namespace maplink {

// Binds the external logging library: loads it by name on the first call of
// GetLogger and looks up its GetLog and Log_Free exports. The load runs once,
// however many threads log first at the same time. A library or export that
// cannot be found ends the process (FatalErrorExit), since the host must not
// run without its log. The library is never unloaded while the binding lives.
class LogBinding {
 public:
  using Loader = std::function<std::unique_ptr<platform::DynamicLibrary>(const std::string&)>;

  explicit LogBinding(std::string libraryName, Loader loader = &platform::DynamicLibrary::Open);
  LogBinding(const LogBinding&) = delete;
  LogBinding& operator=(const LogBinding&) = delete;

  // Loads the library when that has not happened yet, then asks it for the
  // logger; the logger is asked for anew on every call, never kept.
  ILog* GetLogger();
  void LoadLogLibrary();

 private:
  void Load();

  std::once_flag m_LoadOnce;
  const std::string m_LibraryName;
  const Loader m_Loader;
  // Written once inside m_LoadOnce, read only after it.
  std::unique_ptr<platform::DynamicLibrary> m_Library;
  GetLogFunction m_GetLog = nullptr;
  LogFreeFunction m_LogFree = nullptr;
};

// The module's binding to "libquillet.so". It is never destroyed, so code
// that logs during the process's exit still reaches the library.
LogBinding& ModuleLogBinding();

// The logger every part of the module writes through.
ILog* GetLogger();
void LoadLogLibrary();

}  // namespace maplink
