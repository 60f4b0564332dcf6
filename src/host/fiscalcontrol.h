// SPDX-License-Identifier: MIT
#pragma once
// TFPHostControl: the fiscal printer's host port. It assembles framed, checksummed
// commands, hands each to its worker thread TCommThread, and turns the worker's
// notifications into events on the owner's thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/answerparser.h"
#include "host/notifications.h"
#include "platform/messagesink.h"
#include "platform/portmap.h"
#include "platform/portworker.h"
#include "platform/serialport.h"
#include "platform/trace.h"

namespace quorvel::host {

enum TCommPort : int {
  Com1, Com2, Com3, Com4, Com5, Com6, Com7, Com8,
  Com9, Com10, Com11, Com12, Com13, Com14, Com15, Com16,
  USB
};

enum TBaudRate : int { br1200, br2400, br4800, br9600, br19200, br38400, br57600, br115200 };

enum TProtocolType : int { protocol_Compatible = 0, protocol_Extended = 1 };

enum TFiscalState : int { EFP_S_Close, EFP_S_Idle, EFP_S_Busy };

enum TErrorType : int {
  EFP_Success,
  EFP_E_ComInUse,
  EFP_E_InvalidCom,
  EFP_E_ComAlreadyOpen,
  EFP_E_ComAlreadyClose,
  EFP_E_BadInitialization,
  EFP_E_ComClose,
  EFP_E_MaxDataLengthReached,
  EFP_E_InvalidDataInField,
  EFP_E_OperationInProgress,
  EFP_E_WriteError,
  EFP_E_ReadTimeOut,
  EFP_E_NackReceived,
  EFP_E_InvalidIndex
};

// "EFP_E_ReadTimeOut" and so on; "" for a value outside the type.
const char* ErrorName(TErrorType error);
// The notification's name ("WM_COMM_ACK" ...); "" for an unknown code.
const char* NotificationName(std::uint32_t code);
// Bits per second of a baud rate index; an unknown index gives 19200.
int BitsPerSecond(TBaudRate baud);

inline constexpr std::size_t kSendBufferSize = 8192;
inline constexpr int kMaxDataBytes = 2048;
inline constexpr int kSilenceLimitMs = 3500;  // no byte for this long ends an exchange
inline constexpr int kByteGapMs = 10;         // no byte for this long ends a read burst

// The worker: one command exchange at a time on the open port. The thread, its
// start signal, the cancel, the lock and the hand-over of texts are the port
// worker's; this class is the host protocol's exchange.
class TCommThread : private platform::TPortWorker::TProtocol {
 public:
  TCommThread(platform::TSerialPort& port, platform::TMessageSink& sink, TBaudRate baud, bool usb,
              platform::TTraceSink* trace = nullptr);
  ~TCommThread() override;  // terminates and joins the thread if still running
  TCommThread(const TCommThread&) = delete;
  TCommThread& operator=(const TCommThread&) = delete;

  // True when this worker posted `n` (not a worker it replaced).
  bool IsOwn(const platform::TNotification& n) const { return worker_.IsOwn(n); }
  // For tests: a shorter silence limit than the protocol's 3500 ms; before Start().
  void SetSilenceLimitMs(int ms) { silenceLimitMs_ = ms; }

  // Starts the thread (throws std::system_error when it cannot be created).
  void Start() { worker_.Start(); }
  // Asks the thread to end, wakes it and waits until it has left its loop.
  void Terminate() { worker_.Terminate(); }

  // Owner's thread. Copies the frame into the send buffer and marks a command as
  // pending; returns the command's number, which its notifications carry as `command`.
  std::uint32_t StartCommand(const std::string& frame) { return worker_.StartCommand(frame); }
  void SignalStartCommand() { worker_.SignalStartCommand(); }
  // Drops the pending command, ends the exchange in progress and wakes a waiting
  // worker (Purge, ClosePort).
  void AbortSignaledEvents() { worker_.AbortSignaledEvents(); }
  // Waits until the worker has finished the cycle of command `command`.
  void WaitForCommThreadFreeze(std::uint32_t command) { worker_.WaitForCycleEnd(command); }

  // Each notification that carries a text has its own, taken in posting order,
  // so a notification handled late still gets the frame it announced.
  std::string GetWriteFrame() { return writeFrames_.Take(); }
  std::string GetReadFrame() { return readFrames_.Take(); }
  std::vector<std::string> GetFinalFrame() { return finalFields_.Take(); }

  // True when the line reported a hang-up or an I/O failure during the exchange in
  // progress or last finished (a silent printer leaves it false).
  bool LineClosed() const { return worker_.LineClosed(); }

 private:
  class TLink;
  void Woken() override;
  void Exchange(const std::string& frame) override;
  bool SendFrame(const std::string& frame);
  bool WaitAnswer();
  bool WriteComm(const std::uint8_t* bytes, std::size_t count);
  void NotifyStatus(std::uint32_t code);

  platform::TSerialPort& port_;
  platform::TTraceSink* trace_;
  const TBaudRate baud_;
  const bool usb_;
  int silenceLimitMs_ = kSilenceLimitMs;

