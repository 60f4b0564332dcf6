// SPDX-License-Identifier: MIT
// TSerialPort over real pseudo-terminals: opening, line settings, burst reads,
// bounded writes, discards, Cancel and hang-ups.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <thread>

#include "common/mssince.h"
#include "common/tempfolder.h"
#include "platform/helddevice.h"
#include "platform/ptypair.h"
#include "platform/serialport.h"

using namespace quorvel::platform;
using quorvel::testing::MsSince;
using quorvel::testing::THeldDevice;
using quorvel::testing::TPtyPair;
using namespace std::chrono_literals;

namespace {

std::unique_ptr<TSerialPort> OpenOk(const std::string& path) {
  TOpenError error = TOpenError::None;
  int osError = -1;
  auto port = TSerialPort::Open(path, error, osError);
  EXPECT_NE(port, nullptr) << path;
  EXPECT_EQ(error, TOpenError::None);
  EXPECT_EQ(osError, 0);
  return port;
}

// What a refused open reports: the kind of failure and the system's reason.
struct TRefusal {
  TOpenError kind;
  int osError;
  bool operator==(const TRefusal&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TRefusal& r) {
  return out << "kind " << static_cast<int>(r.kind) << ", errno " << r.osError;
}

TRefusal OpenFails(const std::string& path) {
  TRefusal refusal{TOpenError::None, 0};
  auto port = TSerialPort::Open(path, refusal.kind, refusal.osError);
  EXPECT_EQ(port, nullptr) << path;
  return refusal;
}

std::string ReadOnce(TSerialPort& port, int firstMs, int gapMs, TIoResult& result, std::size_t capacity = 8192) {
  std::string buf(capacity, '\0');
  std::size_t n = 0;
  result = port.ReadBurst(reinterpret_cast<std::uint8_t*>(buf.data()), capacity, firstMs, gapMs, n);
  buf.resize(n);
  return buf;
}

TIoResult WriteText(TSerialPort& port, const std::string& s, int timeoutMs) {
  return port.Write(reinterpret_cast<const std::uint8_t*>(s.data()), s.size(), timeoutMs);
}

}  // namespace

TEST(SerialOpen, MissingOrEmptyPathIsNoSuchDeviceWithItsReason) {
  EXPECT_EQ(OpenFails("/dev/quorvel-no-such-port"), (TRefusal{TOpenError::NoSuchDevice, ENOENT}));
  EXPECT_EQ(OpenFails(""), (TRefusal{TOpenError::NoSuchDevice, ENODEV}));
}

// A port name that points at a regular file (a terminal file, say), a folder or a FIFO
// would take the command frame as data: it is refused before anything is written.
TEST(SerialOpen, OnlyCharacterDevicesAreOpened) {
  const quorvel::testing::TTempFolder folder("quorvel-serial-test");
  const std::string file = folder.File("shop.qvl");
  quorvel::testing::WriteBytes(file, "[General]\r\nProtocol=1\r\n");
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {file, fifo, folder.Path().string()})
    EXPECT_EQ(OpenFails(path), (TRefusal{TOpenError::CannotOpen, ENOTTY})) << path;
  EXPECT_EQ(quorvel::testing::ReadBytes(file), "[General]\r\nProtocol=1\r\n");
}

TEST(SerialOpen, SecondOpenerIsRefusedUntilTheFirstCloses) {
  TPtyPair pty;
  auto first = OpenOk(pty.SlavePath());
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->IsTerminal());
  EXPECT_EQ(OpenFails(pty.SlavePath()), (TRefusal{TOpenError::CannotOpen, EBUSY}));
  first.reset();
  // The exclusive flag must not outlive the port while the test's descriptor keeps the tty.
  EXPECT_TRUE(OpenOk(pty.SlavePath()));
}

TEST(SerialOpen, ADeviceHeldByAnotherProcessCannotBeOpened) {
  TPtyPair pty;
  THeldDevice holder(pty.SlavePath());
  ASSERT_TRUE(holder.Held());
  EXPECT_EQ(OpenFails(pty.SlavePath()), (TRefusal{TOpenError::CannotOpen, EBUSY}));
  holder.Release();
  EXPECT_TRUE(OpenOk(pty.SlavePath()));
}

TEST(SerialOpen, ANonTerminalNodeOpensWithoutLineSettings) {
  const quorvel::testing::TTempFolder folder("quorvel-node");
  // A character device that is no terminal, as a USB printer node is: a node of its own
  // for the null device, so that its lock is ours alone.
  const std::string path = folder.File("node");
  if (mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0) GTEST_SKIP() << "cannot make a device node here";
  {
    auto port = OpenOk(path);
    ASSERT_TRUE(port);
    EXPECT_FALSE(port->IsTerminal());
    port->Configure({});  // skipped, no crash
    port->DiscardInput();
    port->DiscardOutput();
    EXPECT_EQ(WriteText(*port, "abc", 1000), TIoResult::Ok);
  }
}

