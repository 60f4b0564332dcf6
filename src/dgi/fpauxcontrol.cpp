// SPDX-License-Identifier: MIT
#include "dgi/fpauxcontrol.h"

#include <algorithm>
#include <array>

namespace quorvel::dgi {
namespace {

constexpr int kInterByteGapMs = 10;
constexpr int kLineSpeed = 9600;

std::uint8_t Checksum(std::string_view bytes) {
  std::uint8_t sum = 0;
  for (char c : bytes) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
  return static_cast<std::uint8_t>(0x100 - sum);
}

}  // namespace

const char* ErrorName(TFErrorType error) {
  static constexpr std::array<const char*, 13> kNames = {
      "FEFP_Success",           "FEFP_E_ComInUse",
      "FEFP_E_InvalidCom",      "FEFP_E_ComAlreadyOpen",
      "FEFP_E_ComAlreadyClose", "FEFP_E_BadInitialization",
      "FEFP_E_ComClose",        "FEFP_E_MaxDataLengthReached",
      "FEFP_E_InvalidDataInField", "FEFP_E_OperationInProgress",
      "FEFP_E_WriteError",      "FEFP_E_ReadTimeOut",
      "FEFP_E_NackReceived"};
  const auto index = static_cast<std::size_t>(error);
  return index < kNames.size() ? kNames[index] : "?";
}

std::string BuildCommandFrame(std::string_view data) {
  if (data.size() == 1 && static_cast<std::uint8_t>(data[0]) == kEnq) return std::string(data);
  std::string frame;
  frame.reserve(data.size() + 3);
  frame += static_cast<char>(kStx);
  frame += data;
  frame += static_cast<char>(kEtx);
  frame += static_cast<char>(Checksum(frame));
  return frame;
}

bool CheckFinalFrame(std::string_view frame) {
  static constexpr std::array<std::string_view, 7> kFinalCodes = {"0001", "0002", "0003", "0004",
                                                                  "0010", "0011", "0000"};
  const std::string_view status = frame.substr(std::min<std::size_t>(1, frame.size()), 4);
  return std::find(kFinalCodes.begin(), kFinalCodes.end(), status) != kFinalCodes.end();
}

std::string AnswerData(std::string_view frame) {
  if (frame.size() < 3) return {};
  return std::string(frame.substr(1, frame.size() - 3));
}

// ---- TDgiAnswerReceiver ----

TDgiAnswerReceiver::TOutcome TDgiAnswerReceiver::ParseInputFrame(std::size_t count, TListener& listener) {
  writePos_ += std::min(count, Room());
  while (parsePos_ < writePos_) {
    const std::uint8_t byte = buffer_[parsePos_++];
    switch (state_) {
      case 0:
        if (byte == kAck) {
          listener.AckReceived();
          return TOutcome::Ack;
        }
        if (byte == kNak) {
          listener.NakReceived();
        } else if (byte == kStx) {
          checksum_ = kStx;
          frameStart_ = parsePos_ - 1;
          state_ = 1;
        }
        break;
      case 1:
        checksum_ = static_cast<std::uint8_t>(checksum_ + byte);
        if (byte == kEtx) state_ = 2;
        break;
      default:
        state_ = 0;
        if (static_cast<std::uint8_t>(checksum_ + byte) == 0) {
          frameEnd_ = parsePos_;
          return TOutcome::Frame;
        }
        listener.BadChecksum();
        break;
    }
  }
  return TOutcome::NeedMore;
}

std::string TDgiAnswerReceiver::TakeFrame() {
  std::string frame(reinterpret_cast<const char*>(buffer_ + frameStart_), frameEnd_ - frameStart_);
  ResetInternalState();
  return frame;
}

void TDgiAnswerReceiver::ResetInternalState() {
  writePos_ = parsePos_ = frameStart_ = frameEnd_ = 0;
  state_ = 0;
  checksum_ = 0;
}

// ---- TFCommThread ----

TFCommThread::TFCommThread(platform::TSerialPort& handle, platform::TMessageSink& window,
                           const TFPAuxControl& owner)
    : port_(handle), owner_(owner), worker_(handle, window, *this, kSendBufferSize) {}

// The thread ends before the receiver and the texts it fills.
TFCommThread::~TFCommThread() { worker_.Terminate(); }

void TFCommThread::Exchange(const std::string& frame) {
  port_.DiscardInput();
  if (!SendFrame(frame)) {
    NotifyStatus(WM_DGI_WRITE_ERROR);
  } else if (!WaitAnswer()) {
    NotifyStatus(WM_DGI_READ_ERROR);
  }
  // Output is not discarded here: a completed write may still sit in the device's
  // queue (a pseudo-terminal reports it empty at once), and dropping it would take
  // the printer's ACK away. An abandoned write has discarded its own output.
  port_.DiscardInput();
  receiver_.ResetInternalState();
}

bool TFCommThread::SendFrame(const std::string& frame) {
  if (!WriteComm(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size())) return false;
  writeFrames_.Put(frame);
  NotifyStatus(WM_DGI_WRITE);
  return true;
}

bool TFCommThread::WaitAnswer() {
  for (;;) {
    // A frame that does not fit into the receive buffer ends the exchange.
    const std::size_t room = receiver_.Room();
    if (room == 0) return false;
    const std::int32_t timeOut = owner_.GetTimeOut();
    const int limit = timeOut > 0 ? timeOut : -1;
    std::size_t received = 0;
    const auto result = worker_.ReadBurst(receiver_.WritePointer(), room, limit, kInterByteGapMs, received);
    if (result != platform::TIoResult::Ok || received == 0) return false;

    switch (receiver_.ParseInputFrame(received, *this)) {
      case TDgiAnswerReceiver::TOutcome::NeedMore:
        break;
      case TDgiAnswerReceiver::TOutcome::Ack:
        return true;
      case TDgiAnswerReceiver::TOutcome::Frame: {
        const std::string frame = receiver_.TakeFrame();
        const bool final = CheckFinalFrame(frame);
        readFrames_.Put(frame);
        NotifyStatus(WM_DGI_ANSWER, final ? 1 : 0);
        const std::uint8_t ack = kAck;
        WriteComm(&ack, 1);
        NotifyStatus(WM_DGI_WRITE_ACK);
        if (final) return true;
        break;
      }
    }
  }
}

bool TFCommThread::WriteComm(const std::uint8_t* bytes, std::size_t count) {
  const int limit = static_cast<int>(count) * 10 + 1500;
  return worker_.Write(bytes, count, limit) == platform::TIoResult::Ok;
}

void TFCommThread::NotifyStatus(std::uint32_t code, std::int32_t param) { worker_.Notify(code, param); }

void TFCommThread::AckReceived() { NotifyStatus(WM_DGI_ACK); }

void TFCommThread::NakReceived() { NotifyStatus(WM_DGI_NACK); }

void TFCommThread::BadChecksum() {
  const std::uint8_t nak = kNak;
  WriteComm(&nak, 1);
  NotifyStatus(WM_DGI_WRITE_NACK);
}

// ---- TFPAuxControl ----

TFPAuxControl::TFPAuxControl(platform::TEventLoop& loop)
    : sink_(loop.CreateSink([this](const platform::TNotification& n) { WindowMessageProc(n); })) {}

TFPAuxControl::~TFPAuxControl() {
  if (state_ != FEFP_S_Close) StopWorker();
}

void TFPAuxControl::SetCommPort(TFCommPort port) {
  if (state_ == FEFP_S_Close) commPort_ = port;
}

bool TFPAuxControl::OpenPort() {
  lastSystemError_ = 0;
  if (state_ != FEFP_S_Close) {
    lastError_ = FEFP_E_ComAlreadyOpen;
    return false;
  }
  const int index = (commPort_ >= FCom1 && commPort_ <= FCom4) ? static_cast<int>(commPort_) : 0;
  const auto open = [&](platform::TOpenError& error, int& osError) {
    return platform::TSerialPort::Open(ports_.ComPath(index), error, osError);
  };
  const auto prepare = [](platform::TSerialPort& port) {
    platform::TLineSettings settings;
    settings.bitsPerSecond = kLineSpeed;
    settings.dtrOn = true;
    settings.rtsOn = true;
    settings.dsrOutputFlow = false;
    port.Configure(settings);
    port.DiscardInput();
    port.DiscardOutput();
  };
  const auto make = [&](platform::TSerialPort& port) { return std::make_unique<TFCommThread>(port, *sink_, *this); };
  static constexpr platform::TOpeningErrors<TFErrorType> kOpeningErrors{FEFP_Success, FEFP_E_InvalidCom, FEFP_E_ComInUse,
                                                                        FEFP_E_BadInitialization};
  lastError_ = kOpeningErrors(platform::OpenWorkerPort(open, prepare, make, handle_, worker_, lastSystemError_));
  if (lastError_ != FEFP_Success) return false;
  state_ = FEFP_S_Idle;
  Fire(OnOpen, *this);
  return true;
}

bool TFPAuxControl::ClosePort() {
  if (state_ == FEFP_S_Close) {
    lastError_ = FEFP_E_ComAlreadyClose;
    return false;
  }
  StopWorker();
  state_ = FEFP_S_Close;
  lastError_ = FEFP_Success;
  Fire(OnClose, *this);
  return true;
}

void TFPAuxControl::StopWorker() {
  // The worker goes first (its wait on the line is cancelled at once), so the line
  // is touched by one thread at a time.
  worker_->Terminate();
  worker_.reset();
  handle_->SetDtr(false);
  handle_->SetRts(false);
  handle_->DiscardInput();
  handle_.reset();
}

void TFPAuxControl::Purge() {
  if (state_ != FEFP_S_Close) {
    worker_->AbortSignaledEvents();
    state_ = FEFP_S_Idle;
  }
  lastError_ = FEFP_Success;
}

bool TFPAuxControl::SendData(std::string_view data) {
  if (state_ != FEFP_S_Idle) {
    lastError_ = state_ == FEFP_S_Busy ? FEFP_E_OperationInProgress : FEFP_E_ComClose;
    return false;
  }
  const bool enquiry = data.size() == 1 && static_cast<std::uint8_t>(data[0]) == kEnq;
  if (!enquiry && data.size() > kMaxDataLength) {
    lastError_ = FEFP_E_MaxDataLengthReached;
    return false;
  }
  commandNumber_ = worker_->StartCommand(BuildCommandFrame(data));
  worker_->SignalStartCommand();
  state_ = FEFP_S_Busy;
  lastError_ = FEFP_Success;
  lineClosed_ = false;
  return true;
}

void TFPAuxControl::Fire(const TNotifyEvent& event, TFPAuxControl& sender) {
  if (event) event(sender);
}

void TFPAuxControl::EndCommand() {
  worker_->SignalEndCommand();
  state_ = FEFP_S_Idle;
}

void TFPAuxControl::WindowMessageProc(const platform::TNotification& message) {
  if (!handle_ || !worker_) return;
  if (!worker_->IsOwn(message)) return;  // from a worker since replaced
  // Notifications of a purged exchange, once a newer command is on its way, only
  // report what was written; they must not end the newer command.
  const bool current = message.command == commandNumber_;
  TFCommThread* const worker = worker_.get();

  switch (message.code) {
    case WM_DGI_WRITE: {
      const std::string frame = worker->GetWriteFrame();
      if (OnWrite) OnWrite(*this, frame);
      break;
    }
    case WM_DGI_WRITE_ACK:
      if (OnWrite) OnWrite(*this, std::string(1, static_cast<char>(kAck)));
      break;
    case WM_DGI_WRITE_NACK:
      if (OnWrite) OnWrite(*this, std::string(1, static_cast<char>(kNak)));
      break;
    case WM_DGI_ANSWER: {
      const std::string frame = worker->GetReadFrame();
      if (!current) break;
      // A handler may close, reopen or purge and send again; what follows belongs
      // to this exchange only while it is still the one in progress. A reopened
      // worker may sit at the same address, so it is told apart by its identity.
      const std::uint32_t command = commandNumber_;
      const auto sameExchange = [&] {
        return handle_ && worker_ && worker_->IsOwn(message) && commandNumber_ == command;
      };
      if (OnRead) OnRead(*this, frame);
      if (!sameExchange()) break;
      answer_ = AnswerData(frame);
      const bool isFinal = message.param == 1;
      if (OnAnswer) OnAnswer(*this, isFinal);
      if (isFinal && sameExchange()) EndCommand();
      break;
    }
    case WM_DGI_ACK:
      if (!current) break;
      answer_.clear();
      EndCommand();
      Fire(OnAck, *this);
      break;
    case WM_DGI_NACK:
      if (!current) break;
      lastError_ = FEFP_E_NackReceived;
      Fire(OnNack, *this);
      break;
    case WM_DGI_WRITE_ERROR:
      if (!current) break;
      EndCommand();
      lastError_ = FEFP_E_WriteError;
      lineClosed_ = worker_->LineClosed();
      Fire(OnError, *this);
      break;
    case WM_DGI_READ_ERROR:
      if (!current) break;
      EndCommand();
      if (lastError_ != FEFP_E_NackReceived) lastError_ = FEFP_E_ReadTimeOut;
      lineClosed_ = worker_->LineClosed();
      Fire(OnError, *this);
      break;
    default:
      break;
  }
}

}  // namespace quorvel::dgi
