// SPDX-License-Identifier: MIT
// Any bytes as a comma list: decoding terminates, and what it gives encodes back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/commalist.h"

using namespace quorvel::model;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto items = DecodeCommaList(text);
  if (items.size() > text.size() + 1) std::abort();

  if (DecodeCommaList(EncodeCommaList(items)) != items) std::abort();

  const std::string plain = text.substr(0, text.find('\0'));
  const auto quoted = DecodeCommaList(QuoteRecordText(plain));
  if (quoted.size() != 1 || quoted.front() != plain) std::abort();
  return 0;
}
