// SPDX-License-Identifier: MIT
// Command frames as the printer receives them, sequence numbers, escaping, the
// size limits and the decoding of final answers in both protocol variants.
#include <gtest/gtest.h>

#include "host/hostbench.h"

using namespace quorvel;
using namespace quorvel::host;
using quorvel::testing::HexBytes;
using quorvel::testing::THostBench;

namespace {

std::string Frame(THostBench& bench, std::size_t index = 0) {
  EXPECT_TRUE(bench.emulator.WaitForFrames(index + 1, 5000));
  const auto frames = bench.emulator.ReceivedFrames();
  return frames.size() > index ? frames[index] : std::string();
}

}  // namespace

TEST(HostFrames, WorkedExampleCompatible) {
  THostBench bench(protocol_Compatible);
  ASSERT_TRUE(bench.Open());
  bench.control.SetLastSequenceNumberForTests(0x7F);  // wraps to 0x20
  const auto events = bench.Exchange({"\x2A"});
  EXPECT_EQ(HexBytes(Frame(bench)), "02 20 2A 03 30 30 34 46");
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), "write 02 20 2A 03 30 30 34 46");
  EXPECT_EQ(events.back(), "final");
}

TEST(HostFrames, WorkedExampleExtendedWithEscapedSeparator) {
  THostBench bench(protocol_Extended);
  ASSERT_TRUE(bench.Open());
  bench.control.SetLastSequenceNumberForTests(0xFF);  // wraps to 0x81
  const auto events = bench.Exchange({"\x2A", "A\x1C" "B"});
  EXPECT_EQ(HexBytes(Frame(bench)), "02 81 2A 1C 41 1B 1C 42 03 30 31 38 36");
  EXPECT_EQ(events.back(), "final");
}

TEST(HostFrames, NoFieldsAndEmptyFields) {
  THostBench bench(protocol_Compatible);
  ASSERT_TRUE(bench.Open());
  bench.control.SetLastSequenceNumberForTests(0x30);
  bench.Exchange({});
  // 02 + 31 + 03 = 0x36
  EXPECT_EQ(HexBytes(Frame(bench, 0)), "02 31 03 30 30 33 36");
  bench.Exchange({"A", "", "B"});
  EXPECT_EQ(HexBytes(Frame(bench, 1)), "02 32 41 1C 1C 42 03 30 30 46 32");
}

TEST(HostFrames, SequenceNumbersFollowTheRangeOfTheProtocol) {
  struct Case {
    TProtocolType protocol;
    std::uint8_t last;
    std::uint8_t next;
  } cases[] = {
      {protocol_Compatible, 0x20, 0x21}, {protocol_Compatible, 0x7E, 0x7F}, {protocol_Compatible, 0x7F, 0x20},
      {protocol_Compatible, 0x1F, 0x20}, {protocol_Compatible, 0x00, 0x20}, {protocol_Compatible, 0x90, 0x20},
      {protocol_Extended, 0x81, 0x82},   {protocol_Extended, 0xFE, 0xFF},   {protocol_Extended, 0xFF, 0x81},
      {protocol_Extended, 0x80, 0x81},   {protocol_Extended, 0x20, 0x81},
  };
  platform::TQueueLoop loop;
  for (const auto& c : cases) {
    TFPHostControl control(loop);
    control.SetProtocol(c.protocol);
    control.SetLastSequenceNumberForTests(c.last);
    EXPECT_EQ(control.GetNextSequenceNumber(), c.next) << int(c.protocol) << " after " << int(c.last);
  }
}

TEST(HostFrames, SeedingLandsInTheRangeAndSwitchingProtocolReseeds) {
  THostBench bench(protocol_Compatible);
  ASSERT_TRUE(bench.Open());
  bench.Exchange({"a"});
  const auto first = static_cast<std::uint8_t>(Frame(bench, 0)[1]);
  EXPECT_GE(first, 0x20);
  EXPECT_LE(first, 0x7F);
  bench.emulator.SetHostProtocol(emulator::THostProtocol::Extended);
  bench.control.SetProtocol(protocol_Extended);
  EXPECT_EQ(bench.Exchange({"b"}).back(), "final");
  const auto second = static_cast<std::uint8_t>(Frame(bench, 1)[1]);
  EXPECT_GE(second, 0x81);
  // The seed itself is never used: the next number follows it. Over many seeds,
  // every first number stays inside the range.
  platform::TQueueLoop loop;
  TFPHostControl control(loop);
  for (int i = 0; i < 200; ++i) {
    control.SetProtocol(i % 2 ? protocol_Extended : protocol_Compatible);
    const auto seq = control.GetNextSequenceNumber();
    if (i % 2) {
      EXPECT_GE(seq, 0x81);
    } else {
      EXPECT_GE(seq, 0x20);
      EXPECT_LE(seq, 0x7F);
    }
  }
}

