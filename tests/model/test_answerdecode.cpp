// SPDX-License-Identifier: MIT
// Status words decoded by the fixed-answer records, and the rows of one host answer.
#include <gtest/gtest.h>

#include "model/answerdecode.h"
#include "model/sendtext.h"

namespace quorvel::model {
namespace {

TFixedAnswerTable Table(std::vector<TFixedAnswer> records) {
  TFixedAnswerTable table;
  table.Records = std::move(records);
  return table;
}

TEST(AnswerDecode, LaterMatchingRecordWinsItsPanel) {
  const auto table = Table({{1, 0x0200, 0x0200, "Memory full", clRed}, {1, 0x0400, 0x0400, "Memory almost full", clGreen}});
  const auto panels = DecodeStatusWord(table, 0x0600);
  ASSERT_EQ(panels.size(), 1u);
  EXPECT_EQ(panels[0], (TPanelText{true, "Memory almost full", clGreen}));
  EXPECT_EQ(StatusCaption("Fiscal answer = ", 0x0600), "Fiscal answer = 0600");
  // Only the first record matches 0x0200.
  EXPECT_EQ(DecodeStatusWord(table, 0x0200)[0].text, "Memory full");
}

TEST(AnswerDecode, MaskAndResultRules) {
  const struct {
    std::uint16_t mask, result, word;
    bool matches;
  } cases[] = {
      {0x0000, 0x0000, 0x1234, true},   // always matches
      {0x0000, 0x0001, 0x0001, false},  // never matches
      {0xFF11, 0x0011, 0x0011, true},   {0xFF11, 0x0011, 0x0111, false},
      {0x8000, 0x8000, 0xFFFF, true},   // the word is unsigned 16-bit
      {0x8000, 0x0000, 0x7FFF, true},
  };
  for (const auto& c : cases) {
    const auto panels = DecodeStatusWord(Table({{1, c.mask, c.result, "T", clBlue}}), c.word);
    EXPECT_EQ(panels.at(0).matched, c.matches) << std::hex << c.mask << " " << c.result << " " << c.word;
  }
}

TEST(AnswerDecode, PanelsWithoutRecordStayEmptyAndCountIsBounded) {
  const auto panels = DecodeStatusWord(Table({{2, 0, 0, "two", clRed}, {5, 0, 0, "five", clRed}}), 0);
  ASSERT_EQ(panels.size(), 5u);
  for (int empty : {0, 2, 3}) EXPECT_FALSE(panels[static_cast<std::size_t>(empty)].matched);
  EXPECT_EQ(panels[1].text, "two");
  EXPECT_EQ(panels[4].text, "five");

  // A hand-made table beyond the page's bounds: no more than 70 panels; records whose
  // panel is 0, negative or beyond the panels are passed over.
  TFixedAnswerTable wild;
  wild.Records = {{0, 0, 0, "zero", clRed}, {-3, 0, 0, "neg", clRed}, {500, 0, 0, "far", clRed}, {70, 0, 0, "last", clRed}};
  const auto bounded = DecodeStatusWord(wild, 0);
  ASSERT_EQ(bounded.size(), 70u);
  EXPECT_EQ(bounded[69].text, "last");
  EXPECT_EQ(std::count_if(bounded.begin(), bounded.end(), [](const TPanelText& p) { return p.matched; }), 1);
  EXPECT_TRUE(DecodeStatusWord(TFixedAnswerTable{}, 0xFFFF).empty());
}

TEST(AnswerDecode, CompatibleRowsCaptionsThenRawFields) {
  const std::vector<TAnswerField> fields = {{"Total", kTextCurrency, 2}, {"Count", kTextDecimal, 0}};
  const auto rows = BuildAnswerRows({"0000001250", std::string("\x01\x00", 2), "raw"}, fields, TAnswerContext{});
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].caption, "Total");
  EXPECT_EQ(rows[0].value, "00000012.50");
  EXPECT_EQ(rows[1].caption, "Count");
  EXPECT_EQ(rows[1].value, "256");
  EXPECT_EQ(rows[2].caption, "Field2");
  EXPECT_EQ(rows[2].value, "raw");
  EXPECT_TRUE(rows[2].maroon);
  EXPECT_FALSE(rows[0].maroon);
}

TEST(AnswerDecode, ValuesShownByTheirRecordType) {
  TAnswerContext context;
  context.inputDateFormat = 4;
  context.outputDateFormat = 1;
  context.currentYear = 2024;
  const struct {
    TAnswerField field;
    std::string value, shown;
  } cases[] = {
      {{"c", kTextCurrency, 2}, "0000001250", "00000012.50"},
      {{"d", kTextDecimal, 0}, "\xFF\xFF\xFF\xFE", "-2"},
      {{"h", kTextHexa, 0}, "\x01\x23", "123"},
      {{"b", kTextBinary, 0}, "A", "01000001"},
      {{"date", kTextDate, 0}, "240512", "05/12/2024"},
      {{"bad date", kTextDate, 0}, "241399", "241399"},
      {{"time", kTextTime, 0}, "123456", "12:34:56"},
      {{"alpha", kTextAlpha, 0}, "x'41'", "x'41'"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShowAnswerValue(c.field, c.value, context), c.shown) << c.field.Caption;
}

TEST(AnswerDecode, ExtendedRowsWithAndWithoutReservedFields) {
  TAnswerContext context;
  context.extended = true;
  context.returnCode = 33;
  context.returnCodeDescription = "Command invalid";
  for (bool showReserved : {false, true}) {
    context.showReserved = showReserved;
    const auto rows = BuildAnswerRows({"v0", "v1"}, {{"First", kTextAlphaNumeric, 0}}, context);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].visible, showReserved);
    EXPECT_EQ(rows[2].visible, showReserved);
    EXPECT_EQ(rows[0].caption, "Reserved");
    EXPECT_EQ(rows[0].value, "");
    EXPECT_EQ(rows[1].caption, "Return code");
    EXPECT_EQ(rows[1].value, "33");
    EXPECT_EQ(rows[1].hint, "(0021) Command invalid");
    EXPECT_EQ(rows[3].caption, "First");  // the first record is answer field index 0
    EXPECT_EQ(rows[4].caption, "Field4");  // raw captions count every row
  }
  context.returnCode = 0xFFFF;
  context.returnCodeDescription.clear();
  const auto noValues = BuildAnswerRows({}, {}, context);
  ASSERT_EQ(noValues.size(), 3u);
  EXPECT_EQ(noValues[1].value, "65535");
  EXPECT_EQ(noValues[1].hint, "(FFFF) ");
}

TEST(AnswerDecode, RowsAreBoundedAtSeventy) {
  const std::vector<std::string> many(200, "x");
  EXPECT_EQ(BuildAnswerRows(many, {}, TAnswerContext{}).size(), 70u);
  TAnswerContext extended;
  extended.extended = true;
  const auto rows = BuildAnswerRows(many, {}, extended);
  ASSERT_EQ(rows.size(), 70u);
  EXPECT_EQ(rows.back().caption, "Field69");
}

}  // namespace
}  // namespace quorvel::model
