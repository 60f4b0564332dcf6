// SPDX-License-Identifier: MIT
#include "model/commalist.h"

namespace quorvel::model {
namespace {

bool IsSeparatorByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte <= 32;
}

bool NeedsQuotes(std::string_view item) {
  for (const char c : item) {
    if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',') return true;
  }
  return false;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace

std::string EncodeCommaList(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ',';
    // A bare empty item at the end would read back as nothing ("a," is one item),
    // so the last item, when empty, is written as "" (as a lone empty item is).
    const bool emptyLast = items[i].empty() && i + 1 == items.size();
    text += NeedsQuotes(items[i]) || emptyLast ? Quoted(items[i]) : items[i];
  }
  return text;
}

std::vector<std::string> DecodeCommaList(std::string_view text) {
  std::size_t count = 0;
  return DecodeCommaList(text, static_cast<std::size_t>(-1), count);
}

std::vector<std::string> DecodeCommaList(std::string_view text, std::size_t maxItems, std::size_t& count) {
  count = 0;
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> items;
  std::size_t at = 0;
  const auto skipSeparators = [&] {
    while (at < text.size() && IsSeparatorByte(text[at])) ++at;
  };
  skipSeparators();
  while (at < text.size()) {
    const bool kept = count < maxItems;
    std::string item;
    if (text[at] == '"') {
      ++at;
      while (at < text.size()) {
        if (text[at] != '"') {
          if (kept) item += text[at];
          ++at;
        } else if (at + 1 < text.size() && text[at + 1] == '"') {
          if (kept) item += '"';
          at += 2;
        } else {
          ++at;  // the closing quote
          break;
        }
      }
    } else {
      const std::size_t begin = at;
      while (at < text.size() && static_cast<unsigned char>(text[at]) > 32 && text[at] != ',') ++at;
      if (kept) item.assign(text.substr(begin, at - begin));
    }
    ++count;
    if (kept) items.push_back(std::move(item));
    skipSeparators();
    if (at < text.size() && text[at] == ',') {
      ++at;
      skipSeparators();
    }
  }
  return items;
}

std::string QuoteRecordText(std::string_view text) { return Quoted(text); }

}  // namespace quorvel::model
