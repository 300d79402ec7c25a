#include "transport/CNetStream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "common/WaitUntil.h"
#include "platform/LastError.h"
#include "support/TextFormat.h"
#include "transport/FlBlockSocket.h"
#include "transport/LoopbackPeer.h"
#include "transport/RecordingSender.h"

namespace {

using maplink::platform::GetLastError;
using maplink::platform::SetLastError;
using maplink::test::ConnectTo;
using maplink::test::LogCapture;
using maplink::test::LogLevel;
using maplink::test::PatternBytes;
using Lengths = std::vector<int32_t>;

// A stream on a real loopback connection, writing through a recording seam.
class NetStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ConnectTo(m_Client, m_Peer));
    m_Stream = std::make_unique<CNetStream>(m_Client.GetSocket(), m_Sender);
  }

  int32_t Write(const std::string& bytes) {
    return m_Stream->SendBuf_o(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  int32_t Flush() { return m_Stream->SendBuf_o(nullptr, 0); }

  void ExpectEmptyFlush() {
    SetLastError(0);
    EXPECT_EQ(Flush(), 0);
    EXPECT_EQ(GetLastError(), 0x20000001u);
  }

  // The peer has received exactly these bytes and nothing more.
  void ExpectPeerReceived(const std::string& expected) {
    EXPECT_EQ(m_Peer.Receive(expected.size()), expected);
    EXPECT_EQ(m_Peer.Pending(), 0);
  }

  maplink::test::LoopbackPeer m_Peer;
  FlBlockSocket m_Client;
  maplink::test::RecordingSender m_Sender;
  std::unique_ptr<CNetStream> m_Stream;
};

TEST_F(NetStreamTest, FlushOfAnEmptyStreamSendsNothing) {
  ExpectEmptyFlush();
  EXPECT_TRUE(m_Sender.Lengths().empty());
}

TEST_F(NetStreamTest, OneWriteIsBufferedUpTo8190BytesAndSentDirectlyAbove) {
  struct Case {
    int32_t length;
    Lengths sendsOnWrite;
  };
  const Case cases[] = {
      {1, {}},
      {100, {}},
      {8190, {}},
      {8191, {8191}},
      {20000, {20000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    maplink::test::RecordingSender sender;
    CNetStream recorded(m_Client.GetSocket(), sender);
    const std::string bytes = PatternBytes(static_cast<size_t>(c.length), 1);

    EXPECT_EQ(recorded.SendBuf_o(bytes.data(), c.length), c.length);
    EXPECT_EQ(sender.Lengths(), c.sendsOnWrite);
    const int32_t flushed = recorded.SendBuf_o(nullptr, 0);
    if (c.sendsOnWrite.empty()) {
      EXPECT_EQ(flushed, c.length);
      EXPECT_EQ(sender.Lengths(), Lengths{c.length}) << "one send for the whole buffer";
    } else {
      EXPECT_EQ(flushed, 0);
      EXPECT_EQ(GetLastError(), ERROR_NOTHING_TO_SEND);
    }
    ExpectPeerReceived(bytes);
  }
}

TEST_F(NetStreamTest, AWriteThatDoesNotFitSendsTheBufferFirst) {
  struct Case {
    int32_t first;
    int32_t second;
    Lengths sendsOnSecond;
    Lengths sendsOnFlush;
  };
  const Case cases[] = {
      {8000, 190, {}, {8190}},
      {8000, 191, {8000}, {191}},
      {8000, 500, {8000}, {500}},
      {8190, 1, {8190}, {1}},
      {100, 8191, {100, 8191}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << " then " << c.second);
    maplink::test::RecordingSender sender;
    CNetStream stream(m_Client.GetSocket(), sender);
    const std::string first = PatternBytes(static_cast<size_t>(c.first), 2);
    const std::string second = PatternBytes(static_cast<size_t>(c.second), 3);

    EXPECT_EQ(stream.SendBuf_o(first.data(), c.first), c.first);
    EXPECT_TRUE(sender.Lengths().empty());
    EXPECT_EQ(stream.SendBuf_o(second.data(), c.second), c.second);
    EXPECT_EQ(sender.Lengths(), c.sendsOnSecond);
    stream.SendBuf_o(nullptr, 0);
    Lengths all = c.sendsOnSecond;
    all.insert(all.end(), c.sendsOnFlush.begin(), c.sendsOnFlush.end());
    EXPECT_EQ(sender.Lengths(), all);
    ExpectPeerReceived(first + second);
  }
}

TEST_F(NetStreamTest, FlushAfterFlushFindsNothing) {
  const std::string bytes = PatternBytes(300, 4);
  EXPECT_EQ(Write(bytes), 300);
  EXPECT_EQ(Flush(), 300);
  ExpectEmptyFlush();
  EXPECT_EQ(m_Sender.Lengths(), Lengths{300});
  ExpectPeerReceived(bytes);
}

TEST_F(NetStreamTest, FailedSendKeepsTheBufferAndTakesNothingNew) {
  struct Case {
    const char* name;
    int32_t buffered;    // written before the failing call
    int32_t failingLen;  // the failing call: a write of this length, or a flush when 0
    Lengths failedCalls;
    int32_t keptAfter;  // bytes the recovering flush sends
  };
  const Case cases[] = {
      {"flush of 1000 buffered bytes", 1000, 0, {1000}, 1000},
      {"write that first sends 8000 buffered bytes", 8000, 500, {8000}, 8000},
      {"direct write of 8191 bytes", 0, 8191, {8191}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    maplink::test::RecordingSender sender;
    CNetStream stream(m_Client.GetSocket(), sender);
    const std::string buffered = PatternBytes(static_cast<size_t>(c.buffered), 5);
    const std::string failing = PatternBytes(static_cast<size_t>(c.failingLen), 6);
    if (c.buffered > 0) {
      ASSERT_EQ(stream.SendBuf_o(buffered.data(), c.buffered), c.buffered);
    }

    sender.FailCall(0, ECONNRESET);
    EXPECT_EQ(stream.SendBuf_o(failing.data(), c.failingLen), -1);
    EXPECT_EQ(GetLastError(), static_cast<uint32_t>(ECONNRESET));
    EXPECT_EQ(sender.Lengths(), c.failedCalls);

    const int32_t recovered = stream.SendBuf_o(nullptr, 0);
    if (c.keptAfter > 0) {
      EXPECT_EQ(recovered, c.keptAfter);
    } else {
      EXPECT_EQ(recovered, 0);
      EXPECT_EQ(GetLastError(), ERROR_NOTHING_TO_SEND);
    }
    ExpectPeerReceived(buffered);
  }
}

TEST_F(NetStreamTest, PartialSendsContinueUntilEveryByteIsOut) {
  m_Sender.LimitEachCallTo(3000);
  const std::string bytes = PatternBytes(8191, 7);
  EXPECT_EQ(Write(bytes), 8191);
  EXPECT_EQ(m_Sender.Lengths(), (Lengths{8191, 5191, 2191}));
  ExpectPeerReceived(bytes);
}

TEST_F(NetStreamTest, SendAllReportsAFailureAfterPartialSends) {
  m_Sender.LimitEachCallTo(3000);
  m_Sender.FailCall(1, EPIPE);
  const std::string bytes = PatternBytes(8191, 8);
  EXPECT_EQ(m_Stream->SendAll(bytes.data(), 8191), -1);
  EXPECT_EQ(GetLastError(), static_cast<uint32_t>(EPIPE));
  EXPECT_EQ(m_Sender.Lengths(), (Lengths{8191, 5191}));
  ExpectPeerReceived(bytes.substr(0, 3000));
}

TEST_F(NetStreamTest, NegativeLengthIsRefusedAndLeavesTheBuffer) {
  LogCapture capture;
  const std::string bytes = PatternBytes(100, 9);
  ASSERT_EQ(Write(bytes), 100);
  EXPECT_EQ(m_Stream->SendBuf_o(bytes.data(), -1), -1);
  EXPECT_EQ(GetLastError(), static_cast<uint32_t>(EINVAL));
  EXPECT_TRUE(capture.Contains(LogLevel::Warn, "CNetStream::SendBuf_o, refused negative len = -1"));
  EXPECT_EQ(m_Stream->SendAll(bytes.data(), -1), -1);
  EXPECT_TRUE(m_Sender.Lengths().empty());
  EXPECT_EQ(Flush(), 100);
  ExpectPeerReceived(bytes);
}

TEST_F(NetStreamTest, NullDataIsLoggedAsCriticalAndLeavesTheBuffer) {
  LogCapture capture;
  const std::string bytes = PatternBytes(100, 10);
  ASSERT_EQ(Write(bytes), 100);
  EXPECT_EQ(m_Stream->SendBuf_o(nullptr, 20), 0);
  EXPECT_EQ(GetLastError(), static_cast<uint32_t>(EFAULT));
  EXPECT_EQ(capture.Texts(LogLevel::Critical),
            std::vector<std::string>{"CNetStream::SendBuf_o, lpData = 0, len = 20"});
  EXPECT_EQ(Flush(), 100);
  ExpectPeerReceived(bytes);
}

TEST_F(NetStreamTest, EscapedExceptionIsLoggedAsCriticalAndGivesZero) {
  LogCapture capture;
  const std::string bytes = PatternBytes(8191, 11);
  m_Sender.ThrowOnNextCall();
  EXPECT_EQ(Write(bytes), 0);
  const auto address = static_cast<int32_t>(reinterpret_cast<uintptr_t>(bytes.data()));
  EXPECT_EQ(capture.Texts(LogLevel::Critical),
            std::vector<std::string>{
                maplink::FormatText("CNetStream::SendBuf_o, lpData = %d, len = %d", address, 8191)});
}

TEST_F(NetStreamTest, DestroyedStreamDropsBufferedBytes) {
  {
    CNetStream stream(m_Client.GetSocket(), m_Sender);
    const std::string bytes = PatternBytes(100, 12);
    EXPECT_EQ(stream.SendBuf_o(bytes.data(), 100), 100);
  }
  m_Client.Close();
  EXPECT_TRUE(m_Sender.Lengths().empty());
  EXPECT_TRUE(m_Peer.SeesEndOfStream());
}

TEST_F(NetStreamTest, WritingToAPeerThatHasGoneFailsWithoutSignal) {
  CNetStream stream(m_Client.GetSocket());
  m_Peer.CloseConnection();
  const std::string bytes = PatternBytes(8191, 13);
  // The first writes may still be taken; once the peer's reset is back,
  // they fail. Without MSG_NOSIGNAL, SIGPIPE would end this program here.
  EXPECT_TRUE(maplink::test::WaitUntil([&] { return stream.SendBuf_o(bytes.data(), 8191) == -1; }));
  const uint32_t error = GetLastError();
  EXPECT_TRUE(error == EPIPE || error == ECONNRESET) << error;
}

}  // namespace
