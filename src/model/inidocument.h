// SPDX-License-Identifier: MIT
#pragma once
// A terminal file's bytes held as sections and lines, changed with the INI
// layer's own rules: writing a key replaces its line in place, appends it after
// the last key of the first section of that name, or appends the section at the
// end; deleting a key removes its lines from the first section of that name;
// erasing removes every section of that name with all its lines. Lines that no
// operation touches keep their bytes, line endings included. Bytes() after a
// sequence of operations equals what TIniFile's WriteKey, DeleteKey and
// EraseSection would have left in the file, one replacement per call; here the
// whole sequence costs one parse and one store.
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::model {

class TIniDocument {
 public:
  explicit TIniDocument(std::string_view bytes);
  // Lines point into the document's own copy of the bytes.
  TIniDocument(const TIniDocument&) = delete;
  TIniDocument& operator=(const TIniDocument&) = delete;

  std::string Bytes() const;

  // Reads as TIniFile reads: blanks around the value removed, one enclosing pair of
  // equal quote characters removed, cut to `limit` characters.
  std::string ReadValue(std::string_view section, std::string_view key, std::string_view defaultValue,
                        std::size_t limit) const;
  // The value as stored after "=", blanks around it removed; nullopt when absent.
  // The view lasts until the next change.
  std::optional<std::string_view> FindRawValue(std::string_view section, std::string_view key) const;
  // Key names (blanks around them removed) of the first section of that name, in order.
  std::vector<std::string> SectionKeys(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  bool SectionExists(std::string_view section) const;

  // Names and values must be storable (TIniFile checks them); a value holding a
  // line break throws TIniError.
  void WriteKey(std::string_view section, std::string_view key, std::string_view value);
  void DeleteKey(std::string_view section, std::string_view key);
  // False when there was no such section.
  bool EraseSection(std::string_view section);

 private:
  // Texts are views into Original_ or, for lines an edit wrote, into Written_;
  // neither moves while the document lives.
  struct TLine {
    std::string_view Text;    // without the line ending
    std::string_view Ending;  // "\r\n", "\n", "\r" or "" (the last line of a file without one)
    bool IsKey = false;
    std::string_view KeyName;  // key lines: the name without blanks around it
    std::size_t ValueBegin = 0;  // key lines: where the value starts in Text
  };
  struct TSection {
    TLine Header;
    std::string FoldedName;
    std::vector<TLine> Lines;
  };

  TSection* FindSection(std::string_view section);
  const TSection* FindSection(std::string_view section) const;
  TLine* LastLine();

  std::string_view Keep(std::string text);

  const std::string Original_;
  std::deque<std::string> Written_;
  std::vector<TLine> Preamble_;
  std::vector<TSection> Sections_;
};

}  // namespace quorvel::model
