// SPDX-License-Identifier: MIT
#pragma once
// A printer on a pseudo-terminal, for tests, the demo and the benchmarks.
// It plays the printer side of the host protocol (both variants) or of the DGI
// protocol, with framing and checksum code of its own.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::emulator {

enum class TLine { Host, Dgi };
enum class THostProtocol { Compatible, Extended };

// What the printer does with one host command.
struct THostReply {
  bool ackFirst = true;           // ACK before the answer (false: answer frame at once)
  bool nak = false;               // NAK the command and say nothing more
  bool silent = false;            // say nothing at all
  int busyReports = 0;            // DC2 bytes before the answer ...
  int busyIntervalMs = 0;         // ... this far apart
  int intermediateFrames = 0;     // frames with SEQ 0x80 before the answer
  bool staleAnswerFirst = false;  // an answer with another SEQ before the right one
  int badChecksums = 0;           // answers with a wrong checksum first; each is repeated after the host's NAK
  std::string extraAfter;         // bytes sent right after the answer, in the same burst
  int byteDelayMs = 0;            // send the answer byte by byte, this far apart
  bool hangUpMidAnswer = false;   // close the line halfway through the answer
  std::uint16_t printerStatus = 0;
  std::uint16_t fiscalStatus = 0;
  std::uint16_t returnCode = 0;   // extended protocol only
  // Fields after the fixed ones; none given: the command (field 1) echoed as one field.
  std::optional<std::vector<std::string>> fields;
  // The whole field list of the answer as sent, bypassing the fixed layout.
  std::optional<std::vector<std::string>> rawFields;
};
// Answer layout. Compatible: field 1 the command, fields 2 and 3 the printer and fiscal
// status as four upper-case hexadecimal digits, then the extra fields. Extended: fields
// 1 and 2 the printer and fiscal status as two-byte words (high byte first), field 3
// empty (reserved), field 4 the return code word, field 5 empty (reserved), then the
// extra fields; bytes that need it travel as ESC + byte. The answer echoes the command's
// SEQ. Order on the line: ACK, busy reports, intermediate frames (SEQ 0x80, extra field
// "intermediate"), the stale answer (SEQ one below the command's, extra field "stale"),
// the bad-checksum answers (each waits for the host's NAK), the answer and `extraAfter`.
// `silent` wins over `nak`, which wins over everything else. A command whose own
// checksum is wrong is answered with NAK whatever the reply says.

// What the printer does with one DGI command.
struct TDgiReply {
  bool ackOnly = true;                   // a single ACK, no data
  bool nak = false;
  bool silent = false;
  std::vector<std::string> frames;       // answer frames' data (status code first), sent in order,
                                         // each after the host's ACK of the previous one
  int badChecksums = 0;                  // first frame sent with a wrong checksum this often
  int pauseMs = 0;                       // silence before each answer frame
  std::string raw;                       // bytes sent as they are, instead of all the above
};
// Precedence: `raw`, then `silent`, then `nak`, then `frames` (no ACK before them), then
// `ackOnly`. A lone ENQ is always answered with ACK and uses up no reply. A command whose
// checksum is wrong is answered with NAK.

class TEmulator {
 public:
  // Opens a pseudo-terminal in raw mode; `linkPath`, when given, becomes a symbolic
  // link to the slave. Throws std::runtime_error when the terminal cannot be made.
  explicit TEmulator(TLine line, const std::string& linkPath = {});
  ~TEmulator();
  TEmulator(const TEmulator&) = delete;
  TEmulator& operator=(const TEmulator&) = delete;

  // The path a control opens: the link if one was asked for, else the slave's name.
  std::string DevicePath() const;

  void SetHostProtocol(THostProtocol protocol);
  // Replies for the next commands, in order; once used up, the default reply.
  void QueueHostReply(const THostReply& reply);
  void SetDefaultHostReply(const THostReply& reply);
  // Reply for every command whose field 1 equals `command` (takes precedence over the default).
  void SetHostReplyFor(const std::string& command, const THostReply& reply);

  void QueueDgiReply(const TDgiReply& reply);
  void SetDefaultDgiReply(const TDgiReply& reply);
  // Reply for every DGI command whose data equal `data` (takes precedence over the default).
  void SetDgiReplyFor(const std::string& data, const TDgiReply& reply);
  // Queued replies come first, then the per-command ones, then the default.

  // Called on the emulator's thread for every command frame received, as it was recorded.
  using TFrameObserver = std::function<void(const std::string& frame)>;
  void SetFrameObserver(TFrameObserver observer);

  // Every complete command frame received (raw bytes as on the line, STX to checksum;
  // for DGI also a lone ENQ), in order; and every byte received.
  std::vector<std::string> ReceivedFrames() const;
  std::string ReceivedBytes() const;
  // Waits until at least `count` frames have been received.
  bool WaitForFrames(std::size_t count, int timeoutMs) const;
  void ClearReceived();

  // Closes the line as an unplugged cable would: the master and the emulator's own slave
  // descriptor are closed, so whoever holds the slave sees POLLHUP and its reads return 0
  // or fail with EIO; the link, if any, is removed first, as an unplugged adapter's device
  // node goes. Returns once the line is closed. The emulator answers nothing after it.
  void HangUp();
  bool IsHungUp() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace quorvel::emulator
