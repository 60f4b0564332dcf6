// SPDX-License-Identifier: MIT
#include "model/inputfilter.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvel::model {
namespace {

// Types a string key by key into an empty control, as the widget would: each
// key goes through the filter, then the whole text through the change check.
std::string Type(TFldType type, const std::string& keys) {
  std::string text;
  for (unsigned char key : keys) {
    const std::optional<char32_t> inserted = FilterKey(type, key, text);
    if (!inserted) continue;
    text += static_cast<char>(*inserted);
    if (!TextFits(type, text)) text.clear();
  }
  return text;
}

struct TTypingCase {
  TFldType Type;
  std::string Keys;
  std::string Text;
};

class TypingTest : public ::testing::TestWithParam<TTypingCase> {};

TEST_P(TypingTest, GivesTheText) {
  EXPECT_EQ(Type(GetParam().Type, GetParam().Keys), GetParam().Text) << GetParam().Keys;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypingTest,
    ::testing::Values(TTypingCase{ftdCurrency, "1,5", "1,5"}, TTypingCase{ftdCurrency, "1,5.,7", "1,57"},
                      TTypingCase{ftdCurrency, "1.5,", "1.5"}, TTypingCase{ftdCurrency, "12a", "12"},
                      TTypingCase{ftdHexadecimal, "a", "A"}, TTypingCase{ftdHexadecimal, "g", ""},
                      TTypingCase{ftdHexadecimal, "0fF9", "0FF9"}, TTypingCase{ftdBool, "s", "S"},
                      TTypingCase{ftdBool, "nyx", "NY"}, TTypingCase{ftdAlpha, "ab1Z", "abZ"},
                      TTypingCase{ftdNumerical, "1a2", "12"}, TTypingCase{ftdDecimal, "-5", "5"},
                      TTypingCase{ftdBinary, "1021", "101"}, TTypingCase{ftdAlphaNumeric, "a 1,!~", "a 1,!~"},
                      TTypingCase{static_cast<TFldType>(8), "12/5", "12/5"},
                      TTypingCase{static_cast<TFldType>(9), "1:2", "1:2"},
                      // an accented letter passes the key filter, then the check empties the text
                      TTypingCase{ftdAlpha, "ab\xe9", ""}, TTypingCase{ftdAlphaNumeric, "ab\xe9", "ab\xe9"}));

TEST(FilterKey, ControlKeysAndHighCodesPassUnchanged) {
  for (TFldType type : {ftdAlpha, ftdCurrency, ftdNumerical, ftdHexadecimal, ftdBinary, ftdBool}) {
    for (char32_t key : {U'\b', U'\r', U'\x1b', U'\x16', U'\x18', U'\xe9', U'\x20ac'})
      EXPECT_EQ(FilterKey(type, key, "1,"), key) << type << " " << static_cast<unsigned>(key);
  }
  EXPECT_EQ(FilterKey(ftdAlpha, 127, ""), std::nullopt);
}

TEST(TextFits, ChangeCheckPerType) {
  EXPECT_TRUE(TextFits(ftdCurrency, "1.2.3"));  // any number of separators when pasted
  EXPECT_FALSE(TextFits(ftdNumerical, "12a"));
  EXPECT_TRUE(TextFits(ftdHexadecimal, "abCD09"));
  EXPECT_TRUE(TextFits(ftdBool, "sNy"));
  EXPECT_FALSE(TextFits(ftdBool, "T"));
  EXPECT_FALSE(TextFits(ftdBinary, "012"));
  EXPECT_FALSE(TextFits(ftdAlpha, "a b"));
  EXPECT_TRUE(TextFits(ftdAlpha, ""));
  EXPECT_TRUE(TextFits(static_cast<TFldType>(42), "anything \x01"));
}

TEST(ImpliedMaxLength, OnlyBooleanIsLimited) {
  EXPECT_EQ(ImpliedMaxLength(ftdBool), 1);
  EXPECT_EQ(ImpliedMaxLength(ftdAlphaNumeric), 0);
  EXPECT_EQ(ImpliedMaxLength(ftdHexadecimal), 0);
}

}  // namespace
}  // namespace quorvel::model

namespace quorvel::model {
namespace {

// The command line types a value into a field as the user would: what the control
// would swallow, or cut at its maximum length, is refused with the rule it breaks.
TEST(TypeIntoControl, HoldsWhatTypingGivesOrNamesTheRule) {
  const struct {
    TFldType type;
    int maxLength;
    std::string text;
    std::optional<std::string> held;
    std::string rule;
  } cases[] = {
      {ftdCurrency, 0, "12,5", "12,5", ""},
      {ftdCurrency, 0, "1.2.3", std::nullopt, "digits and at most one \".\" or \",\""},
      {ftdCurrency, 0, "1.2,3", std::nullopt, "digits and at most one \".\" or \",\""},
      {ftdHexadecimal, 0, "1bf", "1BF", ""},
      {ftdHexadecimal, 0, "1g", std::nullopt, "hexadecimal digits only"},
      {ftdBool, 0, "y", "Y", ""},
      {ftdNumerical, 3, "123", "123", ""},
      {ftdNumerical, 3, "1234", std::nullopt, "at most 3 characters"},
      {ftdNumerical, 0, "12a", std::nullopt, "digits only"},
      {ftdAlpha, 0, "ab\xe9", std::nullopt, "letters A-Z and a-z only"},  // passes the key, not the change check
      {ftdAlphaNumeric, 0, "x'1B'A \xe9", "x'1B'A \xe9", ""},
      {ftdBinary, 0, "", "", ""},
  };
  for (const auto& c : cases) {
    std::string rule;
    EXPECT_EQ(TypeIntoControl(c.type, c.maxLength, c.text, rule), c.held) << c.text;
    EXPECT_EQ(rule, c.rule) << c.text;
  }
}

}  // namespace
}  // namespace quorvel::model
