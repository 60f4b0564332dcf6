#include "model/inimemory.h"

namespace quorvel::model {

TIniMemory::TIniMemory(std::string fileName) : TIniMemory(std::make_shared<TFileDevice>(std::move(fileName))) {}

TIniMemory::TIniMemory(std::shared_ptr<TIniDevice> device) : Device_(std::move(device)) { Reload(); }

void TIniMemory::Reload() {
  const std::string bytes = LoadWhole(*Device_);
  std::vector<TSection> sections;
  std::unordered_map<std::string, std::size_t> index;
  for (const TIniLine& line : SplitIniLines(bytes)) {
    if (line.Kind == TIniLineKind::Section) {
      // A repeated section is kept but not found: reads see the first, as the INI layer does.
      index.emplace(FoldIniName(line.Name), sections.size());
      sections.push_back(TSection{std::string(line.Name), {}});
    } else if (line.Kind == TIniLineKind::Key) {
      sections.back().Keys.push_back(TKey{std::string(line.Name), std::string(line.Value)});
    }
  }
  Sections_ = std::move(sections);
  SectionIndex_ = std::move(index);
}

const TIniMemory::TSection* TIniMemory::FindSection(std::string_view section) const {
  const auto found = SectionIndex_.find(FoldIniName(section));
  return found == SectionIndex_.end() ? nullptr : &Sections_[found->second];
}

std::string TIniMemory::ReadValue(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const {
  if (const TSection* found = FindSection(section)) {
    for (const TKey& entry : found->Keys) {
      if (SameIniName(entry.Name, key)) return entry.Value;
    }
  }
  return std::string(defaultValue);
}

std::vector<std::string> TIniMemory::ReadSectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const TSection* found = FindSection(section)) {
    keys.reserve(found->Keys.size());
    for (const TKey& entry : found->Keys) keys.push_back(entry.Name);
  }
  return keys;
}

bool TIniMemory::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

}  // namespace quorvel::model
