// SPDX-License-Identifier: MIT
// Deadline, trace format, port map, open-error mapping and the queue loop.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <fstream>
#include <thread>
#include <vector>

#include "common/tempfolder.h"
#include "platform/deadline.h"
#include "platform/portmap.h"
#include "platform/queueloop.h"
#include "platform/serialport.h"
#include "platform/trace.h"

using namespace quorvel::platform;
using namespace std::chrono_literals;

TEST(Deadline, NeverExpiresAndReportsNoLimit) {
  const TDeadline never = TDeadline::Never();
  EXPECT_TRUE(never.IsNever());
  EXPECT_FALSE(never.Expired());
  EXPECT_EQ(never.RemainingMs(), -1);
  EXPECT_EQ(never.RemainingMsCapped(7), 7);
}

TEST(Deadline, ZeroIsExpiredAtOnce) {
  const TDeadline now(0);
  EXPECT_TRUE(now.Expired());
  EXPECT_EQ(now.RemainingMs(), 0);
  EXPECT_EQ(now.RemainingMsCapped(7), 0);
}

TEST(Deadline, CountsDownAndRoundsUp) {
  const TDeadline soon(200);
  EXPECT_FALSE(soon.Expired());
  const int left = soon.RemainingMs();
  EXPECT_GT(left, 0);
  EXPECT_LE(left, 200);
  EXPECT_EQ(soon.RemainingMsCapped(3), 3);
  std::this_thread::sleep_for(250ms);
  EXPECT_TRUE(soon.Expired());
  EXPECT_EQ(soon.RemainingMs(), 0);
}

