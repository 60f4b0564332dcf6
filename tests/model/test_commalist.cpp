// SPDX-License-Identifier: MIT
// Comma lists: the decoder and encoder, and quoted record texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

#include "model/commalist.h"

namespace quorvel::model {
namespace {

using Items = std::vector<std::string>;

TEST(CommaListTest, Decode) {
  struct Case {
    std::string text;
    Items expected;
  };
  const Case cases[] = {
      {"", {}},
      {"   ", {}},
      {"a", {"a"}},
      {"1,,3", {"1", "", "3"}},
      {"1,2,", {"1", "2"}},
      {"a,", {"a"}},
      {"a b", {"a", "b"}},
      {"  a ,  b  ", {"a", "b"}},
      {"0,\"Cap\",\"a,b\",3", {"0", "Cap", "a,b", "3"}},  // a quoted comma stays inside
      {"\"with blank\",x", {"with blank", "x"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"\"\"", {""}},
      {"\"\",\"\"", {"", ""}},
      {"\"unterminated, item", {"unterminated, item"}},
      {"\"a\"b", {"a", "b"}},
      {"a\"b", {"a\"b"}},
      {"x\ty", {"x", "y"}},
      {",a", {"", "a"}},
      {std::string("a,b\0,c", 6), {"a", "b"}},  // NUL ends the text
      {"\xE9t\xE9,\xFF", {"\xE9t\xE9", "\xFF"}},   // bytes above 127 are ordinary
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeCommaList(c.text), c.expected) << c.text;
}

// A bounded decoding keeps the first items as the whole decoding gives them and counts
// the rest, so that a huge stored value costs no more than the items the model holds.
TEST(CommaListTest, BoundedDecodeKeepsTheFirstItemsAndCountsAll) {
  const std::string text = "a,\"b,\"\"c\",,d e,\"\"";
  const std::vector<std::string> all = DecodeCommaList(text);
  for (std::size_t limit = 0; limit <= all.size() + 1; ++limit) {
    std::size_t count = 99;
    const auto kept = DecodeCommaList(text, limit, count);
    EXPECT_EQ(count, all.size());
    EXPECT_EQ(kept, std::vector<std::string>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(limit, all.size()))));
  }
}

TEST(CommaListTest, Encode) {
  struct Case {
    Items items;
    std::string expected;
  };
  const Case cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"a", "b", "c"}, "a,b,c"},
      {{"a b", "c,d", "e\"f"}, "\"a b\",\"c,d\",\"e\"\"f\""},
      {{"tab\there"}, "\"tab\there\""},
      {{"a", ""}, "a,\"\""},  // a trailing empty item survives the round trip
      {{"a", "", ""}, "a,,\"\""},
      {{"", "b"}, ",b"},
      {{"\xE9t\xE9"}, "\xE9t\xE9"},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeCommaList(c.items), c.expected);
}

TEST(CommaListTest, EncodedListsDecodeBack) {
  const Items lists[] = {
      {"1", "2", "3"},
      {"one item"},
      {""},
      {"a", "", "b"},
      {"a", ""},
      {"", ""},
      {"quote \" inside", "comma, inside", " lead", "trail "},
      {"\x01\x1F", "x"},
  };
  for (const Items& items : lists) EXPECT_EQ(DecodeCommaList(EncodeCommaList(items)), items);
}

TEST(CommaListTest, QuotedRecordTextsStayWhole) {
  EXPECT_EQ(QuoteRecordText("Message1"), "\"Message1\"");
  EXPECT_EQ(QuoteRecordText(""), "\"\"");
  const std::string record = "1," + QuoteRecordText("Paper \"low\", soon") + ",clRed";
  EXPECT_EQ(DecodeCommaList(record), (Items{"1", "Paper \"low\", soon", "clRed"}));
}

}  // namespace
}  // namespace quorvel::model
