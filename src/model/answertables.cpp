// SPDX-License-Identifier: MIT
#include "model/answertables.h"

#include <algorithm>
#include <utility>

#include "model/commalist.h"
#include "model/errors.h"
#include "model/textnumbers.h"

namespace quorvel::model {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A stored code read as a number, as the sort and the search by number read it.
std::optional<long> CodeNumber(std::string_view code) {
  if (!AllDigits(code) || code.size() > 9) return std::nullopt;
  return std::stol(std::string(code));
}

void CheckDescription(std::string_view description) {
  if (description.empty()) throw TEditRefused(TEditRefusal::InvalidValue, "A return code needs a description");
  if (HasLineBreak(description))
    throw TEditRefused(TEditRefusal::InvalidValue, "A return code description is one line: line breaks are refused");
}

// Refuses a row number beyond the table: "There is no <what> <n> (it has <count>)".
void CheckRow(std::size_t row, std::size_t rows, const std::string& what) {
  if (row >= rows)
    throw TEditRefused(TEditRefusal::NotFound, "There is no " + what + " " + std::to_string(row + 1) + " (it has " +
                                                   std::to_string(rows) + ")");
}

}  // namespace

// ---- return codes ----

std::string NormaliseReturnCode(std::string_view typed) {
  if (!AllDigits(typed)) throw TConvertError(std::string(typed));
  const std::size_t first = std::min(typed.find_first_not_of('0'), typed.size() - 1);
  const std::string_view digits = typed.substr(first);
  if (digits.size() > kMaxReturnCodeDigits)
    throw TEditRefused(TEditRefusal::InvalidValue, "A return code has at most " + std::to_string(kMaxReturnCodeDigits) +
                                                       " digits: " + std::string(typed));
  return std::string(digits);
}

void SortReturnCodes(std::vector<TReturnCodeEntry>& rows) {
  if (rows.size() < 2) return;
  // Every code is converted before anything moves, so a code that is not a number
  // leaves the rows as they were. A stable sort gives the same order as the
  // neighbour-swapping sort the table has always used: equal codes keep their order.
  std::vector<std::pair<long, std::size_t>> keys;
  keys.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::optional<long> number = CodeNumber(rows[i].Code);
    if (!number) throw TConvertError(rows[i].Code);
    keys.emplace_back(*number, i);
  }
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<TReturnCodeEntry> sorted;
  sorted.reserve(rows.size());
  for (const auto& key : keys) sorted.push_back(std::move(rows[key.second]));
  rows = std::move(sorted);
}

TReturnCodeTable::TReturnCodeTable(std::string fileName) : file_(std::move(fileName)) { Reload(); }

TReturnCodeTable::TReturnCodeTable(std::shared_ptr<TIniDevice> device) : file_(std::move(device)) { Reload(); }

void TReturnCodeTable::Reload() { rows_ = ReadReturnCodes(file_); }

bool TReturnCodeTable::HasCode(const std::string& code) const {
  return std::any_of(rows_.begin(), rows_.end(),
                     [&](const TReturnCodeEntry& entry) { return SameIniName(entry.Code, code); });
}

void TReturnCodeTable::Add(std::string_view code, std::string_view description) {
  const std::string normalised = NormaliseReturnCode(code);
  CheckDescription(description);
  if (HasCode(normalised)) throw TEditRefused(TEditRefusal::ReturnCodeExists, std::string(kReturnCodeExists));
  std::vector<TReturnCodeEntry> rows = rows_;
  rows.push_back({normalised, std::string(description)});
  SortReturnCodes(rows);
  Store(std::move(rows));
}

void TReturnCodeTable::Modify(std::size_t row, std::string_view code, std::string_view description) {
  CheckRow(row, rows_.size(), "return code row");
  const std::string normalised = NormaliseReturnCode(code);
  CheckDescription(description);
  if (normalised != rows_[row].Code && HasCode(normalised))
    throw TEditRefused(TEditRefusal::ReturnCodeExists, std::string(kReturnCodeExists));
  std::vector<TReturnCodeEntry> rows = rows_;
  rows[row] = {normalised, std::string(description)};
  SortReturnCodes(rows);
  Store(std::move(rows));
}

void TReturnCodeTable::Remove(std::size_t row) {
  CheckRow(row, rows_.size(), "return code row");
  std::vector<TReturnCodeEntry> rows = rows_;
  rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
  Store(std::move(rows));
}

