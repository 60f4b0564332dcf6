// SPDX-License-Identifier: MIT
#include "host/answerparser.h"

#include <cstring>

#include "host/notifications.h"

namespace quorvel::host {

namespace {

// Four checksum characters as a hexadecimal number; a text that is not
// hexadecimal counts as 0 (and then cannot match a frame, which sums to at least 5).
std::uint16_t ParseChecksumText(const std::string& text) {
  unsigned value = 0;
  for (const char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else return 0;
    value = value * 16 + digit;
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace

THostAnswerReceiver::THostAnswerReceiver(TAnswerLink& link, platform::TTraceSink* trace)
    : link_(link), trace_(trace), buffer_(kBufferSize) {}

void THostAnswerReceiver::BeginCommand(std::uint8_t sentSequence) {
  ResetInternalState();
  sentSequence_ = sentSequence;
  ackWritten_ = false;
}

void THostAnswerReceiver::ResetInternalState() {
  writePos_ = parsePos_ = frameStart_ = 0;
  checksum_ = 0;
  answerSequence_ = 0;
  state_ = 0;
  field_.clear();
  checksumText_.clear();
}

bool THostAnswerReceiver::Received(std::size_t count) {
  if (count > Room()) count = Room();
  writePos_ += count;
  if (!ParseInputFrame(count)) return false;
  // An intermediate frame accepted in this read leaves the parser outside a frame
  // (state 1) unless the next frame began in the same read; that one is kept.
  if (state_ <= 1) {
    // Outside a frame: what was parsed is of no further use.
    writePos_ = parsePos_ = frameStart_ = 0;
  } else if (frameStart_ > 0) {
    // Inside a frame: keep only the frame, so that the whole buffer is there for it.
    std::memmove(buffer_.data(), buffer_.data() + frameStart_, writePos_ - frameStart_);
    writePos_ -= frameStart_;
    parsePos_ -= frameStart_;
    frameStart_ = 0;
  }
  return true;
}

std::string THostAnswerReceiver::ReadFrame() const {
  if (frameStart_ > writePos_) return {};
  return std::string(reinterpret_cast<const char*>(buffer_.data()) + frameStart_, writePos_ - frameStart_);
}

bool THostAnswerReceiver::ParseInputFrame(std::size_t count) {
  const std::size_t end = parsePos_ + count;
  while (parsePos_ < end) {
    const TParseStep step = ParseByte(buffer_[parsePos_++]);
    if (step == kStopGoOn) {
      parsePos_ = end;  // the rest of this read is not parsed
      return true;
    }
    if (step == kFinal) {
      parsePos_ = end;
      return false;
    }
  }
  return true;
}

void THostAnswerReceiver::FrameStart() {
  checksum_ = STX;
  fields_.clear();
  field_.clear();
  checksumText_.clear();
  frameStart_ = parsePos_ - 1;
}

void THostAnswerReceiver::Notify(std::uint32_t code, const char* trace) {
  link_.Notify(code);
  QUORVEL_TRACE(trace_, trace);
}

THostAnswerReceiver::TParseStep THostAnswerReceiver::ParseByte(std::uint8_t b) {
  switch (state_) {
    case 0:
    case 1:
      if (b == STX) {
        FrameStart();
        state_ = 2;
      } else if (b == DC2) {
        Notify(WM_COMM_INT_ANSWER, "ParseInputFrame: WM_COMM_INT_ANSWER");
      } else if (state_ == 0 && b == ACK) {
        Notify(WM_COMM_ACK, "ParseInputFrame: WM_COMM_ACK");
        state_ = 1;
      } else if (state_ == 0 && b == NAK) {
        Notify(WM_COMM_NACK, "ParseInputFrame: WM_COMM_NACK");
      }
      return kGoOn;
    case 2:
      answerSequence_ = b;
      checksum_ = static_cast<std::uint16_t>(checksum_ + b);
      state_ = 3;
      return kGoOn;
    case 3:
      checksum_ = static_cast<std::uint16_t>(checksum_ + b);
      if (b == ESC) {
        state_ = 4;
      } else if (b == FS) {
        fields_.push_back(std::move(field_));
        field_.clear();
      } else if (b == ETX) {
        state_ = 5;
      } else {
        field_.push_back(static_cast<char>(b));
      }
      return kGoOn;
    case 4:
      checksum_ = static_cast<std::uint16_t>(checksum_ + b);
      field_.push_back(static_cast<char>(b));
      state_ = 3;
      return kGoOn;
    case 5:
      fields_.push_back(std::move(field_));
      field_.clear();
      checksumText_.assign(1, static_cast<char>(b));
      state_ = 6;
      return kGoOn;
    case 6:
    case 7:
      checksumText_.push_back(static_cast<char>(b));
      ++state_;
      return kGoOn;
    default:  // 8: the fourth checksum character
      checksumText_.push_back(static_cast<char>(b));
      return VerifyFrame();
  }
}

THostAnswerReceiver::TParseStep THostAnswerReceiver::VerifyFrame() {
  if (ParseChecksumText(checksumText_) != checksum_) {
    if (link_.WriteControlByte(NAK)) Notify(WM_COMM_WRITE_NACK, "ParseInputFrame: WM_COMM_WRITE_NACK");
    state_ = 1;
    return kStopGoOn;
  }
  if (answerSequence_ == kIntermediateSequence) {
    state_ = 1;
    Notify(WM_COMM_INT_ANSWER, "ParseInputFrame: WM_COMM_INT_ANSWER");
    return kGoOn;
  }
  if (answerSequence_ == sentSequence_) {
    ackWritten_ = link_.WriteControlByte(ACK);
    state_ = 0;
    return kFinal;
  }
  // An answer to an earlier command: acknowledged and dropped.
  link_.WriteControlByte(ACK);
  state_ = 0;
  return kGoOn;
}

}  // namespace quorvel::host
