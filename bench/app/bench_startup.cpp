// SPDX-License-Identifier: MIT
// Times the whole program's start-up under a real X server: from the moment its
// process is started to the moment its main window is mapped, without and with a
// terminal file to open; with a file, also to the moment the file's terminal
// window is shown maximized (the main window's title then names the file). Both
// moments are X events (MapNotify, PropertyNotify) that this program waits for;
// nothing is polled.
//
// It starts an X server of its own (Xvfb, which must be installed) and runs the
// program with private settings whose host port is a pseudo-terminal, so that no
// error box gets in the way. Every start writes the settings afresh and copies the
// terminal file, so all starts are alike; one warm-up start of each kind comes
// first. Prints the figures; asserts nothing.
//   bench_startup [runs]
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../benchutil.h"

namespace fs = std::filesystem;

namespace {

constexpr int kEventTimeoutMs = 20000;

double NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "bench_startup: %s\n", what.c_str());
  std::exit(1);
}

void SilenceOutput() {
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) {
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::close(null);
  }
}

// An X server of our own; Xvfb tells its display number through a pipe once it
// accepts connections.
class TXServer {
 public:
  TXServer() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) Fail(std::string("pipe: ") + std::strerror(errno));
    pid_ = ::fork();
    if (pid_ < 0) Fail(std::string("fork: ") + std::strerror(errno));
    if (pid_ == 0) {
      ::fcntl(fds[1], F_SETFD, 0);  // the write end survives exec
      SilenceOutput();
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&wait, 1, kEventTimeoutMs) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) Fail("Xvfb did not start (is it installed? Debian: apt-get install xvfb)");
    display_ = ":" + number;
  }
  ~TXServer() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  TXServer(const TXServer&) = delete;
  TXServer& operator=(const TXServer&) = delete;

  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// What one start gave, in ms from the start of the process.
struct TStart {
  double mapped = 0;
  double fileShown = 0;  // 0 when no file was given
};

