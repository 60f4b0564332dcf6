// SPDX-License-Identifier: MIT
#pragma once
// Answers the next modal dialog of type TDialog once it is shown: `answer` looks at
// it, changes what it wants and closes it. Polls with a short timer, because exec()
// does not return until the dialog is closed.
#include <QApplication>
#include <QTimer>

namespace quorvel::editors::testing {

template <typename TDialog, typename TAnswer>
void AnswerModal(TAnswer answer) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
    if (auto* dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      answer(*dialog);
    }
  });
  poll->start(10);
}

}  // namespace quorvel::editors::testing
