// SPDX-License-Identifier: MIT
#pragma once
// Notifications the host worker posts to its control (message numbers from 0x400).
#include <cstdint>

namespace quorvel::host {

inline constexpr std::uint32_t WM_COMM_ACK = 0x400;
inline constexpr std::uint32_t WM_COMM_NACK = 0x401;
inline constexpr std::uint32_t WM_COMM_INT_ANSWER = 0x402;
inline constexpr std::uint32_t WM_COMM_FINAL_ANSWER = 0x403;
inline constexpr std::uint32_t WM_COMM_WRITE = 0x404;
inline constexpr std::uint32_t WM_COMM_WRITE_ERROR = 0x405;
inline constexpr std::uint32_t WM_COMM_READ = 0x406;
inline constexpr std::uint32_t WM_COMM_READ_ERROR = 0x407;
inline constexpr std::uint32_t WM_COMM_WRITE_ACK = 0x408;
inline constexpr std::uint32_t WM_COMM_WRITE_NACK = 0x409;

// Control bytes of the host protocol.
inline constexpr std::uint8_t STX = 0x02;
inline constexpr std::uint8_t ETX = 0x03;
inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t DC2 = 0x12;
inline constexpr std::uint8_t NAK = 0x15;
inline constexpr std::uint8_t ESC = 0x1B;
inline constexpr std::uint8_t FS = 0x1C;
// The sequence byte of an intermediate answer frame.
inline constexpr std::uint8_t kIntermediateSequence = 0x80;

}  // namespace quorvel::host
