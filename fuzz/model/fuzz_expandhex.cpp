// SPDX-License-Identifier: MIT
// Hexadecimal escapes in typed field texts: the expansion either fails or gives
// bytes, never more bytes than the text had characters, and a text without an
// escape letter passes unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/format.h"

using namespace quorvel::model;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> bytes = ExpandHexEscapes(text);
  if (bytes && bytes->size() > text.size()) std::abort();
  if (text.find_first_of("xX") == std::string::npos && bytes != text) std::abort();
  // The wire form of a Decimal field always expands.
  if (!ExpandHexEscapes(FormatDecimal(text, static_cast<int>(size % 16)))) std::abort();
  return 0;
}
