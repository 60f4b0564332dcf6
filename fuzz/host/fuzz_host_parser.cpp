// SPDX-License-Identifier: MIT
// Arbitrary printer output into the host's answer parser, cut into reads at
// places the input chooses. Byte 0: the sequence byte of the command frame; then
// repeatedly a length byte and that many received bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/answerparser.h"
#include "host/fiscalcontrol.h"

namespace {

class TNullLink : public quorvel::host::TAnswerLink {
 public:
  void Notify(std::uint32_t code) override {
    if (code < 0x400 || code > 0x409) std::abort();
  }
  bool WriteControlByte(std::uint8_t byte) override {
    if (byte != quorvel::host::ACK && byte != quorvel::host::NAK) std::abort();
    return (byte & 1) == 0;  // ACK written, NAK not: both outcomes are exercised
  }
};

void CheckFinalAnswer(const quorvel::host::THostAnswerReceiver& receiver) {
  using quorvel::host::TFPHostControl;
  const std::string frame = receiver.ReadFrame();
  if (frame.size() > quorvel::host::THostAnswerReceiver::kBufferSize || frame.empty() || frame[0] != 0x02) std::abort();
  std::size_t total = 0;
  for (const auto& field : receiver.Fields()) {
    total += field.size();
    (void)TFPHostControl::FormatExtenFixedField(field);
    (void)TFPHostControl::FormatCompatibleStatusField(field);
  }
  if (total > frame.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  TNullLink link;
  quorvel::host::THostAnswerReceiver receiver(link);
  receiver.BeginCommand(data[0]);
  std::size_t at = 1;
  while (at < size) {
    std::size_t chunk = data[at++];
    chunk = chunk == 0 ? 1 : chunk;
    if (chunk > size - at) chunk = size - at;
    if (receiver.Room() == 0) {
      receiver.BeginCommand(data[0]);  // the worker ends the exchange here; start a new one
      continue;
    }
    if (chunk > receiver.Room()) chunk = receiver.Room();
    std::memcpy(receiver.WritePosition(), data + at, chunk);
    at += chunk;
    if (!receiver.Received(chunk)) {
      CheckFinalAnswer(receiver);
      receiver.BeginCommand(data[0]);
    }
  }
  return 0;
}
