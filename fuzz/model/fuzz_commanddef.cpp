// SPDX-License-Identifier: MIT
// Command definitions from hand-edited or damaged "Commands"/"Answers"/"CL" values:
// the reader either gives a definition or the conversion error, never more than 70
// fields, and whatever it gives is written back and read again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/errors.h"
#include "model/fieldrecords.h"

using namespace quorvel::model;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckCommands(const std::string& value) {
  TCommandDefinition definition;
  try {
    definition = ParseCommandDefinition(value);
  } catch (const TConvertError&) {
    return;
  }
  Require(definition.Fields.size() <= MaxDynamicFields);
  Require(definition.Mode == 0 || definition.Mode == 1);
  for (const TCommandField& field : definition.Fields) {
    Require(field.TextType >= 0 && field.TextType <= 9);
    Require(field.ControlType >= 0 && field.ControlType <= 4);
  }
  const TCommandDefinition again = ParseCommandDefinition(AssembleCommands(definition.Fields));
  Require(again.Mode == definition.Mode && again.Fields == definition.Fields);
}

void CheckAnswers(const std::string& value) {
  TAnswerDefinition definition;
  try {
    definition = ParseAnswerDefinition(value);
  } catch (const TConvertError&) {
    return;
  }
  Require(definition.Fields.size() <= MaxDynamicFields);
  for (TAnswerField& field : definition.Fields) {
    if (field.Type != 2) field.Decimals = 0;  // written for Currency answers only
  }
  Require(ParseAnswerDefinition(AssembleAnswers(definition.Fields)).Fields == definition.Fields);
}

void CheckItemList(const std::string& value) {
  const std::vector<std::string> items = ParseStoredItemList(value);
  Require(ParseStoredItemList(AssembleStoredItemList(items)) == items);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string value(reinterpret_cast<const char*>(data), size);
  CheckCommands(value);
  CheckAnswers(value);
  CheckItemList(value);
  return 0;
}
