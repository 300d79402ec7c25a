// A tiny map server built against the installed package: it uses the
// module's exports and has the module write a line through the logging
// library it loads from beside itself.
#include <maplink/maplink.h>

#include <cstdio>

int main() {
  IPackageDispatcher* dispatcher = NewPackageDispatcher();
  char tooSmall[4];
  // A frame that does not fit is refused and logged by the module.
  const int32_t written = dispatcher->PackData("payload", 7, tooSmall, sizeof tooSmall);
  FreePackageDispatcher(dispatcher);

  MMORPG::MMORPGPacket* packet = MMORPG::MMORPGPacket::Alloc();
  packet->ReadData("host", 4);
  const bool framed = packet->GetSendData().size() == 6 + 9 + 4;
  MMORPG::MMORPGPacket::Free(packet);

  IThreadManagerInterface* threads = GetThreadManagerInterface();
  const bool managerEmpty = threads->GetThreadCount() == 0;

  std::printf("host: refused frame %d, framed packet %s, thread manager %s\n", written, framed ? "ok" : "bad",
              managerEmpty ? "empty" : "busy");
  return written == 0 && framed && managerEmpty ? 0 : 1;
}
