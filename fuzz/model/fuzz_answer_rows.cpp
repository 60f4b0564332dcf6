// SPDX-License-Identifier: MIT
// Printer bytes through the answer page's decoding: any answer values, any answer
// field records and any fixed-answer records give a bounded page without faults.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/answerdecode.h"
#include "model/extinifile.h"
#include "model/fieldrecords.h"
#include "model/inimemory.h"
#include "model/terminalfile.h"

using namespace quorvel::model;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Splits at FS (0x1C), as the answer frame separates its fields.
std::vector<std::string> SplitFields(std::string_view bytes) {
  std::vector<std::string> fields(1);
  for (const char c : bytes) {
    if (c == '\x1C') fields.emplace_back();
    else fields.back() += c;
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  // Header: context, then the sizes of the three parts that follow.
  TAnswerContext context;
  context.extended = data[0] & 1;
  context.showReserved = data[0] & 2;
  context.returnCode = static_cast<std::uint16_t>(data[1] << 8 | data[2]);
  context.inputDateFormat = static_cast<std::int8_t>(data[3]) % 10;
  context.outputDateFormat = static_cast<std::int8_t>(data[4]) % 10;
  context.currentYear = 1950 + data[5];
  const std::size_t fieldBytes = data[6] * 4u, tableBytes = data[7] * 4u;
  std::string_view rest(reinterpret_cast<const char*>(data) + 8, size - 8);
  const std::string_view fieldText = rest.substr(0, fieldBytes);
  rest.remove_prefix(fieldText.size());
  const std::string_view tableText = rest.substr(0, tableBytes);
  rest.remove_prefix(tableText.size());

  // Answer field records as the terminal file holds them; a bad number is refused.
  std::vector<TAnswerField> fields;
  try {
    fields = ParseAnswerDefinition(std::string(fieldText)).Fields;
  } catch (const TConvertError&) {
  }
  const std::vector<std::string> values = SplitFields(rest);
  const auto rows = BuildAnswerRows(values, fields, context);
  Check(rows.size() <= static_cast<std::size_t>(kMaxAnswerRows));
  for (const TAnswerField& field : fields) ShowAnswerValue(field, values.front(), context);

  // Fixed-answer records, then both status words decoded by them.
  const std::string file = "[FiscalAnswer]\r\n" + std::string(tableText);
  TIniMemory memory(std::make_shared<TMemoryDevice>(file));
  try {
    const TFixedAnswerTable table = ReadFixedAnswers(memory, kSectionFiscalAnswer);
    for (const std::uint16_t word : {context.returnCode, static_cast<std::uint16_t>(~context.returnCode)}) {
      const auto panels = DecodeStatusWord(table, word);
      Check(panels.size() <= static_cast<std::size_t>(kMaxAnswerPanels));
      Check(panels.size() == static_cast<std::size_t>(PanelCountOf(table)));
    }
  } catch (const TConvertError&) {
  }
  return 0;
}
