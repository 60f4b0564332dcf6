// SPDX-License-Identifier: MIT
#pragma once
// The fiscal printer's auxiliary (DGI) port: single-frame commands with an 8-bit
// checksum, answered by ACK, NAK or one or more answer frames. TFPAuxControl lives
// on the user-interface thread; its worker TFCommThread does the work on the line
// and posts numbered notifications that the control turns into events.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/messagesink.h"
#include "platform/portmap.h"
#include "platform/portworker.h"
#include "platform/serialport.h"

namespace quorvel::dgi {

enum TFCommPort { FCom1 = 0, FCom2, FCom3, FCom4 };
enum TFFiscalState { FEFP_S_Close = 0, FEFP_S_Idle, FEFP_S_Busy };
enum TFErrorType {
  FEFP_Success = 0,
  FEFP_E_ComInUse,
  FEFP_E_InvalidCom,
  FEFP_E_ComAlreadyOpen,
  FEFP_E_ComAlreadyClose,
  FEFP_E_BadInitialization,
  FEFP_E_ComClose,
  FEFP_E_MaxDataLengthReached,
  FEFP_E_InvalidDataInField,
  FEFP_E_OperationInProgress,
  FEFP_E_WriteError,
  FEFP_E_ReadTimeOut,
  FEFP_E_NackReceived
};

// "FEFP_E_ReadTimeOut" for FEFP_E_ReadTimeOut; "?" for a value outside the enumeration.
const char* ErrorName(TFErrorType error);

// Notifications from the worker to the control.
inline constexpr std::uint32_t WM_DGI_ACK = 0x400;
inline constexpr std::uint32_t WM_DGI_NACK = 0x401;
inline constexpr std::uint32_t WM_DGI_WRITE = 0x402;
inline constexpr std::uint32_t WM_DGI_WRITE_ERROR = 0x403;
inline constexpr std::uint32_t WM_DGI_ANSWER = 0x404;  // param 1: final, 0: intermediate
inline constexpr std::uint32_t WM_DGI_READ_ERROR = 0x405;
inline constexpr std::uint32_t WM_DGI_WRITE_ACK = 0x406;
inline constexpr std::uint32_t WM_DGI_WRITE_NACK = 0x407;

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;

inline constexpr std::size_t kMaxDataLength = 256;
inline constexpr std::size_t kSendBufferSize = 1024;
inline constexpr std::size_t kReceiveBufferSize = 1200;

// STX, data, ETX and the checksum that makes all bytes add up to 0 modulo 256; the
// lone ENQ command stays one byte. The length is not checked here.
std::string BuildCommandFrame(std::string_view data);

// True when the four bytes after STX are one of the final status codes.
bool CheckFinalFrame(std::string_view frame);

// The data of an answer frame: without its STX, ETX and checksum. A frame shorter
// than those three bytes has no data.
std::string AnswerData(std::string_view frame);

// The answer side of one DGI exchange: the 1200-byte receive buffer with its write,
// parse and frame-start positions and the byte parser. It does no I/O of its own;
// what the parser has to say or do on the line goes to a TListener, so it can be
// driven without a port.
class TDgiAnswerReceiver {
 public:
  class TListener {
   public:
    virtual ~TListener() = default;
    virtual void AckReceived() = 0;  // outside a frame
    virtual void NakReceived() = 0;  // outside a frame
    virtual void BadChecksum() = 0;  // a complete frame whose checksum byte is wrong
  };
  enum class TOutcome { NeedMore, Ack, Frame };

  TDgiAnswerReceiver() { ResetInternalState(); }

  // Where the next read puts its bytes, and how many fit.
  std::uint8_t* WritePointer() { return buffer_ + writePos_; }
  std::size_t Room() const { return kReceiveBufferSize - writePos_; }

  // Takes `count` bytes just read into WritePointer() and parses them in order. Stops
  // at an ACK outside a frame or at a frame with a good checksum.
  TOutcome ParseInputFrame(std::size_t count, TListener& listener);

  // After TOutcome::Frame: the frame from its STX to its checksum byte. The buffer
  // starts over; bytes of the same read after the frame are dropped.
  std::string TakeFrame();

  void ResetInternalState();

 private:
  std::uint8_t buffer_[kReceiveBufferSize];
  std::size_t writePos_ = 0;
  std::size_t parsePos_ = 0;
  std::size_t frameStart_ = 0;
  std::size_t frameEnd_ = 0;  // one past the checksum byte of the completed frame
  int state_ = 0;             // 0 outside a frame, 1 inside, 2 checksum byte next
  std::uint8_t checksum_ = 0;
};

class TFPAuxControl;

// The worker: one DGI exchange at a time on the open port. The thread, its start
// signal, the cancel, the lock and the hand-over of texts are the port worker's;
// this class is the DGI protocol's exchange.
class TFCommThread : private platform::TPortWorker::TProtocol, private TDgiAnswerReceiver::TListener {
 public:
  // Created suspended; Start() runs it. `window` receives the notifications; the
  // wait for each answer frame is the owner's TimeOut.
  TFCommThread(platform::TSerialPort& handle, platform::TMessageSink& window, const TFPAuxControl& owner);
  ~TFCommThread() override;  // terminates and joins the thread if still running
  TFCommThread(const TFCommThread&) = delete;
  TFCommThread& operator=(const TFCommThread&) = delete;

