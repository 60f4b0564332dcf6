// SPDX-License-Identifier: MIT
#pragma once
// Comma lists: several items stored in one INI value.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::model {

// Items joined with ","; an item holding a byte of code 32 or below, a double quote or
// a comma is put between double quotes with inner quotes doubled. A list of exactly one
// empty item is written as "" and an empty list as the empty text.
std::string EncodeCommaList(const std::vector<std::string>& items);

// The reverse: blanks and control bytes between items are skipped, a quoted item runs
// to the next quote that is not doubled, any other item to the first byte of code 32
// or below or the first comma. A NUL byte ends the text.
std::vector<std::string> DecodeCommaList(std::string_view text);
// The same, keeping only the first maxItems items; `count` gets the number of items
// the whole text holds. A value of any length then costs no more than maxItems items.
std::vector<std::string> DecodeCommaList(std::string_view text, std::size_t maxItems, std::size_t& count);

// A text value of a record line (fixed-answer records, field records): put between
// double quotes; a double quote inside is doubled, so that DecodeCommaList gives the
// text back whole instead of splitting the record.
std::string QuoteRecordText(std::string_view text);

}  // namespace quorvel::model
