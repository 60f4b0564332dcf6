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

  std::string FileName() const override { return Device_->Name(); }

  // Loads the file again; when it throws, the copy keeps what it held before.
  void Reload();

  std::string ReadValue(std::string_view section, std::string_view key,
                        std::string_view defaultValue) const override;
  std::vector<std::string> ReadSectionKeys(std::string_view section) const override;
  bool SectionExists(std::string_view section) const;

 private:
  struct TKey {
    std::string Name;
    std::string Value;
  };
  struct TSection {
    std::string Name;
    std::vector<TKey> Keys;
  };
  const TSection* FindSection(std::string_view section) const;

  std::shared_ptr<TIniDevice> Device_;
  std::vector<TSection> Sections_;
  std::unordered_map<std::string, std::size_t> SectionIndex_;  // folded name -> first section
};

}  // namespace quorvel::model
