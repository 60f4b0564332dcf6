// SPDX-License-Identifier: MIT
// Dates in answer fields: ShowDate shows either the text unchanged or a date in
// the display form of the output code, and a date sent in a four-digit-year
// form is shown back as the same date.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/format.h"

using namespace quorvel::model;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int inputCode = static_cast<int8_t>(data[0]) % 10;
  const int outputCode = static_cast<int8_t>(data[1]) % 10;
  const int currentYear = 1900 + data[2] * 2;
  const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);

  const std::string shown = ShowDate(text, inputCode, outputCode, currentYear);
  if (shown != text && shown.size() != DateDisplayForm(outputCode).size()) std::abort();

  // Read the first bytes as a date and send it in the wire form of a four-digit-year code.
  if (text.size() >= 4) {
    const TDate date{1 + (data[3] * 37 + (size > 4 ? data[4] : 0)) % 9999, 1 + data[3] % 12, 1 + data[size - 1] % 28};
    const int fourDigitCodes[] = {1, 3, 5, 7};
    const int code = fourDigitCodes[data[2] % 4];
    if (ShowDate(FormatDate(date, code), code, 7, currentYear) != FormatDate(date, 7).insert(4, "/").insert(7, "/"))
      std::abort();
  }
  ShowTime(text);
  ShowCurrency(text, inputCode);
  ShowBinary(text);
  ShowHexadecimal(text);
  ShowDecimal(text);
  return 0;
}
