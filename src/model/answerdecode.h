// SPDX-License-Identifier: MIT
#pragma once
// What the answer page shows, without widgets: the status words decoded by the
// fixed-answer records, and the rows (caption, shown value, hint) of one host
// answer. The terminal window, the fixed-answer tester and the command line share
// it; where the page puts them is the terminal window's business. Qt-free.
#include <cstdint>
#include <string>
#include <vector>

#include "model/colors.h"
#include "model/fieldrecords.h"
#include "model/terminalfile.h"

namespace quorvel::model {

// Whatever a file or a printer holds, the page never has more than these.
inline constexpr int kMaxAnswerPanels = 70;
inline constexpr int kMaxAnswerRows = 70;

// What one status panel shows; a panel that no record matched stays empty.
struct TPanelText {
  bool matched = false;
  std::string text;
  TColor color = clBlack;
  friend bool operator==(const TPanelText&, const TPanelText&) = default;
};

// Panels of one status word: one per panel number 1 ... the largest panel number
// (at most kMaxAnswerPanels). Records are applied in file order, so a later
// matching record wins its panel; a record whose panel lies outside the panels is
// passed over.
int PanelCountOf(const TFixedAnswerTable& table);
std::vector<TPanelText> DecodeStatusWord(const TFixedAnswerTable& table, std::uint16_t word);

// "Fiscal answer = 0600" and the like: the caption and the word in 4 upper-case hex digits.
std::string StatusCaption(const std::string& caption, std::uint16_t word);

struct TAnswerRow {
  enum class TKind { Reserved, ReturnCode, Defined, Raw };
  TKind kind = TKind::Raw;
  bool visible = true;       // reserved rows are hidden unless shown by the settings
  std::string caption;
  std::string value;         // as shown
  std::string hint;          // return code: "(XXXX) description"
  bool maroon = false;       // caption of a value without answer field record
};

struct TAnswerContext {
  bool extended = false;          // Protocol 1: reserved, return code, reserved first
  bool showReserved = false;      // ExtReservedFields
  std::uint16_t returnCode = 0;
  std::string returnCodeDescription;
  int inputDateFormat = 0;
  int outputDateFormat = 0;
  int currentYear = 0;            // for two-digit years of dates; 0 = the clock's year
};

// The shown value of one answer value by its answer field record's type.
std::string ShowAnswerValue(const TAnswerField& field, const std::string& value, const TAnswerContext& context);

// Every row of one answer, in grid order (row index = position), at most
// kMaxAnswerRows: values beyond that are not shown.
std::vector<TAnswerRow> BuildAnswerRows(const std::vector<std::string>& values,
                                        const std::vector<TAnswerField>& fields,
                                        const TAnswerContext& context);

}  // namespace quorvel::model
