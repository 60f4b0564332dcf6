// SPDX-License-Identifier: MIT
#include "host/fiscalcontrol.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <limits>
#include <random>

namespace quorvel::host {

const char* ErrorName(TErrorType error) {
  static const char* const names[] = {
      "EFP_Success",           "EFP_E_ComInUse",          "EFP_E_InvalidCom",
      "EFP_E_ComAlreadyOpen",  "EFP_E_ComAlreadyClose",   "EFP_E_BadInitialization",
      "EFP_E_ComClose",        "EFP_E_MaxDataLengthReached", "EFP_E_InvalidDataInField",
      "EFP_E_OperationInProgress", "EFP_E_WriteError",    "EFP_E_ReadTimeOut",
      "EFP_E_NackReceived",    "EFP_E_InvalidIndex"};
  const int i = static_cast<int>(error);
  return i >= 0 && i < static_cast<int>(std::size(names)) ? names[i] : "";
}

const char* NotificationName(std::uint32_t code) {
  static const char* const names[] = {
      "WM_COMM_ACK",   "WM_COMM_NACK",        "WM_COMM_INT_ANSWER", "WM_COMM_FINAL_ANSWER", "WM_COMM_WRITE",
      "WM_COMM_WRITE_ERROR", "WM_COMM_READ",  "WM_COMM_READ_ERROR", "WM_COMM_WRITE_ACK",    "WM_COMM_WRITE_NACK"};
  return code >= WM_COMM_ACK && code <= WM_COMM_WRITE_NACK ? names[code - WM_COMM_ACK] : "";
}

int BitsPerSecond(TBaudRate baud) {
  switch (baud) {
    case br1200: return 1200;
    case br2400: return 2400;
    case br4800: return 4800;
    case br9600: return 9600;
    case br19200: return 19200;
    case br38400: return 38400;
    case br57600: return 57600;
    case br115200: return 115200;
  }
  return 19200;
}

namespace {

// Time a byte may take on the line when a write's limit is computed.
int PerByteWriteMs(TBaudRate baud) {
  switch (baud) {
    case br1200: return 25;
    case br2400: return 20;
    case br4800: return 14;
    default: return 10;
  }
}

constexpr int kWriteSlackMs = 1500;

}  // namespace

// ---------------------------------------------------------------------------
// TCommThread

class TCommThread::TLink : public TAnswerLink {
 public:
  explicit TLink(TCommThread& thread) : thread_(thread) {}
  void Notify(std::uint32_t code) override { thread_.NotifyStatus(code); }
  bool WriteControlByte(std::uint8_t byte) override { return thread_.WriteComm(&byte, 1); }

