// SPDX-License-Identifier: MIT
// Arbitrary bytes from the printer, cut into reads, through the DGI answer parser
// exactly as the worker drives it; checks what every accepted frame must satisfy.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "dgi/fpauxcontrol.h"

namespace {

using quorvel::dgi::TDgiAnswerReceiver;

struct TCounter : TDgiAnswerReceiver::TListener {
  void AckReceived() override {}
  void NakReceived() override {}
  void BadChecksum() override {}
};

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckFrame(const std::string& frame) {
  Require(frame.size() >= 3 && frame.size() <= quorvel::dgi::kReceiveBufferSize);
  Require(static_cast<std::uint8_t>(frame.front()) == quorvel::dgi::kStx);
  Require(static_cast<std::uint8_t>(frame[frame.size() - 2]) == quorvel::dgi::kEtx);
  std::uint8_t sum = 0;
  for (char c : frame) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
  Require(sum == 0);
  Require(quorvel::dgi::AnswerData(frame).size() == frame.size() - 3);
  (void)quorvel::dgi::CheckFinalFrame(frame);
}

}  // namespace

// The first byte sets the read size (1 ... 256 bytes); the rest is the line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t readSize = static_cast<std::size_t>(data[0]) + 1;
  ++data;
  --size;
  TDgiAnswerReceiver receiver;
  TCounter listener;
  std::size_t offset = 0;
  while (offset < size) {
    const std::size_t room = receiver.Room();
    if (room == 0) return 0;  // the worker ends the exchange with a read error
    const std::size_t count = std::min({readSize, room, size - offset});
    std::memcpy(receiver.WritePointer(), data + offset, count);
    offset += count;
    switch (receiver.ParseInputFrame(count, listener)) {
      case TDgiAnswerReceiver::TOutcome::NeedMore:
        break;
      case TDgiAnswerReceiver::TOutcome::Ack:
        return 0;
      case TDgiAnswerReceiver::TOutcome::Frame: {
        const std::string frame = receiver.TakeFrame();
        CheckFrame(frame);
        if (quorvel::dgi::CheckFinalFrame(frame)) return 0;
        Require(receiver.Room() == quorvel::dgi::kReceiveBufferSize);
        break;
      }
    }
  }
  return 0;
}
