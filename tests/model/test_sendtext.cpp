// SPDX-License-Identifier: MIT
// Wire texts of command fields as Send and Repeat hand them to the controls.
#include <gtest/gtest.h>

#include "model/sendtext.h"

namespace quorvel::model {
namespace {

TCommandField FieldOf(int textType, int controlType = kControlSimple, int minLength = 0, int decimals = 0,
                   bool autoIncrement = false) {
  TCommandField field;
  field.TextType = textType;
  field.ControlType = controlType;
  field.MinLength = minLength;
  field.Decimals = decimals;
  field.AutoIncrement = autoIncrement;
  return field;
}

TFieldEntry Text(const std::string& text) { return TFieldEntry{text, {}, {}}; }

struct TWireCase {
  const char* name;
  TCommandField field;
  TFieldEntry entry;
  int inputDateFormat;
  int repetition;
  std::string bytes;  // after escape expansion
};

TEST(SendText, EachTextTypeAndControlTypeGivesItsBytes) {
  const TFieldEntry dated{"ignored", TDate{2024, 3, 5}, TTimeOfDay{9, 5, 7}};
  const TWireCase cases[] = {
      {"currency", FieldOf(kTextCurrency, kControlSimple, 10, 2), Text("12,5"), 0, 0, "0000001250"},
      {"escaped alphanumeric", FieldOf(kTextAlphaNumeric), Text("x'1B'A"), 0, 0, std::string("\x1B" "A")},
      {"decimal", FieldOf(kTextDecimal, kControlSimple, 4), Text("256"), 0, 0, std::string("\x01\x00", 2)},
      {"hexa", FieldOf(kTextHexa), Text("4142"), 0, 0, "AB"},
      {"binary", FieldOf(kTextBinary), Text("1000001"), 0, 0, "A"},
      {"numeric unchanged", FieldOf(kTextNumeric), Text("0042"), 0, 0, "0042"},
      {"boolean unchanged", FieldOf(kTextBoolean), Text("S"), 0, 0, "S"},
      {"date control, code 3", FieldOf(kTextAlphaNumeric, kControlDate), dated, 3, 0, "03052024"},
      {"date control ignores the text type", FieldOf(kTextCurrency, kControlDate, 10, 2), dated, 6, 0, "240305"},
      {"time control", FieldOf(kTextTime, kControlTime), dated, 0, 0, "090507"},
      {"date text type in a text control", FieldOf(kTextDate), Text("050324"), 0, 0, "050324"},
      {"drop-down list text formatted", FieldOf(kTextCurrency, kControlDropDownList, 6, 2), Text(",5"), 0, 0, "000050"},
      {"autoincrement in Repeat", FieldOf(kTextAlphaNumeric, kControlSimple, 0, 0, true), Text("TKT"), 0, 2, "TKT002"},
      {"autoincrement not in Send", FieldOf(kTextAlphaNumeric, kControlSimple, 0, 0, true), Text("TKT"), 0, 0, "TKT"},
      {"autoincrement only for AlphaNumeric", FieldOf(kTextNumeric, kControlSimple, 0, 0, true), Text("12"), 0, 3, "12"},
      {"no autoincrement flag", FieldOf(kTextAlphaNumeric), Text("TKT"), 0, 3, "TKT"},
      {"repetition over 999", FieldOf(kTextAlphaNumeric, kControlSimple, 0, 0, true), Text("N"), 0, 1234, "N1234"},
  };
  for (const auto& c : cases) {
    const TWireFields wire = BuildWireFields({c.field}, {c.entry}, c.inputDateFormat, c.repetition);
    ASSERT_FALSE(wire.badField) << c.name;
    ASSERT_EQ(wire.fields.size(), 1u) << c.name;
    EXPECT_EQ(wire.fields[0], c.bytes) << c.name;
  }
}

TEST(SendText, BadEscapeStopsAtItsFieldAndKeepsTheEarlierOnes) {
  const TWireFields wire = BuildWireFields({FieldOf(kTextAlphaNumeric), FieldOf(kTextAlphaNumeric), FieldOf(kTextAlphaNumeric)},
                                           {Text("ok"), Text("x'4G'"), Text("never")}, 0);
  ASSERT_TRUE(wire.badField);
  EXPECT_EQ(*wire.badField, 1u);
  EXPECT_EQ(wire.fields, std::vector<std::string>{"ok"});
}

TEST(SendText, HexaFieldWithNonHexDigitsIsBadInput) {
  // The Hexa text is enclosed as x'..' first, so a stray letter fails the expansion.
  const TWireFields wire = BuildWireFields({FieldOf(kTextHexa)}, {Text("4Z")}, 0);
  ASSERT_TRUE(wire.badField);
  EXPECT_EQ(*wire.badField, 0u);
}

TEST(SendText, DgiFieldsAreJoinedIntoOneText) {
  const TWireFields wire = BuildWireFields({FieldOf(kTextAlpha), FieldOf(kTextNumeric)}, {Text("AB"), Text("12")}, 0);
  EXPECT_EQ(DgiFrameText(wire.fields), "AB12");
  EXPECT_EQ(DgiFrameText({}), "");
}

TEST(SendText, RepeatCountAnswers) {
  const struct {
    const char* answer;
    int count;
    bool valid;
  } cases[] = {{"3", 3, true},       {" 12 ", 12, true}, {"9999", 9999, true}, {"1", 1, true},
               {"0", 0, false},      {"-5", -5, false},  {"10000", 10000, false}, {"abc", 0, false},
               {"", 0, false},       {"3x", 0, false},   {"99999999999", 0, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(ParseRepeatCount(c.answer), c.count) << c.answer;
    EXPECT_EQ(IsRepeatCountValid(ParseRepeatCount(c.answer)), c.valid) << c.answer;
  }
}

TEST(SendText, CommandLineDatesAndTimes) {
  EXPECT_EQ(ParseIsoDate("2024-03-05"), (TDate{2024, 3, 5}));
  EXPECT_EQ(ParseIsoDate("2024-02-29"), (TDate{2024, 2, 29}));
  for (const char* bad : {"2023-02-29", "2024-13-01", "2024-00-10", "2024-3-5", "20240305", "2024-03-05x", ""})
    EXPECT_FALSE(ParseIsoDate(bad)) << bad;
  EXPECT_EQ(ParseIsoTime("09:05:07"), (TTimeOfDay{9, 5, 7}));
  EXPECT_EQ(ParseIsoTime("23:59:59"), (TTimeOfDay{23, 59, 59}));
  for (const char* bad : {"24:00:00", "12:60:00", "12:00:60", "9:05:07", "090507", ""})
    EXPECT_FALSE(ParseIsoTime(bad)) << bad;
}

}  // namespace
}  // namespace quorvel::model
