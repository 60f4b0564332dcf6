// SPDX-License-Identifier: MIT
// TPortWorker over a real pseudo-terminal: a small protocol writes each frame, reads
// one burst of the answer and posts what happened; the test plays the printer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <cerrno>
#include <system_error>

#include "common/tempfolder.h"
#include "platform/portworker.h"
#include "platform/ptypair.h"
#include "platform/queueloop.h"
#include "platform/serialport.h"

using namespace quorvel::platform;
using quorvel::testing::TPtyPair;
using namespace std::chrono_literals;

namespace {

constexpr std::uint32_t kWrote = 1;  // the frame was written; its text is handed over
constexpr std::uint32_t kRead = 2;   // the read ended (param: TIoResult); the bytes are handed over

// What the owner's thread saw of one notification, texts taken while handling it.
struct TSeen {
  TNotification n;
  std::string text;
};

// A worker with its protocol on one end of a pseudo-terminal.
class TWorkerRig : public TPortWorker::TProtocol {
 public:
  // `readLimitMs`: how long the read waits for the printer's first byte (< 0: no limit).
  explicit TWorkerRig(std::size_t sendBufferSize = 64, int readLimitMs = -1) : readLimitMs_(readLimitMs) {
    TOpenError error = TOpenError::None;
    int osError = 0;
    port_ = TSerialPort::Open(pty_.SlavePath(), error, osError);
    if (!port_) throw std::runtime_error("cannot open the pseudo-terminal");
    port_->Configure(TLineSettings{});
    sink_ = loop_.CreateSink([this](const TNotification& n) { Handle(n); });
    worker_ = std::make_unique<TPortWorker>(*port_, *sink_, *this, sendBufferSize);
    running_ = worker_.get();
    writes_ = std::make_unique<TPortWorker::THandOver<std::string>>(*worker_);
    reads_ = std::make_unique<TPortWorker::THandOver<std::string>>(*worker_);
  }
  ~TWorkerRig() override { worker_.reset(); }  // before the hand-overs it fills

  TPtyPair& Printer() { return pty_; }
  TSerialPort& Port() { return *port_; }
  TMessageSink& Sink() { return *sink_; }
  TPortWorker& Worker() { return *worker_; }
  TQueueLoop& Loop() { return loop_; }
  const std::vector<TSeen>& Seen() const { return seen_; }
  int WakeUps() const { return woken_; }

  std::uint32_t Send(const std::string& frame) {
    const std::uint32_t number = worker_->StartCommand(frame);
    worker_->SignalStartCommand();
    return number;
  }
  // Handles notifications until `count` have been seen (a guard against a hang, not a timing).
  bool WaitSeen(std::size_t count) {
    return loop_.RunUntil([&] { return seen_.size() >= count; }, 10s);
  }
  // The posting order's codes.
  std::vector<std::uint32_t> Codes() const {
    std::vector<std::uint32_t> codes;
    for (const auto& s : seen_) codes.push_back(s.n.code);
    return codes;
  }

 private:
  void Woken() override { ++woken_; }
  void Exchange(const std::string& frame) override {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.data());
    if (running_->Write(bytes, frame.size(), 1500) != TIoResult::Ok) return;
    writes_->Put(frame);
    running_->Notify(kWrote);
    std::string buffer(64, '\0');
    std::size_t received = 0;
    const TIoResult result =
        running_->ReadBurst(reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size(), readLimitMs_, 10, received);
    buffer.resize(received);
    reads_->Put(buffer);
    running_->Notify(kRead, static_cast<std::int32_t>(result));
  }
  void Handle(const TNotification& n) {
    std::string text;
    if (worker_ && worker_->IsOwn(n)) text = n.code == kWrote ? writes_->Take() : reads_->Take();
    seen_.push_back({n, text});
  }

  const int readLimitMs_;
  TPtyPair pty_;
  std::unique_ptr<TSerialPort> port_;
  TQueueLoop loop_;
  std::unique_ptr<TMessageSink> sink_;
  std::unique_ptr<TPortWorker> worker_;
  TPortWorker* running_ = nullptr;  // the worker's thread uses it while worker_ is being reset
  std::unique_ptr<TPortWorker::THandOver<std::string>> writes_;
  std::unique_ptr<TPortWorker::THandOver<std::string>> reads_;
  std::vector<TSeen> seen_;
  std::atomic<int> woken_{0};
};

}  // namespace

