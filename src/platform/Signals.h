#pragma once

namespace maplink::platform {

// Turns Ctrl-C (SIGINT) and SIGTERM into a flag a program polls, so it can
// stop cleanly instead of dying. Call once, from the main thread.
void CatchInterrupt();

// True once SIGINT or SIGTERM arrived after CatchInterrupt.
bool InterruptRequested();

}  // namespace maplink::platform
