// SPDX-License-Identifier: MIT
// The values a command line gives: ISO dates and times, the repeat count and a field
// value typed into a control. Each parser accepts only what it promises.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/format.h"
#include "model/inputfilter.h"
#include "model/sendtext.h"

using namespace quorvel::model;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto type = static_cast<TFldType>(data[0] % 11);
  const int maxLength = data[1] % 12;
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

  if (const auto date = ParseIsoDate(text)) {
    Check(IsValidDate(*date));
    char canonical[32];
    std::snprintf(canonical, sizeof canonical, "%04d-%02d-%02d", date->Year, date->Month, date->Day);
    Check(ParseIsoDate(canonical) == date);
  }
  if (const auto time = ParseIsoTime(text)) {
    Check(time->Hour >= 0 && time->Hour < 24 && time->Minute >= 0 && time->Minute < 60 && time->Second >= 0 &&
          time->Second < 60);
  }

  const int count = ParseRepeatCount(text);
  if (IsRepeatCountValid(count)) Check(count >= 1 && count <= kMaxRepeatCount);
  if (AllDigits(text) && text.size() <= 4) Check(count == std::stoi(text));

  std::string refusal;
  if (const auto typed = TypeIntoControl(type, maxLength, text, refusal)) {
    Check(refusal.empty());
    Check(typed->size() == text.size());
    Check(maxLength == 0 || typed->size() <= static_cast<std::size_t>(maxLength));
    Check(TextFits(type, *typed));
    // Typing what the control holds gives the same text again.
    std::string again;
    Check(TypeIntoControl(type, maxLength, *typed, again) == typed);
  } else {
    Check(!refusal.empty());
  }
  return 0;
}