TEST(PortWorker, CarriesOutEachCommandAndTagsItsNotifications) {
  TWorkerRig rig;
  rig.Worker().Start();
  const std::uint32_t first = rig.Send("one");
  ASSERT_TRUE(rig.WaitSeen(1));
  EXPECT_EQ(rig.Printer().Receive(2000), "one");
  rig.Printer().Send("answer 1");
  ASSERT_TRUE(rig.WaitSeen(2));
  const std::uint32_t second = rig.Send("two");
  ASSERT_TRUE(rig.WaitSeen(3));
  EXPECT_EQ(rig.Printer().Receive(2000), "two");
  rig.Printer().Send("answer 2");
  ASSERT_TRUE(rig.WaitSeen(4));

  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);
  const auto& seen = rig.Seen();
  const std::uint32_t commands[] = {first, first, second, second};
  const char* texts[] = {"one", "answer 1", "two", "answer 2"};
  for (std::size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(seen[i].n.code, i % 2 == 0 ? kWrote : kRead);
    EXPECT_EQ(seen[i].n.worker, rig.Worker().Identity());
    EXPECT_EQ(seen[i].n.command, commands[i]);
    EXPECT_EQ(seen[i].text, texts[i]);
  }
  EXPECT_EQ(seen[1].n.param, static_cast<std::int32_t>(TIoResult::Ok));
}

TEST(PortWorker, StopsWhileWaitingForACommandWithoutAnExchange) {
  TWorkerRig rig;
  rig.Worker().Start();
  rig.Worker().Terminate();
  rig.Worker().Terminate();  // a second stop is harmless
  EXPECT_EQ(rig.Loop().ProcessPending(), 0);
  EXPECT_EQ(rig.Printer().Receive(100), "");
}

TEST(PortWorker, AbortCancelsAWaitWithoutLimitAtOnceAndTheNextCommandRuns) {
  TWorkerRig rig;
  rig.Worker().Start();
  rig.Send("first");
  ASSERT_TRUE(rig.WaitSeen(1));  // written; the read now waits without a limit
  rig.Worker().AbortSignaledEvents();
  ASSERT_TRUE(rig.WaitSeen(2));
  EXPECT_EQ(rig.Seen()[1].n.param, static_cast<std::int32_t>(TIoResult::Cancelled));

  // The cancel belonged to the aborted exchange: the next one reads normally.
  const std::uint32_t next = rig.Send("second");
  ASSERT_TRUE(rig.WaitSeen(3));
  EXPECT_EQ(rig.Printer().Receive(2000), "firstsecond");
  rig.Printer().Send("ok");
  ASSERT_TRUE(rig.WaitSeen(4));
  EXPECT_EQ(rig.Seen()[3].n.command, next);
  EXPECT_EQ(rig.Seen()[3].n.param, static_cast<std::int32_t>(TIoResult::Ok));
  EXPECT_EQ(rig.Seen()[3].text, "ok");
}

TEST(PortWorker, TerminateEndsAnExchangeInProgress) {
  TWorkerRig rig;
  rig.Worker().Start();
  rig.Send("frame");
  ASSERT_TRUE(rig.WaitSeen(1));
  rig.Worker().Terminate();  // returns: the wait on the line was cancelled
  rig.Loop().ProcessPending();
  ASSERT_EQ(rig.Codes(), (std::vector<std::uint32_t>{kWrote, kRead}));
  EXPECT_EQ(rig.Seen()[1].n.param, static_cast<std::int32_t>(TIoResult::Cancelled));
}

TEST(PortWorker, AnAbortWithNothingPendingWakesTheWorkerWithoutAnExchange) {
  TWorkerRig rig;
  rig.Worker().Start();
  rig.Worker().AbortSignaledEvents();
  rig.Send("after");
  ASSERT_TRUE(rig.WaitSeen(1));
  EXPECT_EQ(rig.Printer().Receive(2000), "after");
  EXPECT_GE(rig.WakeUps(), 1);
  EXPECT_EQ(rig.Codes(), (std::vector<std::uint32_t>{kWrote}));
}

