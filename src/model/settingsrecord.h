// SPDX-License-Identifier: MIT
#pragma once
// The program's settings record: the per-user settings, the state of both ports
// and the [General] values of the open terminal file. One instance lives in the
// main window for the whole run; every other window reads it through the main
// window. Plain data, no Qt.
#include <cstdint>
#include <string>

#include "platform/portmap.h"

namespace quorvel::model {

struct TSettingsRecord {
  // Full path of the current terminal file; empty = none. Close keeps it, so the
  // next start opens that file again.
  std::string File;
  // Width of the terminal window's command tree (read on creation, written back
  // when the terminal window is destroyed).
  std::uint32_t TVWidth = 0;
  // 0 = English, 1 = Spanish (chosen in the preferences).
  std::uint8_t Language = 0;
  // Date format codes 0 ... 7: dates shown in answers / dates exchanged with the
  // printer. Both belong to the open terminal file's [General] section.
  std::uint8_t OutputDateFormat = 0;
  std::uint8_t InputDateFormat = 0;
  // Show the reserved answer fields of the extended protocol.
  bool ExtReservedFields = false;
  // Log colours of host-, printer- and DGI-side entries, as 32-bit colour values
  // (0x00BBGGRR; 0 is black).
  std::uint32_t HostColor = 0;
  std::uint32_t FPColor = 0;
  std::uint32_t DGIColor = 0;
  // Low-level log mode: acknowledgements and busy reports are shown too.
  bool LowLevel = false;
  // The last attempt to open the host port succeeded (not stored).
  bool HostPortOpen = false;
  // [General] Protocol of the open terminal file: 0 compatibility, 1 extended.
  std::uint8_t Protocol = 0;
  // Host baud rate as a TBaudRate ordinal (0 br1200 ... 7 br115200).
  std::uint8_t HBaud = 0;
  // Host port as a TCommPort ordinal: 0 ... 15 = Com1 ... Com16, 16 = USB.
  std::uint8_t HComm = 0;
  // The user wants the DGI (fiscal) port open.
  bool DGIEnabled = false;
  // The DGI port is open (not stored).
  bool DgiPortOpen = false;
  // DGI port as a TFCommPort ordinal: 0 ... 3 = FCom1 ... FCom4.
  std::uint8_t DComm = 0;
  // DGI answer time-out in milliseconds, 0 = wait without limit.
  std::uint32_t DTimeOut = 0;

  // Where the logical ports Com1 ... Com16 and USB live on this machine; both
  // controls open their ports through it.
  platform::TPortMap ports;
};

}  // namespace quorvel::model
