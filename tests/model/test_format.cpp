// SPDX-License-Identifier: MIT
#include "model/format.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvel::model {
namespace {

using namespace std::string_literals;

// ---- ExpandHexEscapes ----

struct TExpandCase {
  std::string Text;
  std::string Bytes;
};

class ExpandHexEscapesTest : public ::testing::TestWithParam<TExpandCase> {};

TEST_P(ExpandHexEscapesTest, ExpandsToBytes) {
  EXPECT_EQ(ExpandHexEscapes(GetParam().Text), GetParam().Bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpandHexEscapesTest,
    ::testing::Values(TExpandCase{"ESC x'1b'", "ESC \x1b"s},
                      TExpandCase{"x'123'", "\x01\x23"s},           // odd count: a 0 in front
                      TExpandCase{"xx'41'", "xx'41'"},              // the second x never starts an escape
                      TExpandCase{"X'4a'X'4A'", "JJ"},               // either case, letters and digits
                      TExpandCase{"x''", ""},                        // an empty escape outputs nothing
                      TExpandCase{"a x'00' b", "a \0 b"s},           // a zero byte is kept
                      TExpandCase{"box", "box"},                     // a held letter at the end is output
                      TExpandCase{"x'41", "x'41"},                   // open escape: sent as typed
                      TExpandCase{"X'", "X'"},                       // open, nothing after it
                      TExpandCase{"x'414243'x'ff'", "ABC\xff"s},    // several escapes in one field
                      TExpandCase{"", ""}, TExpandCase{"plain text", "plain text"}));

TEST(ExpandHexEscapes, PairThatIsNotHexFailsTheField) {
  for (const std::string bad : {"x'4G'", "ok x'41' then x'zz'", "x' 1'", "x'-1'"}) {
    EXPECT_FALSE(ExpandHexEscapes(bad).has_value()) << bad;
  }
}

// ---- wire formatting ----

struct TCurrencyCase {
  std::string Text;
  int Width;
  int Decimals;
  std::string Wire;
};

class FormatCurrencyTest : public ::testing::TestWithParam<TCurrencyCase> {};

TEST_P(FormatCurrencyTest, GivesDigitsOfTheWidth) {
  const TCurrencyCase& c = GetParam();
  EXPECT_EQ(FormatCurrency(c.Text, c.Width, c.Decimals), c.Wire)
      << c.Text << " width " << c.Width << " decimals " << c.Decimals;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatCurrencyTest,
    ::testing::Values(TCurrencyCase{"12,5", 10, 2, "0000001250"}, TCurrencyCase{"1234", 10, 2, "0000123400"},
                      TCurrencyCase{"0.75", 10, 2, "0000000075"},
                      TCurrencyCase{"12345678901", 10, 2, "0000000000"},  // integer part out of range
                      TCurrencyCase{"1.234,5", 0, 2, "1.2345"},           // width 0: only the first separator goes
                      TCurrencyCase{"1,2345", 2, 3, "23"},                // decimals >= width: fraction cut
                      TCurrencyCase{",5", 6, 2, "000050"},
                      TCurrencyCase{"123456", 4, 0, "3456"},   // too long: the last w digits
                      TCurrencyCase{"12,999", 6, 2, "001299"}, // the fraction is cut, not rounded
                      TCurrencyCase{"7,5", 4, 0, "0007"},      // no decimals: the fraction is dropped
                      TCurrencyCase{"", 4, 2, "0000"}, TCurrencyCase{"5", -3, 2, ""}));

TEST(FormatCurrency, HugeWidthFromAHandEditedFileIsCapped) {
  EXPECT_EQ(FormatCurrency("1", 2000000000, 0).size(), static_cast<std::size_t>(MaxPaddedWidth));
}

TEST(FormatDecimalAndBinary, GiveHexEscapesOfTheValue) {
  EXPECT_EQ(FormatDecimal("65", 0), "x'41'");
  EXPECT_EQ(FormatDecimal("256", 4), "x'0100'");
  EXPECT_EQ(FormatDecimal("300", 0), "x'12C'");
  EXPECT_EQ(ExpandHexEscapes(FormatDecimal("300", 0)), "\x01\x2c"s);
  EXPECT_EQ(FormatDecimal("-2", 0), "x'FFFFFFFE'");
  EXPECT_EQ(FormatDecimal("-2", 10), "x'00FFFFFFFE'");
  EXPECT_EQ(FormatDecimal("abc", 2), "x'00'");
  EXPECT_EQ(FormatDecimal("99999999999", 0), "x'0'");
  EXPECT_EQ(FormatBinary("1000001", 0), "x'41'");
  EXPECT_EQ(FormatBinary("1x1", 0), "x'5'");  // a non-digit counts 0
  EXPECT_EQ(FormatBinary("12", 0), "x'4'");   // a decimal digit counts its value
  EXPECT_EQ(FormatBinary(std::string(33, '1'), 0), "x'FFFFFFFF'");  // 32-bit wrap
  EXPECT_EQ(FormatHexadecimal("0a1B"), "x'0a1B'");
}

TEST(FormatDate, UsesTheWireFormOfTheCode) {
  const TDate march5{2024, 3, 5};
  const std::string expected[] = {"050324", "05032024", "030524", "03052024",
                                  "240503", "20240503", "240305", "20240305"};
  for (int code = 0; code < 8; ++code) EXPECT_EQ(FormatDate(march5, code), expected[code]) << code;
  EXPECT_EQ(FormatDate(march5, 8), "050324");
  EXPECT_EQ(FormatDate(march5, -1), "050324");
  EXPECT_EQ(FormatDate(TDate{2007, 12, 31}, 0), "311207");
}

TEST(FormatTimeAndRepeatNumber, PadWithZeros) {
  EXPECT_EQ(FormatTime(TTimeOfDay{9, 5, 7}), "090507");
  EXPECT_EQ(FormatTime(TTimeOfDay{23, 59, 0}), "235900");
  EXPECT_EQ(AppendRepeatNumber("Item", 1), "Item001");
  EXPECT_EQ(AppendRepeatNumber("Item", 12), "Item012");
  EXPECT_EQ(AppendRepeatNumber("Item", 1234), "Item1234");
  EXPECT_EQ(AppendRepeatNumber("", 100), "100");
}

// ---- display formatting ----

TEST(BytesToInteger, BigEndianUpToFourBytes) {
  EXPECT_EQ(BytesToInteger(""), 0u);
  EXPECT_EQ(BytesToInteger("\x05"), 5u);
  EXPECT_EQ(BytesToInteger("\x01\x00"s), 256u);
  EXPECT_EQ(BytesToInteger("\xff\xff\xff\xfe"), 0xFFFFFFFEu);
  EXPECT_EQ(BytesToInteger("\x01\x02\x03\x04\x05"), 0u);
}

TEST(ShowNumbers, DecimalHexadecimalBinary) {
  EXPECT_EQ(ShowDecimal("\x01\x00"s), "256");
  EXPECT_EQ(ShowDecimal("\xff\xff\xff\xfe"), "-2");
  EXPECT_EQ(ShowDecimal("\xff"), "255");
  EXPECT_EQ(ShowDecimal(""), "0");
  EXPECT_EQ(ShowHexadecimal("\x05"), "5");
  EXPECT_EQ(ShowHexadecimal("\x01\x23"), "123");
  EXPECT_EQ(ShowHexadecimal("\x12\x34"), "1234");
  EXPECT_EQ(ShowHexadecimal("\x00\x00\x00"s), "000");
  EXPECT_EQ(ShowHexadecimal("12345"), "00000");
  EXPECT_EQ(ShowBinary("\x41"), "01000001");
  EXPECT_EQ(ShowBinary("\x80\x01"), "1000000000000001");
  EXPECT_EQ(ShowBinary("ABCDE"), std::string(40, '0'));
  EXPECT_EQ(ShowBinary(""), "");
}

TEST(ShowCurrency, InsertsThePoint) {
  EXPECT_EQ(ShowCurrency("0000001250", 2), "00000012.50");
  EXPECT_EQ(ShowCurrency("  1250 ", 2), "12.50");
  EXPECT_EQ(ShowCurrency("125", 0), "125");
  EXPECT_EQ(ShowCurrency("12", 2), "12");    // decimals not below the length: unchanged
  EXPECT_EQ(ShowCurrency("125", -1), "125");
  EXPECT_EQ(ShowCurrency("1   ", 2), ".1");  // trimmed shorter than the decimals
}

struct TShowDateCase {
  std::string Text;
  int Input;
  int Output;
  std::string Shown;
};

class ShowDateTest : public ::testing::TestWithParam<TShowDateCase> {};

TEST_P(ShowDateTest, ShowsInTheOutputForm) {
  const TShowDateCase& c = GetParam();
  EXPECT_EQ(ShowDate(c.Text, c.Input, c.Output, 2024), c.Shown) << c.Text << " " << c.Input << "->" << c.Output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShowDateTest,
    ::testing::Values(TShowDateCase{"240512", 4, 1, "05/12/2024"}, TShowDateCase{"240512", 6, 1, "12/05/2024"},
                      TShowDateCase{"311399", 0, 1, "311399"},  // month 13: unchanged
                      TShowDateCase{"231299", 0, 7, "1999/12/23"},
                      TShowDateCase{"19991223", 7, 0, "23/12/99"},
                      TShowDateCase{"20240229", 7, 3, "02/29/2024"},  // leap day
                      TShowDateCase{"20230229", 7, 3, "20230229"},    // no leap day
                      TShowDateCase{"010173", 0, 1, "01/01/2073"},    // window 1974..2073
                      TShowDateCase{"010174", 0, 1, "01/01/1974"},
                      TShowDateCase{"5/3/24", 0, 5, "2024/05/03"},    // separators already there
                      TShowDateCase{"050324", 0, 9, "05/03/24"},      // unknown output code: code 0
                      TShowDateCase{"240305", 42, 0, "05/03/24"},     // unknown input code: y m d
                      TShowDateCase{"12ab56", 0, 0, "12ab56"}, TShowDateCase{"1203", 0, 0, "1203"},
                      TShowDateCase{"", 0, 0, ""}, TShowDateCase{"1/2/3/4", 0, 0, "1/2/3/4"},
                      TShowDateCase{"2024/05/03", 7, 6, "24/05/03"}));

TEST(ShowDate, WindowFollowsTheCurrentYear) {
  EXPECT_EQ(ShowDate("010150", 0, 1, 2000), "01/01/1950");
  EXPECT_EQ(ShowDate("010149", 0, 1, 2000), "01/01/2049");
  EXPECT_EQ(ShowDate("010199", 0, 1, 2100), "01/01/2099");
  EXPECT_EQ(ShowDate("010150", 0, 1, 2100), "01/01/2050");
}

TEST(ShowTime, InsertsColons) {
  EXPECT_EQ(ShowTime("1234"), "12:34");
  EXPECT_EQ(ShowTime("123456"), "12:34:56");
  EXPECT_EQ(ShowTime("12:34"), "12:34");
  EXPECT_EQ(ShowTime("12345"), "12:34:5");
  EXPECT_EQ(ShowTime("1"), "1:");
  EXPECT_EQ(ShowTime(""), "");
}

TEST(ParseDecimalInt32, StrictSigned32Bit) {
  EXPECT_EQ(ParseDecimalInt32("0"), 0);
  EXPECT_EQ(ParseDecimalInt32("-17"), -17);
  EXPECT_EQ(ParseDecimalInt32("+17"), 17);
  EXPECT_EQ(ParseDecimalInt32("2147483647"), 2147483647);
  EXPECT_EQ(ParseDecimalInt32("-2147483648"), INT32_MIN);
  for (const char* bad : {"", "-", "+", "2147483648", "-2147483649", "1 ", " 1", "0x10", "1.0", "99999999999999999999"})
    EXPECT_FALSE(ParseDecimalInt32(bad).has_value()) << bad;
}

}  // namespace
}  // namespace quorvel::model
