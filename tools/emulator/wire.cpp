// SPDX-License-Identifier: MIT
#include "emulator/wire.h"

#include <cctype>

namespace quorvel::emulator::wire {
namespace {

constexpr std::size_t kMaxCommandFrame = 65536;  // anything longer is line noise

unsigned char U8(char c) { return static_cast<unsigned char>(c); }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::uint16_t Sum16(std::string_view bytes) {
  unsigned sum = 0;
  for (char c : bytes) sum += U8(c);
  return static_cast<std::uint16_t>(sum & 0xFFFF);
}

}  // namespace

std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[U8(c) >> 4];
    out += kDigits[U8(c) & 0x0F];
  }
  return out;
}

std::optional<std::string> ParseHexBytes(std::string_view text) {
  std::string out;
  int high = -1;
  for (char c : text) {
    if (c == ' ') {
      if (high >= 0) return std::nullopt;  // a blank splits a digit pair
      continue;
    }
    const int value = HexDigitValue(c);
    if (value < 0) return std::nullopt;
    if (high < 0) {
      high = value;
    } else {
      out += static_cast<char>(high * 16 + value);
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return out;
}

std::string HostChecksum(std::string_view stxThroughEtx) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::uint16_t sum = Sum16(stxThroughEtx);
  std::string out(4, '0');
  for (int i = 3, shift = 0; i >= 0; --i, shift += 4) out[static_cast<std::size_t>(i)] = kDigits[(sum >> shift) & 0x0F];
  return out;
}

bool NeedsHostEscape(char byte) {
  switch (U8(byte)) {
    case 0x02: case 0x03: case 0x1A: case 0x1B: case 0x1C: case 0x1D: case 0x1E: case 0x1F:
      return true;
    default:
      return false;
  }
}

std::string HostFrame(std::uint8_t seq, const std::vector<std::string>& fields, bool escape) {
  std::string frame{kStx, static_cast<char>(seq)};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) frame += kFs;
    for (char c : fields[i]) {
      if (escape && NeedsHostEscape(c)) frame += kEsc;
      frame += c;
    }
  }
  frame += kEtx;
  frame += HostChecksum(frame);
  return frame;
}

std::string WithBadHostChecksum(std::string frame) {
  // The last digit moves to another hexadecimal digit, so the text stays hexadecimal.
  char& last = frame.back();
  last = last == '0' ? '1' : '0';
  return frame;
}

void THostCommandReader::Reset() {
  state_ = TState::Idle;
  current_ = {};
  field_.clear();
  checksum_.clear();
}

std::optional<THostCommand> THostCommandReader::Feed(char byte) {
  if (state_ != TState::Idle) {
    current_.frame += byte;
    if (current_.frame.size() > kMaxCommandFrame) Reset();
  }
  switch (state_) {
    case TState::Idle:
      if (byte == kStx) {
        Reset();
        current_.frame = std::string(1, kStx);
        state_ = TState::Seq;
      }
      return std::nullopt;
    case TState::Seq:
      if (byte == kStx) {  // no sequence number is 0x02: a new frame
        Reset();
        return Feed(byte);
      }
      current_.seq = U8(byte);
      state_ = TState::Data;
      return std::nullopt;
    case TState::Data:
      if (byte == kStx) {
        // An unescaped STX cannot be data: the host gave up and started anew.
        Reset();
        return Feed(byte);
      }
      if (byte == kEsc) {
        state_ = TState::Escaped;
      } else if (byte == kFs) {
        current_.fields.push_back(std::move(field_));
        field_.clear();
      } else if (byte == kEtx) {
        current_.fields.push_back(std::move(field_));
        field_.clear();
        state_ = TState::Checksum;
      } else {
        field_ += byte;
      }
      return std::nullopt;
    case TState::Escaped:
      field_ += byte;
      state_ = TState::Data;
      return std::nullopt;
    case TState::Checksum: {
      if (byte == kStx) {  // a checksum digit is never STX: a new frame
        Reset();
        return Feed(byte);
      }
      checksum_ += byte;
      if (checksum_.size() < 4) return std::nullopt;
      THostCommand done = std::move(current_);
      done.checksumOk = checksum_ == HostChecksum(done.frame.substr(0, done.frame.size() - 4));
      Reset();
      return done;
    }
  }
  return std::nullopt;
}

char DgiChecksum(std::string_view stxThroughEtx) {
  unsigned sum = 0;
  for (char c : stxThroughEtx) sum += U8(c);
  return static_cast<char>((256 - (sum & 0xFF)) & 0xFF);
}

std::string DgiFrame(std::string_view data) {
  std::string frame(1, kStx);
  frame += data;
  frame += kEtx;
  frame += DgiChecksum(frame);
  return frame;
}

std::string WithBadDgiChecksum(std::string frame) {
  frame.back() = static_cast<char>(U8(frame.back()) ^ 0x01);
  return frame;
}

void TDgiCommandReader::Reset() {
  state_ = TState::Idle;
  current_ = {};
}

std::optional<TDgiCommand> TDgiCommandReader::Feed(char byte) {
  switch (state_) {
    case TState::Idle:
      if (byte == kEnq) return TDgiCommand{std::string(1, kEnq), {}, true, true};
      if (byte == kStx) {
        current_ = {};
        current_.frame = std::string(1, kStx);
        state_ = TState::Data;
      }
      return std::nullopt;
    case TState::Data:
      current_.frame += byte;
      if (byte == kEtx) {
        state_ = TState::Checksum;
      } else if (current_.frame.size() > kMaxCommandFrame) {
        Reset();
      } else {
        current_.data += byte;
      }
      return std::nullopt;
    case TState::Checksum: {
      current_.frame += byte;
      TDgiCommand done = std::move(current_);
      done.checksumOk = DgiChecksum(done.frame.substr(0, done.frame.size() - 1)) == byte;
      Reset();
      return done;
    }
  }
  return std::nullopt;
}

}  // namespace quorvel::emulator::wire
