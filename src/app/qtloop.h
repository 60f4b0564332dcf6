// SPDX-License-Identifier: MIT
#pragma once
// The Qt event loop as the owner's loop of the protocol controls: notifications
// posted from any thread are delivered on the GUI thread, in posting order.
#include <memory>

#include "platform/messagesink.h"

namespace quorvel::app {

class TQtLoop : public platform::TEventLoop {
 public:
  // Needs a QCoreApplication; sinks deliver on its thread.
  std::unique_ptr<platform::TMessageSink> CreateSink(THandler handler) override;
};

}  // namespace quorvel::app
