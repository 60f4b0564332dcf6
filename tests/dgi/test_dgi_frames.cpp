// SPDX-License-Identifier: MIT
// The DGI frame layout, the final status codes and the answer parser, without a line.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "dgi/fpauxcontrol.h"

namespace quorvel::dgi {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

int ByteSum(const std::string& s) {
  return std::accumulate(s.begin(), s.end(), 0, [](int sum, char c) { return sum + static_cast<std::uint8_t>(c); });
}

TEST(DgiCommandFrame, KnownFrames) {
  EXPECT_EQ(BuildCommandFrame(""), Bytes({0x02, 0x03, 0xFB}));
  EXPECT_EQ(BuildCommandFrame("0001"), Bytes({0x02, 0x30, 0x30, 0x30, 0x31, 0x03, 0x3A}));
  EXPECT_EQ(BuildCommandFrame(Bytes({0x05})), Bytes({0x05}));
  // ENQ among other bytes is ordinary data.
  EXPECT_EQ(BuildCommandFrame(Bytes({0x05, 0x05})).size(), 5u);
}

TEST(DgiCommandFrame, DataTravelUnchangedAndAllBytesSumToZero) {
  std::string data;
  for (int i = 0; i < 256; ++i) data += static_cast<char>(i);
  const std::string frame = BuildCommandFrame(data);
  ASSERT_EQ(frame.size(), 259u);
  EXPECT_EQ(frame.front(), '\x02');
  EXPECT_EQ(frame.substr(1, 256), data);
  EXPECT_EQ(frame[257], '\x03');
  EXPECT_EQ(ByteSum(frame) % 256, 0);
}

TEST(DgiFinalFrame, StatusCodesAfterStx) {
  struct TCase {
    std::string data;
    bool final;
  };
  const std::vector<TCase> cases = {
      {"0000", true},  {"0001", true},  {"0002", true},  {"0003", true},    {"0004", true},
      {"0010", true},  {"0011", true},  {"0010XYZ", true}, {"0005", false}, {"0012", false},
      {"1000", false}, {"000", false},  {"", false},     {"00010", true},   {"A0001", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckFinalFrame(BuildCommandFrame(c.data)), c.final) << "data '" << c.data << "'";
  }
  EXPECT_FALSE(CheckFinalFrame(""));
  EXPECT_FALSE(CheckFinalFrame("\x02"));
}

TEST(DgiAnswerData, WithoutStxEtxAndChecksum) {
  EXPECT_EQ(AnswerData(BuildCommandFrame("0001ABC")), "0001ABC");
  EXPECT_EQ(AnswerData(Bytes({0x02, 0x03, 0xFB})), "");
  for (const std::string& shortFrame : {std::string(), Bytes({0x02}), Bytes({0x02, 0x03})}) {
    EXPECT_EQ(AnswerData(shortFrame), "") << shortFrame.size() << " bytes";
  }
}

TEST(DgiErrorName, NamesEveryValue) {
  EXPECT_STREQ(ErrorName(FEFP_Success), "FEFP_Success");
  EXPECT_STREQ(ErrorName(FEFP_E_MaxDataLengthReached), "FEFP_E_MaxDataLengthReached");
  EXPECT_STREQ(ErrorName(FEFP_E_NackReceived), "FEFP_E_NackReceived");
  EXPECT_STREQ(ErrorName(static_cast<TFErrorType>(13)), "?");
}

// Records what the parser asks of the line.
struct TRecorder : TDgiAnswerReceiver::TListener {
  std::string calls;  // 'A' ACK, 'N' NAK, 'B' bad checksum
  void AckReceived() override { calls += 'A'; }
  void NakReceived() override { calls += 'N'; }
  void BadChecksum() override { calls += 'B'; }
};

// Feeds `bursts` one after another, as reads would deliver them, until the parser stops.
struct TFeedResult {
  TDgiAnswerReceiver::TOutcome outcome = TDgiAnswerReceiver::TOutcome::NeedMore;
  std::string frame;
  std::string calls;
};

TFeedResult Feed(TDgiAnswerReceiver& receiver, const std::vector<std::string>& bursts) {
  TRecorder recorder;
  TFeedResult result;
  for (const auto& burst : bursts) {
    const std::size_t count = std::min(burst.size(), receiver.Room());
    std::memcpy(receiver.WritePointer(), burst.data(), count);
    result.outcome = receiver.ParseInputFrame(count, recorder);
    if (result.outcome != TDgiAnswerReceiver::TOutcome::NeedMore) break;
  }
  if (result.outcome == TDgiAnswerReceiver::TOutcome::Frame) result.frame = receiver.TakeFrame();
  result.calls = recorder.calls;
  return result;
}

TEST(DgiAnswerParser, TableOfByteStreams) {
  using O = TDgiAnswerReceiver::TOutcome;
  const std::string final0001 = BuildCommandFrame("0001ABC");
  std::string badChecksum = final0001;
  badChecksum.back() = static_cast<char>(badChecksum.back() + 1);
  struct TCase {
    const char* name;
    std::vector<std::string> bursts;
    O outcome;
    std::string frame;
    std::string calls;
  };
  const std::vector<TCase> cases = {
      {"plain ACK", {Bytes({0x06})}, O::Ack, "", "A"},
      {"NAK, then silence", {Bytes({0x15})}, O::NeedMore, "", "N"},
      {"NAK, then ACK", {Bytes({0x15, 0x06})}, O::Ack, "", "NA"},
      {"empty frame", {Bytes({0x02, 0x03, 0xFB})}, O::Frame, Bytes({0x02, 0x03, 0xFB}), ""},
      {"ACK and NAK inside a frame are data", {BuildCommandFrame(Bytes({0x06, 0x15}))}, O::Frame,
       BuildCommandFrame(Bytes({0x06, 0x15})), ""},
      {"noise before the frame", {"xyz" + final0001}, O::Frame, final0001, ""},
      {"bytes after the frame are dropped", {final0001 + Bytes({0x06, 0x02})}, O::Frame, final0001, ""},
      {"frame split over reads", {final0001.substr(0, 2), final0001.substr(2, 4), final0001.substr(6)}, O::Frame,
       final0001, ""},
      {"bad checksum, then the repetition", {badChecksum, final0001}, O::Frame, final0001, "B"},
      {"bad checksum and repetition in one read", {badChecksum + final0001}, O::Frame, final0001, "B"},
      {"STX inside a frame is data", {Bytes({0x02, 0x41, 0x02, 0x03, 0xB8})}, O::Frame,
       Bytes({0x02, 0x41, 0x02, 0x03, 0xB8}), ""},
  };
  for (const auto& c : cases) {
    TDgiAnswerReceiver receiver;
    const TFeedResult r = Feed(receiver, c.bursts);
    EXPECT_EQ(r.outcome, c.outcome) << c.name;
    EXPECT_EQ(r.frame, c.frame) << c.name;
    EXPECT_EQ(r.calls, c.calls) << c.name;
  }
}

TEST(DgiAnswerParser, StartsOverAfterEachFrame) {
  TDgiAnswerReceiver receiver;
  const std::string intermediate = BuildCommandFrame("0005first");
  const std::string final = BuildCommandFrame("0000second");
  EXPECT_EQ(Feed(receiver, {intermediate}).frame, intermediate);
  EXPECT_EQ(receiver.Room(), kReceiveBufferSize);
  EXPECT_EQ(Feed(receiver, {final}).frame, final);
}

TEST(DgiAnswerParser, AnswerLongerThanTheBufferLeavesNoRoom) {
  TDgiAnswerReceiver receiver;
  const std::string endless = std::string(1, '\x02') + std::string(kReceiveBufferSize + 100, 'A');
  const TFeedResult r = Feed(receiver, {endless.substr(0, 700), endless.substr(700)});
  EXPECT_EQ(r.outcome, TDgiAnswerReceiver::TOutcome::NeedMore);
  EXPECT_EQ(receiver.Room(), 0u);
  // A count beyond the room is cut to it rather than read past the buffer.
  TRecorder recorder;
  EXPECT_EQ(receiver.ParseInputFrame(50, recorder), TDgiAnswerReceiver::TOutcome::NeedMore);
  EXPECT_EQ(receiver.Room(), 0u);
}

}  // namespace
}  // namespace quorvel::dgi
