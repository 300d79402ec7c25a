#include "support/TextFormat.h"

#include <cstdarg>
#include <cstdio>

namespace maplink {

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    text.pop_back();
  }
  va_end(args);
  return text;
}

std::string PlaceText(const char* source, int line) { return FormatText("%s : %d", source, line); }

}  // namespace maplink
