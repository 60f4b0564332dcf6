// SPDX-License-Identifier: MIT
#include "model/answerdecode.h"

#include <algorithm>
#include <cstdio>

#include "model/format.h"
#include "model/sendtext.h"

namespace quorvel::model {
namespace {

// Under the extended protocol the answer starts with: reserved, return code, reserved.
constexpr int kExtendedPrefixRows = 3;

}  // namespace

int PanelCountOf(const TFixedAnswerTable& table) {
  int largest = 0;
  for (const TFixedAnswer& record : table.Records) largest = std::max(largest, record.Panel);
  return std::min(largest, kMaxAnswerPanels);
}

std::vector<TPanelText> DecodeStatusWord(const TFixedAnswerTable& table, std::uint16_t word) {
  std::vector<TPanelText> panels(static_cast<std::size_t>(PanelCountOf(table)));
  for (const TFixedAnswer& record : table.Records) {
    if (record.Panel < 1 || record.Panel > static_cast<int>(panels.size())) continue;
    if ((word & record.Mask) != record.Result) continue;
    panels[static_cast<std::size_t>(record.Panel - 1)] = {true, record.Text, record.Color};
  }
  return panels;
}

std::string StatusCaption(const std::string& caption, std::uint16_t word) { return caption + Hex4(word); }

std::string ShowAnswerValue(const TAnswerField& field, const std::string& value, const TAnswerContext& context) {
  switch (field.Type) {
    case kTextCurrency: return ShowCurrency(value, field.Decimals);
    case kTextDecimal: return ShowDecimal(value);
    case kTextHexa: return ShowHexadecimal(value);
    case kTextBinary: return ShowBinary(value);
    case kTextDate:
      if (context.currentYear != 0)
        return ShowDate(value, context.inputDateFormat, context.outputDateFormat, context.currentYear);
      return ShowDate(value, context.inputDateFormat, context.outputDateFormat);
    case kTextTime: return ShowTime(value);
    default: return value;
  }
}

std::vector<TAnswerRow> BuildAnswerRows(const std::vector<std::string>& values,
                                        const std::vector<TAnswerField>& fields,
                                        const TAnswerContext& context) {
  using TKind = TAnswerRow::TKind;
  std::vector<TAnswerRow> rows;
  const int prefix = context.extended ? kExtendedPrefixRows : 0;
  if (context.extended) {
    const TAnswerRow reserved{TKind::Reserved, context.showReserved, "Reserved", "", "", false};
    rows.push_back(reserved);
    rows.push_back({TKind::ReturnCode, true, "Return code", std::to_string(context.returnCode),
                    "(" + Hex4(context.returnCode) + ") " + context.returnCodeDescription, false});
    rows.push_back(reserved);
  }
  const std::size_t room = static_cast<std::size_t>(kMaxAnswerRows - prefix);
  const std::size_t shown = std::min(values.size(), room);
  for (std::size_t j = 0; j < shown; ++j) {
    const std::string& value = values[j];
    if (j < fields.size()) {
      rows.push_back({TKind::Defined, true, fields[j].Caption, ShowAnswerValue(fields[j], value, context), "", false});
    } else {
      const std::size_t rowIndex = j + static_cast<std::size_t>(prefix);
      rows.push_back({TKind::Raw, true, "Field" + std::to_string(rowIndex), value, "", true});
    }
  }
  return rows;
}

}  // namespace quorvel::model