TEST(TraceLine, FileNameWithoutFoldersThenLineAndText) {
  struct Case {
    const char* file;
    int line;
    const char* text;
    const char* expected;
  } cases[] = {
      {"/work/src/host/fiscalcontrol.cpp", 123, "Execute: Send Frame ok", "fiscalcontrol.cpp 123:Execute: Send Frame ok"},
      {"fiscalcontrol.cpp", 7, "WndProc: WM_COMM_AK", "fiscalcontrol.cpp 7:WndProc: WM_COMM_AK"},
      {"C:\\src\\host\\x.cpp", 1, "", "x.cpp 1:"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatTraceLine(c.file, c.line, c.text), c.expected) << c.file;
}

TEST(TraceLine, MacroSkipsANullSink) {
  TTraceSink* none = nullptr;
  QUORVEL_TRACE(none, "nothing happens");
  struct TCollect : TTraceSink {
    std::vector<std::string> lines;
    void Write(const std::string& line) override { lines.push_back(line); }
  } sink;
  QUORVEL_TRACE(&sink, "hello");
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_TRUE(sink.lines[0].starts_with("test_platform_basics.cpp ")) << sink.lines[0];
  EXPECT_TRUE(sink.lines[0].ends_with(":hello"));
}

TEST(PortMap, ComDefaultsAndOutOfRangeIndex) {
  const TPortMap map;
  EXPECT_EQ(map.ComPath(0), "/dev/ttyS0");
  EXPECT_EQ(map.ComPath(15), "/dev/ttyS15");
  EXPECT_EQ(map.ComPath(16), "/dev/ttyS0");
  EXPECT_EQ(map.ComPath(-1), "/dev/ttyS0");
  TPortMap custom;
  custom.com[2] = "/tmp/ttyV2";
  EXPECT_EQ(custom.ComPath(2), "/tmp/ttyV2");
}

TEST(PortMap, UsbIsConfiguredPathElseLastPrinterNodeInNameOrder) {
  namespace fs = std::filesystem;
  const quorvel::testing::TTempFolder folder("quorvel-portmap");
  const fs::path dir = folder.Path() / "dev";
  EXPECT_EQ(TPortMap::LastDeviceIn(dir.string(), "lp"), "");  // missing folder
  fs::create_directories(dir);
  EXPECT_EQ(TPortMap::LastDeviceIn(dir.string(), "lp"), "");  // empty folder
  for (const char* name : {"lp0", "lp2", "lp10", "hiddev0", "zz"}) std::ofstream(dir / name).put('x');
  EXPECT_EQ(TPortMap::LastDeviceIn(dir.string(), "lp"), (dir / "lp2").string());
  TPortMap map;
  map.usb = "/dev/usb/lp7";
  EXPECT_EQ(map.UsbPath(), "/dev/usb/lp7");
}

TEST(OpenErrno, MissingDevicesAndRefusals) {
  struct Case {
    int err;
    TOpenError expected;
  } cases[] = {{ENOENT, TOpenError::NoSuchDevice}, {ENODEV, TOpenError::NoSuchDevice},
               {ENXIO, TOpenError::NoSuchDevice},  {EBUSY, TOpenError::CannotOpen},
               {EACCES, TOpenError::CannotOpen},   {EAGAIN, TOpenError::CannotOpen},
               {EIO, TOpenError::CannotOpen},      {ENOTTY, TOpenError::CannotOpen}};
  for (const auto& c : cases) EXPECT_EQ(ClassifyOpenErrno(c.err), c.expected) << c.err;
}

TEST(OpenErrno, ReasonsInPlainWords) {
  struct Case {
    int err;
    std::string text;
  } cases[] = {
      {EACCES, "Permission denied: add the user to the dialout group"},
      {EPERM, "Permission denied: add the user to the dialout group"},
      {ENOENT, "No such device"},
      {ENODEV, "No such device"},
      {ENXIO, "No such device"},
      {EBUSY, "Device or resource busy: another program holds the port"},
      {EAGAIN, "Device or resource busy: another program holds the port"},
      {EIO, "Input/output error"},  // any other reason: the system's own words
      {ENOTTY, "Not a device: a port is a serial line or a USB printer"},
      {0, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(OpenFailureText(c.err), c.text) << c.err;
}

TEST(QueueLoop, DeliversInPostingOrderAcrossThreads) {
  TQueueLoop loop;
  std::vector<std::uint32_t> seen;
  auto sink = loop.CreateSink([&](const TNotification& n) { seen.push_back(n.code); });
  std::thread worker([&] {
    for (std::uint32_t i = 0; i < 500; ++i) sink->Post({0x400 + i, 0, 9});
  });
  ASSERT_TRUE(loop.RunUntil([&] { return seen.size() == 500; }, 10s));
  worker.join();
  for (std::uint32_t i = 0; i < 500; ++i) ASSERT_EQ(seen[i], 0x400 + i);
  EXPECT_EQ(loop.ProcessPending(), 0);
}

TEST(QueueLoop, NothingIsDeliveredForADestroyedSink) {
  TQueueLoop loop;
  int kept = 0, dropped = 0;
  auto keep = loop.CreateSink([&](const TNotification&) { ++kept; });
  auto drop = loop.CreateSink([&](const TNotification&) { ++dropped; });
  drop->Post({0x400, 0, 1});
  keep->Post({0x401, 0, 2});
  drop.reset();
  EXPECT_EQ(loop.ProcessPending(), 1);
  EXPECT_EQ(kept, 1);
  EXPECT_EQ(dropped, 0);
}

TEST(QueueLoop, RunUntilGivesUpAfterItsTimeoutAndWakesOnAPost) {
  TQueueLoop loop;
  auto sink = loop.CreateSink([](const TNotification&) {});
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 50ms));
  bool got = false;
  auto sink2 = loop.CreateSink([&](const TNotification&) { got = true; });
  std::thread later([&] {
    std::this_thread::sleep_for(50ms);
    sink2->Post({0x400, 0, 0});
  });
  EXPECT_TRUE(loop.RunUntil([&] { return got; }, 10s));
  later.join();
}

TEST(QueueLoop, ASinkMayOutliveItsLoop) {
  std::unique_ptr<TMessageSink> sink;
  {
    TQueueLoop loop;
    sink = loop.CreateSink([](const TNotification&) {});
  }
  sink->Post({0x400, 0, 0});  // queued nowhere, no crash
}
