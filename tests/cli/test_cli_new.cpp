// Runs the real "quorvel-cli new" in a temporary folder.
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

}  // namespace
