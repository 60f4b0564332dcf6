// SPDX-License-Identifier: MIT
// The printer emulator on the host line, driven through its pseudo-terminal with raw
// bytes. Expected frames are worked out by hand: STX, SEQ, fields joined by FS, ETX,
// then the byte sum modulo 65536 as four upper-case hexadecimal digits.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

#include <thread>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "common/mssince.h"
#include "common/tempfolder.h"
#include "emulator/emulator.h"
#include "emulator/lineend.h"

namespace quorvel::emulator {
namespace {

using testing::Bytes;
using testing::ByteCount;
using wire::HexBytes;
using quorvel::testing::MsSince;
using testing::TLineEnd;
using quorvel::testing::TTempFolder;

// Compatible command "*" with SEQ 0x20: 02+20+2A+03 = 0x004F.
const std::string kStarCommand = "02 20 2A 03 30 30 34 46";
// Its default answer: "*", "0000", "0000", "*" (sum 0x024D).
const std::string kStarAnswer = "02 20 2A 1C 30 30 30 30 1C 30 30 30 30 1C 2A 03 30 32 34 44";
// Compatible command "B" with SEQ 0x21 (sum 0x0068) and its default answer (sum 0x027E).
const std::string kBCommand = "02 21 42 03 30 30 36 38";
const std::string kBAnswer = "02 21 42 1C 30 30 30 30 1C 30 30 30 30 1C 42 03 30 32 37 45";

struct TReplyCase {
  const char* name;
  THostProtocol protocol;
  THostReply reply;
  std::string command;
  std::string expected;
  double minMs = 0;  // the least time the answer takes, from the delays the reply is configured with
};

THostReply Reply(void (*adjust)(THostReply&)) {
  THostReply reply;
  adjust(reply);
  return reply;
}

class HostReplyTable : public ::testing::TestWithParam<TReplyCase> {};

TEST_P(HostReplyTable, AnswersWithTheExactBytes) {
  const TReplyCase& c = GetParam();
  TEmulator emulator(TLine::Host);
  emulator.SetHostProtocol(c.protocol);
  emulator.SetDefaultHostReply(c.reply);
  TLineEnd host(emulator.DevicePath());
  const auto start = std::chrono::steady_clock::now();
  host.Write(Bytes(c.command));
  EXPECT_EQ(host.ReadHex(ByteCount(c.expected)), c.expected);
  EXPECT_GE(MsSince(start), c.minMs);
  EXPECT_TRUE(host.QuietFor(500)) << "a surplus byte after the answer";
  ASSERT_TRUE(emulator.WaitForFrames(1, 2000));
  EXPECT_EQ(HexBytes(emulator.ReceivedFrames().at(0)), c.command);
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, HostReplyTable,
    ::testing::Values(
        TReplyCase{"HealthyPrinter", THostProtocol::Compatible, {}, kStarCommand, "06 " + kStarAnswer},
        TReplyCase{"AnswerWithoutAck", THostProtocol::Compatible, Reply([](THostReply& r) { r.ackFirst = false; }),
                   kStarCommand, kStarAnswer},
        TReplyCase{"Nak", THostProtocol::Compatible, Reply([](THostReply& r) { r.nak = true; }), kStarCommand, "15"},
        TReplyCase{"CommandWithBadChecksumIsRejected", THostProtocol::Compatible, {}, "02 20 2A 03 30 30 34 45", "15"},
        TReplyCase{"CompatibleStatusWordsAndFields", THostProtocol::Compatible,
                   Reply([](THostReply& r) {
                     r.printerStatus = 0x1234;
                     r.fiscalStatus = 0xABCD;
                     r.returnCode = 7;  // not carried by the compatible answer
                     r.fields = std::vector<std::string>{"X", "", "YZ"};
                   }),
                   kStarCommand,
                   "06 02 20 2A 1C 31 32 33 34 1C 41 42 43 44 1C 58 1C 1C 59 5A 03 30 33 42 41"},
        TReplyCase{"RawFields", THostProtocol::Compatible,
                   Reply([](THostReply& r) { r.rawFields = std::vector<std::string>{"R"}; }), kStarCommand,
                   "06 02 20 52 03 30 30 37 37"},
        TReplyCase{"ExtraBytesAfterTheAnswer", THostProtocol::Compatible,
                   Reply([](THostReply& r) { r.extraAfter = "\xAA\x06"; }), kStarCommand,
                   "06 " + kStarAnswer + " AA 06"},
        TReplyCase{"BusyReports", THostProtocol::Compatible,
                   Reply([](THostReply& r) {
                     r.busyReports = 3;
                     r.busyIntervalMs = 20;
                   }),
                   kStarCommand, "06 12 12 12 " + kStarAnswer},
        // A pause before each report and one before the answer.
        TReplyCase{"BusyReportsKeepTheirInterval", THostProtocol::Compatible,
                   Reply([](THostReply& r) {
                     r.busyReports = 2;
                     r.busyIntervalMs = 150;
                   }),
                   kStarCommand, "06 12 12 " + kStarAnswer, 3 * 150},
        // 20 bytes of answer, so at least 19 pauses between them.
        TReplyCase{"SlowAnswerComesByteByByte", THostProtocol::Compatible,
                   Reply([](THostReply& r) { r.byteDelayMs = 20; }), kStarCommand, "06 " + kStarAnswer, 19 * 20},
        TReplyCase{"IntermediateFrame", THostProtocol::Compatible,
                   Reply([](THostReply& r) { r.intermediateFrames = 1; }), kStarCommand,
                   "06 02 80 2A 1C 30 30 30 30 1C 30 30 30 30 1C 69 6E 74 65 72 6D 65 64 69 61 74 65 03 30 37 37 45 " +
                       kStarAnswer},
        TReplyCase{"StaleAnswerFirst", THostProtocol::Compatible,
                   Reply([](THostReply& r) { r.staleAnswerFirst = true; }), kStarCommand,
                   "06 02 7F 2A 1C 30 30 30 30 1C 30 30 30 30 1C 73 74 61 6C 65 03 30 34 39 42 " + kStarAnswer},
        TReplyCase{"ExtendedHealthyPrinter", THostProtocol::Extended, {}, "02 81 2A 03 30 30 42 30",
                   "06 02 81 00 00 1C 00 00 1C 1C 00 00 1C 1C 2A 03 30 31 33 43"},
        // Words 0x0203 and the field byte 0x1C travel escaped; the checksum covers the ESC bytes.
        TReplyCase{"ExtendedWordsAndEscapes", THostProtocol::Extended,
                   Reply([](THostReply& r) {
                     r.printerStatus = 0x1234;
                     r.fiscalStatus = 0x0203;
                     r.returnCode = 0x0005;
                     r.fields = std::vector<std::string>{"A"};
                   }),
                   "02 81 2A 03 30 30 42 30",
                   "06 02 81 12 34 1C 1B 02 1B 03 1C 1C 00 05 1C 1C 41 03 30 31 44 39"},
        // The command "A" FS arrives escaped, is unescaped, and is echoed escaped again.
        TReplyCase{"ExtendedEscapedCommandEchoed", THostProtocol::Extended, {}, "02 81 41 1B 1C 03 30 30 46 45",
                   "06 02 81 00 00 1C 00 00 1C 1C 00 00 1C 1C 41 1B 1C 03 30 31 38 41"}),
    [](const ::testing::TestParamInfo<TReplyCase>& caseInfo) { return std::string(caseInfo.param.name); });

TEST(EmulatorHost, SilentPrinterSaysNothingButRecordsTheFrame) {
  TEmulator emulator(TLine::Host);
  THostReply silent;
  silent.silent = true;
  emulator.SetDefaultHostReply(silent);
  TLineEnd host(emulator.DevicePath());
  host.Write(Bytes(kStarCommand));
  ASSERT_TRUE(emulator.WaitForFrames(1, 2000));
  EXPECT_TRUE(host.QuietFor(700));
}

TEST(EmulatorHost, BadChecksumIsRepeatedOnlyAfterTheHostsNak) {
  TEmulator emulator(TLine::Host);
  THostReply reply;
  reply.badChecksums = 2;
  emulator.SetDefaultHostReply(reply);
  TLineEnd host(emulator.DevicePath());
  host.Write(Bytes(kStarCommand));
  // The last checksum digit is spoiled: "024D" becomes "0240".
  const std::string bad = "02 20 2A 1C 30 30 30 30 1C 30 30 30 30 1C 2A 03 30 32 34 30";
  EXPECT_EQ(host.ReadHex(1 + ByteCount(bad)), "06 " + bad);
  EXPECT_TRUE(host.QuietFor(400));
  host.Write("\x15");
  EXPECT_EQ(host.ReadHex(ByteCount(bad)), bad);
  EXPECT_TRUE(host.QuietFor(400));
  host.Write("\x15");
  EXPECT_EQ(host.ReadHex(ByteCount(kStarAnswer) + 1, 500), kStarAnswer);
}

TEST(EmulatorHost, HangUpMidAnswerClosesTheLine) {
  TEmulator emulator(TLine::Host);
  THostReply reply;
  reply.hangUpMidAnswer = true;
  emulator.SetDefaultHostReply(reply);
  TLineEnd host(emulator.DevicePath());
  host.Write(Bytes(kStarCommand));
  // What the host sees: at most the ACK and the first half of the answer, then the line is
  // gone: poll reports POLLHUP and read returns 0 or fails with EIO.
  const std::string got = host.Read(64, 3000);
  EXPECT_EQ(host.LastEnd(), TLineEnd::TReadEnd::HungUp);
  EXPECT_LE(got.size(), 1 + ByteCount(kStarAnswer) / 2);
  EXPECT_EQ(HexBytes(got), HexBytes(Bytes("06 " + kStarAnswer).substr(0, got.size())));
  EXPECT_TRUE(emulator.IsHungUp());
}

TEST(EmulatorHost, HangUpFromTheTestEndsTheHostsReads) {
  TEmulator emulator(TLine::Host);
  TLineEnd host(emulator.DevicePath());
  emulator.HangUp();
  EXPECT_TRUE(emulator.IsHungUp());
  host.Read(1, 3000);
  EXPECT_EQ(host.LastEnd(), TLineEnd::TReadEnd::HungUp);
}

TEST(EmulatorHost, QueuedRepliesThenPerCommandThenDefault) {
  TEmulator emulator(TLine::Host);
  THostReply nak;
  nak.nak = true;
  emulator.SetDefaultHostReply(nak);
  THostReply noAck;
  noAck.ackFirst = false;
  emulator.SetHostReplyFor("*", noAck);
  THostReply healthy;
  emulator.QueueHostReply(healthy);
  TLineEnd host(emulator.DevicePath());

  host.Write(Bytes(kStarCommand));
  EXPECT_EQ(host.ReadHex(1 + ByteCount(kStarAnswer) + 1, 500), "06 " + kStarAnswer);
  host.Write(Bytes(kStarCommand));
  EXPECT_EQ(host.ReadHex(ByteCount(kStarAnswer) + 1, 500), kStarAnswer);
  host.Write(Bytes(kBCommand));
  EXPECT_EQ(host.ReadHex(2, 500), "15");
}

TEST(EmulatorHost, RecordsFramesAndBytesExactlyAsOnTheLine) {
  TEmulator emulator(TLine::Host);
  TLineEnd host(emulator.DevicePath());
  // Noise and the host's ACK between frames are bytes, not frames.
  host.Write(Bytes("41 " + kStarCommand));
  EXPECT_EQ(host.ReadHex(1 + ByteCount(kStarAnswer)), "06 " + kStarAnswer);
  host.Write("\x06");
  host.Write(Bytes(kBCommand));
  ASSERT_TRUE(emulator.WaitForFrames(2, 2000));
  EXPECT_EQ(host.ReadHex(1 + ByteCount(kBAnswer)), "06 " + kBAnswer);
  const auto frames = emulator.ReceivedFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(HexBytes(frames[0]), kStarCommand);
  EXPECT_EQ(HexBytes(frames[1]), kBCommand);
  EXPECT_EQ(HexBytes(emulator.ReceivedBytes()), "41 " + kStarCommand + " 06 " + kBCommand);

  emulator.ClearReceived();
  EXPECT_TRUE(emulator.ReceivedFrames().empty());
  EXPECT_TRUE(emulator.ReceivedBytes().empty());
  EXPECT_FALSE(emulator.WaitForFrames(1, 100));
}

// 5000 bytes of answer are more than the terminal buffers at once: the emulator waits for
// room instead of losing bytes. The sum: 0x024D - 0x2A + 5000 x 0x42 = 0x50B33, so "0B33".
TEST(EmulatorHost, LongAnswerArrivesWhole) {
  TEmulator emulator(TLine::Host);
  THostReply reply;
  reply.ackFirst = false;
  reply.fields = std::vector<std::string>{std::string(5000, 'B')};
  emulator.SetDefaultHostReply(reply);
  TLineEnd host(emulator.DevicePath());
  host.Write(Bytes(kStarCommand));
  const std::string expected = Bytes("02 20 2A 1C 30 30 30 30 1C 30 30 30 30 1C") + std::string(5000, 'B') +
                               Bytes("03 30 42 33 33");
  const std::string got = host.Read(expected.size() + 1, 1000);
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
}

TEST(EmulatorHost, LineNoiseLeavesTheNextCommandIntact) {
  TEmulator emulator(TLine::Host);
  TLineEnd host(emulator.DevicePath());
  std::mt19937 random(7);
  std::string noise;
  for (int i = 0; i < 20000; ++i) {
    // Mostly protocol bytes, so the reader is driven through all its states.
    static constexpr char kBytes[] = {0x02, 0x03, 0x1B, 0x1C, 0x06, 0x15, '0', 'A', 'F', 0x20, char(0x81)};
    noise += kBytes[random() % sizeof kBytes];
  }
  noise += Bytes("00 03 30 30 30 30");  // ends whatever frame the noise left open
  for (std::size_t at = 0; at < noise.size(); at += 500) {
    host.Write(noise.substr(at, 500));
    host.Read(1 << 20, 20, 20);  // NAKs, and perhaps an answer by chance
  }
  host.Read(1 << 20, 500, 500);
  emulator.ClearReceived();
  host.Write(Bytes(kStarCommand));
  EXPECT_EQ(host.ReadHex(1 + ByteCount(kStarAnswer) + 1, 500), "06 " + kStarAnswer);
  ASSERT_TRUE(emulator.WaitForFrames(1, 2000));
  EXPECT_EQ(HexBytes(emulator.ReceivedFrames().at(0)), kStarCommand);
}

TEST(EmulatorHost, CommandSentInPiecesIsOneFrame) {
  TEmulator emulator(TLine::Host);
  TLineEnd host(emulator.DevicePath());
  const std::string command = Bytes(kStarCommand);
  host.Write(command.substr(0, 3));
  EXPECT_TRUE(host.QuietFor(200));
  host.Write(command.substr(3));
  EXPECT_EQ(host.ReadHex(1 + ByteCount(kStarAnswer)), "06 " + kStarAnswer);
}

TEST(EmulatorHost, NewCommandCutsALongReplyShort) {
  TEmulator emulator(TLine::Host);
  THostReply slowBusy;
  slowBusy.busyReports = 1;
  slowBusy.busyIntervalMs = 60000;
  emulator.SetHostReplyFor("*", slowBusy);
  TLineEnd host(emulator.DevicePath());
  host.Write(Bytes(kStarCommand));
  EXPECT_EQ(host.ReadHex(1), "06");
  host.Write(Bytes(kBCommand));
  EXPECT_EQ(host.ReadHex(1 + ByteCount(kBAnswer) + 1, 1000), "06 " + kBAnswer);
}

TEST(EmulatorHost, LinkSurvivesTheHostClosingAndReopening) {
  const TTempFolder dir("quorvel-emulator");
  const std::string link = dir.File("printer");
  {
    TEmulator emulator(TLine::Host, link);
    EXPECT_EQ(emulator.DevicePath(), link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    for (int round = 0; round < 2; ++round) {
      TLineEnd host(link);
      host.Write(Bytes(kStarCommand));
      EXPECT_EQ(host.ReadHex(1 + ByteCount(kStarAnswer)), "06 " + kStarAnswer) << "round " << round;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

// The emulator's own slave descriptor keeps the terminal open, so it must drop the host's
// exclusive mode when the host closes; otherwise a non-root host could not open it again.
TEST(EmulatorHost, ExclusiveModeEndsWhenTheHostCloses) {
  TEmulator emulator(TLine::Host);
  {
    TLineEnd first(emulator.DevicePath());
    ASSERT_EQ(::ioctl(first.Fd(), TIOCEXCL), 0);
  }
  TLineEnd second(emulator.DevicePath());
  int exclusive = 1;
  for (int i = 0; i < 300 && exclusive; ++i) {
    ASSERT_EQ(::ioctl(second.Fd(), TIOCGEXCL, &exclusive), 0);
    if (exclusive) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(exclusive, 0);
}

TEST(EmulatorHost, RefusesToReplaceAFileThatIsNotALink) {
  const TTempFolder dir("quorvel-emulator-file");
  const std::string file = dir.File("printer");
  { std::FILE* f = std::fopen(file.c_str(), "w"); ASSERT_NE(f, nullptr); std::fclose(f); }
  EXPECT_THROW(TEmulator(TLine::Host, file), std::runtime_error);
  EXPECT_TRUE(std::filesystem::is_regular_file(file));
}

TEST(EmulatorHost, DestructionCancelsAConfiguredDelay) {
  const auto start = std::chrono::steady_clock::now();
  {
    TEmulator emulator(TLine::Host);
    THostReply reply;
    reply.busyReports = 1;
    reply.busyIntervalMs = 60000;
    emulator.SetDefaultHostReply(reply);
    TLineEnd host(emulator.DevicePath());
    host.Write(Bytes(kStarCommand));
    EXPECT_EQ(host.ReadHex(1), "06");
  }
  EXPECT_LT(MsSince(start), 30000);
}

}  // namespace
}  // namespace quorvel::emulator
