// SPDX-License-Identifier: MIT
// quorvel-emulator: a fiscal printer on pseudo-terminals for the demo and for scripts.
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>

#include "emulator/emulator.h"
#include "emulator/rules.h"
#include "emulator/wire.h"
#include "quorvel_version.h"

namespace quorvel::emulator {
namespace {

std::mutex outputMutex;

void PrintLine(const std::string& line) {
  std::lock_guard lock(outputMutex);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string DescribeHostFrame(const std::string& frame) {
  wire::THostCommandReader reader;
  std::optional<wire::THostCommand> command;
  for (char c : frame) command = reader.Feed(c);
  std::string line = "host seq=" + wire::HexBytes(frame.substr(1, 1)) + " command=\"" +
                     PrintableText(command ? command->fields.front() : std::string{}) + "\"";
  if (command && !command->checksumOk) line += " badsum";
  return line + " frame=" + wire::HexBytes(frame);
}

std::string DescribeDgiFrame(const std::string& frame) {
  wire::TDgiCommandReader reader;
  std::optional<wire::TDgiCommand> command;
  for (char c : frame) command = reader.Feed(c);
  if (command && command->enq) return "dgi enq";
  std::string line = "dgi data=\"" + PrintableText(command ? command->data : std::string{}) + "\"";
  if (command && !command->checksumOk) line += " badsum";
  return line + " frame=" + wire::HexBytes(frame);
}

std::unique_ptr<TEmulator> StartHost(const TOptions& options) {
  auto host = std::make_unique<TEmulator>(TLine::Host, options.link);
  host->SetHostProtocol(options.protocol);
  if (options.hostDefault) host->SetDefaultHostReply(*options.hostDefault);
  for (const auto& [command, reply] : options.hostRules) host->SetHostReplyFor(command, reply);
  host->SetFrameObserver([](const std::string& frame) { PrintLine(DescribeHostFrame(frame)); });
  return host;
}

std::unique_ptr<TEmulator> StartDgi(const TOptions& options) {
  auto dgi = std::make_unique<TEmulator>(TLine::Dgi, options.dgiLink);
  if (options.dgiDefault) dgi->SetDefaultDgiReply(*options.dgiDefault);
  for (const auto& [data, reply] : options.dgiRules) dgi->SetDgiReplyFor(data, reply);
  dgi->SetFrameObserver([](const std::string& frame) { PrintLine(DescribeDgiFrame(frame)); });
  return dgi;
}

int Run(int argc, char** argv) {
  TOptions options;
  try {
    options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& error) {
    std::cerr << "quorvel-emulator: " << error.what() << "\n\n" << UsageText();
    return 2;
  }
  if (options.help || options.version) {
    std::cout << (options.help ? UsageText() : std::string("quorvel-emulator ") + kVersion + "\n") << std::flush;
    return std::cout ? 0 : 1;
  }

  // Block the stop signals before any thread starts, so only sigwait below sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);  // a reader of our output that goes away must not skip the cleanup

  std::unique_ptr<TEmulator> host;
  std::unique_ptr<TEmulator> dgi;
  try {
    host = StartHost(options);
    if (!options.dgiLink.empty()) dgi = StartDgi(options);
  } catch (const std::exception& error) {
    std::cerr << "quorvel-emulator: " << error.what() << '\n';
    return 1;
  }
  PrintLine("ready host=" + host->DevicePath() + (dgi ? " dgi=" + dgi->DevicePath() : std::string{}));

  int signal = 0;
  sigwait(&stopSignals, &signal);
  dgi.reset();  // the destructors stop the lines and remove the links
  host.reset();
  return 0;
}

}  // namespace
}  // namespace quorvel::emulator

int main(int argc, char** argv) { return quorvel::emulator::Run(argc, argv); }
