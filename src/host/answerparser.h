// SPDX-License-Identifier: MIT
#pragma once
// The host side of an answer exchange: the receive buffer and the byte parser that
// recognises ACK, NAK, DC2 and answer frames, verifies their checksums and answers
// them with ACK or NAK. It knows nothing of ports or threads, so it can be driven
// over any byte stream.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/trace.h"

namespace quorvel::host {

// What the parser needs from the worker: posting notifications and writing ACK/NAK.
class TAnswerLink {
 public:
  virtual ~TAnswerLink() = default;
  virtual void Notify(std::uint32_t code) = 0;
  // Writes one control byte (ACK or NAK) to the printer; true when it was written.
  virtual bool WriteControlByte(std::uint8_t byte) = 0;
};

class THostAnswerReceiver {
 public:
  static constexpr std::size_t kBufferSize = 8192;

  explicit THostAnswerReceiver(TAnswerLink& link, platform::TTraceSink* trace = nullptr);

  // A new exchange for the command frame whose sequence byte was `sentSequence`.
  void BeginCommand(std::uint8_t sentSequence);
  // Buffer positions, parser state and running checksum back to the start.
  void ResetInternalState();

  // Where the next read goes and how much room is left (0: the frame being parsed
  // has filled the buffer; the exchange cannot go on).
  std::uint8_t* WritePosition() { return buffer_.data() + writePos_; }
  std::size_t Room() const { return kBufferSize - writePos_; }

  // Parses the `count` bytes just read at WritePosition(). True: go on reading;
  // false: the final answer is complete.
  bool Received(std::size_t count);

  // After the final answer: the bytes from its STX to the end of what arrived with it,
  // its fields, and whether the ACK for it was written.
  std::string ReadFrame() const;
  const std::vector<std::string>& Fields() const { return fields_; }
  bool AckWritten() const { return ackWritten_; }
  int ParserState() const { return state_; }

 private:
  enum TParseStep { kGoOn, kStopGoOn, kFinal };
  bool ParseInputFrame(std::size_t count);
  TParseStep ParseByte(std::uint8_t b);
  TParseStep VerifyFrame();
  void FrameStart();
  void Notify(std::uint32_t code, const char* trace);

  TAnswerLink& link_;
  platform::TTraceSink* trace_;
  std::vector<std::uint8_t> buffer_;
  std::size_t writePos_ = 0;
  std::size_t parsePos_ = 0;
  std::size_t frameStart_ = 0;
  int state_ = 0;
  std::uint16_t checksum_ = 0;
  std::string field_;
  std::string checksumText_;
  std::uint8_t answerSequence_ = 0;
  std::uint8_t sentSequence_ = 0;
  bool ackWritten_ = false;
  std::vector<std::string> fields_;
};

}  // namespace quorvel::host