class TStartBench {
 public:
  TStartBench(const std::string& display, std::string program)
      : display_(display), program_(std::move(program)), folder_(fs::temp_directory_path() / ("bench_startup-" + std::to_string(::getpid()))) {
    fs::create_directories(folder_ / "config");
    fs::create_directories(folder_ / "data");
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) Fail(std::string("openpty: ") + std::strerror(errno));
    hostPort_ = name;
    connection_ = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection_)) Fail("cannot connect to " + display);
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    // Windows created, mapped and destroyed as children of the root: the
    // program's top-level windows, as there is no window manager.
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
  }
  ~TStartBench() {
    xcb_disconnect(connection_);
    ::close(master_);
    ::close(slave_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  TStartBench(const TStartBench&) = delete;
  TStartBench& operator=(const TStartBench&) = delete;

  // Starts the program, with `terminalFile` on its command line unless empty, and
  // waits for its main window (and the file's window); then ends it.
  TStart Run(const std::string& terminalFile) {
    WriteSettings();
    std::string fileArgument;
    if (!terminalFile.empty()) {
      fileArgument = (folder_ / "bench.qvl").string();
      fs::copy_file(terminalFile, fileArgument, fs::copy_options::overwrite_existing);
      fs::remove(folder_ / "bench.log");
    }
    const double start = NowMs();
    const pid_t pid = ::fork();
    if (pid < 0) Fail(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
      ::setenv("DISPLAY", display_.c_str(), 1);
      ::setenv("QT_QPA_PLATFORM", "xcb", 1);
      ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
      ::setenv("XDG_DATA_HOME", (folder_ / "data").c_str(), 1);
      SilenceOutput();
      if (fileArgument.empty()) {
        ::execl(program_.c_str(), program_.c_str(), static_cast<char*>(nullptr));
      } else {
        ::execl(program_.c_str(), program_.c_str(), fileArgument.c_str(), static_cast<char*>(nullptr));
      }
      ::_exit(127);
    }
    const std::optional<TStart> result = WaitForWindows(start, fileArgument);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    ::ioctl(slave_, TIOCNXCL);  // the program held the port exclusively
    if (!result) Fail("the program's main window did not appear within " + std::to_string(kEventTimeoutMs) + " ms");
    return *result;
  }

 private:
  void WriteSettings() {
    std::ofstream settings(folder_ / "config" / "quorvel.conf", std::ios::trunc);
    settings << "[Ports]\nCom1=" << hostPort_ << "\n";
  }

  std::string Title(xcb_window_t window) {
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection_, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 1024);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection_, cookie, nullptr), &std::free);
    if (!reply) return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
  }

  std::optional<TStart> WaitForWindows(double start, const std::string& file) {
    TStart result;
    xcb_window_t mainWindow = XCB_WINDOW_NONE;
    const auto fileShown = [&](xcb_window_t window) {
      return Title(window).find("[" + file + "]") != std::string::npos;
    };
    pollfd wait{xcb_get_file_descriptor(connection_), POLLIN, 0};
    const double deadline = NowMs() + kEventTimeoutMs;
    for (;;) {
      xcb_generic_event_t* raw = xcb_poll_for_event(connection_);
      if (raw == nullptr) {
        const int left = static_cast<int>(deadline - NowMs());
        if (left <= 0 || xcb_connection_has_error(connection_)) return std::nullopt;
        ::poll(&wait, 1, left);
        continue;
      }
      const double now = NowMs();
      std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(raw, &std::free);
      switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
          // Watch its properties from the start: the title changes when the file's window is maximized.
          const auto* created = reinterpret_cast<const xcb_create_notify_event_t*>(raw);
          if (created->override_redirect != 0) break;
          const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
          xcb_change_window_attributes(connection_, created->window, XCB_CW_EVENT_MASK, &mask);
          xcb_flush(connection_);
          break;
        }
        case XCB_MAP_NOTIFY: {
          const auto* mapped = reinterpret_cast<const xcb_map_notify_event_t*>(raw);
          if (mainWindow != XCB_WINDOW_NONE || mapped->override_redirect != 0) break;
          if (Title(mapped->window).rfind("Quorvel", 0) != 0) break;
          mainWindow = mapped->window;
          result.mapped = now - start;
          if (file.empty()) return result;
          if (fileShown(mainWindow)) {
            result.fileShown = now - start;
            return result;
          }
          break;
        }
        case XCB_PROPERTY_NOTIFY: {
          const auto* changed = reinterpret_cast<const xcb_property_notify_event_t*>(raw);
          if (changed->window != mainWindow || changed->atom != XCB_ATOM_WM_NAME) break;
          if (fileShown(mainWindow)) {
            result.fileShown = now - start;
            return result;
          }
          break;
        }
        default: break;
      }
    }
  }

  std::string display_;
  std::string program_;
  fs::path folder_;
  int master_ = -1;
  int slave_ = -1;
  std::string hostPort_;
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_WINDOW_NONE;
};

}  // namespace

int main(int argc, char* argv[]) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const std::string demo = QUORVEL_SOURCE_DIR "/examples/demo.qvl";
  TXServer server;
  TStartBench bench(server.Display(), QUORVEL_PROGRAM);

  // Warm-up: the first start registers the file type and fills the caches.
  bench.Run({});
  bench.Run(demo);
  std::vector<double> empty, withFileMapped, withFileShown;
  for (int i = 0; i < runs; ++i) {
    empty.push_back(bench.Run({}).mapped);
    const TStart withFile = bench.Run(demo);
    withFileMapped.push_back(withFile.mapped);
    withFileShown.push_back(withFile.fileShown);
  }
  std::printf("process start to main window mapped (Xvfb %s):\n", server.Display().c_str());
  quorvel::bench::Report("no terminal file", empty);
  quorvel::bench::Report("demo file given", withFileMapped);
  std::printf("process start to the terminal file's window shown:\n");
  quorvel::bench::Report("demo file given", withFileShown);
  return 0;
}
