// SPDX-License-Identifier: MIT
#pragma once
// Where the logical port names ("Com1" ... "Com16", "USB") live on this machine.
#include <array>
#include <string>

namespace quorvel::platform {

struct TPortMap {
  static constexpr int kComCount = 16;

  // Device paths of Com1 ... Com16 (index 0 ... 15); default /dev/ttyS0 ... /dev/ttyS15.
  std::array<std::string, kComCount> com = DefaultComPaths();
  // Device path of the USB printer; empty means "the last /dev/usb/lp* in name order".
  std::string usb;

  static std::array<std::string, kComCount> DefaultComPaths();

  // Path of Com<index+1>; an index outside 0 ... 15 gives the path of Com1.
  std::string ComPath(int index) const;
  // The configured USB path, else the last /dev/usb/lp* in name order, else "".
  std::string UsbPath() const;
  // The last entry of `dir` whose name starts with `prefix`, in name order ("" if none).
  static std::string LastDeviceIn(const std::string& dir, const std::string& prefix);
};

}  // namespace quorvel::platform