std::optional<std::size_t> TReturnCodeTable::Find(std::string_view code) const {
  const std::optional<long> wanted = CodeNumber(code);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const std::optional<long> number = CodeNumber(rows_[i].Code);
    if (wanted && number ? *wanted == *number : SameIniName(rows_[i].Code, code)) return i;
  }
  return std::nullopt;
}

void TReturnCodeTable::Store(std::vector<TReturnCodeEntry> rows) {
  WriteReturnCodes(file_, rows);
  rows_ = std::move(rows);
}

// ---- fixed answers ----

std::string PadHexWord(std::string_view typed) {
  std::string word(typed);
  if (!word.empty() && word.size() < 4) word.insert(0, 4 - word.size(), '0');
  return word;
}

TFixedAnswerRow MakeFixedAnswerRow(std::string_view panel, std::string_view mask, std::string_view result,
                                   std::string_view text, TColor color) {
  const std::optional<std::int32_t> panelNumber =
      AllDigits(panel) && panel.size() <= 2 ? ParseDecimalInt32(panel) : std::nullopt;
  if (!panelNumber || *panelNumber < 1 || *panelNumber > kMaxStatusPanels)
    throw TEditRefused(TEditRefusal::InvalidValue, "The panel number must be 1 to 16: " + std::string(panel));
  const auto checkHex = [](std::string_view value, const char* name) {
    if (value.empty() || value.size() > 4 || !ParseHexDigits(value, 0xFFFF))
      throw TEditRefused(TEditRefusal::InvalidValue,
                         std::string("The ") + name + " must be 1 to 4 hexadecimal digits: " + std::string(value));
  };
  checkHex(mask, "mask");
  checkHex(result, "result");
  if (text.empty()) throw TEditRefused(TEditRefusal::InvalidValue, "The text on true cannot be empty");
  if (text.size() > kMaxFixedAnswerText)
    throw TEditRefused(TEditRefusal::InvalidValue, "The text on true has at most 25 characters: " + std::string(text));
  if (HasLineBreak(text))
    throw TEditRefused(TEditRefusal::InvalidValue, "The text on true is one line: line breaks are refused");
  return TFixedAnswerRow{std::to_string(*panelNumber), PadHexWord(mask), PadHexWord(result), std::string(text),
                         ColorToString(color)};
}

std::vector<TFixedAnswerRow> ReadFixedAnswerRows(const TIniFile& file, std::string_view section) {
  std::vector<TFixedAnswerRow> rows;
  for (const std::string& line : file.ReadSectionLines(section)) {
    std::vector<std::string> items = DecodeCommaList(line);
    items.resize(std::max<std::size_t>(items.size(), 6));
    rows.push_back(
        {std::move(items[1]), std::move(items[2]), std::move(items[3]), std::move(items[4]), std::move(items[5])});
  }
  return rows;
}

TFixedAnswerSection::TFixedAnswerSection(std::string fileName, std::string section)
    : file_(std::move(fileName)), section_(std::move(section)) {
  Reload();
}

TFixedAnswerSection::TFixedAnswerSection(std::shared_ptr<TIniDevice> device, std::string section)
    : file_(std::move(device)), section_(std::move(section)) {
  Reload();
}

std::string TFixedAnswerSection::RowName() const { return "record in [" + section_ + "], number"; }

const TFixedAnswerRow& TFixedAnswerSection::Row(std::size_t index) const {
  CheckRow(index, rows_.size(), RowName());
  return rows_[index];
}

void TFixedAnswerSection::Reload() { rows_ = ReadFixedAnswerRows(file_, section_); }

void TFixedAnswerSection::Add(const TFixedAnswerRow& row) {
  std::vector<TFixedAnswerRow> rows = rows_;
  rows.push_back(row);
  Store(std::move(rows));
}

void TFixedAnswerSection::Modify(std::size_t index, const TFixedAnswerRow& row) {
  CheckRow(index, rows_.size(), RowName());
  std::vector<TFixedAnswerRow> rows = rows_;
  rows[index] = row;
  Store(std::move(rows));
}

void TFixedAnswerSection::Remove(std::size_t index) {
  CheckRow(index, rows_.size(), RowName());
  std::vector<TFixedAnswerRow> rows = rows_;
  rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(index));
  Store(std::move(rows));
}

void TFixedAnswerSection::Store(std::vector<TFixedAnswerRow> rows) {
  WriteFixedAnswerRows(file_, section_, rows);
  rows_ = std::move(rows);
}

}  // namespace quorvel::model