TEST(HostFrames, ConsecutiveCommandsCountUpAndWrap) {
  THostBench bench(protocol_Compatible);
  ASSERT_TRUE(bench.Open());
  bench.control.SetLastSequenceNumberForTests(0x7D);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(bench.Exchange({"n"}).back(), "final");
  std::string seqs;
  for (const auto& f : bench.emulator.ReceivedFrames()) seqs += f[1];
  EXPECT_EQ(HexBytes(seqs), "7E 7F 20 21");
}

TEST(HostFrames, CompatibleFieldsRefuseControlBytes) {
  struct Case {
    std::string field;
    bool accepted;
  } cases[] = {{"\x1F", false}, {"ab\x01", false}, {std::string(1, '\0'), false},
               {" ", true},     {"\xC8", true},    {"\x7F\xFF", true}};
  platform::TQueueLoop loop;
  for (const auto& c : cases) {
    TFPHostControl control(loop);
    EXPECT_EQ(control.AddDataField(c.field), c.accepted) << HexBytes(c.field);
    EXPECT_EQ(control.LastError(), c.accepted ? EFP_Success : EFP_E_InvalidDataInField);
  }
}

TEST(HostFrames, ExtendedFieldsEscapeExactlyTheFramingBytes) {
  THostBench bench(protocol_Extended);
  ASSERT_TRUE(bench.Open());
  bench.control.SetLastSequenceNumberForTests(0x90);
  std::string all;
  for (int b = 0; b < 0x20; ++b) all += static_cast<char>(b);
  ASSERT_EQ(bench.Exchange({all}).back(), "final");
  const std::string frame = Frame(bench);
  EXPECT_EQ(HexBytes(frame.substr(2, frame.size() - 7)),
            "00 01 1B 02 1B 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 "
            "1B 1A 1B 1B 1B 1C 1B 1D 1B 1E 1B 1F");
  // What the printer read back out of the escapes is the field as given.
  EXPECT_EQ(frame.substr(frame.size() - 4), TFPHostControl::GetFrameCheckSum(frame.substr(0, frame.size() - 4)));
}

TEST(HostFrames, ChecksumKeepsTheLow16Bits) {
  // 257 bytes of 0xFF sum to 0xFFFF; one 0x06 more makes 0x10005.
  std::string frame(257, '\xFF');
  frame += '\x06';
  EXPECT_EQ(HexBytes(TFPHostControl::GetFrameCheckSum(frame)), "30 30 30 35");
  EXPECT_EQ(TFPHostControl::GetFrameCheckSum(""), "0000");
  EXPECT_EQ(TFPHostControl::GetFrameCheckSum("\x02\x20\x2A\x03"), "004F");
}

TEST(HostFrames, DataLimitCountsFieldBytesOnly) {
  THostBench bench(protocol_Extended);
  ASSERT_TRUE(bench.Open());
  // Exactly 2048 data bytes, all escaped and split over fields: accepted.
  EXPECT_EQ(bench.Exchange({std::string(1000, '\x1C'), std::string(1048, 'x')}).back(), "final");
  // 2049: refused, nothing sent; the pending frame stays until Purge.
  bench.emulator.ClearReceived();
  EXPECT_EQ(bench.Exchange({std::string(2000, 'y'), std::string(49, 'z')}).front(),
            "refused EFP_E_MaxDataLengthReached");
  EXPECT_EQ(bench.control.SendCommand(), false);
  EXPECT_EQ(bench.control.LastError(), EFP_E_MaxDataLengthReached);
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
  bench.control.Purge();
  EXPECT_EQ(bench.Exchange({"ok"}).back(), "final");
  const auto frames = bench.emulator.ReceivedFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].substr(2, 2), "ok");
}

TEST(HostFrames, ARefusedFieldIsCountedAndKeptUntilPurge) {
  THostBench bench(protocol_Compatible);
  ASSERT_TRUE(bench.Open());
  EXPECT_TRUE(bench.control.AddDataField(std::string(2000, 'a')));
  EXPECT_FALSE(bench.control.AddDataField(std::string(48, 'b') + "\x01" + "c"));
  EXPECT_FALSE(bench.control.SendCommand());  // 2050 bytes counted
  EXPECT_EQ(bench.control.LastError(), EFP_E_MaxDataLengthReached);
  bench.control.Purge();
  EXPECT_EQ(bench.Exchange({"next"}).back(), "final");
}

