// SPDX-License-Identifier: MIT
#pragma once
// The terminal window's in-memory copy of its terminal file: loaded once, read many
// times, loaded again on request after an editor has changed the file.
//
// Its reads differ from the INI layer's: a value is the exact text after the key name
// and its "=" (no blanks removed, no quotes removed, no length limit), and a key line
// written with blanks before "=" is not found. Names compare without regard to case;
// a missing file loads as empty. A file that exists but cannot be read completely (not
// a regular file, larger than kMaxIniFileBytes, a read error) throws TIniError
// "Unable to read <file>: <reason>", from the constructor and from Reload.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/extinifile.h"

namespace quorvel::model {

class TIniMemory : public TIniReader {
 public:
  explicit TIniMemory(std::string fileName);
  explicit TIniMemory(std::shared_ptr<TIniDevice> device);
  // Keeps only the named sections, for a reader that needs a few tables of a large
  // file; the others read as missing.
  TIniMemory(std::string fileName, std::vector<std::string> onlySections);

  std::string FileName() const override { return Device_->Name(); }

  // Loads the file again; when it throws, the copy keeps what it held before.
  void Reload();

  std::string ReadValue(std::string_view section, std::string_view key,
                        std::string_view defaultValue) const override;
  std::vector<std::string> ReadSectionKeys(std::string_view section) const override;
  bool SectionExists(std::string_view section) const;

 private:
  // Keys and sections are spans of Bytes_, not copies: a large file loads with a
  // handful of allocations instead of two per key.
  struct TSpan {
    std::size_t Begin = 0;
    std::size_t Size = 0;
  };
  struct TKey {
    TSpan Name;
    TSpan Value;
  };
  struct TSection {
    TSpan Name;
    std::size_t FirstKey = 0;  // index into Keys_
    std::size_t KeyCount = 0;
  };
  const TSection* FindSection(std::string_view section) const;
  std::string_view Text(TSpan span) const { return std::string_view(Bytes_).substr(span.Begin, span.Size); }

  bool Keeps(std::string_view foldedSection) const;

  std::shared_ptr<TIniDevice> Device_;
  std::vector<std::string> OnlySections_;  // folded; empty: every section
  std::string Bytes_;
  std::vector<TSection> Sections_;
  std::vector<TKey> Keys_;  // all sections' keys, in file order
  std::unordered_map<std::string, std::size_t> SectionIndex_;  // folded name -> first section
};

}  // namespace quorvel::model