TEST(PortWorker, ACommandHandedOverRightAfterAnAbortIsCarriedOut) {
  // Purge and send again before the worker has finished the aborted cycle.
  TWorkerRig rig;
  rig.Worker().Start();
  rig.Send("old");
  ASSERT_TRUE(rig.WaitSeen(1));
  rig.Worker().AbortSignaledEvents();
  const std::uint32_t fresh = rig.Send("new");
  ASSERT_TRUE(rig.WaitSeen(3));
  EXPECT_EQ(rig.Seen()[2].n.code, kWrote);
  EXPECT_EQ(rig.Seen()[2].n.command, fresh);
  EXPECT_EQ(rig.Seen()[2].text, "new");
  EXPECT_EQ(rig.Printer().Receive(2000), "oldnew");
}

TEST(PortWorker, TextsAreTakenInPostingOrderWhenHandledLate) {
  TWorkerRig rig;
  rig.Worker().Start();
  std::uint32_t last = 0;
  for (const char* frame : {"A1", "B22", "C333"}) {
    last = rig.Send(frame);
    ASSERT_EQ(rig.Printer().Receive(2000), frame);
    rig.Printer().Send(std::string("re:") + frame);
    rig.Worker().WaitForCycleEnd(last);  // nothing handled yet
  }
  EXPECT_EQ(rig.Loop().ProcessPending(), 6);
  std::vector<std::string> texts;
  for (const auto& s : rig.Seen()) texts.push_back(s.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"A1", "re:A1", "B22", "re:B22", "C333", "re:C333"}));
}

