#include "model/inputfilter.h"

namespace quorvel::model {
namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsSeparator(unsigned char c) { return c == '.' || c == ','; }
unsigned char Upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c; }
bool UpperCasedByFilter(TFldType type) { return type == ftdHexadecimal || type == ftdBool; }

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
