// SPDX-License-Identifier: MIT
// The printer emulator on the DGI line, driven through its pseudo-terminal with raw
// bytes. A frame is STX, the data, ETX and one byte that makes the whole frame add up
// to 0 modulo 256; expected frames are worked out by hand.
#include <gtest/gtest.h>

#include "emulator/emulator.h"
#include "emulator/lineend.h"

namespace quorvel::emulator {
namespace {

using testing::Bytes;
using testing::ByteCount;
using wire::HexBytes;
using testing::TLineEnd;

// "0001": 02+30+30+30+31+03 = 0xC6, checksum 0x3A.
const std::string k0001 = "02 30 30 30 31 03 3A";
// "0005": sum 0xCA, checksum 0x36 (an intermediate status code).
const std::string k0005 = "02 30 30 30 35 03 36";
// "0001AB": sum 0x149, checksum 0xB7.
const std::string k0001AB = "02 30 30 30 31 41 42 03 B7";
// No data: 02+03 = 0x05, checksum 0xFB.
const std::string kEmpty = "02 03 FB";

struct TDgiCase {
  const char* name;
  TDgiReply reply;
  std::string command;
  std::string expected;  // everything the printer sends without being prompted again
};

TDgiReply Dgi(void (*adjust)(TDgiReply&)) {
  TDgiReply reply;
  adjust(reply);
  return reply;
}

class DgiReplyTable : public ::testing::TestWithParam<TDgiCase> {};

TEST_P(DgiReplyTable, AnswersWithTheExactBytes) {
  const TDgiCase& c = GetParam();
  TEmulator emulator(TLine::Dgi);
  emulator.SetDefaultDgiReply(c.reply);
  TLineEnd host(emulator.DevicePath());
  host.Write(Bytes(c.command));
  if (c.expected.empty()) {
    EXPECT_TRUE(host.QuietFor(700));
  } else {
    EXPECT_EQ(host.ReadHex(ByteCount(c.expected) + 1, 500), c.expected);
  }
  ASSERT_TRUE(emulator.WaitForFrames(1, 2000));
  EXPECT_EQ(HexBytes(emulator.ReceivedFrames().at(0)), c.command);
}

INSTANTIATE_TEST_SUITE_P(
    Emulator, DgiReplyTable,
    ::testing::Values(
        TDgiCase{"AckWithoutData", {}, k0001, "06"},
        TDgiCase{"EmptyCommand", {}, kEmpty, "06"},
        TDgiCase{"EnqIsAnsweredWithAck", Dgi([](TDgiReply& r) { r.nak = true; }), "05", "06"},
        TDgiCase{"Nak", Dgi([](TDgiReply& r) { r.nak = true; }), k0001, "15"},
        TDgiCase{"Silent", Dgi([](TDgiReply& r) { r.silent = true; }), k0001, ""},
        TDgiCase{"CommandWithBadChecksumIsRejected", {}, "02 30 30 30 31 03 3B", "15"},
        TDgiCase{"FinalFrame", Dgi([](TDgiReply& r) { r.frames = {"0001AB"}; }), k0001, k0001AB},
        TDgiCase{"FirstFrameWithBadChecksum", Dgi([](TDgiReply& r) {
                   r.frames = {"0001"};
                   r.badChecksums = 1;
                 }),
                 kEmpty, "02 30 30 30 31 03 3B"},
        TDgiCase{"RawBytes", Dgi([](TDgiReply& r) {
                   r.raw = "\x06\x06\x15";
                   r.frames = {"0001"};
                 }),
                 k0001, "06 06 15"}),
    [](const ::testing::TestParamInfo<TDgiCase>& caseInfo) { return std::string(caseInfo.param.name); });

TEST(EmulatorDgi, NextFrameOnlyAfterTheHostsAck) {
  TEmulator emulator(TLine::Dgi);
  TDgiReply reply;
  reply.frames = {"0005", "0005", "0001AB"};
  emulator.SetDefaultDgiReply(reply);
  TLineEnd host(emulator.DevicePath());
  host.Write(Bytes(k0001));
  for (const std::string& expected : {k0005, k0005}) {
    EXPECT_EQ(host.ReadHex(ByteCount(expected)), expected);
    EXPECT_TRUE(host.QuietFor(300));
    host.Write("\x06");
  }
  EXPECT_EQ(host.ReadHex(ByteCount(k0001AB) + 1, 500), k0001AB);
  host.Write("\x06");
  EXPECT_TRUE(host.QuietFor(300));
}

TEST(EmulatorDgi, BadChecksumIsRepeatedAfterTheHostsNak) {
  TEmulator emulator(TLine::Dgi);
  TDgiReply reply;
  reply.frames = {"0001AB"};
  reply.badChecksums = 2;
  emulator.SetDefaultDgiReply(reply);
  TLineEnd host(emulator.DevicePath());
  host.Write(Bytes(k0001));
  const std::string bad = "02 30 30 30 31 41 42 03 B6";
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(host.ReadHex(ByteCount(bad)), bad);
    EXPECT_TRUE(host.QuietFor(300));
    host.Write("\x15");
  }
  EXPECT_EQ(host.ReadHex(ByteCount(k0001AB) + 1, 500), k0001AB);
}

TEST(EmulatorDgi, EnqUsesUpNoQueuedReplyAndQueueComesFirst) {
  TEmulator emulator(TLine::Dgi);
  TDgiReply nak;
  nak.nak = true;
  emulator.SetDefaultDgiReply(nak);
  TDgiReply final0001;
  final0001.frames = {"0001"};
  emulator.SetDgiReplyFor("0001", final0001);
  TDgiReply silent;
  silent.silent = true;
  emulator.QueueDgiReply(silent);
  TLineEnd host(emulator.DevicePath());

  host.Write("\x05");
  EXPECT_EQ(host.ReadHex(2, 500), "06");
  host.Write(Bytes(k0001));  // takes the queued silence
  EXPECT_TRUE(host.QuietFor(500));
  host.Write(Bytes(k0001));  // the reply for "0001"
  EXPECT_EQ(host.ReadHex(ByteCount(k0001) + 1, 500), k0001);
  host.Write("\x06");
  host.Write(Bytes(kEmpty));  // the default
  EXPECT_EQ(host.ReadHex(2, 500), "15");

  ASSERT_TRUE(emulator.WaitForFrames(4, 2000));
  const auto frames = emulator.ReceivedFrames();
  EXPECT_EQ(HexBytes(frames[0]), "05");
  EXPECT_EQ(HexBytes(frames[1]), k0001);
  EXPECT_EQ(HexBytes(frames[3]), kEmpty);
}

TEST(EmulatorDgi, DataMayHoldAnyByteButEtx) {
  // STX and ENQ inside the data are data: 02 02 05 03, sum 0x0C, checksum 0xF4.
  TEmulator emulator(TLine::Dgi);
  TLineEnd host(emulator.DevicePath());
  host.Write(Bytes("02 02 05 03 F4"));
  EXPECT_EQ(host.ReadHex(2, 500), "06");
  ASSERT_TRUE(emulator.WaitForFrames(1, 2000));
  EXPECT_EQ(emulator.ReceivedFrames().size(), 1u);
  EXPECT_EQ(HexBytes(emulator.ReceivedFrames()[0]), "02 02 05 03 F4");
}

}  // namespace
}  // namespace quorvel::emulator
