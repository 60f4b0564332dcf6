// SPDX-License-Identifier: MIT
#include "model/convert.h"

#include <gtest/gtest.h>

namespace quorvel::model {
namespace {

TEST(TextTypeNames, RoundTripAndFallbacks) {
  for (int code = 0; code <= 9; ++code) EXPECT_EQ(TextTypeFromName(TextTypeName(code)), code) << code;
  EXPECT_EQ(TextTypeName(5), "Hexa");
  EXPECT_EQ(TextTypeFromName("hexa"), 9);  // letter case counts
  EXPECT_EQ(TextTypeFromName(""), 9);
  EXPECT_EQ(TextTypeName(10), "AlphaNumeric");
  EXPECT_EQ(TextTypeName(-1), "AlphaNumeric");
}

TEST(ControlTypeNames, RoundTripAndFallbacks) {
  for (int code = 0; code <= 4; ++code) EXPECT_EQ(ControlTypeFromName(ControlTypeName(code)), code) << code;
  EXPECT_EQ(ControlTypeFromName("Date"), 3);  // its own table, not text type 8
  EXPECT_EQ(TextTypeFromName("Date"), 8);
  EXPECT_EQ(ControlTypeFromName("simple"), 4);
  EXPECT_EQ(ControlTypeName(5), "Simple");
}

TEST(ModeAndYesNo, OnlyTheExactNameCounts) {
  EXPECT_EQ(ModeFromName("Host"), 0);
  EXPECT_EQ(ModeFromName("Fiscal"), 1);
  EXPECT_EQ(ModeFromName("host"), 1);
  EXPECT_EQ(ModeName(0), "Host");
  EXPECT_EQ(ModeName(1), "Fiscal");
  EXPECT_EQ(ModeName(7), "Fiscal");
  EXPECT_EQ(YesNoFromName("Yes"), 1);
  EXPECT_EQ(YesNoFromName("yes"), 0);
  EXPECT_EQ(YesNoName(1), "Yes");
  EXPECT_EQ(YesNoName(2), "No");
  EXPECT_EQ(YesNoName(0), "No");
}

TEST(DateFormatNames, EightCodes) {
  ASSERT_EQ(DateFormatNames().size(), 8u);
  EXPECT_EQ(DateFormatName(0), "ddmmyy");
  EXPECT_EQ(DateFormatName(7), "yyyymmdd");
  EXPECT_EQ(DateFormatName(8), "ddmmyy");
  EXPECT_EQ(DateFormatFromName("yyddmm"), 4);
  EXPECT_EQ(DateFormatFromName("YYDDMM"), -1);
}

}  // namespace
}  // namespace quorvel::model
