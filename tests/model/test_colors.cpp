// SPDX-License-Identifier: MIT
// Colour names and numbers in both directions.
#include <gtest/gtest.h>

#include "model/colors.h"
#include "model/errors.h"

namespace quorvel::model {
namespace {

TEST(ColorsTest, ReadsNamesWithoutRegardToCaseAndNumbers) {
  struct Case {
    const char* text;
    TColor expected;
  };
  const Case cases[] = {
      {"clRed", 0x0000FF},        {"clgreen", 0x008000},          {"CLBLUE", 0xFF0000},
      {"clSilver", 0xC0C0C0},     {"clNone", 0x1FFFFFFF},         {"clScrollBar", 0x80000000},
      {"clBtnFace", 0x8000000F},  {"clInfoBk", 0x80000018},       {"cl3DDkShadow", 0x80000015},
      {"$00123456", 0x123456},    {"$ff", 0xFF},                  {"$80000005", 0x80000005},
      {"255", 255},               {"0", 0},                       {"-2147483643", 0x80000005},
      {"4294967295", 0xFFFFFFFF},
  };
  for (const Case& c : cases) EXPECT_EQ(StringToColor(c.text), c.expected) << c.text;
}

TEST(ColorsTest, UnknownTextStopsTheReading) {
  for (const char* text : {"clPink", "", "$", "$123456789", "$12G", "12a", "red", " clRed", "4294967296", "-"}) {
    try {
      StringToColor(text);
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const TConvertError& error) {
      EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid integer value");
      EXPECT_EQ(error.Text(), text);
    }
  }
}

TEST(ColorsTest, WritesNamesWhereTheyExistElseEightHexDigits) {
  EXPECT_EQ(ColorToString(0x0000FF), "clRed");
  EXPECT_EQ(ColorToString(clNone), "clNone");
  EXPECT_EQ(ColorToString(0x80000018), "clInfoBk");
  EXPECT_EQ(ColorToString(0x00123456), "$00123456");
  EXPECT_EQ(ColorToString(0x8000ABCD), "$8000ABCD");
  for (const TColorName& entry : ColorNames()) {
    EXPECT_EQ(ColorToString(entry.Value), entry.Name);
    EXPECT_EQ(StringToColor(ColorToString(entry.Value)), entry.Value);
  }
}

TEST(ColorsTest, NameTables) {
  EXPECT_EQ(ColorNames().size(), 17u + 25u);
  ASSERT_EQ(StandardColors().size(), 16u);
  EXPECT_EQ(StandardColors().front().Name, "clBlack");
  EXPECT_EQ(StandardColors().back().Name, "clWhite");
  TColor color = 0;
  EXPECT_TRUE(IdentToColor("clyellow", color));
  EXPECT_EQ(color, 0x00FFFFu);
  EXPECT_FALSE(IdentToColor("$00FFFF", color));
}

}  // namespace
}  // namespace quorvel::model
