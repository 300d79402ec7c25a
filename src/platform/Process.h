#pragma once

#include <cstdint>
#include <string>

namespace maplink::platform {

// Writes the caption and the text to standard error, then ends the whole
// process at once with exit code 1 (no static destructors, no atexit hooks).
[[noreturn]] void FatalErrorExit(const std::string& caption, const std::string& text);

// The OS id of the calling thread (gettid), as other tools show it.
uint32_t CurrentThreadId();

// Whether standard output is a terminal.
bool StandardOutputIsTerminal();

// The most memory the process has had resident at once, in KiB.
uint64_t PeakResidentKilobytes();

// Local time of day "HH:MM:SS", and local date and time "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeOfDayText();
std::string LocalDateTimeText();

}  // namespace maplink::platform
