// SPDX-License-Identifier: MIT
#include "model/fieldtyperule.h"

#include "model/fieldrecords.h"

namespace quorvel::model {

namespace {

TFldType FilterOf(int textType) {
  switch (textType) {
    case kTextAlpha: return ftdAlpha;
    case kTextCurrency: return ftdCurrency;
    case kTextNumeric: return ftdNumerical;
    case kTextDecimal: return ftdDecimal;
    case kTextHexa: return ftdHexadecimal;
    case kTextBinary: return ftdBinary;
    case kTextBoolean: return ftdBool;
    default: return ftdAlphaNumeric;  // AlphaNumeric, Date and Time filter nothing
  }
}

TNumberBoxRule Box(bool enabled, const char* reset = "0") { return {enabled, reset, false}; }

}  // namespace

TFieldTypeRule FieldTypeRule(int textType, int controlType, bool opening) {
  if (textType < kTextAlphaNumeric || textType > kTextTime) textType = kTextAlphaNumeric;
  if (controlType < kControlSimple || controlType > kControlTime) controlType = kControlSimple;
  if (controlType == kControlDate) textType = kTextDate;
  if (controlType == kControlTime) textType = kTextTime;

  TFieldTypeRule rule;
  rule.TextType = textType;
  rule.DefaultTextFilter = FilterOf(textType);
  const bool dropDown = controlType == kControlDropDown || controlType == kControlDropDownList;
  const bool picker = controlType == kControlDate || controlType == kControlTime;
  rule.ItemsEnabled = dropDown;
  rule.DefaultTextEnabled = controlType == kControlSimple;
  rule.TextTypeEnabled = !picker;

  switch (textType) {
    case kTextCurrency:
      rule.MaxLength = Box(true); rule.MinLength = Box(true); rule.Decimals = Box(true);
      break;
    case kTextDecimal:
      rule.MaxLength = Box(true); rule.MinLength = Box(true); rule.Decimals = Box(false);
      break;
    case kTextHexa:
      rule.MaxLength = Box(true); rule.MinLength = Box(!dropDown || opening); rule.Decimals = Box(false);
      break;
    case kTextBinary:
      rule.MaxLength = Box(true); rule.MinLength = Box(opening); rule.Decimals = Box(false);
      break;
    case kTextBoolean:
      rule.DefaultTextLimit = 1;
      rule.MaxLength = Box(false, "1"); rule.MinLength = Box(false); rule.Decimals = Box(false);
      break;
    case kTextDate:
    case kTextTime:
      rule.DefaultTextLimit = picker ? 0 : 10;
      rule.MaxLength = Box(false, "10"); rule.MinLength = Box(false); rule.Decimals = Box(false);
      break;
    default:  // AlphaNumeric, Alpha, Numeric
      rule.MaxLength = Box(true); rule.MinLength = Box(false); rule.Decimals = Box(false);
      break;
  }
  if (opening) {
    for (TNumberBoxRule* box : {&rule.MaxLength, &rule.MinLength, &rule.Decimals}) {
      box->ShowsStored = box->Enabled;
    }
    if (textType == kTextNumeric) rule.MinLength.ShowsStored = rule.Decimals.ShowsStored = true;
    if (textType == kTextDecimal) rule.Decimals.ShowsStored = true;
  }
  return rule;
}

}  // namespace quorvel::model
