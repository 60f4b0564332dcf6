// SPDX-License-Identifier: MIT
#pragma once
// The character rules of the typed input controls: which keys a field of a
// text type accepts while typing, and whether a whole text fits the type after
// the user changed it. Pure functions; the widget applies them.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::model {

// The text type a typed input control filters by. A text type code of a
// command field is stored unchanged, so 8 (Date) and 9 (Time), and any other
// code, can occur too: like ftdAlphaNumeric they filter and check nothing.
enum TFldType : int {
  ftdAlphaNumeric = 0,
  ftdAlpha = 1,
  ftdCurrency = 2,
  ftdNumerical = 3,
  ftdDecimal = 4,
  ftdHexadecimal = 5,
  ftdBinary = 6,
  ftdBool = 7,
};

// The maximum length that setting the type implies: 1 for ftdBool, none (0) otherwise.
int ImpliedMaxLength(TFldType type);

// Whether a character (a byte; Latin-1) is allowed in a text of the type. Types
// 5 and 7 compare in upper case; Currency accepts any number of separators.
bool CharacterFits(TFldType type, unsigned char character);

// The key filter for one typed character code (a Unicode code point at the
// widget edge). Returns the character to insert (upper-cased for types 5 and 7)
// or nullopt when the key is swallowed. Codes below 32 and above 127 pass
// unchanged. For Currency, a "." or "," is swallowed when `currentText`
// already holds either separator.
std::optional<char32_t> FilterKey(TFldType type, char32_t key, std::string_view currentText);

// The change check: true when every character of the text fits the type. A
// text that fails is to be set empty by the control.
bool TextFits(TFldType type, std::string_view text);

// The text a control of the type holds after `text` (bytes, Latin-1) is typed into it
// key by key from empty: every key passes the key filter (types 5 and 7 upper-case
// it), the text stays within maxLength characters (0: no limit) and passes the change
// check. nullopt when the control would not hold the text as typed; `refusal` then
// names the rule ("digits only", "at most 4 characters").
std::optional<std::string> TypeIntoControl(TFldType type, int maxLength, std::string_view text,
                                           std::string& refusal);

}  // namespace quorvel::model
