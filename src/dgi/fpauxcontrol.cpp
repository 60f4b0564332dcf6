#include "dgi/fpauxcontrol.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <system_error>

namespace quorvel::dgi {
namespace {

constexpr int kInterByteGapMs = 10;
constexpr int kLineSpeed = 9600;

// Every notification carries the worker that posted it (upper half) and the number
// of the command whose exchange it belongs to (lower half).
std::uint64_t NotificationTag(std::uint64_t worker, std::uint32_t command) {
  return (worker << 32) | command;
}
std::uint64_t TagWorker(std::uint64_t tag) { return tag >> 32; }
std::uint32_t TagCommand(std::uint64_t tag) { return static_cast<std::uint32_t>(tag & 0xFFFFFFFFu); }

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

// ---- TAnswerReceiver ----

TAnswerReceiver::TOutcome TAnswerReceiver::ParseInputFrame(std::size_t count, TListener& listener) {
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

std::string TAnswerReceiver::TakeFrame() {
  std::string frame(reinterpret_cast<const char*>(buffer_ + frameStart_), frameEnd_ - frameStart_);
  ResetInternalState();
  return frame;
}

void TAnswerReceiver::ResetInternalState() {
  writePos_ = parsePos_ = frameStart_ = frameEnd_ = 0;
  state_ = 0;
  checksum_ = 0;
}

// ---- TSignal ----

void TSignal::Set() {
  {
    std::lock_guard guard(mutex_);
    set_ = true;
  }
  changed_.notify_all();
}

void TSignal::Clear() {
  std::lock_guard guard(mutex_);
  set_ = false;
}

void TSignal::Wait() {
  std::unique_lock guard(mutex_);
  changed_.wait(guard, [this] { return set_; });
}

// ---- TFCommThread ----

TFCommThread::TFCommThread(platform::TSerialPort& handle, platform::TMessageSink& window,
                           const TFPAuxControl& owner, std::uint64_t identity)
    : port_(handle), window_(window), owner_(owner), identity_(identity) {}

TFCommThread::~TFCommThread() {
  if (thread_.joinable()) {
    Terminate();
    WaitFor();
  }
}

void TFCommThread::Start() { thread_ = std::thread([this] { Execute(); }); }

void TFCommThread::Terminate() {
  terminated_ = true;
  AbortSignaledEvents();
}

void TFCommThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

void TFCommThread::StartCommand(std::string_view frame, std::uint32_t commandNumber) {
  std::lock_guard guard(lock_);
  commandLength_ = std::min(frame.size(), kSendBufferSize);
  std::memcpy(sendBuffer_, frame.data(), commandLength_);
  pendingNumber_ = commandNumber;
  pendingCommand_ = true;
}

void TFCommThread::SignalStartCommand() { commandStart_.Set(); }

void TFCommThread::SignalEndCommand() {
  // A command handed over in the meantime keeps its wake-up.
  std::lock_guard guard(lock_);
  if (!pendingCommand_) commandStart_.Clear();
}

void TFCommThread::AbortSignaledEvents() {
  {
    // Under the lock, so the cancel hits exactly the exchange taken before it.
    std::lock_guard guard(lock_);
    pendingCommand_ = false;
    port_.Cancel();
  }
  commandStart_.Set();
}

std::string TFCommThread::GetWriteFrame() {
  std::lock_guard guard(lock_);
  return platform::TakeFront(writeFrames_);
}

std::string TFCommThread::GetReadFrame() {
  std::lock_guard guard(lock_);
  return platform::TakeFront(readFrames_);
}

void TFCommThread::Execute() {
  while (!terminated_) {
    commandStart_.Wait();
    if (terminated_) break;
    if (TakeCommand()) {
      port_.DiscardInput();
      if (!SendFrame()) {
        NotifyStatus(WM_DGI_WRITE_ERROR);
      } else if (!WaitAnswer()) {
        NotifyStatus(WM_DGI_READ_ERROR);
      }
    }
    // Output is not discarded here: a completed write may still sit in the device's
    // queue (a pseudo-terminal reports it empty at once), and dropping it would take
    // the printer's ACK away. An abandoned write has discarded its own output.
    port_.DiscardInput();
    receiver_.ResetInternalState();
    EndOfCycle();
  }
}

bool TFCommThread::TakeCommand() {
  std::lock_guard guard(lock_);
  if (!pendingCommand_) return false;
  frameLength_ = commandLength_;
  std::memcpy(frame_, sendBuffer_, frameLength_);
  exchangeNumber_ = pendingNumber_;
  pendingCommand_ = false;
  lineClosed_ = false;
  // A cancel from before this point belonged to an earlier exchange.
  port_.ResetCancel();
  return true;
}

void TFCommThread::EndOfCycle() {
  // Sleep again only when no command was handed over during the cycle.
  std::lock_guard guard(lock_);
  if (!pendingCommand_) commandStart_.Clear();
}

bool TFCommThread::SendFrame() {
  if (!WriteComm(frame_, frameLength_)) return false;
  SetWriteFrame(std::string(reinterpret_cast<const char*>(frame_), frameLength_));
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
    const auto result = port_.ReadBurst(receiver_.WritePointer(), room, limit, kInterByteGapMs, received);
    if (result == platform::TIoResult::Failed) lineClosed_ = true;
    if (result != platform::TIoResult::Ok || received == 0) return false;

    switch (receiver_.ParseInputFrame(received, *this)) {
      case TAnswerReceiver::TOutcome::NeedMore:
        break;
      case TAnswerReceiver::TOutcome::Ack:
        return true;
      case TAnswerReceiver::TOutcome::Frame: {
        const std::string frame = receiver_.TakeFrame();
        const bool final = CheckFinalFrame(frame);
        SetReadFrame(frame);
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
  const auto result = port_.Write(bytes, count, limit);
  if (result == platform::TIoResult::Failed) lineClosed_ = true;
  return result == platform::TIoResult::Ok;
}

void TFCommThread::SetWriteFrame(const std::string& text) {
  std::lock_guard guard(lock_);
  writeFrames_.push_back(text);
}

void TFCommThread::SetReadFrame(const std::string& text) {
  std::lock_guard guard(lock_);
  readFrames_.push_back(text);
}

void TFCommThread::NotifyStatus(std::uint32_t code, std::int32_t param) {
  window_.Post(platform::TNotification{code, param, NotificationTag(identity_, exchangeNumber_)});
}

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
  platform::TOpenError openError = platform::TOpenError::None;
  auto port = platform::TSerialPort::Open(ports_.ComPath(index), openError, lastSystemError_);
  if (!port) {
    lastError_ = openError == platform::TOpenError::NoSuchDevice ? FEFP_E_InvalidCom : FEFP_E_ComInUse;
    return false;
  }
  platform::TLineSettings settings;
  settings.bitsPerSecond = kLineSpeed;
  settings.dtrOn = true;
  settings.rtsOn = true;
  settings.dsrOutputFlow = false;
  port->Configure(settings);
  port->DiscardInput();
  port->DiscardOutput();

  auto worker = std::make_unique<TFCommThread>(*port, *sink_, *this, platform::NewWorkerIdentity());
  try {
    worker->Start();
  } catch (const std::system_error&) {
    lastError_ = FEFP_E_BadInitialization;
    return false;  // the port closes as it goes out of scope
  }
  handle_ = std::move(port);
  worker_ = std::move(worker);
  state_ = FEFP_S_Idle;
  lastError_ = FEFP_Success;
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
  worker_->WaitFor();
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
  ++commandNumber_;
  worker_->StartCommand(BuildCommandFrame(data), commandNumber_);
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
  if (TagWorker(message.worker) != worker_->Identity()) return;  // from a worker since replaced
  // Notifications of a purged exchange, once a newer command is on its way, only
  // report what was written; they must not end the newer command.
  const bool current = TagCommand(message.worker) == commandNumber_;
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
      const std::uint64_t identity = worker->Identity();
      const std::uint32_t command = commandNumber_;
      const auto sameExchange = [&] {
        return handle_ && worker_ && worker_->Identity() == identity && commandNumber_ == command;
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
