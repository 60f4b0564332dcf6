// Runs the real "quorvel-cli new" in a temporary folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/terminalfile.h"

#ifndef QUORVEL_CLI_PATH
#error "QUORVEL_CLI_PATH must name the quorvel-cli executable"
#endif

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CliNewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quorvel-new-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
  }
  void TearDown() override { fs::remove_all(Folder); }

  // Runs quorvel-cli with args; returns the exit status and fills the standard error text.
  int Run(std::vector<std::string> args, std::string& err) const {
    const std::string errPath = (Folder / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), QUORVEL_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, QUORVEL_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    err = ReadFile(errPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path Folder;
};

TEST_F(CliNewTest, WritesTheTemplateIntoANewOrExistingFile) {
  const std::string path = (Folder / "new.qvl").string();
  std::string err;
  ASSERT_EQ(Run({"new", path}, err), 0) << err;
  EXPECT_EQ(ReadFile(path), quorvel::model::NewFileTemplate());
  std::ofstream(path, std::ios::binary) << "[Groups]\r\nOld=\r\n";
  ASSERT_EQ(Run({"new", path}, err), 0) << err;
  EXPECT_EQ(ReadFile(path), quorvel::model::NewFileTemplate());
}

TEST_F(CliNewTest, RefusedFileAndBadArgumentsAreReported) {
  const std::string unreachable = (Folder / "missing" / "new.qvl").string();
  std::string err;
  EXPECT_EQ(Run({"new", unreachable}, err), 1);
  EXPECT_EQ(err, "Unable to write to " + unreachable + "\n");
  EXPECT_EQ(Run({"new"}, err), 2);
  EXPECT_NE(err.find("usage"), std::string::npos);
  EXPECT_EQ(Run({"new", "a.qvl", "b.qvl"}, err), 2);
  EXPECT_FALSE(fs::exists(Folder / "a.qvl"));
}

}  // namespace
