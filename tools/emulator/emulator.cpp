// SPDX-License-Identifier: MIT
#include "emulator/emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "emulator/wire.h"

namespace quorvel::emulator {
namespace {

using Clock = std::chrono::steady_clock;

// How long the printer waits for the host's ACK or NAK before it gives the reply up.
constexpr int kHostReplyWaitMs = 5000;

std::runtime_error SystemError(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

std::string Hex4(std::uint16_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(4, '0');
  for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(3 - i)] = kDigits[(value >> (4 * i)) & 0x0F];
  return out;
}

std::string Word(std::uint16_t value) {
  return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

std::vector<std::string> HostAnswerFields(const THostReply& reply, THostProtocol protocol,
                                          const std::string& command,
                                          const std::optional<std::vector<std::string>>& extrasOverride) {
  if (reply.rawFields) return *reply.rawFields;
  std::vector<std::string> fields;
  if (protocol == THostProtocol::Compatible) {
    fields = {command, Hex4(reply.printerStatus), Hex4(reply.fiscalStatus)};
  } else {
    fields = {Word(reply.printerStatus), Word(reply.fiscalStatus), "", Word(reply.returnCode), ""};
  }
  const std::vector<std::string> extras =
      extrasOverride ? *extrasOverride : reply.fields ? *reply.fields : std::vector<std::string>{command};
  fields.insert(fields.end(), extras.begin(), extras.end());
  return fields;
}

// A sequence number that is neither the command's nor the intermediate marker.
std::uint8_t OtherSeq(std::uint8_t seq, THostProtocol protocol) {
  const std::uint8_t first = protocol == THostProtocol::Compatible ? 0x20 : 0x81;
  const std::uint8_t last = protocol == THostProtocol::Compatible ? 0x7F : 0xFF;
  std::uint8_t other = seq == first ? last : static_cast<std::uint8_t>(seq - 1);
  if (other == wire::kIntermediateSeq) other = 0x7F;
  return other;
}

}  // namespace

struct TEmulator::TImpl {
  enum class TWake { Input, Timeout, Stop };

  TLine line;
  std::string linkPath;
  std::string slaveName;
  int master = -1;  // owned by the emulator's thread once it runs
  int slave = -1;   // held open so the master never sees a hang-up between the host's opens
  int wake = -1;
  int closeWatch = -1;  // inotify: someone closed the slave
  std::thread worker;

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  // Guarded by `mutex`.
  THostProtocol protocol = THostProtocol::Compatible;
  std::deque<THostReply> hostQueue;
  THostReply hostDefault;
  std::map<std::string, THostReply> hostFor;
  std::deque<TDgiReply> dgiQueue;
  TDgiReply dgiDefault;
  std::map<std::string, TDgiReply> dgiFor;
  std::vector<std::string> frames;
  std::string bytes;
  TFrameObserver observer;
  bool stopRequested = false;
  bool hangUpRequested = false;
  bool hungUp = false;

  // The emulator's thread only.
  std::string inbox;  // received bytes not yet taken by the command reader or a reply
  wire::THostCommandReader hostReader;
  wire::TDgiCommandReader dgiReader;

  TImpl(TLine lineKind, std::string link) : line(lineKind), linkPath(std::move(link)) {}

  void Open() {
    termios raw{};
    cfmakeraw(&raw);
    char name[256] = {};
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) throw SystemError("openpty");
    slaveName = name;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) throw SystemError("eventfd");
    WatchCloses();
    if (!linkPath.empty()) MakeLink();
  }

