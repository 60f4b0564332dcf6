// SPDX-License-Identifier: MIT
#pragma once
// The printer's own view of the two line protocols: building answer frames and
// reading command frames byte by byte. Kept apart from the host and DGI controls
// on purpose, so that a fault in their framing cannot hide behind shared code.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::emulator::wire {

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
inline constexpr char kEnq = 0x05;
inline constexpr char kAck = 0x06;
inline constexpr char kDc2 = 0x12;
inline constexpr char kNak = 0x15;
inline constexpr char kEsc = 0x1B;
inline constexpr char kFs = 0x1C;
inline constexpr std::uint8_t kIntermediateSeq = 0x80;

// "02 20 2A": two upper-case digits per byte, one blank between bytes.
std::string HexBytes(std::string_view bytes);
// Hexadecimal text (blanks allowed between digit pairs) to bytes; nullopt if malformed.
std::optional<std::string> ParseHexBytes(std::string_view text);

// ---- Host line ----

// Sum of the bytes modulo 65536, as four upper-case hexadecimal digits.
std::string HostChecksum(std::string_view stxThroughEtx);
// Bytes that travel as ESC + byte inside an extended-protocol frame.
bool NeedsHostEscape(char byte);
// STX, SEQ, fields joined by FS (escaped when `escape`), ETX, checksum.
std::string HostFrame(std::uint8_t seq, const std::vector<std::string>& fields, bool escape);
// The same frame with a checksum that does not match its bytes.
std::string WithBadHostChecksum(std::string frame);

struct THostCommand {
  std::string frame;                // exactly as received, STX through the last checksum digit
  std::uint8_t seq = 0;
  std::vector<std::string> fields;  // escapes removed; a frame without data has one empty field
  bool checksumOk = false;
};

class THostCommandReader {
 public:
  // Feeds one received byte; returns the command once its last checksum digit arrived.
  std::optional<THostCommand> Feed(char byte);
  void Reset();

 private:
  enum class TState { Idle, Seq, Data, Escaped, Checksum };
  TState state_ = TState::Idle;
  THostCommand current_;
  std::string field_;
  std::string checksum_;
};

// ---- DGI line ----

// Two's complement of the 8-bit sum, so the whole frame adds up to 0.
char DgiChecksum(std::string_view stxThroughEtx);
std::string DgiFrame(std::string_view data);
std::string WithBadDgiChecksum(std::string frame);

struct TDgiCommand {
  std::string frame;  // as received: STX, data, ETX, checksum; or the lone ENQ
  std::string data;
  bool enq = false;
  bool checksumOk = false;
};

class TDgiCommandReader {
 public:
  std::optional<TDgiCommand> Feed(char byte);
  void Reset();

 private:
  enum class TState { Idle, Data, Checksum };
  TState state_ = TState::Idle;
  TDgiCommand current_;
};

}  // namespace quorvel::emulator::wire
