// SPDX-License-Identifier: MIT
#pragma once
// A folder whose file system refuses every write: a small tmpfs mounted on a
// private temporary folder, filled, then remounted read-only. Tests run as root,
// which ignores permission bits, so this is how a refused write is made real.
// Mounting needs the right to mount; Available() says whether it worked.
#include <sys/mount.h>

#include <string>
#include <utility>
#include <vector>

#include "common/tempfolder.h"

namespace quorvel::testing {

class TReadOnlyFolder {
 public:
  // `files`: name and bytes of each file the folder holds once read-only.
  explicit TReadOnlyFolder(const std::vector<std::pair<std::string, std::string>>& files) : Folder_("quorvel-ro") {
    const std::string path = Folder_.Path().string();
    if (mount("tmpfs", path.c_str(), "tmpfs", 0, "size=1m") != 0) return;
    mounted_ = true;
    for (const auto& [name, bytes] : files) WriteBytes(File(name), bytes);
    available_ = mount("tmpfs", path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m") == 0;
  }
  ~TReadOnlyFolder() {
    if (mounted_) umount(Folder_.Path().string().c_str());
  }
  TReadOnlyFolder(const TReadOnlyFolder&) = delete;
  TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;

  bool Available() const { return available_; }
  std::string File(const std::string& name) const { return Folder_.File(name); }

 private:
  TTempFolder Folder_;
  bool mounted_ = false;
  bool available_ = false;
};

}  // namespace quorvel::testing
