// SPDX-License-Identifier: MIT
#pragma once
// The return-code table and the two fixed-answer tables as their editors and
// quorvel-cli change them: one table in memory, read from the terminal file in file
// order, and every change written back at once as one replacement of the file.
//
// Every change first builds the new table, then writes it; when anything refuses (a
// rule below, a stored number that is not a number, a write the file system refuses)
// it throws (TEditRefused for a rule, with the text to show), and both the table in
// memory and the file stay as they were.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/colors.h"
#include "model/extinifile.h"
#include "model/fileedit.h"
#include "model/terminalfile.h"

namespace quorvel::model {

// ---- return codes ----

inline constexpr std::string_view kReturnCodeExists = "The return codes already exits !!!";
inline constexpr std::size_t kMaxReturnCodeDigits = 5;

// A typed code in its stored form: the digits read as a number and written back in
// decimal ("007" -> "7"). Throws TConvertError when the text is not digits only, and
// TEditRefused when the number has more than five digits.
std::string NormaliseReturnCode(std::string_view typed);

// Sorts by the numeric value of the codes, ascending; equal codes keep their order.
// With more than one entry every code must be a number: the first that is not throws
// TConvertError and the rows are left unchanged.
void SortReturnCodes(std::vector<TReturnCodeEntry>& rows);

class TReturnCodeTable {
 public:
  explicit TReturnCodeTable(std::string fileName);
  explicit TReturnCodeTable(std::shared_ptr<TIniDevice> device);

  // The entries, in file order until the first Add or Modify sorts them.
  const std::vector<TReturnCodeEntry>& Rows() const { return rows_; }
  void Reload();

  // Adds the normalised code with its description, sorts, writes. Refuses a code
  // that already has an entry (kReturnCodeExists), an empty description or one with
  // a line break.
  void Add(std::string_view code, std::string_view description);
  // Puts the normalised code and the description into the row, sorts, writes. A new
  // code that another entry already has is refused as in Add.
  void Modify(std::size_t row, std::string_view code, std::string_view description);
  // Drops the row; the others keep their order. The last one gone, no section is left.
  void Remove(std::size_t row);

  // The row of a code as a user names it: by its number, so "010" finds RC10; a
  // stored code that is not a number is found as written. nullopt when none.
  std::optional<std::size_t> Find(std::string_view code) const;

 private:
  void Store(std::vector<TReturnCodeEntry> rows);
  bool HasCode(const std::string& code) const;

  TIniFile file_;
  std::vector<TReturnCodeEntry> rows_;
};

// ---- fixed answers ----

inline constexpr std::size_t kMaxFixedAnswerText = 25;

// A mask or result of 1 to 3 characters with "0" in front up to 4; letters keep their
// case ("a" -> "000a"). Longer or empty texts come back unchanged.
std::string PadHexWord(std::string_view typed);

// A record from typed values, checked as the record dialog checks them: panel 1 to
// 16, mask and result 1 to 4 hexadecimal digits (padded), a text of 1 to 25
// characters on one line. Throws TEditRefused naming the value that is wrong.
TFixedAnswerRow MakeFixedAnswerRow(std::string_view panel, std::string_view mask, std::string_view result,
                                   std::string_view text, TColor color);

// The record lines of a section split as comma lists: items 2 to 6 of each line
// (key, "=" and value) are its cells. A line with fewer items gets empty cells.
std::vector<TFixedAnswerRow> ReadFixedAnswerRows(const TIniFile& file, std::string_view section);

class TFixedAnswerSection {
 public:
  TFixedAnswerSection(std::string fileName, std::string section);
  TFixedAnswerSection(std::shared_ptr<TIniDevice> device, std::string section);

  const std::string& Section() const { return section_; }
  const std::vector<TFixedAnswerRow>& Rows() const { return rows_; }
  // The row at index; throws TEditRefused when there is none.
  const TFixedAnswerRow& Row(std::size_t index) const;
  void Reload();

  // Each writes the whole section anew, keys "Record1", "Record2", ... in row order;
  // a section without records disappears from the file.
  void Add(const TFixedAnswerRow& row);
  void Modify(std::size_t index, const TFixedAnswerRow& row);
  void Remove(std::size_t index);

 private:
  void Store(std::vector<TFixedAnswerRow> rows);
  std::string RowName() const;

  TIniFile file_;
  std::string section_;
  std::vector<TFixedAnswerRow> rows_;
};

}  // namespace quorvel::model
