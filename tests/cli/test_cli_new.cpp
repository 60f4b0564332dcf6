// SPDX-License-Identifier: MIT
// Runs the real "quorvel-cli new" in a temporary folder.
#include <sys/mount.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "clirun.h"
#include "model/terminalfile.h"

namespace {

namespace fs = std::filesystem;
using quorvel::clitest::ReadFile;
using quorvel::clitest::TCliRun;

using CliNewTest = quorvel::clitest::TCliTest;

TEST_F(CliNewTest, WritesTheTemplateAndReplacesAnExistingFileOnlyWithForce) {
  const std::string path = InFolder("new.qvl");
  const TCliRun created = RunCli({"new", path});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_EQ(ReadFile(path), quorvel::model::NewFileTemplate());

  const std::string old = "[Groups]\r\nOld=\r\n";
  std::ofstream(path, std::ios::binary) << old;
  const TCliRun refused = RunCli({"new", path});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "quorvel-cli new: " + path + " already exists (--force replaces it)\n");
  EXPECT_EQ(ReadFile(path), old);
  // A link that points nowhere is the user's, too.
  const std::string dangling = InFolder("dangling.qvl");
  fs::create_symlink(InFolder("nowhere"), dangling);
  EXPECT_EQ(RunCli({"new", dangling}).status, 2);
  EXPECT_FALSE(fs::exists(InFolder("nowhere")));

  for (const std::vector<std::string>& args : {std::vector<std::string>{"new", "--force", path},
                                               std::vector<std::string>{"new", path, "--force"}}) {
    std::ofstream(path, std::ios::binary) << old;
    const TCliRun replaced = RunCli(args);
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(ReadFile(path), quorvel::model::NewFileTemplate());
  }
}

TEST_F(CliNewTest, RefusedFileAndBadArgumentsAreReported) {
  const std::string unreachable = (folder / "missing" / "new.qvl").string();
  const TCliRun refused = RunCli({"new", unreachable});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "Unable to write to " + unreachable + ": No such file or directory\n");
  const TCliRun noFile = RunCli({"new"});
  EXPECT_EQ(noFile.status, 2);
  EXPECT_NE(noFile.err.find("usage"), std::string::npos);
  EXPECT_EQ(RunCli({"new", "a.qvl", "b.qvl"}).status, 2);
  EXPECT_FALSE(fs::exists(folder / "a.qvl"));
}

// A file system with room for names but not for bytes: the new file cannot be written
// after its name was claimed. Needs the right to mount (tests run as root).
TEST_F(CliNewTest, AFailedWriteLeavesNoEmptyFileBehind) {
  const quorvel::testing::TTempFolder mountPoint("quorvel-full");
  const std::string disk = mountPoint.Path().string();
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
  {
    std::ofstream filler(disk + "/filler", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 64 && filler.write(block.data(), std::streamsize(block.size())); ++i) filler.flush();
  }
  const std::string path = disk + "/new.qvl";
  const TCliRun full = RunCli({"new", path});
  const bool left = fs::exists(path);
  umount(disk.c_str());
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err, "Unable to write to " + path + ": No space left on device\n");
  EXPECT_FALSE(left);
}

}  // namespace
