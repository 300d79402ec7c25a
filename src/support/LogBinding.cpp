#include "support/LogBinding.h"

#include "platform/Process.h"

namespace maplink {

namespace {
constexpr const char* kFatalCaption = "Error report";
}

LogBinding::LogBinding(std::string libraryName, Loader loader)
    : m_LibraryName(std::move(libraryName)), m_Loader(std::move(loader)) {}

ILog* LogBinding::GetLogger() {
  LoadLogLibrary();
  return m_GetLog();
}

void LogBinding::LoadLogLibrary() {
  std::call_once(m_LoadOnce, [this] { Load(); });
}

void LogBinding::Load() {
  m_Library = m_Loader(m_LibraryName);
  if (!m_Library) {
    platform::FatalErrorExit(kFatalCaption, "Can't find quillet.dll!!!Fail to start server!!!");
  }
  m_GetLog = reinterpret_cast<GetLogFunction>(m_Library->Symbol("GetLog"));
  if (m_GetLog == nullptr) {
    platform::FatalErrorExit(kFatalCaption,
                             "Can't find GetLog function in quillet module!!!Fail to start server!!!");
  }
  m_LogFree = reinterpret_cast<LogFreeFunction>(m_Library->Symbol("Log_Free"));
  if (m_LogFree == nullptr) {
    platform::FatalErrorExit(kFatalCaption,
                             "Can't find Log_Free function in quillet module!!!Fail to start server!!!");
  }
}

LogBinding& ModuleLogBinding() {
  static LogBinding& binding = *new LogBinding("libquillet.so");
  return binding;
}

ILog* GetLogger() { return ModuleLogBinding().GetLogger(); }

void LoadLogLibrary() { ModuleLogBinding().LoadLogLibrary(); }

}  // namespace maplink