  // The host's exclusive mode (TIOCEXCL) would outlive its close, because the emulator's
  // own slave descriptor keeps the terminal open: a later open by a non-root user would
  // fail with EBUSY. A real port forgets the mode when it is closed; so does this one.
  void WatchCloses() {
    closeWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (closeWatch >= 0 && inotify_add_watch(closeWatch, slaveName.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
      close(closeWatch);
      closeWatch = -1;
    }
  }

  void OnSlaveClosed() {
    alignas(inotify_event) char events[4096];
    while (read(closeWatch, events, sizeof events) > 0) {
    }
    if (slave >= 0) ioctl(slave, TIOCNXCL);
  }

  void MakeLink() {
    struct stat info {};
    if (lstat(linkPath.c_str(), &info) == 0) {
      if (!S_ISLNK(info.st_mode)) throw std::runtime_error(linkPath + " exists and is not a symbolic link");
      unlink(linkPath.c_str());
    }
    if (symlink(slaveName.c_str(), linkPath.c_str()) != 0) throw SystemError("symlink " + linkPath);
  }

  void RemoveLink() {
    if (linkPath.empty()) return;
    char target[256] = {};
    const ssize_t n = readlink(linkPath.c_str(), target, sizeof target - 1);
    if (n > 0 && slaveName == std::string(target, static_cast<std::size_t>(n))) unlink(linkPath.c_str());
  }

  void CloseFds() {
    for (int* fd : {&master, &slave, &wake, &closeWatch}) {
      if (*fd >= 0) close(*fd);
      *fd = -1;
    }
  }

  // ---- Thread side ----

  void Run() {
    while (!StopRequested()) {
      ProcessInbox();
      if (!StopRequested()) Poll(-1);
    }
  }

  bool StopRequested() const {
    std::lock_guard lock(mutex);
    return stopRequested;
  }

  void WakeThread() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wake, &one, sizeof one);
  }

  // Reads the wake counter; true when the thread must drop what it is doing.
  bool HandleWake() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = read(wake, &count, sizeof count);
    bool hangUp = false;
    bool stop = false;
    {
      std::lock_guard lock(mutex);
      hangUp = hangUpRequested && !hungUp;
      stop = stopRequested;
    }
    if (hangUp) CloseLine();
    return hangUp || stop;
  }

  void CloseLine() {
    inbox.clear();
    // An unplugged adapter's device node goes away; so does the link, before the
    // terminal's number is free for someone else's terminal to take.
    RemoveLink();
    // Closed under the lock, so whoever sees the hang-up on the line also sees IsHungUp().
    std::lock_guard lock(mutex);
    for (int* fd : {&master, &slave, &closeWatch}) {
      if (*fd >= 0) close(*fd);
      *fd = -1;
    }
    hungUp = true;
    changed.notify_all();
  }

  void ReadLine(short revents) {
    char buffer[4096];
    const ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0) {
      inbox.append(buffer, static_cast<std::size_t>(n));
      std::lock_guard lock(mutex);
      bytes.append(buffer, static_cast<std::size_t>(n));
      return;
    }
    const bool transient = n < 0 && (errno == EAGAIN || errno == EINTR);
    if (!transient || (revents & (POLLHUP | POLLERR))) CloseLine();  // never spin on a dead line
  }

  // One wait for input, the wake signal or the time-out.
  TWake Poll(int timeoutMs) {
    const bool lineOpen = master >= 0;
    pollfd fds[3] = {{wake, POLLIN, 0}, {closeWatch, POLLIN, 0}, {master, POLLIN, 0}};
    const int ready = poll(fds, lineOpen ? 3 : 2, timeoutMs);  // a negative closeWatch is skipped
    if (ready < 0) return errno == EINTR ? TWake::Input : TWake::Stop;
    if (ready == 0) return TWake::Timeout;
    if ((fds[0].revents & POLLIN) && HandleWake()) return TWake::Stop;
    if (fds[1].revents & POLLIN) OnSlaveClosed();
    if (lineOpen && fds[2].revents) ReadLine(fds[2].revents);
    return master >= 0 ? TWake::Input : TWake::Stop;
  }

  static int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
  }

  bool IsCommandStart(char byte) const {
    return byte == wire::kStx || (line == TLine::Dgi && byte == wire::kEnq);
  }

  // A new command from the host ends the reply that is still being played.
  bool NewCommandWaiting() const {
    for (char c : inbox) {
      if (IsCommandStart(c)) return true;
    }
    return false;
  }

  // A configured pause; false when the reply must be dropped.
  bool Delay(int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (true) {
      if (NewCommandWaiting()) return false;
      const int left = RemainingMs(deadline);
      if (left == 0) return true;
      if (Poll(left) == TWake::Stop) return false;
    }
  }

  // Waits for one byte from the host (ACK or NAK), skipping others but not a new command.
  bool WaitForByte(char wanted, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
      while (!inbox.empty()) {
        const char c = inbox.front();
        if (IsCommandStart(c)) return false;
        inbox.erase(0, 1);
        if (c == wanted) return true;
      }
      const int left = RemainingMs(deadline);
      if (left == 0 || Poll(left) == TWake::Stop) return false;
    }
  }

  bool WriteAll(std::string_view data) {
    while (!data.empty()) {
      if (master < 0) return false;
      const ssize_t n = write(master, data.data(), data.size());
      if (n > 0) {
        data.remove_prefix(static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
      pollfd fds[2] = {{wake, POLLIN, 0}, {master, POLLOUT, 0}};
      if (poll(fds, 2, -1) < 0 && errno != EINTR) return false;
      if ((fds[0].revents & POLLIN) && HandleWake()) return false;
    }
    return true;
  }

  bool Send(std::string_view data, int byteDelayMs = 0) {
    if (byteDelayMs <= 0) return WriteAll(data);
    for (std::size_t i = 0; i < data.size(); ++i) {
      if (i > 0 && !Delay(byteDelayMs)) return false;
      if (!WriteAll(data.substr(i, 1))) return false;
    }
    return true;
  }

  void ProcessInbox() {
    std::size_t used = 0;
    while (used < inbox.size() && master >= 0 && !StopRequested()) {
      const char c = inbox[used++];
      if (line == TLine::Host) {
        if (auto command = hostReader.Feed(c)) {
          inbox.erase(0, used);  // the reply reads on from here
          used = 0;
          OnHostCommand(*command);
        }
      } else if (auto command = dgiReader.Feed(c)) {
        inbox.erase(0, used);
        used = 0;
        OnDgiCommand(*command);
      }
    }
    inbox.erase(0, std::min(used, inbox.size()));
  }

  void Record(const std::string& frame) {
    TFrameObserver notify;
    {
      std::lock_guard lock(mutex);
      frames.push_back(frame);
      notify = observer;
      changed.notify_all();
    }
    if (notify) notify(frame);
  }

  template <typename Reply>
  static Reply Choose(std::deque<Reply>& queue, const std::map<std::string, Reply>& byCommand,
                      const Reply& fallback, const std::string& key) {
    if (!queue.empty()) {
      Reply reply = queue.front();
      queue.pop_front();
      return reply;
    }
    const auto found = byCommand.find(key);
    return found != byCommand.end() ? found->second : fallback;
  }

  void OnHostCommand(const wire::THostCommand& command) {
    Record(command.frame);
    if (!command.checksumOk) {
      Send(std::string(1, wire::kNak));
      return;
    }
    THostReply reply;
    THostProtocol variant;
    {
      std::lock_guard lock(mutex);
      reply = Choose(hostQueue, hostFor, hostDefault, command.fields.front());
      variant = protocol;
    }
    PlayHostReply(reply, variant, command);
  }

  void PlayHostReply(const THostReply& reply, THostProtocol variant, const wire::THostCommand& command) {
    if (reply.silent) return;
    if (reply.nak) {
      Send(std::string(1, wire::kNak));
      return;
    }
    if (reply.ackFirst && !Send(std::string(1, wire::kAck))) return;
    for (int i = 0; i < reply.busyReports; ++i) {
      if (!Delay(reply.busyIntervalMs) || !Send(std::string(1, wire::kDc2))) return;
    }
    if (reply.busyReports > 0 && !Delay(reply.busyIntervalMs)) return;

    const bool escape = variant == THostProtocol::Extended;
    const std::string& name = command.fields.front();
    const int slow = reply.byteDelayMs;
    for (int i = 0; i < reply.intermediateFrames; ++i) {
      const auto fields = HostAnswerFields(reply, variant, name, std::vector<std::string>{"intermediate"});
      if (!Send(wire::HostFrame(wire::kIntermediateSeq, fields, escape), slow)) return;
    }
    if (reply.staleAnswerFirst) {
      const auto fields = HostAnswerFields(reply, variant, name, std::vector<std::string>{"stale"});
      if (!Send(wire::HostFrame(OtherSeq(command.seq, variant), fields, escape), slow)) return;
    }
    const std::string answer = wire::HostFrame(command.seq, HostAnswerFields(reply, variant, name, {}), escape);
    for (int i = 0; i < reply.badChecksums; ++i) {
      if (!Send(wire::WithBadHostChecksum(answer), slow)) return;
      if (!WaitForByte(wire::kNak, kHostReplyWaitMs)) return;
    }
    if (reply.hangUpMidAnswer) {
      if (Send(std::string_view(answer).substr(0, answer.size() / 2), slow)) CloseLine();
      return;
    }
    Send(answer + reply.extraAfter, slow);
  }

  void OnDgiCommand(const wire::TDgiCommand& command) {
    Record(command.frame);
    if (command.enq) {
      Send(std::string(1, wire::kAck));  // "alive"
      return;
    }
    if (!command.checksumOk) {
      Send(std::string(1, wire::kNak));
      return;
    }
    TDgiReply reply;
    {
      std::lock_guard lock(mutex);
      reply = Choose(dgiQueue, dgiFor, dgiDefault, command.data);
    }
    PlayDgiReply(reply);
  }

  void PlayDgiReply(const TDgiReply& reply) {
    if (!reply.raw.empty()) {
      Send(reply.raw);
      return;
    }
    if (reply.silent) return;
    if (reply.nak) {
      Send(std::string(1, wire::kNak));
      return;
    }
    if (reply.frames.empty()) {
      if (reply.ackOnly) Send(std::string(1, wire::kAck));
      return;
    }
    for (std::size_t i = 0; i < reply.frames.size(); ++i) {
      const std::string frame = wire::DgiFrame(reply.frames[i]);
      if (reply.pauseMs > 0 && !Delay(reply.pauseMs)) return;
      for (int bad = 0; i == 0 && bad < reply.badChecksums; ++bad) {
        if (!Send(wire::WithBadDgiChecksum(frame)) || !WaitForByte(wire::kNak, kHostReplyWaitMs)) return;
      }
      if (!Send(frame)) return;
      // The host drops whatever follows a frame in the same burst, so wait for its ACK.
      if (i + 1 < reply.frames.size() && !WaitForByte(wire::kAck, kHostReplyWaitMs)) return;
    }
  }
};

TEmulator::TEmulator(TLine line, const std::string& linkPath) : impl_(std::make_unique<TImpl>(line, linkPath)) {
  try {
    impl_->Open();
  } catch (...) {
    impl_->CloseFds();
    throw;
  }
  impl_->worker = std::thread([impl = impl_.get()] { impl->Run(); });
}

TEmulator::~TEmulator() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopRequested = true;
  }
  impl_->WakeThread();
  impl_->worker.join();
  impl_->RemoveLink();
  impl_->CloseFds();
}

