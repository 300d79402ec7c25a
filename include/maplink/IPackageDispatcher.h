#pragma once

// Stream framing: wraps payloads into frames and cuts a received byte stream
// back into frames.
//
// A frame is the marker bytes FF CC, the length field (4 bytes, or 2 in
// length mode 0, little-endian) holding the payload length plus the CRC
// length, the payload, and, when the CRC is switched on, the CRC-32 of every
// byte before it (4 bytes, little-endian). Both ends of a stream must use the
// same length mode and CRC switch: nothing in a frame announces them.
//
// Ownership: NewPackageDispatcher creates a dispatcher; the caller releases it
// with FreePackageDispatcher and nothing else.
//
// Threads: a dispatcher has no lock. RecvData runs every callback on the
// caller's thread before it returns; one dispatcher must not be fed from two
// threads at once. PackData reads only the two settings, so a dispatcher used
// only for PackData may serve several threads while its settings stay put.
//
// The order of the operations of IPackageDispatcher is part of the binary
// interface and never changes.

#include <cstdint>
#include <string>

#include "maplink/Export.h"
#include "maplink/PackCrcError.h"

namespace maplink {

// Each callback is a plain function plus a context value handed back to it as
// its first argument. An unset (null) function is skipped.

// Asked with each received block (the new bytes only) before it is cut;
// false drops the block and any bytes held from earlier blocks.
using RecvFilterFunc = bool (*)(void* context, const std::string& block);
// Receives the payload of each whole frame, in stream order; it may hold zero bytes.
using PackCallbackFunc = void (*)(void* context, const std::string& payload);
// Receives notices and errors as text (the Chinese ones GBK-encoded).
using ErrorCallbackFunc = void (*)(void* context, const std::string& message);
// Told that the stream cannot be cut any further; the owner should drop the
// connection, since no search for the next marker is made.
using FatalCallbackFunc = void (*)(void* context);

}  // namespace maplink

class IPackageDispatcher {
 public:
  virtual void SetRecvFilter(maplink::RecvFilterFunc filter, void* context) = 0;
  virtual void SetPackCallback(maplink::PackCallbackFunc callback, void* context) = 0;
  virtual void SetErrorCallback(maplink::ErrorCallbackFunc callback, void* context) = 0;
  virtual void SetFatalCallback(maplink::FatalCallbackFunc callback, void* context) = 0;

  // Cuts the held bytes plus this block into frames and delivers each whole
  // payload; an incomplete last frame is held for the next call. Throws
  // maplink::PackCrcError on a CRC mismatch.
  virtual void RecvData(const std::string& block) = 0;

  // Writes one frame of the len bytes at data into out. Returns the frame
  // length, or 0 (and a log line) when the frame needs more than maxBuff
  // bytes or its length does not fit the length field.
  virtual int32_t PackData(const void* data, uint32_t len, void* out, int32_t maxBuff) = 0;

  // Drops the bytes held from earlier RecvData calls.
  virtual void ClearBuffer() = 0;
  // 6 with the 4-byte length field, 4 with the 2-byte one.
  virtual int32_t GetPackHeadLen() const = 0;
  // Nonzero (the default): 4-byte length field; 0: 2-byte length field.
  virtual void SetLenMode(int32_t lenMode) = 0;
  // 4 with the CRC on, else 0.
  virtual int32_t GetCrcLen() const = 0;
  virtual void SetUseCrc(bool useCrc) = 0;
  virtual bool GetUseCrc() const = 0;

 protected:
  ~IPackageDispatcher() = default;
};

extern "C" {
// A new dispatcher: 4-byte length field, CRC off, no callbacks. Null only when
// memory runs out.
MAPLINK_EXPORT IPackageDispatcher* NewPackageDispatcher();
// Destroys a dispatcher made by NewPackageDispatcher; null does nothing.
MAPLINK_EXPORT void FreePackageDispatcher(IPackageDispatcher* dispatcher);
}
