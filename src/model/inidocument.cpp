// SPDX-License-Identifier: MIT
#include "model/inidocument.h"

#include "model/errors.h"
#include "model/textnumbers.h"

#include "model/extinifile.h"

namespace quorvel::model {
namespace {

bool HasLineBreak(std::string_view text) {
  for (const char c : text) {
    if (c == '\r' || c == '\n') return true;
  }
  return false;
}

}  // namespace

constexpr std::string_view kLineEnd = "\r\n";

TIniDocument::TIniDocument(std::string_view text) : Original_(text) {
  const std::string_view bytes = Original_;
  TSection* current = nullptr;
  ForEachIniLine(bytes, [&](const TIniLine& split) {
    TLine line;
    line.Text = bytes.substr(split.Begin, split.End - split.Begin);
    line.Ending = bytes.substr(split.End, split.Next - split.End);
    if (split.Kind == TIniLineKind::Section) {
      Sections_.push_back(TSection{std::move(line), FoldIniName(split.Name), {}});
      current = &Sections_.back();
      return;
    }
    if (split.Kind == TIniLineKind::Key) {
      line.IsKey = true;
      line.KeyName = TrimBlanks(split.Name);
      line.ValueBegin = static_cast<std::size_t>(split.Value.data() - bytes.data()) - split.Begin;
    }
    (current != nullptr ? current->Lines : Preamble_).push_back(line);
  });
}

std::string_view TIniDocument::Keep(std::string text) {
  Written_.push_back(std::move(text));
  return Written_.back();
}

std::string TIniDocument::Bytes() const {
  std::size_t size = 0;
  auto count = [&size](const TLine& line) { size += line.Text.size() + line.Ending.size(); };
  for (const TLine& line : Preamble_) count(line);
  for (const TSection& section : Sections_) {
    count(section.Header);
    for (const TLine& line : section.Lines) count(line);
  }
  std::string bytes;
  bytes.reserve(size);
  auto put = [&bytes](const TLine& line) {
    bytes += line.Text;
    bytes += line.Ending;
  };
  for (const TLine& line : Preamble_) put(line);
  for (const TSection& section : Sections_) {
    put(section.Header);
    for (const TLine& line : section.Lines) put(line);
  }
  return bytes;
}

TIniDocument::TSection* TIniDocument::FindSection(std::string_view section) {
  const std::string folded = FoldIniName(section);
  for (TSection& candidate : Sections_) {
    if (candidate.FoldedName == folded) return &candidate;
  }
  return nullptr;
}

const TIniDocument::TSection* TIniDocument::FindSection(std::string_view section) const {
  return const_cast<TIniDocument*>(this)->FindSection(section);
}

TIniDocument::TLine* TIniDocument::LastLine() {
  if (!Sections_.empty()) {
    TSection& last = Sections_.back();
    return last.Lines.empty() ? &last.Header : &last.Lines.back();
  }
  return Preamble_.empty() ? nullptr : &Preamble_.back();
}

std::optional<std::string_view> TIniDocument::FindRawValue(std::string_view section, std::string_view key) const {
  const TSection* found = FindSection(section);
  if (found == nullptr) return std::nullopt;
  for (const TLine& line : found->Lines) {
    if (line.IsKey && SameIniName(line.KeyName, key)) return TrimBlanks(line.Text.substr(line.ValueBegin));
  }
  return std::nullopt;
}

std::string TIniDocument::ReadValue(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t limit) const {
  const auto raw = FindRawValue(section, key);
  if (!raw) return std::string(defaultValue);
  return std::string(StripEnclosingQuotes(*raw).substr(0, limit));
}

std::vector<std::string> TIniDocument::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const TSection* found = FindSection(section)) {
    for (const TLine& line : found->Lines) {
      if (line.IsKey) keys.emplace_back(line.KeyName);
    }
  }
  return keys;
}

bool TIniDocument::ValueExists(std::string_view section, std::string_view key) const {
  return FindRawValue(section, key).has_value();
}

bool TIniDocument::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

void TIniDocument::WriteKey(std::string_view section, std::string_view key, std::string_view value) {
  if (HasLineBreak(value)) throw TIniError("The value of key \"" + std::string(key) + "\" holds a line break");
  TLine newLine;
  newLine.Text = Keep(std::string(key) + "=" + std::string(value));
  newLine.Ending = kLineEnd;
  newLine.IsKey = true;
  newLine.KeyName = TrimBlanks(newLine.Text.substr(0, key.size()));
  newLine.ValueBegin = key.size() + 1;

  TSection* found = FindSection(section);
  if (found == nullptr) {
    if (TLine* last = LastLine(); last != nullptr && last->Ending.empty()) last->Ending = kLineEnd;
    TSection added;
    added.Header.Text = Keep("[" + std::string(section) + "]");
    added.Header.Ending = kLineEnd;
    added.FoldedName = FoldIniName(section);
    added.Lines.push_back(std::move(newLine));
    Sections_.push_back(std::move(added));
    return;
  }
  std::size_t insertAt = 0;  // after the last key line, else right after the header
  for (std::size_t i = 0; i < found->Lines.size(); ++i) {
    TLine& line = found->Lines[i];
    if (!line.IsKey) continue;
    if (SameIniName(line.KeyName, newLine.KeyName)) {
      line.Text = newLine.Text;
      line.KeyName = newLine.KeyName;
      line.ValueBegin = newLine.ValueBegin;
      return;
    }
    insertAt = i + 1;
  }
  TLine& previous = insertAt == 0 ? found->Header : found->Lines[insertAt - 1];
  if (previous.Ending.empty()) previous.Ending = kLineEnd;
  found->Lines.insert(found->Lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(newLine));
}

void TIniDocument::DeleteKey(std::string_view section, std::string_view key) {
  TSection* found = FindSection(section);
  if (found == nullptr) return;
  std::erase_if(found->Lines, [key](const TLine& line) { return line.IsKey && SameIniName(line.KeyName, key); });
}

bool TIniDocument::EraseSection(std::string_view section) {
  const std::string folded = FoldIniName(section);
  return std::erase_if(Sections_, [&folded](const TSection& s) { return s.FoldedName == folded; }) > 0;
}

}  // namespace quorvel::model