 private:
  TCommThread& thread_;
};

TCommThread::TCommThread(platform::TSerialPort& port, platform::TMessageSink& sink, TBaudRate baud, bool usb,
                         platform::TTraceSink* trace)
    : port_(port),
      trace_(trace),
      baud_(baud),
      usb_(usb),
      link_(std::make_unique<TLink>(*this)),
      receiver_(std::make_unique<THostAnswerReceiver>(*link_, trace)),
      worker_(port, sink, *this, kSendBufferSize) {}

// The thread ends before the receiver and the texts it fills.
TCommThread::~TCommThread() { worker_.Terminate(); }

void TCommThread::NotifyStatus(std::uint32_t code) { worker_.Notify(code); }

void TCommThread::Woken() { QUORVEL_TRACE(trace_, "Execute: Start of Signal Event"); }

void TCommThread::Exchange(const std::string& frame) {
  QUORVEL_TRACE(trace_, "Execute: Cmd in progress start");
  if (!usb_) port_.DiscardInput();
  if (!SendFrame(frame)) {
    NotifyStatus(WM_COMM_WRITE_ERROR);
    QUORVEL_TRACE(trace_, "Execute: WM_COMM_WRITE_ERROR");
  } else {
    QUORVEL_TRACE(trace_, "Execute: Send Frame ok");
    if (WaitAnswer()) {
      finalFields_.Put(receiver_->Fields());
      NotifyStatus(WM_COMM_FINAL_ANSWER);
      QUORVEL_TRACE(trace_, "Execute: WM_COMM_FINAL_ANSWER");
    } else {
      NotifyStatus(WM_COMM_READ_ERROR);
      QUORVEL_TRACE(trace_, "Execute: WM_COMM_READ_ERROR");
    }
  }
  receiver_->ResetInternalState();
  QUORVEL_TRACE(trace_, "Execute: End of Signal Event");
}

bool TCommThread::SendFrame(const std::string& frame) {
  if (!WriteComm(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size())) return false;
  writeFrames_.Put(frame);
  NotifyStatus(WM_COMM_WRITE);
  QUORVEL_TRACE(trace_, "SendFrame: WM_COMM_WRITE");
  receiver_->BeginCommand(frame.size() > 1 ? static_cast<std::uint8_t>(frame[1]) : 0);
  return true;
}

bool TCommThread::WriteComm(const std::uint8_t* bytes, std::size_t count) {
  const long long limit = static_cast<long long>(PerByteWriteMs(baud_)) * static_cast<long long>(count) + kWriteSlackMs;
  const int timeoutMs = static_cast<int>(std::min<long long>(limit, std::numeric_limits<int>::max()));
  return worker_.Write(bytes, count, timeoutMs) == platform::TIoResult::Ok;
}

bool TCommThread::WaitAnswer() {
  for (;;) {
    // A frame that has filled the receive buffer cannot be completed.
    if (receiver_->Room() == 0) return false;
    std::size_t received = 0;
    const auto result =
        worker_.ReadBurst(receiver_->WritePosition(), receiver_->Room(), silenceLimitMs_, kByteGapMs, received);
    if (result != platform::TIoResult::Ok) return false;
    if (!receiver_->Received(received)) break;
  }
  readFrames_.Put(receiver_->ReadFrame());
  NotifyStatus(WM_COMM_READ);
  QUORVEL_TRACE(trace_, "WaitAnswer: WM_COMM_READ");
  if (receiver_->AckWritten()) {
    NotifyStatus(WM_COMM_WRITE_ACK);
    QUORVEL_TRACE(trace_, "WaitAnswer: WM_COMM_WRITE_ACK");
  }
  return true;
}

// ---------------------------------------------------------------------------
// TFPHostControl

TFPHostControl::TFPHostControl(platform::TEventLoop& loop, platform::TTraceSink* trace)
    : trace_(trace), sink_(loop.CreateSink([this](const platform::TNotification& n) { WndProc(n); })) {}

TFPHostControl::~TFPHostControl() {
  if (worker_) StopWorker();
  sink_.reset();
}

void TFPHostControl::SetCommPort(TCommPort port) {
  if (state_ == EFP_S_Close) commPort_ = port;
}

void TFPHostControl::SetBaudRate(TBaudRate baud) {
  if (state_ == EFP_S_Close) baudRate_ = baud;
}

void TFPHostControl::SetProtocol(TProtocolType protocol) {
  if (protocol == protocol_ || state_ == EFP_S_Busy) return;
  protocol_ = protocol;
  SetFirstSequenceNumber();
}

std::unique_ptr<platform::TSerialPort> TFPHostControl::USBCreateHandle(platform::TOpenError& error, int& osError) const {
  return platform::TSerialPort::Open(portMap_.UsbPath(), error, osError);
}

bool TFPHostControl::OpenPort() {
  lastSystemError_ = 0;
  if (state_ != EFP_S_Close) {
    lastError_ = EFP_E_ComAlreadyOpen;
    return false;
  }
  const bool usb = commPort_ == USB;
  const auto open = [&](platform::TOpenError& error, int& osError) {
    return usb ? USBCreateHandle(error, osError) : platform::TSerialPort::Open(portMap_.ComPath(commPort_), error, osError);
  };
  const auto prepare = [&](platform::TSerialPort& port) {
    // A USB printer node has no line settings; a terminal that the port map names as
    // the USB device (an adapter) still needs raw 8N1, or it would echo and translate bytes.
    if (usb && !port.IsTerminal()) return;
    platform::TLineSettings line;
    line.bitsPerSecond = BitsPerSecond(baudRate_);
    line.dtrOn = true;          // DTR in handshake mode: raised while the port is open
    line.rtsOn = false;         // RTS held off
    line.dsrOutputFlow = true;  // send only while the printer asserts DSR
    port.Configure(line);
  };
  const auto make = [&](platform::TSerialPort& port) {
    auto worker = std::make_unique<TCommThread>(port, *sink_, usb ? br9600 : baudRate_, usb, trace_);
    worker->SetSilenceLimitMs(silenceLimitMs_);
    return worker;
  };
  static constexpr platform::TOpeningErrors<TErrorType> kOpeningErrors{EFP_Success, EFP_E_InvalidCom, EFP_E_ComInUse,
                                                                       EFP_E_BadInitialization};
  lastError_ = kOpeningErrors(platform::OpenWorkerPort(open, prepare, make, port_, worker_, lastSystemError_));
  if (lastError_ != EFP_Success) return false;
  usb_ = usb;
  ClearAssembly();
  SetFirstSequenceNumber();
  state_ = EFP_S_Idle;
  Fire(OnOpen);
  return true;
}

void TFPHostControl::StopWorker() {
  // The worker goes first (its wait on the line is cancelled at once), so nothing
  // is written after the line has been discarded.
  worker_->Terminate();
  worker_.reset();
  DiscardLine();
  port_.reset();
}

void TFPHostControl::DiscardLine() {
  if (usb_) return;  // a USB printer has no queues to discard
  port_->DiscardInput();
  port_->DiscardOutput();
}

bool TFPHostControl::ClosePort() {
  if (state_ == EFP_S_Close) {
    lastError_ = EFP_E_ComAlreadyClose;
    return false;
  }
  StopWorker();
  state_ = EFP_S_Close;
  lastError_ = EFP_Success;
  Fire(OnClose);
  return true;
}

void TFPHostControl::Purge() {
  if (state_ != EFP_S_Close) {
    // Wakes the worker at once (also on USB); a write it abandons discards its
    // own output, and what is left on the line is discarded after it.
    worker_->AbortSignaledEvents();
    DiscardLine();
    state_ = EFP_S_Idle;
  }
  ClearAssembly();
  lastError_ = EFP_Success;
}

void TFPHostControl::ClearAssembly() {
  pendingFrame_.clear();
  dataByteCount_ = 0;
  extraFields_.clear();
}

bool TFPHostControl::AddDataField(const std::string& DataField) {
  // Counted before any check, so a refused field counts too (saturating, never overflowing).
  const auto room = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - dataByteCount_);
  dataByteCount_ = DataField.size() >= room ? std::numeric_limits<std::int32_t>::max()
                                            : dataByteCount_ + static_cast<std::int32_t>(DataField.size());
  for (const char c : DataField) {
    const auto b = static_cast<std::uint8_t>(c);
    if (protocol_ == protocol_Extended) {
      switch (b) {
        case 0x02: case 0x03: case 0x1A: case 0x1B: case 0x1C: case 0x1D: case 0x1E: case 0x1F:
          pendingFrame_.push_back(static_cast<char>(ESC));
          break;
        default:
          break;
      }
    } else if (b < 0x20) {
      lastError_ = EFP_E_InvalidDataInField;
      return false;
    }
    pendingFrame_.push_back(c);
  }
  pendingFrame_.push_back(static_cast<char>(FS));
  lastError_ = EFP_Success;
  return true;
}

