// SPDX-License-Identifier: MIT
// The command line of quorvel-emulator: behaviours and their errors.
#include <gtest/gtest.h>

#include "emulator/rules.h"

namespace quorvel::emulator {
namespace {

std::vector<std::string> Args(std::initializer_list<const char*> extra) {
  std::vector<std::string> args{"--link", "/tmp/host"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

TEST(EmulatorRules, HostBehavioursAddUpPerCommand) {
  const TOptions options = ParseOptions(Args({"--protocol", "extended", "--on", "A=busy:3:250", "--on",
                                              "A=status:1:ab:FFFF", "--on", "A=fields:x,\\x2C,,y:z", "--on",
                                              "A=slow:5", "--on", "A=extra:06 AA", "--on", "*=nak", "--on",
                                              "B\\x3D=noack", "--on", "B\\x3D=intermediate:2", "--on",
                                              "C=badsum:2", "--on", "C=stale", "--on", "C=hangup", "--on",
                                              "D=silent", "--on", "E=raw:R", "--on", "F=fields:"}));
  EXPECT_EQ(options.protocol, THostProtocol::Extended);
  ASSERT_TRUE(options.hostDefault);
  EXPECT_TRUE(options.hostDefault->nak);

  const THostReply& a = options.hostRules.at("A");
  EXPECT_EQ(a.busyReports, 3);
  EXPECT_EQ(a.busyIntervalMs, 250);
  EXPECT_EQ(a.printerStatus, 0x0001);
  EXPECT_EQ(a.fiscalStatus, 0x00AB);
  EXPECT_EQ(a.returnCode, 0xFFFF);
  EXPECT_EQ(a.fields, (std::vector<std::string>{"x", ",", "", "y:z"}));
  EXPECT_EQ(a.byteDelayMs, 5);
  EXPECT_EQ(a.extraAfter, "\x06\xAA");
  EXPECT_FALSE(a.nak);  // "*" does not leak into a command's own rule

  const THostReply& b = options.hostRules.at("B=");
  EXPECT_FALSE(b.ackFirst);
  EXPECT_EQ(b.intermediateFrames, 2);
  const THostReply& c = options.hostRules.at("C");
  EXPECT_EQ(c.badChecksums, 2);
  EXPECT_TRUE(c.staleAnswerFirst);
  EXPECT_TRUE(c.hangUpMidAnswer);
  EXPECT_TRUE(options.hostRules.at("D").silent);
  EXPECT_EQ(options.hostRules.at("E").rawFields, std::vector<std::string>{"R"});
  EXPECT_EQ(options.hostRules.at("F").fields, std::vector<std::string>{});
}

TEST(EmulatorRules, DgiBehaviours) {
  const TOptions options =
      ParseOptions(Args({"--dgi-link", "/tmp/dgi", "--dgi-on", "0001=final:0001AB", "--dgi-on", "0001=badsum:1",
                         "--dgi-on", "0002=frames:0005,0001", "--dgi-on", "0002=pause:250", "--dgi-on", "0003=raw:06", "--dgi-on", "*=silent",
                         "--dgi-on", "\\x05X=nak", "--dgi-on", "0004=ack"}));
  EXPECT_EQ(options.dgiLink, "/tmp/dgi");
  EXPECT_EQ(options.dgiRules.at("0001").frames, std::vector<std::string>{"0001AB"});
  EXPECT_EQ(options.dgiRules.at("0001").badChecksums, 1);
  EXPECT_EQ(options.dgiRules.at("0002").frames, (std::vector<std::string>{"0005", "0001"}));
  EXPECT_EQ(options.dgiRules.at("0002").pauseMs, 250);
  EXPECT_EQ(options.dgiRules.at("0003").raw, "\x06");
  EXPECT_TRUE(options.dgiDefault->silent);
  EXPECT_TRUE(options.dgiRules.at("\x05X").nak);
  EXPECT_TRUE(options.dgiRules.at("0004").ackOnly);
}

TEST(EmulatorRules, HelpNeedsNothingElse) { EXPECT_TRUE(ParseOptions({"--help"}).help); }

TEST(EmulatorRules, BadCommandLinesAreRefusedWithAMessage) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--on", "A=nak"},
      {"--link"},
      {"--link", "/tmp/h", "--bogus"},
      {"--link", "/tmp/h", "--protocol", "fast"},
      {"--link", "/tmp/h", "--dgi-link", "/tmp/h"},
      {"--link", "/tmp/h", "--on", "A"},
      {"--link", "/tmp/h", "--on", "A=dance"},
      {"--link", "/tmp/h", "--on", "A="},
      {"--link", "/tmp/h", "--on", "A=nak:1"},
      {"--link", "/tmp/h", "--on", "A=busy:1"},
      {"--link", "/tmp/h", "--on", "A=busy:a:1"},
      {"--link", "/tmp/h", "--on", "A=busy:-1:1"},
      {"--link", "/tmp/h", "--on", "A=slow:9999999999"},
      {"--link", "/tmp/h", "--on", "A=status:12345:0"},
      {"--link", "/tmp/h", "--on", "A=status:G:0"},
      {"--link", "/tmp/h", "--on", "A=status:1"},
      {"--link", "/tmp/h", "--on", "A=extra:ABC"},
      {"--link", "/tmp/h", "--on", "A=extra:GG"},
      {"--link", "/tmp/h", "--on", "A=fields"},
      {"--link", "/tmp/h", "--on", "A\\q=nak"},
      {"--link", "/tmp/h", "--on", "A\\x4=nak"},
      {"--link", "/tmp/h", "--dgi-on", "0001=ack"},
      {"--link", "/tmp/h", "--dgi-link", "/tmp/d", "--dgi-on", "0001=final"},
      {"--link", "/tmp/h", "--dgi-link", "/tmp/d", "--dgi-on", "0001=frames:"},
      {"--link", "/tmp/h", "--dgi-link", "/tmp/d", "--dgi-on", "0001=ack:1"},
      {"--link", "/tmp/h", "--dgi-link", "/tmp/d", "--dgi-on", "0001=busy:1:1"},
  };
  for (const auto& args : bad) {
    std::string joined;
    for (const auto& arg : args) joined += arg + " ";
    try {
      ParseOptions(args);
      ADD_FAILURE() << "accepted: " << joined;
    } catch (const std::invalid_argument& error) {
      EXPECT_STRNE(error.what(), "") << joined;
    }
  }
}

TEST(EmulatorRules, TextsRoundTripThroughEscapes) {
  EXPECT_EQ(UnescapeText("a\\x1Cb\\\\c"), "a\x1C" "b\\c");
  EXPECT_EQ(PrintableText("a\x1C\"\\\xFF"), "a\\x1C\\x22\\x5C\\xFF");
}

}  // namespace
}  // namespace quorvel::emulator