std::string TEmulator::DevicePath() const { return impl_->linkPath.empty() ? impl_->slaveName : impl_->linkPath; }

void TEmulator::SetHostProtocol(THostProtocol protocol) {
  std::lock_guard lock(impl_->mutex);
  impl_->protocol = protocol;
}

void TEmulator::QueueHostReply(const THostReply& reply) {
  std::lock_guard lock(impl_->mutex);
  impl_->hostQueue.push_back(reply);
}

void TEmulator::SetDefaultHostReply(const THostReply& reply) {
  std::lock_guard lock(impl_->mutex);
  impl_->hostDefault = reply;
}

void TEmulator::SetHostReplyFor(const std::string& command, const THostReply& reply) {
  std::lock_guard lock(impl_->mutex);
  impl_->hostFor[command] = reply;
}

void TEmulator::QueueDgiReply(const TDgiReply& reply) {
  std::lock_guard lock(impl_->mutex);
  impl_->dgiQueue.push_back(reply);
}

void TEmulator::SetDefaultDgiReply(const TDgiReply& reply) {
  std::lock_guard lock(impl_->mutex);
  impl_->dgiDefault = reply;
}

void TEmulator::SetDgiReplyFor(const std::string& data, const TDgiReply& reply) {
  std::lock_guard lock(impl_->mutex);
  impl_->dgiFor[data] = reply;
}

void TEmulator::SetFrameObserver(TFrameObserver observer) {
  std::lock_guard lock(impl_->mutex);
  impl_->observer = std::move(observer);
}

std::vector<std::string> TEmulator::ReceivedFrames() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->frames;
}

std::string TEmulator::ReceivedBytes() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->bytes;
}

bool TEmulator::WaitForFrames(std::size_t count, int timeoutMs) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return impl_->frames.size() >= count; });
}

void TEmulator::ClearReceived() {
  std::lock_guard lock(impl_->mutex);
  impl_->frames.clear();
  impl_->bytes.clear();
}

void TEmulator::HangUp() {
  if (std::this_thread::get_id() == impl_->worker.get_id()) {
    impl_->CloseLine();  // from the frame observer
    return;
  }
  std::unique_lock lock(impl_->mutex);
  impl_->hangUpRequested = true;
  impl_->WakeThread();
  impl_->changed.wait(lock, [&] { return impl_->hungUp; });
}

bool TEmulator::IsHungUp() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->hungUp;
}

}  // namespace quorvel::emulator
