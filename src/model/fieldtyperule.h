// SPDX-License-Identifier: MIT
#pragma once
// Which boxes of a command field record a text type and a control type leave to
// the user, and what the others show. The command field dialog applies it on
// every change of either type, and so does any tool that builds a record as the
// dialog would.
#include <string>

#include "model/inputfilter.h"

namespace quorvel::model {

// One of the three number boxes (max length, min length, decimal digits).
struct TNumberBoxRule {
  bool Enabled = true;
  // The text the box is reset to when either type changes.
  std::string Reset = "0";
  // When a stored field is opened: the box shows the stored value instead of Reset.
  bool ShowsStored = false;
};

struct TFieldTypeRule {
  int TextType = 0;             // the text type after the control type rule (Date/Time forced)
  bool TextTypeEnabled = true;  // off for the Date and Time controls
  TFldType DefaultTextFilter = ftdAlphaNumeric;
  int DefaultTextLimit = 0;     // most characters of the default text; 0 = no limit
  bool DefaultTextEnabled = true;
  bool ItemsEnabled = false;    // the combo box lines
  TNumberBoxRule MaxLength;
  TNumberBoxRule MinLength;
  TNumberBoxRule Decimals;
};

// The rule for a text type (0..9) and a control type (0..4). A Date or Time
// control forces the text type Date or Time. `opening` is the variant used once
// when a stored field is opened: every enabled box shows the stored value,
// Min length is enabled for Hexa and Binary with either control kind, and the
// disabled Min length and Decimal digits of a Numeric field and Decimal digits of
// a Decimal field show the stored values too. Codes out of range count as
// AlphaNumeric and Simple.
TFieldTypeRule FieldTypeRule(int textType, int controlType, bool opening);

}  // namespace quorvel::model
