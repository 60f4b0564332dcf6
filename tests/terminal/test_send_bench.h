// SPDX-License-Identifier: MIT
#pragma once
// A terminal window wired to real controls on pseudo-terminals with the printer
// emulator behind them. The control events reach the window as queued
// notifications, as the main window routes them; status texts are recorded in order.
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>
#include <string>

#include "app/qtloop.h"
#include "common/hostframe.h"
#include "dgi/fpauxcontrol.h"
#include "emulator/emulator.h"
#include "host/fiscalcontrol.h"
#include "terminal/terminal.h"
#include "terminaltestcontext.h"

namespace quorvel::terminal::test {

class TRecordingContext : public TTestContext {
 public:
  QStringList statusHistory;  // every text written to status panel 1, in order
  void SetStatusText(int panel, const QString& text) override {
    TTestContext::SetStatusText(panel, text);
    if (panel == 1) statusHistory << text;
  }
};

class TSendBench {
 public:
  static constexpr int kSilenceLimitMs = 400;  // the tests' stand-in for 3500 ms

  // Opens both lines, both controls and the window on a file of `lines`.
  explicit TSendBench(const QStringList& lines, int protocol = 0) {
    path = WriteTerminalFile(folder, QStringLiteral("bench.qvl"), lines);
    hostLine = std::make_unique<emulator::TEmulator>(emulator::TLine::Host);
    hostLine->SetHostProtocol(protocol == 1 ? emulator::THostProtocol::Extended : emulator::THostProtocol::Compatible);
    dgiLine = std::make_unique<emulator::TEmulator>(emulator::TLine::Dgi);
    platform::TPortMap ports;
    ports.com[0] = hostLine->DevicePath();
    ports.com[1] = dgiLine->DevicePath();

    host = std::make_unique<host::TFPHostControl>(loop);
    host->SetPortMap(ports);
    host->SetCommPort(host::Com1);
    host->SetBaudRate(host::br115200);
    host->SetSilenceLimitMsForTests(kSilenceLimitMs);
    hostOpen = host->OpenPort();
    host->SetProtocol(protocol == 1 ? host::protocol_Extended : host::protocol_Compatible);
    dgi = std::make_unique<dgi::TFPAuxControl>(loop);
    dgi->SetPortMap(ports);
    dgi->SetCommPort(dgi::FCom2);
    dgi->SetTimeOut(kSilenceLimitMs);
    dgiOpen = dgi->OpenPort();

    context.host = host.get();
    context.dgi = dgi.get();
    context.settings.HostPortOpen = hostOpen;
    context.settings.DgiPortOpen = dgiOpen;
    context.settings.Protocol = static_cast<std::uint8_t>(protocol);
    window = std::make_unique<TFormChildTerminalWindow>(context, path);
    window->resize(900, 600);
    window->show();
    Route();
  }

  ~TSendBench() {
    window.reset();  // before the controls it talks to
    host.reset();
    dgi.reset();
  }

  // Shows the form of a command as the tree selection does.
  bool Select(const QString& group, const QString& command) {
    QTreeWidgetItem* root = window->TreeViewCommand()->topLevelItem(0);
    for (int g = 0; root && g < root->childCount(); ++g) {
      QTreeWidgetItem* groupNode = root->child(g);
      if (groupNode->text(0) != group) continue;
      for (int c = 0; c < groupNode->childCount(); ++c) {
        if (groupNode->child(c)->text(0) != command) continue;
        window->TreeViewCommand()->setCurrentItem(groupNode->child(c));
        window->TreeViewCommandChange(groupNode->child(c));
        return window->FieldCount() > 0;
      }
    }
    return false;
  }

  QPushButton* Button(const char* name) const { return window->findChild<QPushButton*>(QLatin1String(name)); }

  // The data fields of the host command frames received, escapes undone.
  std::vector<std::vector<std::string>> HostCommands() const {
    std::vector<std::vector<std::string>> commands;
    for (const std::string& frame : hostLine->ReceivedFrames()) commands.push_back(testing::HostFrameFields(frame));
    return commands;
  }

  QString Status() const { return context.status.value(1); }
  bool TreeEnabled() const { return window->TreeViewCommand()->isEnabled(); }

  int finalAnswers = 0;  // host final answers seen, shown or not

  QTemporaryDir folder;
  QString path;
  std::unique_ptr<emulator::TEmulator> hostLine;
  std::unique_ptr<emulator::TEmulator> dgiLine;
  app::TQtLoop loop;
  std::unique_ptr<host::TFPHostControl> host;
  std::unique_ptr<dgi::TFPAuxControl> dgi;
  bool hostOpen = false;
  bool dgiOpen = false;
  TRecordingContext context;
  std::unique_ptr<TFormChildTerminalWindow> window;

 private:
  // The main window's routing of the control events to the terminal window.
  void Route() {
    const QPointer<TFormChildTerminalWindow> target(window.get());
    const auto queue = [target](const char* slot) {
      QMetaObject::invokeMethod(target, slot, Qt::QueuedConnection);
    };
    host->OnFinalAnswer = [this, queue](host::TFPHostControl&) {
      ++finalAnswers;
      queue("HostFinalAnswer");
    };
    host->OnError = [queue](host::TFPHostControl&) { queue("HostError"); };
    dgi->OnAck = [queue](dgi::TFPAuxControl&) { queue("DgiAck"); };
    dgi->OnAnswer = [target](dgi::TFPAuxControl& sender, bool isFinal) {
      QMetaObject::invokeMethod(
          target.data(),
          [target, isFinal, answer = sender.Answer()] {
            if (!target) return;
            if (isFinal) {
              target->DgiFinalAnswer(answer);
            } else {
              target->DgiAnswer(answer);
            }
          },
          Qt::QueuedConnection);
    };
    dgi->OnError = [queue](dgi::TFPAuxControl&) { queue("DgiError"); };
  }
};

}  // namespace quorvel::terminal::test