bool TFPHostControl::SendCommand() {
  extraFields_.clear();
  if (state_ != EFP_S_Idle) {
    lastError_ = state_ == EFP_S_Busy ? EFP_E_OperationInProgress : EFP_E_ComClose;
    return false;
  }
  // The fields without the separator that followed the last one.
  const std::size_t bodySize = pendingFrame_.empty() ? 0 : pendingFrame_.size() - 1;
  // STX, SEQ, fields, ETX, four checksum characters: it must fit the send buffer.
  if (dataByteCount_ > kMaxDataBytes || bodySize + 7 > kSendBufferSize) {
    lastError_ = EFP_E_MaxDataLengthReached;
    return false;
  }
  std::string frame;
  frame.reserve(bodySize + 7);
  frame.push_back(static_cast<char>(STX));
  frame.push_back(static_cast<char>(GetNextSequenceNumber()));
  frame.append(pendingFrame_, 0, bodySize);
  frame.push_back(static_cast<char>(ETX));
  frame += GetFrameCheckSum(frame);
  lastCommand_ = worker_->StartCommand(frame);
  worker_->SignalStartCommand();
  pendingFrame_.clear();
  dataByteCount_ = 0;
  lastError_ = EFP_Success;
  lineClosed_ = false;
  state_ = EFP_S_Busy;
  QUORVEL_TRACE(trace_, "SendCmd: EFP_S_Busy");
  return true;
}

std::string TFPHostControl::GetExtraField(int FieldNumber) {
  if (FieldNumber < 1 || FieldNumber > GetExtraFieldsCount()) {
    lastError_ = EFP_E_InvalidIndex;
    return {};
  }
  lastError_ = EFP_Success;
  return extraFields_[static_cast<std::size_t>(FieldNumber - 1)];
}

std::uint8_t TFPHostControl::GetNextSequenceNumber() {
  if (protocol_ == protocol_Extended)
    lastSequence_ = lastSequence_ < 0x81 || lastSequence_ == 0xFF ? 0x81 : static_cast<std::uint8_t>(lastSequence_ + 1);
  else
    lastSequence_ = lastSequence_ < 0x20 || lastSequence_ >= 0x7F ? 0x20 : static_cast<std::uint8_t>(lastSequence_ + 1);
  return lastSequence_;
}

void TFPHostControl::SetFirstSequenceNumber() {
  std::minstd_rand random(static_cast<std::minstd_rand::result_type>(std::time(nullptr)));
  const auto r = random();
  lastSequence_ = protocol_ == protocol_Extended ? static_cast<std::uint8_t>(0x81 + r % 127)
                                                 : static_cast<std::uint8_t>(0x20 + r % 96);
}

