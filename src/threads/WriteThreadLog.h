#pragma once

#include <cstdio>
#include <string>

namespace maplink {

// The log line of the thread subsystem: when standard output is a terminal,
// first a console line "<local date and time>\t<text>"; then the text as an
// info line of the module's logger. The text is never read as a format, so
// a percent sign in a thread's name is written as it is. Any thread.
void WriteThreadLog(const std::string& text);

// The console half of WriteThreadLog, written to the given stream.
void WriteThreadConsoleLine(std::FILE* console, const std::string& text);

}  // namespace maplink
