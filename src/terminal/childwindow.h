// SPDX-License-Identifier: MIT
#pragma once
// The close box of a terminal file's child windows only minimizes them: the two
// windows are closed together, by the terminal file actions.
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QWidget>

namespace quorvel::terminal {

// Handles `event` for `window`: lets it close when `closeAllowed`, otherwise
// minimizes the window (its MDI frame, where it has one) instead.
inline void CloseOrMinimize(QWidget& window, QCloseEvent* event, bool closeAllowed) {
  if (closeAllowed) {
    event->accept();
    return;
  }
  event->ignore();
  if (auto* frame = qobject_cast<QMdiSubWindow*>(window.parentWidget())) {
    frame->showMinimized();
  } else {
    window.showMinimized();
  }
}

}  // namespace quorvel::terminal