std::string TFPHostControl::GetFrameCheckSum(const std::string& frame) {
  std::uint16_t sum = 0;
  for (const char c : frame) sum = static_cast<std::uint16_t>(sum + static_cast<std::uint8_t>(c));
  char text[5];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(sum));
  return text;
}

std::uint16_t TFPHostControl::FormatExtenFixedField(const std::string& field) {
  std::string two = field.empty() ? std::string("00") : field.size() == 1 ? "0" + field : field.substr(0, 2);
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(two[0]) * 256 + static_cast<std::uint8_t>(two[1]));
}

std::uint16_t TFPHostControl::FormatCompatibleStatusField(const std::string& field) {
  std::uint16_t value = 0;
  for (const char c : field) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else break;
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  return value;
}

void TFPHostControl::DecodeFinalAnswer(const std::vector<std::string>& fields) {
  const std::size_t n = fields.size();
  auto word = [](std::uint16_t v) { return static_cast<std::int16_t>(v); };
  printerStatus_ = fiscalStatus_ = returnCode_ = 0;
  std::size_t fixed;
  if (protocol_ == protocol_Extended) {
    if (n >= 1) printerStatus_ = word(FormatExtenFixedField(fields[0]));
    if (n >= 2) fiscalStatus_ = word(FormatExtenFixedField(fields[1]));
    if (n >= 4) returnCode_ = word(FormatExtenFixedField(fields[3]));
    fixed = 5;
  } else {
    if (n >= 2) printerStatus_ = word(FormatCompatibleStatusField(fields[1]));
    if (n >= 3) fiscalStatus_ = word(FormatCompatibleStatusField(fields[2]));
    fixed = 3;
  }
  if (n > fixed) extraFields_.assign(fields.begin() + static_cast<std::ptrdiff_t>(fixed), fields.end());
}

bool TFPHostControl::StillServing(const platform::TNotification& n) const { return worker_ && worker_->IsOwn(n); }

void TFPHostControl::Fire(const TNotifyEvent& event) {
  if (event) event(*this);
}

void TFPHostControl::Fire(const TDataEvent& event, const std::string& value) {
  if (event) event(*this, value);
}

void TFPHostControl::EndExchange(std::uint32_t command) {
  worker_->WaitForCommThreadFreeze(command);
  // The end of a command that Purge abandoned must not mark a newer one idle.
  if (command == lastCommand_) state_ = EFP_S_Idle;
}

void TFPHostControl::WndProc(const platform::TNotification& n) {
  if (!port_ || !StillServing(n)) return;  // closed, or from a replaced worker
  const std::uint32_t command = n.command;
  switch (n.code) {
    case WM_COMM_ACK:
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_AK");
      Fire(OnAck);
      break;
    case WM_COMM_NACK:
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_NACK");
      lastError_ = EFP_E_NackReceived;
      Fire(OnNack);
      break;
    case WM_COMM_INT_ANSWER:
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_INT_ANSWER");
      Fire(OnIntermediateAnswer);
      break;
    case WM_COMM_FINAL_ANSWER:
    {
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_FINAL_ANSWER");
      std::vector<std::string> fields = worker_->GetFinalFrame();
      // The answer to a command that Purge abandoned, while a newer one is in
      // progress: reporting it would pass it off as the newer command's answer.
      if (command != lastCommand_) break;
      DecodeFinalAnswer(fields);
      Fire(OnFinalAnswer);
      if (!StillServing(n)) return;  // the handler closed the port
      EndExchange(command);
      QUORVEL_TRACE(trace_, "WndProc: EFP_S_Idle");
      break;
    }
    case WM_COMM_WRITE:
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_WRITE");
      Fire(OnWrite, worker_->GetWriteFrame());
      break;
    case WM_COMM_WRITE_ERROR:
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_WRITE_ERROR");
      lastError_ = EFP_E_WriteError;
      lineClosed_ = worker_->LineClosed();
      Fire(OnError);
      if (StillServing(n)) EndExchange(command);
      break;
    case WM_COMM_READ:
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_READ");
      Fire(OnRead, worker_->GetReadFrame());
      break;
    case WM_COMM_READ_ERROR:
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_READ_ERROR");
      if (lastError_ != EFP_E_NackReceived) lastError_ = EFP_E_ReadTimeOut;
      lineClosed_ = worker_->LineClosed();
      Fire(OnError);
      if (StillServing(n)) EndExchange(command);
      break;
    case WM_COMM_WRITE_ACK:
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_WRITE_ACK");
      Fire(OnWrite, std::string(1, static_cast<char>(ACK)));
      break;
    case WM_COMM_WRITE_NACK:
      QUORVEL_TRACE(trace_, "WndProc: WM_COMM_WRITE_NACK");
      Fire(OnWrite, std::string(1, static_cast<char>(NAK)));
      break;
    default:
      break;
  }
}

}  // namespace quorvel::host
