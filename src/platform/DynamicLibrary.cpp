#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace maplink::platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Open(const std::string& name) {
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(handle));
}

DynamicLibrary::~DynamicLibrary() { dlclose(m_Handle); }

void* DynamicLibrary::Symbol(const char* name) const { return dlsym(m_Handle, name); }

}  // namespace maplink::platform