TEST(PortWorker, TakingFromAnEmptyHandOverGivesAnEmptyValue) {
  TWorkerRig rig;
  TPortWorker::THandOver<std::vector<std::string>> fields(rig.Worker());
  EXPECT_TRUE(fields.Take().empty());
  fields.Put({"a", "b"});
  EXPECT_EQ(fields.Take(), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(fields.Take().empty());
}

TEST(PortWorker, AFrameIsCutToTheSendBuffer) {
  TWorkerRig rig(4);
  rig.Worker().Start();
  rig.Send("ABCDEFG");
  ASSERT_TRUE(rig.WaitSeen(1));
  EXPECT_EQ(rig.Printer().Receive(2000), "ABCD");
}

TEST(PortWorker, NotificationsOfAReplacedWorkerAreRecognised) {
  // A worker that posts two notifications per command and writes nothing.
  struct TPostTwice : TPortWorker::TProtocol {
    TPortWorker* worker = nullptr;
    void Exchange(const std::string&) override {
      worker->Notify(kWrote);
      worker->Notify(kRead);
    }
  } protocol;
  TWorkerRig rig;
  auto replaced = std::make_unique<TPortWorker>(rig.Port(), rig.Sink(), protocol, 64);
  protocol.worker = replaced.get();
  const std::uint64_t replacedIdentity = replaced->Identity();
  replaced->Start();
  const std::uint32_t number = replaced->StartCommand("x");
  replaced->SignalStartCommand();
  replaced->WaitForCycleEnd(number);
  replaced.reset();  // its notifications are still queued

  rig.Worker().Start();
  rig.Send("y");
  ASSERT_TRUE(rig.WaitSeen(3));
  EXPECT_NE(replacedIdentity, 0u);
  EXPECT_NE(replacedIdentity, rig.Worker().Identity());
  const auto& seen = rig.Seen();
  EXPECT_EQ(seen[0].n.worker, replacedIdentity);
  EXPECT_FALSE(rig.Worker().IsOwn(seen[0].n));
  EXPECT_FALSE(rig.Worker().IsOwn(seen[1].n));
  EXPECT_TRUE(rig.Worker().IsOwn(seen[2].n));
  EXPECT_EQ(seen[2].text, "y");
}

TEST(PortWorker, LineClosedTellsAHangUpFromASilentPrinter) {
  struct TCase {
    const char* name;
    bool hangUp;  // the printer's end closes once the frame is written; otherwise it stays silent
    TIoResult read;
    bool lineClosed;
  };
  const TCase cases[] = {
      {"silent printer", false, TIoResult::TimedOut, false},
      {"hang-up", true, TIoResult::Failed, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TWorkerRig rig(64, 200);
    rig.Worker().Start();
    const std::uint32_t number = rig.Send("frame");
    ASSERT_TRUE(rig.WaitSeen(1));
    if (c.hangUp) rig.Printer().CloseMaster();
    ASSERT_TRUE(rig.WaitSeen(2));
    rig.Worker().WaitForCycleEnd(number);
    EXPECT_EQ(rig.Seen()[1].n.param, static_cast<std::int32_t>(c.read));
    EXPECT_EQ(rig.Worker().LineClosed(), c.lineClosed);
  }
}

TEST(PortWorker, LineClosedStartsOverWithEachCommand) {
  // A line whose reads give the results listed, one per read: a failure in the first
  // exchange must not be reported for the second.
  struct TScriptedPort : TSerialPort {
    std::vector<TIoResult> reads;
    bool IsTerminal() const override { return true; }
    void Configure(const TLineSettings&) override {}
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    TIoResult ReadBurst(std::uint8_t*, std::size_t, int, int, std::size_t& received) override {
      received = 0;
      const TIoResult result = reads.front();
      reads.erase(reads.begin());
      return result;
    }
    TIoResult Write(const std::uint8_t*, std::size_t, int) override { return TIoResult::Ok; }
    void DiscardInput() override {}
    void DiscardOutput() override {}
    void Cancel() override {}
    void ResetCancel() override {}
  } port;
  port.reads = {TIoResult::Failed, TIoResult::TimedOut};
  struct TReadOnce : TPortWorker::TProtocol {
    TPortWorker* worker = nullptr;
    void Exchange(const std::string&) override {
      std::uint8_t byte = 0;
      std::size_t received = 0;
      worker->ReadBurst(&byte, 1, 0, 0, received);
    }
  } protocol;
  TQueueLoop loop;
  auto sink = loop.CreateSink([](const TNotification&) {});
  TPortWorker worker(port, *sink, protocol, 64);
  protocol.worker = &worker;
  worker.Start();

  std::uint32_t number = worker.StartCommand("a");
  worker.SignalStartCommand();
  worker.WaitForCycleEnd(number);
  EXPECT_TRUE(worker.LineClosed());
  number = worker.StartCommand("b");
  worker.SignalStartCommand();
  worker.WaitForCycleEnd(number);
  EXPECT_FALSE(worker.LineClosed());
}

// OpenWorkerPort with a stand-in worker that records what was done to it.
struct TStandInWorker {
  bool failStart = false;
  bool* started = nullptr;
  void Start() {
    if (failStart) throw std::system_error(EAGAIN, std::generic_category(), "no thread");
    *started = true;
  }
};

TEST(OpenWorkerPort, OpensPreparesAndStartsOrSaysWhyNot) {
  quorvel::testing::TTempFolder folder("quorvel-openworker");
  quorvel::testing::WriteBytes(folder.File("plain"), "not a device");
  TPtyPair pty;
  struct TCase {
    const char* name;
    std::string path;
    bool failStart;
    TPortOpening opening;
    int osError;
  };
  const TCase cases[] = {
      {"a terminal", pty.SlavePath(), false, TPortOpening::Opened, 0},
      {"no such device", folder.File("missing"), false, TPortOpening::NoSuchDevice, ENOENT},
      {"not a character device", folder.File("plain"), false, TPortOpening::CannotOpen, ENOTTY},
      {"the thread cannot start", pty.SlavePath(), true, TPortOpening::CannotStart, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSerialPort* prepared = nullptr;
    bool started = false;
    std::unique_ptr<TSerialPort> port;
    std::unique_ptr<TStandInWorker> worker;
    int osError = -1;
    const auto opening = OpenWorkerPort(
        [&](TOpenError& error, int& reason) { return TSerialPort::Open(c.path, error, reason); },
        [&](TSerialPort& opened) { prepared = &opened; },
        [&](TSerialPort&) {
          auto made = std::make_unique<TStandInWorker>();
          made->failStart = c.failStart;
          made->started = &started;
          return made;
        },
        port, worker, osError);
    EXPECT_EQ(opening, c.opening);
    EXPECT_EQ(osError, c.osError);
    const bool opened = c.opening == TPortOpening::Opened;
    EXPECT_EQ(port != nullptr, opened);
    EXPECT_EQ(worker != nullptr, opened);
    EXPECT_EQ(started, opened);
    if (opened) {
      EXPECT_EQ(prepared, port.get());
    }
    // Whatever was opened and not kept is closed again: the device opens anew.
    port.reset();
    if (c.path == pty.SlavePath()) {
      TOpenError error = TOpenError::None;
      int reason = 0;
      EXPECT_TRUE(TSerialPort::Open(c.path, error, reason));
    }
  }
}