TEST(HostFrames, FramesBeyondTheSendBufferAreRefusedWhole) {
  THostBench bench(protocol_Extended);
  ASSERT_TRUE(bench.Open());
  // 2048 escaped bytes (4096 on the line) plus empty fields: separators are not data.
  auto fill = [&](int emptyFields) {
    bench.control.Purge();
    EXPECT_TRUE(bench.control.AddDataField(std::string(2048, '\x1B')));
    for (int i = 0; i < emptyFields; ++i) bench.control.AddDataField("");
  };
  fill(4089);  // 4096 + 4089 separators + 7 framing bytes = 8192: fits
  EXPECT_TRUE(bench.control.SendCommand());
  bench.RunUntilEnds();
  EXPECT_EQ(bench.events.back(), "final");
  ASSERT_TRUE(bench.emulator.WaitForFrames(1, 5000));
  EXPECT_EQ(bench.emulator.ReceivedFrames()[0].size(), 8192u);
  fill(4090);  // one byte more
  EXPECT_FALSE(bench.control.SendCommand());
  EXPECT_EQ(bench.control.LastError(), EFP_E_MaxDataLengthReached);
  EXPECT_EQ(bench.control.State(), EFP_S_Idle);
}

// ---- decoding ----

struct TDecodeCase {
  const char* name;
  std::vector<std::string> fields;  // the answer's fields as the printer sends them
  std::int16_t printer, fiscal, returnCode;
  std::vector<std::string> extras;
};

void CheckDecoding(TProtocolType protocol, const std::vector<TDecodeCase>& cases) {
  THostBench bench(protocol);
  ASSERT_TRUE(bench.Open());
  for (const auto& c : cases) {
    emulator::THostReply reply;
    reply.rawFields = c.fields;
    bench.emulator.QueueHostReply(reply);
    ASSERT_EQ(bench.Exchange({"cmd"}).back(), "final") << c.name;
    EXPECT_EQ(bench.control.PrinterStatus(), c.printer) << c.name;
    EXPECT_EQ(bench.control.FiscalStatus(), c.fiscal) << c.name;
    EXPECT_EQ(bench.control.ReturnCode(), c.returnCode) << c.name;
    ASSERT_EQ(bench.control.ExtraFieldsCount(), static_cast<int>(c.extras.size())) << c.name;
    for (std::size_t i = 0; i < c.extras.size(); ++i)
      EXPECT_EQ(bench.control.GetExtraField(static_cast<int>(i + 1)), c.extras[i]) << c.name;
  }
}

TEST(HostDecode, Compatible) {
  CheckDecoding(protocol_Compatible, {
      {"one field", {"cmd"}, 0, 0, 0, {}},
      {"printer only", {"cmd", "0012"}, 0x12, 0, 0, {}},
      {"three fields", {"cmd", "00ab", "C0DE"}, 0xAB, static_cast<std::int16_t>(0xC0DE), 0, {}},
      {"extras", {"cmd", "0001", "0002", "x", "", "y"}, 1, 2, 0, {"x", "", "y"}},
      {"long hex wraps", {"cmd", "12345", "FFFF"}, 0x2345, -1, 0, {}},
      {"non-hex stops", {"cmd", "12G4", "zz"}, 0x12, 0, 0, {}},
      {"empty", {"cmd", "", ""}, 0, 0, 0, {}},
  });
}

TEST(HostDecode, Extended) {
  CheckDecoding(protocol_Extended, {
      {"one field", {std::string("\x00\x05", 2)}, 0x0005, 0, 0, {}},
      {"five fields", {"AB", std::string("\x80\x01", 2), "x", std::string("\x01\x02", 2), "y"}, 0x4142,
       static_cast<std::int16_t>(0x8001), 0x0102, {}},
      {"seven fields", {"", "\x05", "", "123", "", "six", "seven"}, 0x3030, 0x3005, 0x3132, {"six", "seven"}},
      {"three fields", {"P", "F", "ignored"}, 0x3050, 0x3046, 0, {}},
  });
}

TEST(HostDecode, ExtraFieldNumbersOutsideTheListAreRefused) {
  THostBench bench(protocol_Compatible);
  ASSERT_TRUE(bench.Open());
  emulator::THostReply reply;
  reply.rawFields = std::vector<std::string>{"c", "1", "2", "f4", "f5"};
  bench.emulator.QueueHostReply(reply);
  ASSERT_EQ(bench.Exchange({"c"}).back(), "final");
  ASSERT_EQ(bench.control.ExtraFieldsCount(), 2);
  for (int bad : {0, -1, 3, 1 << 30}) {
    EXPECT_EQ(bench.control.GetExtraField(bad), "");
    EXPECT_EQ(bench.control.LastError(), EFP_E_InvalidIndex) << bad;
  }
  EXPECT_EQ(bench.control.GetExtraField(2), "f5");
  EXPECT_EQ(bench.control.LastError(), EFP_Success);
  // Status values stay until the next final answer; extra fields go with the next SendCommand.
  emulator::THostReply silent;
  silent.silent = true;
  bench.emulator.QueueHostReply(silent);
  EXPECT_EQ(bench.Exchange({"c"}).back(), "error EFP_E_ReadTimeOut");
  EXPECT_EQ(bench.control.PrinterStatus(), 1);
  EXPECT_EQ(bench.control.ExtraFieldsCount(), 0);
}
