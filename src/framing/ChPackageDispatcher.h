#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "maplink/IPackageDispatcher.h"

// Frames payloads for a TCP byte stream and cuts a received stream back into
// frames (the format is in framing/FrameFormat.h). The only state kept from
// one RecvData call to the next is the incomplete frame at the end of the
// data, in m_RecvBuf. No lock: one thread at a time feeds a dispatcher, and
// every callback runs on that thread before RecvData returns.
class ChPackageDispatcher final : public IPackageDispatcher {
 public:
  ChPackageDispatcher() = default;
  ChPackageDispatcher(const ChPackageDispatcher&) = delete;
  ChPackageDispatcher& operator=(const ChPackageDispatcher&) = delete;

  void SetRecvFilter(maplink::RecvFilterFunc filter, void* context) override;
  void SetPackCallback(maplink::PackCallbackFunc callback, void* context) override;
  void SetErrorCallback(maplink::ErrorCallbackFunc callback, void* context) override;
  void SetFatalCallback(maplink::FatalCallbackFunc callback, void* context) override;
  void RecvData(const std::string& block) override;
  int32_t PackData(const void* data, uint32_t len, void* out, int32_t maxBuff) override;
  void ClearBuffer() override;
  int32_t GetPackHeadLen() const override;
  void SetLenMode(int32_t lenMode) override;
  int32_t GetCrcLen() const override;
  void SetUseCrc(bool useCrc) override;
  bool GetUseCrc() const override;
  // After the interface's operations, so its slots keep their documented order.
  virtual ~ChPackageDispatcher();

  // Receives each whole frame's payload in place, valid for the call, in
  // stead of the frame callback's copy. For the module's own receive loop,
  // which copies the payload into a packet anyway; when set, the frame
  // callback is not called.
  using PayloadSink = void (*)(void* context, const char* payload, size_t length);
  void SetPayloadSink(PayloadSink sink, void* context);

  // The CRC-32 of ISO-HDLC / IEEE 802.3 ("123456789" gives 0xCBF43926).
  static uint32_t CalcCRC(const void* bytes, size_t count);

 private:
  // A callback function with the context value handed back to it. The one who
  // installs it keeps the context alive while the callback stays set.
  template <typename Function>
  struct Callback {
    Function function = nullptr;
    void* context = nullptr;
  };

  // CutPack's answers besides the length of a delivered frame.
  static constexpr int64_t kHold = 0;      // the bytes end inside a frame
  static constexpr int64_t kRefused = -1;  // the stream cannot be cut further

  int64_t CutPack(const char* bytes, size_t count);
  void CheckCrc(const char* frame, size_t frameLen) const;
  void NotifyWaiting(const char* bytes, size_t count);
  void Refuse(const std::string& message);
  void Notify(const std::string& message);

  std::string m_RecvBuf;
  int32_t m_LenMode = 1;
  bool m_UseCrc = false;
  Callback<maplink::RecvFilterFunc> m_OnFilter;
  Callback<maplink::PackCallbackFunc> m_OnPack;
  Callback<maplink::ErrorCallbackFunc> m_OnError;
  Callback<maplink::FatalCallbackFunc> m_OnFatal;
  Callback<PayloadSink> m_PayloadSink;
  // The payload handed to the frame callback, valid for the call: one
  // buffer reused for every frame, so cutting allocates nothing per frame.
  std::string m_Payload;
};
