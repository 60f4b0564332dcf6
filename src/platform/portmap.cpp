// SPDX-License-Identifier: MIT
#include "platform/portmap.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace quorvel::platform {

std::array<std::string, TPortMap::kComCount> TPortMap::DefaultComPaths() {
  std::array<std::string, kComCount> paths;
  for (int i = 0; i < kComCount; ++i) paths[static_cast<std::size_t>(i)] = "/dev/ttyS" + std::to_string(i);
  return paths;
}

std::string TPortMap::ComPath(int index) const {
  if (index < 0 || index >= kComCount) index = 0;
  return com[static_cast<std::size_t>(index)];
}

std::string TPortMap::UsbPath() const {
  if (!usb.empty()) return usb;
  return LastDeviceIn("/dev/usb", "lp");
}

std::string TPortMap::LastDeviceIn(const std::string& dir, const std::string& prefix) {
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec);
  if (ec) return {};
  std::vector<std::string> names;
  for (const auto& entry : it) {
    std::string name = entry.path().filename().string();
    if (name.starts_with(prefix)) names.push_back(std::move(name));
  }
  if (names.empty()) return {};
  return (std::filesystem::path(dir) / *std::max_element(names.begin(), names.end())).string();
}

}  // namespace quorvel::platform
