#include "framing/ChPackageDispatcher.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "DispatcherFixture.h"
#include "LogCapture.h"
#include "support/CommFunc.h"
#include "support/TextFormat.h"

namespace maplink::test {
namespace {

// The example packet's 11 payload bytes: header 04 03 02 01 00 00 02 05 06, body "AB".
const std::string kExamplePayload = Bytes({0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x02, 0x05, 0x06, 0x41, 0x42});

// The message texts, GBK-encoded, as the message callback receives them.
// 需要等待的封包:0x%x,%d
const std::string kWaitingPrefix = "msg:\xd0\xe8\xd2\xaa\xb5\xc8\xb4\xfd\xb5\xc4\xb7\xe2\xb0\xfc:0x";
std::string Waiting(const std::string& first, int count) { return kWaitingPrefix + first + "," + std::to_string(count); }
bool IsWaiting(const std::string& event) { return event.rfind(kWaitingPrefix, 0) == 0; }
std::string BadPack(const std::string& value) {
  return "msg:\xb7\xe2\xb0\xfc\xb4\xed\xce\xf3:0x" + value;  // 封包错误:0x%x
}
std::string TooLong(const std::string& length) {
  return "msg:\xb7\xe2\xb0\xfc\xb9\xfd\xb3\xa4: " + length;  // 封包过长: %d
}

struct Settings {
  int32_t lenMode;
  bool useCrc;
};
const Settings kAllSettings[] = {{1, false}, {1, true}, {0, false}, {0, true}};

std::string Describe(const Settings& settings) {
  return "lenMode " + std::to_string(settings.lenMode) + (settings.useCrc ? ", CRC on" : ", CRC off");
}

TEST(DispatcherExportTest, NewDispatcherHasTheDefaultsAndFreeAcceptsNull) {
  IPackageDispatcher* dispatcher = NewPackageDispatcher();
  ASSERT_NE(dispatcher, nullptr);
  EXPECT_EQ(dispatcher->GetPackHeadLen(), 6);
  EXPECT_EQ(dispatcher->GetCrcLen(), 0);
  EXPECT_FALSE(dispatcher->GetUseCrc());
  dispatcher->SetLenMode(0);
  dispatcher->SetUseCrc(true);
  EXPECT_EQ(dispatcher->GetPackHeadLen(), 4);
  EXPECT_EQ(dispatcher->GetCrcLen(), 4);
  EXPECT_TRUE(dispatcher->GetUseCrc());
  FreePackageDispatcher(dispatcher);
  FreePackageDispatcher(nullptr);
}

TEST(DispatcherCrcTest, IsTheStandardCrc32) {
  EXPECT_EQ(ChPackageDispatcher::CalcCRC("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(ChPackageDispatcher::CalcCRC("", 0), 0u);
}

struct KnownFrame {
  const char* name;
  Settings settings;
  std::string payload;
  std::string frame;
};

TEST(DispatcherPackTest, WritesTheKnownFramesAndCutsThemBack) {
  const KnownFrame cases[] = {
      {"example", {1, false}, kExamplePayload,
       Bytes({0xFF, 0xCC, 0x0B, 0x00, 0x00, 0x00}) + kExamplePayload},
      {"example with CRC", {1, true}, kExamplePayload,
       Bytes({0xFF, 0xCC, 0x0F, 0x00, 0x00, 0x00}) + kExamplePayload + Bytes({0x29, 0xAD, 0xED, 0xD1})},
      {"example, 2-byte length", {0, false}, kExamplePayload, Bytes({0xFF, 0xCC, 0x0B, 0x00}) + kExamplePayload},
      {"example, 2-byte length with CRC", {0, true}, kExamplePayload,
       Bytes({0xFF, 0xCC, 0x0F, 0x00}) + kExamplePayload + Bytes({0xE7, 0xD7, 0x5E, 0x85})},
      {"empty payload", {1, false}, "", Bytes({0xFF, 0xCC, 0x00, 0x00, 0x00, 0x00})},
      {"empty payload with CRC", {1, true}, "",
       Bytes({0xFF, 0xCC, 0x04, 0x00, 0x00, 0x00, 0xE2, 0x98, 0x81, 0xF6})},
      {"zero bytes in the payload", {1, false}, std::string(3, '\0'),
       Bytes({0xFF, 0xCC, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00})},
  };
  for (const KnownFrame& known : cases) {
    SCOPED_TRACE(known.name);
    RecordingDispatcher dispatcher(known.settings.lenMode, known.settings.useCrc);
    std::string out(known.frame.size(), '\0');
    ASSERT_EQ(dispatcher->PackData(known.payload.data(), static_cast<uint32_t>(known.payload.size()), out.data(),
                                   static_cast<int32_t>(out.size())),
              static_cast<int32_t>(known.frame.size()));
    EXPECT_EQ(HexString(out), HexString(known.frame));

    dispatcher->RecvData(known.frame);
    EXPECT_EQ(dispatcher.events, std::vector<std::string>{"pack:" + known.payload});
  }
}

TEST(DispatcherPackTest, RefusesABufferOneByteShortWithoutWritingIt) {
  for (const Settings& settings : kAllSettings) {
    SCOPED_TRACE(Describe(settings));
    RecordingDispatcher dispatcher(settings.lenMode, settings.useCrc);
    const int32_t needed = dispatcher->GetPackHeadLen() + 11 + dispatcher->GetCrcLen();
    std::string out(static_cast<size_t>(needed), '\xAA');

    LogCapture capture;
    EXPECT_EQ(dispatcher->PackData(kExamplePayload.data(), 11, out.data(), needed - 1), 0);
    EXPECT_EQ(out, std::string(static_cast<size_t>(needed), '\xAA'));
    EXPECT_EQ(capture.Texts(LogLevel::Critical),
              std::vector<std::string>{FormatText("ChPackageDispatcher::PackData packHeadLen(%d) + totalPackLen(%d) > "
                                                  "maxBuff(%d)",
                                                  dispatcher->GetPackHeadLen(), 11 + dispatcher->GetCrcLen(),
                                                  needed - 1)});
    EXPECT_EQ(dispatcher->PackData(kExamplePayload.data(), 11, out.data(), needed), needed);
    EXPECT_EQ(dispatcher->PackData(kExamplePayload.data(), 11, out.data(), -1), 0);
  }
}

TEST(DispatcherPackTest, TwoByteLengthRefusesPayloadsThatDoNotFitTheField) {
  struct Case {
    bool useCrc;
    uint32_t largestFitting;
  };
  for (const Case& tried : {Case{false, 65535}, Case{true, 65531}}) {
    SCOPED_TRACE(tried.useCrc ? "CRC on" : "CRC off");
    RecordingDispatcher dispatcher(0, tried.useCrc);
    const std::string payload(tried.largestFitting + 1, 'x');
    std::string out(payload.size() + 8, '\xAA');
    const auto room = static_cast<int32_t>(out.size());

    const int32_t fitting = dispatcher->PackData(payload.data(), tried.largestFitting, out.data(), room);
    ASSERT_EQ(fitting, static_cast<int32_t>(4 + tried.largestFitting + dispatcher->GetCrcLen()));
    EXPECT_EQ(out.substr(0, 4), Bytes({0xFF, 0xCC, 0xFF, 0xFF}));
    dispatcher->RecvData(out.substr(0, static_cast<size_t>(fitting)));
    ASSERT_EQ(dispatcher.payloads.size(), 1u);
    EXPECT_EQ(dispatcher.payloads[0].size(), tried.largestFitting);

    LogCapture capture;
    std::fill(out.begin(), out.end(), '\xAA');
    EXPECT_EQ(dispatcher->PackData(payload.data(), tried.largestFitting + 1, out.data(), room), 0);
    EXPECT_EQ(out, std::string(out.size(), '\xAA'));
    EXPECT_EQ(capture.Count(LogLevel::Critical, "ChPackageDispatcher::PackData totalPackLen(65536) > 65535"), 1);
  }
}

TEST(DispatcherPackTest, RefusesNullBuffers) {
  RecordingDispatcher dispatcher(1, false);
  char out[16];
  LogCapture capture;
  EXPECT_EQ(dispatcher->PackData(nullptr, 4, out, sizeof(out)), 0);
  EXPECT_EQ(dispatcher->PackData("abcd", 4, nullptr, 16), 0);
  EXPECT_EQ(capture.Count(LogLevel::Critical, "ChPackageDispatcher::PackData null buffer"), 2);
  EXPECT_EQ(dispatcher->PackData(nullptr, 0, out, sizeof(out)), 6);
}

// Feeds the stream in blocks cut at the given offsets and checks, after every
// block, that exactly the frames ending inside the bytes fed so far were
// delivered, in order, and that nothing but waiting notices was reported.
::testing::AssertionResult FeedsWhole(const Settings& settings, const std::vector<std::string>& payloads,
                                      const std::vector<size_t>& cuts) {
  RecordingDispatcher dispatcher(settings.lenMode, settings.useCrc);
  std::string stream;
  std::vector<size_t> frameEnds;
  for (const std::string& payload : payloads) {
    stream += dispatcher.Frame(payload);
    frameEnds.push_back(stream.size());
  }
  size_t fed = 0;
  std::vector<size_t> ends = cuts;
  ends.push_back(stream.size());
  for (size_t end : ends) {
    dispatcher->RecvData(stream.substr(fed, end - fed));
    fed = end;
    size_t complete = 0;
    while (complete < frameEnds.size() && frameEnds[complete] <= fed) ++complete;
    const std::vector<std::string> expected(payloads.begin(), payloads.begin() + static_cast<ptrdiff_t>(complete));
    if (dispatcher.payloads != expected) {
      return ::testing::AssertionFailure() << dispatcher.payloads.size() << " payloads after " << fed << " bytes, "
                                           << complete << " expected";
    }
  }
  for (const std::string& event : dispatcher.events) {
    if (event.rfind("pack:", 0) != 0 && !IsWaiting(event)) {
      return ::testing::AssertionFailure() << "unexpected event " << event;
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(DispatcherRecvTest, EverySplitIntoTwoAndThreeBlocksDeliversTheSamePayloadsInOrder) {
  const std::vector<std::string> payloads = {kExamplePayload, "", std::string("\0\xFF\0", 3),
                                             std::string(20, '\xCC')};
  for (const Settings& settings : kAllSettings) {
    SCOPED_TRACE(Describe(settings));
    RecordingDispatcher sizing(settings.lenMode, settings.useCrc);
    size_t total = 0;
    for (const std::string& payload : payloads) total += sizing.Frame(payload).size();

    ASSERT_TRUE(FeedsWhole(settings, payloads, {}));
    for (size_t first = 0; first <= total; ++first) {
      ASSERT_TRUE(FeedsWhole(settings, payloads, {first})) << "cut at " << first;
      for (size_t second = first; second <= total; ++second) {
        ASSERT_TRUE(FeedsWhole(settings, payloads, {first, second})) << "cuts at " << first << ", " << second;
      }
    }
  }
}

TEST(DispatcherRecvTest, APayloadSinkSeesEveryPayloadInPlaceInsteadOfTheFrameCallback) {
  struct Seen {
    std::vector<std::string> payloads;
    int callbacks = 0;
  };
  const std::vector<std::string> payloads = {kExamplePayload, "", std::string(300, '\x5A')};
  RecordingDispatcher framing(1, false);
  std::string stream;
  for (const std::string& payload : payloads) stream += framing.Frame(payload);

  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    Seen seen;
    ChPackageDispatcher dispatcher;
    dispatcher.SetPackCallback([](void* context, const std::string&) { ++static_cast<Seen*>(context)->callbacks; },
                               &seen);
    dispatcher.SetPayloadSink(
        [](void* context, const char* payload, size_t length) {
          static_cast<Seen*>(context)->payloads.emplace_back(payload, length);
        },
        &seen);
    dispatcher.RecvData(stream.substr(0, cut));
    dispatcher.RecvData(stream.substr(cut));
    EXPECT_EQ(seen.payloads, payloads) << "cut at " << cut;
    EXPECT_EQ(seen.callbacks, 0);
  }
}

TEST(DispatcherRecvTest, ThreeFramesAndHalfAFourthDeliverThreeAndHoldTheHalf) {
  RecordingDispatcher dispatcher(1, false);
  const std::string fourth = dispatcher.Frame("fourth");
  dispatcher->RecvData(dispatcher.Frame("one") + dispatcher.Frame("two") + dispatcher.Frame("three") +
                       fourth.substr(0, 8));
  EXPECT_EQ(dispatcher.events, (std::vector<std::string>{"pack:one", "pack:two", "pack:three", Waiting("ffffffff", 8)}));
  dispatcher.events.clear();
  dispatcher->RecvData(fourth.substr(8));
  EXPECT_EQ(dispatcher.events, std::vector<std::string>{"pack:fourth"});
}

struct WaitCase {
  const char* name;
  Settings settings;
  std::string block;
  std::string message;
};

TEST(DispatcherRecvTest, AnIncompleteFrameIsHeldWithAWaitingNotice) {
  const WaitCase cases[] = {
      {"inside the head", {1, false}, Bytes({0xFF, 0xCC, 0x0B}), Waiting("ffffffff", 3)},
      {"inside the payload", {1, false}, Bytes({0xFF, 0xCC, 0x0B, 0x00, 0x00, 0x00, 0x04}), Waiting("ffffffff", 7)},
      {"inside the CRC", {1, true}, Bytes({0xFF, 0xCC, 0x04, 0x00, 0x00, 0x00, 0xE2}), Waiting("ffffffff", 7)},
      {"a head too short to check", {1, false}, Bytes({0x41}), Waiting("41", 1)},
      {"a high first byte widened as signed", {0, false}, Bytes({0x80, 0x01}), Waiting("ffffff80", 2)},
      {"the longest frame accepted", {1, false}, Bytes({0xFF, 0xCC, 0xFA, 0xFF, 0x3F, 0x06}),
       Waiting("ffffffff", 6)},
  };
  for (const WaitCase& wait : cases) {
    SCOPED_TRACE(wait.name);
    RecordingDispatcher dispatcher(wait.settings.lenMode, wait.settings.useCrc);
    dispatcher->RecvData(wait.block);
    EXPECT_EQ(dispatcher.events, std::vector<std::string>{wait.message});
    // The held bytes are kept, not dropped: one more byte is waited for again.
    dispatcher.events.clear();
    dispatcher->RecvData(std::string(1, '\0'));
    ASSERT_EQ(dispatcher.events.size(), 1u);
    EXPECT_TRUE(IsWaiting(dispatcher.events[0])) << dispatcher.events[0];
  }
}

TEST(DispatcherRecvTest, ClearBufferDropsTheHeldBytes) {
  RecordingDispatcher dispatcher(1, false);
  const std::string frame = dispatcher.Frame("payload");
  dispatcher->RecvData(frame.substr(0, 9));
  dispatcher->ClearBuffer();
  dispatcher.events.clear();
  dispatcher->RecvData(frame);
  EXPECT_EQ(dispatcher.events, std::vector<std::string>{"pack:payload"});
}

TEST(DispatcherRecvTest, ALengthFieldOfZeroIsAnEmptyPayload) {
  RecordingDispatcher dispatcher(1, false);
  dispatcher->RecvData(Bytes({0xFF, 0xCC, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(dispatcher.events, std::vector<std::string>{"pack:"});
}

struct RefusalCase {
  const char* name;
  Settings settings;
  std::string badBytes;
  std::string message;
};

TEST(DispatcherRecvTest, AStreamThatCannotBeCutIsReportedAndDropped) {
  const RefusalCase cases[] = {
      {"wrong marker", {1, false}, Bytes({0x41, 0x42, 0x00, 0x00, 0x00, 0x00}), BadPack("4241")},
      {"wrong marker, 2-byte length", {0, true}, Bytes({0xFF, 0xCD, 0x04, 0x00}), BadPack("cdff")},
      {"one byte over the limit", {1, false}, Bytes({0xFF, 0xCC, 0xFB, 0xFF, 0x3F, 0x06}), TooLong("104857601")},
      {"the largest length field", {1, false}, Bytes({0xFF, 0xCC, 0xFF, 0xFF, 0xFF, 0xFF}), TooLong("4294967301")},
      {"no room for the CRC, length 0", {1, true}, Bytes({0xFF, 0xCC, 0x00, 0x00, 0x00, 0x00}), BadPack("0")},
      {"no room for the CRC, length 3", {1, true}, Bytes({0xFF, 0xCC, 0x03, 0x00, 0x00, 0x00, 1, 2, 3}),
       BadPack("3")},
      {"no room for the CRC, 2-byte length 2", {0, true}, Bytes({0xFF, 0xCC, 0x02, 0x00, 1, 2}), BadPack("2")},
  };
  for (const RefusalCase& refusal : cases) {
    SCOPED_TRACE(refusal.name);
    RecordingDispatcher dispatcher(refusal.settings.lenMode, refusal.settings.useCrc);
    const std::string good = dispatcher.Frame("before");
    dispatcher->RecvData(good + refusal.badBytes + good);
    EXPECT_EQ(dispatcher.events, (std::vector<std::string>{"pack:before", refusal.message, "fatal"}));

    // Nothing was held: the next frame is delivered alone.
    dispatcher.events.clear();
    dispatcher->RecvData(dispatcher.Frame("after"));
    EXPECT_EQ(dispatcher.events, std::vector<std::string>{"pack:after"});
  }
}

struct Corruption {
  const char* name;
  size_t index;  // in the 4-byte-length frame of the example payload with the CRC on (21 bytes)
  int mask;
};

TEST(DispatcherRecvTest, ACrcMismatchIsLoggedAndThrownAfterTheFramesBeforeIt) {
  const Corruption cases[] = {
      {"first payload bit", 6, 0x01},
      {"last payload bit", 16, 0x80},
      {"first CRC byte", 17, 0xFF},
      {"last CRC byte", 20, 0x01},
  };
  for (const Settings& settings : {Settings{1, true}, Settings{0, true}}) {
    for (const Corruption& corruption : cases) {
      SCOPED_TRACE(Describe(settings) + ", " + corruption.name);
      RecordingDispatcher dispatcher(settings.lenMode, settings.useCrc);
      std::string bad = dispatcher.Frame(kExamplePayload);
      const size_t index = corruption.index - (settings.lenMode == 0 ? 2 : 0);
      bad[index] = static_cast<char>(bad[index] ^ corruption.mask);
      const size_t covered = bad.size() - 4;
      int32_t offset = static_cast<int32_t>(covered);
      const auto stored = static_cast<int32_t>(ReadDWord(bad.data(), offset));
      const auto computed =
          static_cast<int32_t>(crc32(0, reinterpret_cast<const Bytef*>(bad.data()), static_cast<uInt>(covered)));

      LogCapture capture;
      try {
        dispatcher->RecvData(dispatcher.Frame("before") + bad + dispatcher.Frame("after"));
        ADD_FAILURE() << "no exception";
      } catch (const std::runtime_error& error) {
        EXPECT_NE(dynamic_cast<const PackCrcError*>(&error), nullptr);
        EXPECT_STREQ(error.what(), "Pack CRC Error");
      }
      EXPECT_EQ(dispatcher.events, std::vector<std::string>{"pack:before"});
      EXPECT_EQ(capture.Texts(LogLevel::Error),
                std::vector<std::string>{FormatText("Pack CRC Error! curCRC = %d, packCRC = %d, pack = %s", computed,
                                                    stored, HexString(bad).c_str())});

      dispatcher.events.clear();
      dispatcher->RecvData(dispatcher.Frame("next"));
      EXPECT_EQ(dispatcher.events, std::vector<std::string>{"pack:next"});
    }
  }
}

TEST(DispatcherRecvTest, TheFilterSeesOnlyNewBytesAndItsRefusalDropsTheHeldOnesToo) {
  RecordingDispatcher dispatcher(1, false);
  dispatcher.recordFilterCalls = true;
  const std::string frame = dispatcher.Frame("payload");
  dispatcher->RecvData(frame.substr(0, 4));
  dispatcher->RecvData(frame.substr(4));
  EXPECT_EQ(dispatcher.events, (std::vector<std::string>{"filter:" + frame.substr(0, 4), Waiting("ffffffff", 4),
                                                         "filter:" + frame.substr(4), "pack:payload"}));

  dispatcher.events.clear();
  dispatcher->RecvData(frame.substr(0, 9));
  dispatcher.filterAnswer = false;
  dispatcher->RecvData(frame.substr(9) + frame);
  dispatcher.filterAnswer = true;
  dispatcher->RecvData(frame);
  EXPECT_EQ(dispatcher.events,
            (std::vector<std::string>{"filter:" + frame.substr(0, 9), Waiting("ffffffff", 9),
                                      "filter:" + frame.substr(9) + frame, "filter:" + frame, "pack:payload"}));
}

TEST(DispatcherRecvTest, RunsWithoutAnyCallbackInstalled) {
  IPackageDispatcher* dispatcher = NewPackageDispatcher();
  std::string frame(20, '\0');
  frame.resize(static_cast<size_t>(dispatcher->PackData("abc", 3, frame.data(), 20)));
  dispatcher->RecvData(frame + frame.substr(0, 5));
  dispatcher->RecvData(frame.substr(5));
  dispatcher->RecvData(Bytes({0x41, 0x42, 0x00, 0x00, 0x00, 0x00}));
  dispatcher->RecvData(Bytes({0xFF, 0xCC, 0xFF, 0xFF, 0xFF, 0xFF}));
  dispatcher->SetUseCrc(true);
  dispatcher->RecvData(Bytes({0xFF, 0xCC, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_THROW(dispatcher->RecvData(Bytes({0xFF, 0xCC, 0x04, 0x00, 0x00, 0x00, 0, 0, 0, 0})), PackCrcError);
  FreePackageDispatcher(dispatcher);
}

}  // namespace
}  // namespace maplink::test