TEST(SerialConfigure, RawEightNOneAtTheRequestedSpeed) {
  struct Case {
    int bps;
    speed_t expected;
  } cases[] = {{1200, B1200}, {9600, B9600}, {115200, B115200}, {12345, B19200}};
  TPtyPair pty;
  termios cooked{};  // start from a cooked, 7E2 line so that every setting shows
  cooked.c_lflag = ICANON | ECHO;
  cooked.c_iflag = IXON | ICRNL;
  cooked.c_cflag = CS7 | CSTOPB | PARENB | CREAD;
  ::cfsetospeed(&cooked, B300);
  ASSERT_EQ(::tcsetattr(pty.Slave(), TCSANOW, &cooked), 0);
  auto port = OpenOk(pty.SlavePath());
  ASSERT_TRUE(port);
  for (const auto& c : cases) {
    TLineSettings settings;
    settings.bitsPerSecond = c.bps;
    settings.rtsOn = false;
    settings.dsrOutputFlow = true;  // a pty has no modem lines: skipped
    port->Configure(settings);
    termios tio{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), c.expected) << c.bps;
    EXPECT_EQ(::cfgetispeed(&tio), c.expected) << c.bps;
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (CSTOPB | PARENB | CRTSCTS), 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
  }
  // Modem-line calls on a device without modem lines are silently skipped, and
  // output still flows although DSR flow control was asked for.
  port->SetDtr(false);
  port->SetRts(true);
  EXPECT_EQ(WriteText(*port, "\x02ok", 1000), TIoResult::Ok);
  EXPECT_EQ(pty.Receive(1000), "\x02ok");
}

TEST(SerialRead, ABurstEndsOnceTheGapPassesWithoutANewByte) {
  TPtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  ASSERT_TRUE(port);
  port->Configure({});
  std::thread far([&] {
    for (const char* part : {"\x06", "\x02", "AB", "\x03"}) {
      pty.Send(part);
      std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(800ms);
    pty.Send("next");
  });
  TIoResult result;
  // Gap 300 ms: pieces 20 ms apart belong to one burst, the piece after 800 ms does not.
  EXPECT_EQ(ReadOnce(*port, 3000, 300, result), std::string("\x06\x02" "AB\x03"));
  EXPECT_EQ(result, TIoResult::Ok);
  EXPECT_EQ(ReadOnce(*port, 3000, 300, result), "next");
  EXPECT_EQ(result, TIoResult::Ok);
  far.join();
}

TEST(SerialRead, SilenceEndsTheWaitAfterTheFirstByteLimit) {
  TPtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  ASSERT_TRUE(port);
  const auto t0 = std::chrono::steady_clock::now();
  TIoResult result;
  EXPECT_EQ(ReadOnce(*port, 300, 10, result), "");
  EXPECT_EQ(result, TIoResult::TimedOut);
  EXPECT_GE(MsSince(t0), 299.0);
}

TEST(SerialRead, AFullBufferEndsTheBurst) {
  TPtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  ASSERT_TRUE(port);
  pty.Send(std::string(100, 'x'));
  TIoResult result;
  EXPECT_EQ(ReadOnce(*port, 3000, 200, result, 10), std::string(10, 'x'));
  EXPECT_EQ(result, TIoResult::Ok);
  EXPECT_EQ(ReadOnce(*port, 3000, 200, result, 1000), std::string(90, 'x'));
}

TEST(SerialRead, CancelWakesAWaitWithoutLimitAndStaysUntilReset) {
  TPtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  ASSERT_TRUE(port);
  std::thread ui([&] {
    std::this_thread::sleep_for(50ms);
    port->Cancel();
  });
  TIoResult result;
  ReadOnce(*port, -1, 10, result);
  ui.join();
  EXPECT_EQ(result, TIoResult::Cancelled);
  ReadOnce(*port, -1, 10, result);
  EXPECT_EQ(result, TIoResult::Cancelled);
  port->ResetCancel();
  pty.Send("z");
  EXPECT_EQ(ReadOnce(*port, 3000, 50, result), "z");
  EXPECT_EQ(result, TIoResult::Ok);
}

TEST(SerialRead, AHangUpHandsOverWhatCameThenFails) {
  TPtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  ASSERT_TRUE(port);
  std::thread far([&] {
    pty.Send("half");
    std::this_thread::sleep_for(100ms);
    pty.CloseMaster();  // the kernel drops unread input on a hang-up; "half" is read by then
  });
  TIoResult result;
  EXPECT_EQ(ReadOnce(*port, 3000, 1000, result), "half");
  far.join();
  EXPECT_EQ(result, TIoResult::Ok);
  const auto t0 = std::chrono::steady_clock::now();
  ReadOnce(*port, 3000, 50, result);
  EXPECT_EQ(result, TIoResult::Failed);
  EXPECT_LT(MsSince(t0), 2500.0) << "a hang-up must not wait out the silence limit";
  EXPECT_EQ(WriteText(*port, "x", 1000), TIoResult::Failed);
}

TEST(SerialWrite, AWriteThatCannotLeaveTimesOutAndIsDiscarded) {
  TPtyPair pty;  // nobody reads the master: the pty buffer fills up
  auto port = OpenOk(pty.SlavePath());
  ASSERT_TRUE(port);
  const std::string lots(1 << 20, 'w');
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(WriteText(*port, lots, 300), TIoResult::TimedOut);
  EXPECT_GE(MsSince(t0), 299.0);
}

TEST(SerialWrite, CancelStopsAWriteThatIsHeldUp) {
  TPtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  ASSERT_TRUE(port);
  std::thread ui([&] {
    std::this_thread::sleep_for(50ms);
    port->Cancel();
  });
  EXPECT_EQ(WriteText(*port, std::string(1 << 20, 'w'), -1), TIoResult::Cancelled);
  ui.join();
}

TEST(SerialDiscard, UnreadInputIsDropped) {
  TPtyPair pty;
  auto port = OpenOk(pty.SlavePath());
  ASSERT_TRUE(port);
  port->Configure({});
  pty.Send("stale bytes");
  std::this_thread::sleep_for(100ms);
  port->DiscardInput();
  pty.Send("fresh");
  TIoResult result;
  EXPECT_EQ(ReadOnce(*port, 3000, 100, result), "fresh");
}
