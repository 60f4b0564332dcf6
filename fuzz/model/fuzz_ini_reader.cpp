// SPDX-License-Identifier: MIT
// Any bytes as a terminal file: every read must terminate without faults, and a write
// must read back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/extinifile.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"

using namespace quorvel::model;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first bytes name the section and key to work on, the rest is the file.
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t nameLength = size > 0 ? data[0] % 8 : 0;
  const std::string names = input.substr(size > 0 ? 1 : 0, nameLength * 2);
  const std::string section = names.substr(0, names.size() / 2);
  const std::string key = names.substr(names.size() / 2);
  auto device = std::make_shared<TMemoryDevice>(input.substr(std::min(size, 1 + nameLength * 2)));

  TExtIniFile file(device);
  for (const std::string& name : file.ReadSectionKeys(section)) {
    Check(file.ValueExists(section, name));
    Check(file.ReadValue(section, name, "").size() <= TExtIniFile::kValueLimit);
  }
  file.ReadSectionLines(section);
  file.ReadInteger(section, key, 0);

  TIniMemory memory(device);
  for (const std::string& group : ReadGroups(memory)) ReadGroupCommands(memory, group);
  for (const auto answers : {kSectionFiscalAnswer, kSectionPrinterAnswer}) {
    try {
      const auto table = ReadFixedAnswers(memory, answers);
      Check(table.Records.size() <= kMaxFixedAnswerRecords);
    } catch (const TConvertError&) {
    }
  }

  // A written key reads back through both readers; others may only shift.
  try {
    file.WriteKey(section, key, "v1");
    Check(file.ReadValue(section, key, "") == "v1");
    memory.Reload();
    Check(memory.ReadValue(section, key, "") == "v1");
    file.DeleteKey(section, key);
    Check(!file.ValueExists(section, key));
    file.EraseSection(section);
    Check(file.ReadSectionKeys(section).empty());
  } catch (const TIniError&) {
    // Names that an INI line cannot hold are refused.
  }
  return 0;
}
