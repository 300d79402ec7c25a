#include "platform/SocketSender.h"

namespace maplink::platform {

namespace {

class SystemSender final : public SocketSender {
 public:
  int32_t Send(SocketHandle socket, const void* data, int32_t length) override {
    return SendSome(socket, data, length);
  }
};

}  // namespace

SocketSender& SystemSocketSender() {
  static SystemSender sender;
  return sender;
}

}  // namespace maplink::platform
