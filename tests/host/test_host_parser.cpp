// SPDX-License-Identifier: MIT
// The answer parser over byte streams cut into reads at chosen places.
#include <gtest/gtest.h>

#include <cstring>

#include "host/answerparser.h"
#include "host/fiscalcontrol.h"
#include "host/notifications.h"

using namespace quorvel::host;

namespace {

class TRecordingLink : public TAnswerLink {
 public:
  void Notify(std::uint32_t code) override { log += std::string(NotificationName(code)) + " "; }
  bool WriteControlByte(std::uint8_t byte) override {
    log += byte == ACK ? "wrote-ACK " : "wrote-NAK ";
    return writesSucceed;
  }
  std::string log;
  bool writesSucceed = true;
};

std::string Answer(std::uint8_t seq, const std::string& data) {
  std::string frame = std::string(1, STX) + static_cast<char>(seq) + data + static_cast<char>(ETX);
  return frame + TFPHostControl::GetFrameCheckSum(frame);
}

// Feeds `reads` one after the other; returns false once the final answer is complete.
bool Feed(THostAnswerReceiver& receiver, const std::vector<std::string>& reads) {
  for (const auto& bytes : reads) {
    EXPECT_LE(bytes.size(), receiver.Room());
    std::memcpy(receiver.WritePosition(), bytes.data(), bytes.size());
    if (!receiver.Received(bytes.size())) return false;
  }
  return true;
}

}  // namespace

TEST(AnswerParser, IntermediateAndFinalFrameInOneRead) {
  TRecordingLink link;
  THostAnswerReceiver receiver(link);
  receiver.BeginCommand(0x41);
  const std::string final = Answer(0x41, "0\x1C" "1\x1C" "2\x1C" "x");
  EXPECT_FALSE(Feed(receiver, {std::string(1, ACK) + Answer(0x80, "mid") + final.substr(0, 5), final.substr(5)}));
  EXPECT_EQ(link.log, "WM_COMM_ACK WM_COMM_INT_ANSWER wrote-ACK ");
  EXPECT_EQ(receiver.ReadFrame(), final);
  EXPECT_EQ(receiver.Fields(), (std::vector<std::string>{"0", "1", "2", "x"}));
  EXPECT_TRUE(receiver.AckWritten());
}

TEST(AnswerParser, BadChecksumStopsTheReadAndWaitsForTheRepetition) {
  TRecordingLink link;
  THostAnswerReceiver receiver(link);
  receiver.BeginCommand(0x22);
  std::string bad = Answer(0x22, "a");
  bad.back() = bad.back() == '0' ? '1' : '0';
  std::string nonHex = Answer(0x22, "b");
  nonHex.replace(nonHex.size() - 4, 4, "ZZZZ");
  // The DC2 after the bad frame is in the same read: not parsed.
  EXPECT_TRUE(Feed(receiver, {bad + std::string(1, DC2), nonHex}));
  EXPECT_EQ(link.log, "wrote-NAK WM_COMM_WRITE_NACK wrote-NAK WM_COMM_WRITE_NACK ");
  EXPECT_EQ(receiver.ParserState(), 1);
  link.log.clear();
  EXPECT_FALSE(Feed(receiver, {Answer(0x22, "good")}));
  EXPECT_EQ(link.log, "wrote-ACK ");
  EXPECT_EQ(receiver.Fields(), std::vector<std::string>{"good"});
}

TEST(AnswerParser, EscapesStaleAnswersAndFailedWrites) {
  TRecordingLink link;
  link.writesSucceed = false;
  THostAnswerReceiver receiver(link);
  receiver.BeginCommand(0x90);
  // ESC protects FS and ETX inside a field; the escape byte counts in the checksum.
  const std::string escaped = Answer(0x90, "\x1B\x1C\x1B\x03z\x1C");
  EXPECT_FALSE(Feed(receiver, {std::string(1, NAK) + Answer(0x8F, "old"), escaped}));
  EXPECT_EQ(link.log, "WM_COMM_NACK wrote-ACK wrote-ACK ");
  EXPECT_EQ(receiver.Fields(), (std::vector<std::string>{"\x1C\x03z", ""}));
  EXPECT_FALSE(receiver.AckWritten());  // the ACK could not be written
}

TEST(AnswerParser, AFrameThatFillsTheBufferLeavesNoRoom) {
  TRecordingLink link;
  THostAnswerReceiver receiver(link);
  receiver.BeginCommand(0x30);
  // Junk before the frame does not count against the frame's room.
  EXPECT_TRUE(Feed(receiver, {std::string(100, 'j') + std::string(1, STX) + "0"}));
  EXPECT_EQ(receiver.Room(), THostAnswerReceiver::kBufferSize - 2);
  while (receiver.Room() > 0) {
    const std::size_t chunk = std::min<std::size_t>(receiver.Room(), 1000);
    EXPECT_TRUE(Feed(receiver, {std::string(chunk, 'f')}));
  }
  EXPECT_EQ(receiver.Room(), 0u);
  EXPECT_EQ(link.log, "");
}
