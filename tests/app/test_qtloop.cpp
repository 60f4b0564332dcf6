// SPDX-License-Identifier: MIT
// The Qt event loop of the controls: notifications posted from worker threads
// arrive on the GUI thread in posting order, and none after the sink is gone.
#include <QCoreApplication>
#include <QThread>
#include <QtTest>

#include <thread>
#include <vector>

#include "app/qtloop.h"

using quorvel::app::TQtLoop;
using quorvel::platform::TNotification;

class TestQtLoop : public QObject {
  Q_OBJECT

 private slots:
  void deliversOnTheGuiThreadInPostingOrder() {
    TQtLoop loop;
    std::vector<std::uint32_t> received;
    bool onGuiThread = true;
    auto sink = loop.CreateSink([&](const TNotification& n) {
      onGuiThread = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
      received.push_back(n.code);
    });
    std::thread worker([&] {
      for (std::uint32_t i = 0; i < 1000; ++i) sink->Post({0x400 + i, 0, 1});
    });
    worker.join();
    QVERIFY(received.empty());  // nothing runs inside Post
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), std::size_t{1000}, 10000);
    QVERIFY(onGuiThread);
    for (std::uint32_t i = 0; i < 1000; ++i) QCOMPARE(received[i], 0x400 + i);
  }

  void twoSinksShareOneOrder() {
    TQtLoop loop;
    std::vector<int> received;
    auto first = loop.CreateSink([&](const TNotification& n) { received.push_back(n.param); });
    auto second = loop.CreateSink([&](const TNotification& n) { received.push_back(n.param); });
    first->Post({0x400, 1, 1});
    second->Post({0x400, 2, 2});
    first->Post({0x400, 3, 1});
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), std::size_t{3}, 10000);
    QCOMPARE(received, (std::vector<int>{1, 2, 3}));
  }

  void nothingIsDeliveredAfterTheSinkIsDestroyed() {
    TQtLoop loop;
    int delivered = 0;
    auto sink = loop.CreateSink([&](const TNotification&) { ++delivered; });
    sink->Post({0x400, 0, 1});
    sink->Post({0x401, 0, 1});
    sink.reset();
    int later = 0;
    auto marker = loop.CreateSink([&](const TNotification&) { ++later; });
    marker->Post({0x402, 0, 2});
    QTRY_COMPARE_WITH_TIMEOUT(later, 1, 10000);  // the queue has been drained past both
    QCOMPARE(delivered, 0);
  }
};

QTEST_GUILESS_MAIN(TestQtLoop)
#include "test_qtloop.moc"