  // Throws std::system_error when the thread cannot be made.
  void Start() { worker_.Start(); }
  // Asks the loop to end, wakes it, and any wait on the line, at once, and waits
  // until it has ended.
  void Terminate() { worker_.Terminate(); }

  // User-interface thread. Returns the command's number, which tags every
  // notification of its exchange.
  std::uint32_t StartCommand(std::string_view frame) { return worker_.StartCommand(frame); }
  void SignalStartCommand() { worker_.SignalStartCommand(); }
  void SignalEndCommand() { worker_.SignalEndCommand(); }
  // Drops the command handed over, ends the exchange in progress at once (its wait on
  // the line is cancelled) and wakes the worker.
  void AbortSignaledEvents() { worker_.AbortSignaledEvents(); }

  // The texts of WM_DGI_WRITE and WM_DGI_ANSWER, oldest first: each notification has
  // its own text, so a slow user-interface thread never sees a later frame's text.
  std::string GetWriteFrame() { return writeFrames_.Take(); }
  std::string GetReadFrame() { return readFrames_.Take(); }

  // True when this worker posted `message` (not a worker it replaced).
  bool IsOwn(const platform::TNotification& message) const { return worker_.IsOwn(message); }
  // True when the line reported a hang-up or an I/O failure during the exchange in
  // progress or last finished (a silent printer leaves it false).
  bool LineClosed() const { return worker_.LineClosed(); }

 private:
  void Exchange(const std::string& frame) override;
  bool SendFrame(const std::string& frame);
  bool WaitAnswer();
  bool WriteComm(const std::uint8_t* bytes, std::size_t count);
  void NotifyStatus(std::uint32_t code, std::int32_t param = 0);

  void AckReceived() override;
  void NakReceived() override;
  void BadChecksum() override;

  platform::TSerialPort& port_;
  const TFPAuxControl& owner_;
  TDgiAnswerReceiver receiver_;  // worker only

  platform::TPortWorker worker_;
  platform::TPortWorker::THandOver<std::string> writeFrames_{worker_};
  platform::TPortWorker::THandOver<std::string> readFrames_{worker_};
};

class TFPAuxControl {
 public:
  using TNotifyEvent = std::function<void(TFPAuxControl& Sender)>;
  using TAnswerEvent = std::function<void(TFPAuxControl& Sender, bool IsFinal)>;
  using TFrameEvent = std::function<void(TFPAuxControl& Sender, const std::string& Value)>;

  explicit TFPAuxControl(platform::TEventLoop& loop);
  ~TFPAuxControl();
  TFPAuxControl(const TFPAuxControl&) = delete;
  TFPAuxControl& operator=(const TFPAuxControl&) = delete;

  // Where COM1 ... COM4 live: the Com1 ... Com4 paths of the map; used by the next OpenPort.
  void SetPortMap(const platform::TPortMap& ports) { ports_ = ports; }
  const platform::TPortMap& PortMap() const { return ports_; }

  TFCommPort GetCommPort() const { return commPort_; }
  void SetCommPort(TFCommPort port);  // ignored unless closed
  std::int32_t GetTimeOut() const { return timeOut_.load(); }
  void SetTimeOut(std::int32_t milliseconds) { timeOut_.store(milliseconds); }  // 0: no limit
  TFFiscalState State() const { return state_; }
  TFErrorType LastError() const { return lastError_; }
  // After OnError: true when the exchange ended because the line was closed (hang-up,
  // unplugged device, I/O failure) rather than because the printer kept silent.
  bool LineClosed() const { return lineClosed_; }
  // The operating system's reason (an errno) why the last OpenPort could not open the
  // device; 0 after a successful OpenPort or a refusal of the control's own.
  // platform::OpenFailureText puts it in words.
  int LastSystemError() const { return lastSystemError_; }
  const std::string& Answer() const { return answer_; }

  bool OpenPort();
  bool ClosePort();
  void Purge();
  bool SendData(std::string_view data);

  TNotifyEvent OnOpen, OnClose, OnAck, OnNack, OnError;
  TAnswerEvent OnAnswer;
  TFrameEvent OnWrite, OnRead;

  // Handler of the message sink (user-interface thread).
  void WindowMessageProc(const platform::TNotification& message);

 private:
  void StopWorker();
  void EndCommand();
  static void Fire(const TNotifyEvent& event, TFPAuxControl& sender);

  platform::TPortMap ports_;
  TFCommPort commPort_ = FCom1;
  std::atomic<std::int32_t> timeOut_{0};
  TFFiscalState state_ = FEFP_S_Close;
  TFErrorType lastError_ = FEFP_Success;
  bool lineClosed_ = false;
  int lastSystemError_ = 0;
  std::string answer_;

  // The sink outlives the worker, which posts to it.
  std::unique_ptr<platform::TMessageSink> sink_;
  std::unique_ptr<platform::TSerialPort> handle_;
  std::unique_ptr<TFCommThread> worker_;
  std::uint32_t commandNumber_ = 0;  // of the command last handed over
};

}  // namespace quorvel::dgi
