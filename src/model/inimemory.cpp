// SPDX-License-Identifier: MIT
#include "model/inimemory.h"

namespace quorvel::model {

TIniMemory::TIniMemory(std::string fileName) : TIniMemory(std::make_shared<TFileDevice>(std::move(fileName))) {}

TIniMemory::TIniMemory(std::shared_ptr<TIniDevice> device) : Device_(std::move(device)) { Reload(); }

TIniMemory::TIniMemory(std::string fileName, std::vector<std::string> onlySections)
    : Device_(std::make_shared<TFileDevice>(std::move(fileName))) {
  for (std::string& name : onlySections) OnlySections_.push_back(FoldIniName(name));
  Reload();
}

bool TIniMemory::Keeps(std::string_view foldedSection) const {
  if (OnlySections_.empty()) return true;
  for (const std::string& name : OnlySections_)
    if (name == foldedSection) return true;
  return false;
}

void TIniMemory::Reload() {
  std::string bytes = LoadWhole(*Device_);
  std::vector<TSection> sections;
  std::vector<TKey> keys;
  std::unordered_map<std::string, std::size_t> index;
  const auto spanOf = [&bytes](std::string_view part) {
    return TSpan{static_cast<std::size_t>(part.data() - bytes.data()), part.size()};
  };
  bool keeping = false;
  ForEachIniLine(bytes, [&](const TIniLine& line) {
    if (line.Kind == TIniLineKind::Section) {
      std::string folded = FoldIniName(line.Name);
      keeping = Keeps(folded);
      if (!keeping) return;
      // A repeated section is kept but not found: reads see the first, as the INI layer does.
      index.emplace(std::move(folded), sections.size());
      sections.push_back(TSection{spanOf(line.Name), keys.size(), 0});
    } else if (line.Kind == TIniLineKind::Key && keeping) {
      keys.push_back(TKey{spanOf(line.Name), spanOf(line.Value)});
      ++sections.back().KeyCount;
    }
  });
  Bytes_ = std::move(bytes);
  Sections_ = std::move(sections);
  Keys_ = std::move(keys);
  SectionIndex_ = std::move(index);
}

const TIniMemory::TSection* TIniMemory::FindSection(std::string_view section) const {
  const auto found = SectionIndex_.find(FoldIniName(section));
  return found == SectionIndex_.end() ? nullptr : &Sections_[found->second];
}

std::string TIniMemory::ReadValue(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const {
  if (const TSection* found = FindSection(section)) {
    for (std::size_t i = 0; i < found->KeyCount; ++i) {
      const TKey& entry = Keys_[found->FirstKey + i];
      if (SameIniName(Text(entry.Name), key)) return std::string(Text(entry.Value));
    }
  }
  return std::string(defaultValue);
}

std::vector<std::string> TIniMemory::ReadSectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const TSection* found = FindSection(section)) {
    keys.reserve(found->KeyCount);
    for (std::size_t i = 0; i < found->KeyCount; ++i) keys.emplace_back(Text(Keys_[found->FirstKey + i].Name));
  }
  return keys;
}

bool TIniMemory::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

}  // namespace quorvel::model
