// game-server-sim: a game server for trying the link by hand. Listens on
// 127.0.0.1, prints its port, echoes packets, and takes commands on standard
// input until "quit", end of input followed by Ctrl-C, or Ctrl-C.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "GameServerSimulator.h"
#include "platform/LastError.h"
#include "platform/Signals.h"

namespace {

constexpr const char* kUsage =
    "usage: game-server-sim [--port N] [--no-echo] [--close-after N]\n"
    "\n"
    "Listens on 127.0.0.1 (port N, or one the system picks), accepts one link\n"
    "connection at a time and speaks the frame protocol.\n"
    "  --port N         listen on port N (default: any free port, printed on start)\n"
    "  --no-echo        do not send received packets back\n"
    "  --close-after N  close each connection after N packets\n"
    "\n"
    "Commands on standard input:\n"
    "  burst N SIZE     send N packets with SIZE-byte bodies\n"
    "  close            close the current connection\n"
    "  stall | resume   stop or resume reading the connection\n"
    "  garbage N        send N bytes that are not a frame\n"
    "  echo on|off      switch echoing\n"
    "  stats            print counters\n"
    "  quit             stop\n";

bool ParseNumber(const char* text, uint64_t& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && text[0] != '-';
}

void PrintStats(const maplink::sim::GameServerSimulator& simulator) {
  std::printf("connections %llu, packets received %llu (%llu bytes), packets sent %llu, malformed %llu\n",
              static_cast<unsigned long long>(simulator.Connections()),
              static_cast<unsigned long long>(simulator.PacketsReceived()),
              static_cast<unsigned long long>(simulator.BytesReceived()),
              static_cast<unsigned long long>(simulator.PacketsSent()),
              static_cast<unsigned long long>(simulator.Malformed()));
  std::fflush(stdout);
}

// Runs one command line; false for "quit".
bool RunCommand(maplink::sim::GameServerSimulator& simulator, const std::string& line) {
  std::istringstream words(line);
  std::string command;
  words >> command;
  if (command.empty()) return true;
  if (command == "quit") return false;
  if (command == "burst") {
    uint32_t count = 0, size = 0;
    if (words >> count >> size) {
      std::printf(simulator.SendBurst(count, size) ? "sent %u packets\n" : "burst failed after some of %u packets\n", count);
    } else {
      std::printf("usage: burst N SIZE\n");
    }
  } else if (command == "close") {
    simulator.CloseConnection();
  } else if (command == "stall" || command == "resume") {
    simulator.SetStalled(command == "stall");
  } else if (command == "garbage") {
    size_t count = 0;
    if (!(words >> count) || !simulator.SendGarbage(count)) std::printf("garbage not sent\n");
  } else if (command == "echo") {
    std::string state;
    words >> state;
    simulator.SetEcho(state != "off");
  } else if (command == "stats") {
    PrintStats(simulator);
  } else {
    std::printf("unknown command: %s\n", command.c_str());
  }
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  maplink::sim::SimulatorOptions options;
  for (int i = 1; i < argc; ++i) {
    uint64_t value = 0;
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (std::strcmp(argv[i], "--no-echo") == 0) {
      options.echo = false;
    } else if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc && ParseNumber(argv[i + 1], value) &&
               value <= 65535) {
      options.port = static_cast<uint16_t>(value);
      ++i;
    } else if (std::strcmp(argv[i], "--close-after") == 0 && i + 1 < argc && ParseNumber(argv[i + 1], value)) {
      options.closeAfterPackets = value;
      ++i;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }

  maplink::platform::CatchInterrupt();
  maplink::sim::GameServerSimulator simulator(options);
  if (!simulator.Start()) {
    std::fprintf(stderr, "game-server-sim: cannot listen: %s\n",
                 maplink::platform::SystemErrorText(static_cast<int>(maplink::platform::GetLastError())).c_str());
    return 1;
  }
  std::printf("game-server-sim listening on 127.0.0.1:%u\n", simulator.Port());
  std::fflush(stdout);

  std::string line;
  bool running = true;
  while (running && !maplink::platform::InterruptRequested()) {
    if (std::getline(std::cin, line)) {
      running = RunCommand(simulator, line);
    } else if (!maplink::platform::InterruptRequested()) {
      // Input ended: serve until Ctrl-C.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  simulator.Stop();
  PrintStats(simulator);
  return 0;
}
