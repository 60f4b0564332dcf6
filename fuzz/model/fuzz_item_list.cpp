// SPDX-License-Identifier: MIT
// Stored item lists ("CL" + n) and notes: any stored value reads without faults, and
// a list written by the editors reads back item for item.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/commalist.h"
#include "model/fieldrecords.h"

using namespace quorvel::model;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string stored(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> items = ParseStoredItemList(stored);
  DecodeCommaList(stored);

  // Items an INI line can hold (no line break, no NUL) survive a write and a read.
  std::vector<std::string> writable;
  for (std::string item : items) {
    std::erase_if(item, [](char c) { return c == '\0' || c == '\r' || c == '\n'; });
    writable.push_back(item);
  }
  if (writable.empty()) return 0;
  const std::string written = AssembleStoredItemList(writable);
  Check(ParseStoredItemList(written) == writable);
  return 0;
}