  // Worker-only state.
  std::unique_ptr<TLink> link_;
  std::unique_ptr<THostAnswerReceiver> receiver_;

  platform::TPortWorker worker_;
  platform::TPortWorker::THandOver<std::string> writeFrames_{worker_};
  platform::TPortWorker::THandOver<std::string> readFrames_{worker_};
  platform::TPortWorker::THandOver<std::vector<std::string>> finalFields_{worker_};
};

class TFPHostControl {
 public:
  using TNotifyEvent = std::function<void(TFPHostControl& Sender)>;
  using TDataEvent = std::function<void(TFPHostControl& Sender, const std::string& Value)>;

  explicit TFPHostControl(platform::TEventLoop& loop, platform::TTraceSink* trace = nullptr);
  ~TFPHostControl();
  TFPHostControl(const TFPHostControl&) = delete;
  TFPHostControl& operator=(const TFPHostControl&) = delete;

  // Properties.
  TCommPort CommPort() const { return commPort_; }
  void SetCommPort(TCommPort port);
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate baud);
  TProtocolType ProtocolType() const { return protocol_; }
  void SetProtocol(TProtocolType protocol);
  TFiscalState State() const { return state_; }
  TErrorType LastError() const { return lastError_; }
  // After OnError: true when the exchange ended because the line was closed (hang-up,
  // unplugged device, I/O failure) rather than because the printer kept silent.
  bool LineClosed() const { return lineClosed_; }
  // The operating system's reason (an errno) why the last OpenPort could not open the
  // device; 0 after a successful OpenPort or a refusal of the control's own.
  // platform::OpenFailureText puts it in words.
  int LastSystemError() const { return lastSystemError_; }
  int ExtraFieldsCount() const { return GetExtraFieldsCount(); }
  int GetExtraFieldsCount() const { return static_cast<int>(extraFields_.size()); }
  std::int16_t PrinterStatus() const { return printerStatus_; }
  std::int16_t FiscalStatus() const { return fiscalStatus_; }
  std::int16_t ReturnCode() const { return returnCode_; }

  // Where Com1 ... Com16 and USB are on this machine; taken at the next OpenPort.
  void SetPortMap(const platform::TPortMap& map) { portMap_ = map; }
  const platform::TPortMap& PortMap() const { return portMap_; }
  // For tests only: a shorter silence limit than the protocol's 3500 ms, taken at
  // the next OpenPort.
  void SetSilenceLimitMsForTests(int ms) { silenceLimitMs_ = ms; }
  // For tests only: the last sequence number, so that the next one can be predicted.
  void SetLastSequenceNumberForTests(std::uint8_t seq) { lastSequence_ = seq; }

  // Operations.
  bool OpenPort();
  bool ClosePort();
  void Purge();
  bool AddDataField(const std::string& DataField);
  bool SendCommand();
  std::string GetExtraField(int FieldNumber);

  // Frame helpers.
  std::uint8_t GetNextSequenceNumber();
  void SetFirstSequenceNumber();
  static std::string GetFrameCheckSum(const std::string& frame);
  static std::uint16_t FormatExtenFixedField(const std::string& field);
  // A compatible-protocol status field: its hexadecimal digits up to the first byte
  // that is not one (0 when there is none), modulo 65536.
  static std::uint16_t FormatCompatibleStatusField(const std::string& field);

  // Events (each fired only when set).
  TNotifyEvent OnOpen, OnClose, OnAck, OnNack, OnIntermediateAnswer, OnFinalAnswer, OnError;
  TDataEvent OnWrite, OnRead;

  // The message sink's handler: the worker's notifications, on the owner's thread.
  void WndProc(const platform::TNotification& n);

 private:
  std::unique_ptr<platform::TSerialPort> USBCreateHandle(platform::TOpenError& error, int& osError) const;
  void ClearAssembly();
  void StopWorker();
  void DiscardLine();
  void DecodeFinalAnswer(const std::vector<std::string>& fields);
  void EndExchange(std::uint32_t command);
  void Fire(const TNotifyEvent& event);
  void Fire(const TDataEvent& event, const std::string& value);
  bool StillServing(const platform::TNotification& n) const;

  platform::TTraceSink* trace_;
  std::unique_ptr<platform::TMessageSink> sink_;
  platform::TPortMap portMap_;
  int silenceLimitMs_ = kSilenceLimitMs;

  TCommPort commPort_ = Com1;
  TBaudRate baudRate_ = br1200;
  TProtocolType protocol_ = protocol_Compatible;
  TFiscalState state_ = EFP_S_Close;
  TErrorType lastError_ = EFP_Success;
  bool lineClosed_ = false;
  int lastSystemError_ = 0;
  std::int16_t printerStatus_ = 0;
  std::int16_t fiscalStatus_ = 0;
  std::int16_t returnCode_ = 0;

  std::unique_ptr<platform::TSerialPort> port_;
  std::unique_ptr<TCommThread> worker_;
  bool usb_ = false;
  std::uint32_t lastCommand_ = 0;  // number of the command handed over last

  std::string pendingFrame_;
  std::int32_t dataByteCount_ = 0;
  std::uint8_t lastSequence_ = 0;
  std::vector<std::string> extraFields_;
};

}  // namespace quorvel::host
