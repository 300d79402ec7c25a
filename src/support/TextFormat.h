#pragma once

#include <string>

namespace maplink {

// printf-style formatting into a byte string.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The place text that opens failure messages: "<source> : <line>".
std::string PlaceText(const char* source, int line);

}  // namespace maplink
