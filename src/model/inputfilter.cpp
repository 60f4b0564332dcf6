// SPDX-License-Identifier: MIT
#include "model/inputfilter.h"

namespace quorvel::model {
namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsSeparator(unsigned char c) { return c == '.' || c == ','; }
unsigned char Upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c; }
bool UpperCasedByFilter(TFldType type) { return type == ftdHexadecimal || type == ftdBool; }

// The character rule of a type in words, as a refusal states it.
const char* CharacterRule(TFldType type) {
  switch (type) {
    case ftdAlpha: return "letters A-Z and a-z only";
    case ftdCurrency: return "digits and at most one \".\" or \",\"";
    case ftdNumerical:
    case ftdDecimal: return "digits only";
    case ftdHexadecimal: return "hexadecimal digits only";
    case ftdBinary: return "0 and 1 only";
    case ftdBool: return "S, N or Y only";
    case ftdAlphaNumeric: break;
  }
  return "any character";
}

}  // namespace

int ImpliedMaxLength(TFldType type) { return type == ftdBool ? 1 : 0; }

bool CharacterFits(TFldType type, unsigned char c) {
  switch (type) {
    case ftdAlpha: return IsLetter(c);
    case ftdCurrency: return IsDigit(c) || IsSeparator(c);
    case ftdNumerical:
    case ftdDecimal: return IsDigit(c);
    case ftdHexadecimal: return IsDigit(c) || (Upper(c) >= 'A' && Upper(c) <= 'F');
    case ftdBinary: return c == '0' || c == '1';
    case ftdBool: return Upper(c) == 'S' || Upper(c) == 'N' || Upper(c) == 'Y';
    case ftdAlphaNumeric: break;
  }
  return true;  // AlphaNumeric, Date, Time and unknown codes hold anything
}

std::optional<char32_t> FilterKey(TFldType type, char32_t key, std::string_view currentText) {
  if (key < 32 || key > 127) return key;
  auto c = static_cast<unsigned char>(key);
  if (UpperCasedByFilter(type)) c = Upper(c);
  if (!CharacterFits(type, c)) return std::nullopt;
  if (type == ftdCurrency && IsSeparator(c) && currentText.find_first_of(".,") != std::string_view::npos)
    return std::nullopt;
  return static_cast<char32_t>(c);
}

bool TextFits(TFldType type, std::string_view text) {
  for (char c : text) {
    if (!CharacterFits(type, static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace quorvel::model

namespace quorvel::model {

std::optional<std::string> TypeIntoControl(TFldType type, int maxLength, std::string_view text,
                                           std::string& refusal) {
  std::string typed;
  for (const char c : text) {
    const std::optional<char32_t> key = FilterKey(type, static_cast<unsigned char>(c), typed);
    if (!key) {
      refusal = CharacterRule(type);
      return std::nullopt;
    }
    typed += static_cast<char>(*key);
  }
  if (maxLength > 0 && typed.size() > static_cast<std::size_t>(maxLength)) {
    refusal = "at most " + std::to_string(maxLength) + " characters";
    return std::nullopt;
  }
  if (!TextFits(type, typed)) {  // a byte above 127 passes the key filter, not the change check
    refusal = CharacterRule(type);
    return std::nullopt;
  }
  return typed;
}

}  // namespace quorvel::model
