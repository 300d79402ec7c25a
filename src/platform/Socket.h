#pragma once

// Blocking IPv4 TCP sockets: the handful of calls the transport needs. Every
// call that fails stores errno in the calling thread's last-error value
// (SetLastError) and reports the failure by its result; nothing is logged.
// IPv4 addresses travel as 32-bit values in network byte order.

#include <cstdint>

namespace maplink::platform {

// A socket handle (a file descriptor); kNoSocket when there is none.
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;

// A new TCP socket over IPv4, or kNoSocket.
SocketHandle OpenTcpSocket();

// Parses a dotted address text ("127.0.0.1") without any name resolution.
// False for every other text, so that the caller can go on to resolve it as
// a host name.
bool ParseDottedAddress(const char* text, uint32_t& address);

// Resolves a host name to its first IPv4 address. A failed resolution that
// has no errno of its own stores EHOSTUNREACH (name unknown), EAGAIN
// (try again later) or ENOMEM.
bool ResolveIPv4(const char* host, uint32_t& address);

bool BindIPv4(SocketHandle socket, uint32_t address, uint16_t port);

// Sets both the receive and the send time-out to the same number of
// milliseconds; 0 or less means none. Failures are ignored: the socket then
// keeps the time-outs it had.
void SetSocketTimeouts(SocketHandle socket, int32_t milliseconds);

bool ConnectIPv4(SocketHandle socket, uint32_t address, uint16_t port);

// One send, with MSG_NOSIGNAL: a peer that has gone makes it fail (EPIPE)
// instead of raising SIGPIPE. The number of bytes taken (possibly fewer than
// length), or -1. A signal that interrupts the wait is not a failure. A
// negative length is refused (-1, EINVAL).
int32_t SendSome(SocketHandle socket, const void* data, int32_t length);

// One receive: the number of bytes read, 0 when the peer has closed, or -1
// (EAGAIN when a receive time-out ran out). A signal that interrupts the
// wait is not a failure. A negative size is refused (-1, EINVAL).
int32_t ReceiveSome(SocketHandle socket, void* buffer, int32_t size);

// The number of received bytes waiting to be read (FIONREAD).
bool PendingReceiveBytes(SocketHandle socket, int32_t& count);

// Shuts both directions down: a receive blocked on the socket in another
// thread returns 0 at once, and the peer sees the end of the stream. The
// handle stays open until CloseSocket. A socket that is not connected has
// nothing to shut down: that failure is ignored and leaves the last-error
// value alone.
void ShutdownSocket(SocketHandle socket);

void CloseSocket(SocketHandle socket);

// A second handle on the same socket (close-on-exec), or kNoSocket. Closing
// one handle leaves the other usable; a shutdown through either affects both.
SocketHandle DuplicateSocket(SocketHandle socket);

}  // namespace maplink::platform
