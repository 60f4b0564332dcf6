// Runs the real quorvel-cli on terminal files in a temporary folder.
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

struct TRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class InspectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quorvel-inspect-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Folder = pattern;
  }
  void TearDown() override { fs::remove_all(Folder); }

  std::string WriteTerminalFile(const std::string& text, const std::string& name = "t.qvl") const {
    const fs::path path = Folder / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  TRun Run(const std::vector<std::string>& args) const {
    const std::string outPath = (Folder / "stdout").string();
    const std::string errPath = (Folder / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> argStrings{QUORVEL_CLI_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    TRun run;
    const int spawned = posix_spawn(&pid, QUORVEL_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadFile(outPath);
    run.Err = ReadFile(errPath);
    return run;
  }

  fs::path Folder;
};

TEST_F(InspectTest, PrintsEveryItemAsTheWindowReadsIt) {
  const std::string path = WriteTerminalFile(
      "; a comment\r\n"
      "[General]\r\nProtocol=1\r\nInputDateFormat=4\r\nOutputDateFormat=7\r\n\r\n"
      "[Return codes]\r\nRC0=Success\r\nRC33=Paper out, \"check\" it \r\nRC033=never looked up\r\n"
      "rc5=lower-case key\r\nRC5=second of the same code\r\n\r\n"
      "[FiscalAnswer]\r\nRecord1=1,1,FF11,0011,\"Message1\",clRed\r\n"
      "Record2=2,3,0001,0000,\"Ready, fine\",$00ABCDEF\r\n\r\n"
      "[PrinterAnswer]\r\nRecord1=1,2,8000,8000,\"Busy\",clgreen\r\n\r\n"
      "[Groups]\r\nSales=\r\nSetup=\r\n\r\n"
      "[Sales]\r\nOpen=\r\nClose=\r\n\r\n"
      "[SalesOpen]\r\n"
      "Commands=0,\"&Amount\",\"Total amount\",2,\"\",0,12,1,0,10,2,0,1,\"Item\",\"\",0,\"A\",1,0,0,0,0,0,1\r\n"
      "Answers=\"Total\",2,2,\"Count\",4,0\r\n"
      "CL2=\"\"a b\",c\"\r\n"
      "Notes=\"\"Line one\",\"line, two\"\"\r\n\r\n"
      "[SalesClose]\r\nCommands=\r\nAnswers=\r\n");
  const TRun run = Run({"inspect", path});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out,
            "general protocol=1 input=4 output=7\n"
            "returncode 0 Success\n"
            "returncode 33 Paper out, \"check\" it \n"
            "returncode 5 lower-case key\n"
            "fixed fiscal panel=1 mask=FF11 result=0011 color=000000FF Message1\n"
            "fixed fiscal panel=3 mask=0001 result=0000 color=00ABCDEF Ready, fine\n"
            "fixed printer panel=2 mask=8000 result=8000 color=00008000 Busy\n"
            "group Sales\n"
            "command Sales/Open mode=0 fields=2 answers=2\n"
            "cmdfield 1 caption=&Amount type=2 control=0 max=12 required=1 readonly=0 min=10 decimals=2 autoinc=0 "
            "default= items=\n"
            "cmdfield 2 caption=Item type=0 control=1 max=0 required=0 readonly=0 min=0 decimals=0 autoinc=1 "
            "default=A items=\"a b\",c\n"
            "ansfield 1 caption=Total type=2 decimals=2\n"
            "ansfield 2 caption=Count type=4 decimals=0\n"
            "notes \"Line one\",\"line, two\"\n"
            "command Sales/Close mode=0 fields=0 answers=0\n"
            "group Setup\n");
}

TEST_F(InspectTest, NewFileTemplateReadsAsAnEmptyTerminalFile) {
  const std::string path = (Folder / "new.qvl").string();
  quorvel::model::WriteTemplate(path);
  const TRun run = Run({"inspect", path});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "general protocol=0 input=0 output=0\n");
}

TEST_F(InspectTest, ReadingErrorsStopWithStatusOne) {
  struct TCase {
    std::string Text;
    std::string Error;
  };
  const TCase cases[] = {
      {"[Groups]\r\nG=\r\n[G]\r\nC=\r\n[GC]\r\nCommands=0,\"A\",\"\",two,\"\",0,0,0,0,0,0,0\r\n",
       "'two' is not a valid integer value\n"},
      {"[Groups]\r\nG=\r\n[G]\r\nC=\r\n[GC]\r\nAnswers=\"A\",x2,0\r\n", "'x2' is not a valid integer value\n"},
      {"[FiscalAnswer]\r\nRecord1=1,1,FF11,0011,\"Message1\",clPink\r\n", "'clPink' is not a valid integer value\n"},
      {"[PrinterAnswer]\r\nRecord1=1,one,FF11,0011,\"M\",clRed\r\n", "'one' is not a valid integer value\n"},
  };
  for (const TCase& c : cases) {
    const TRun run = Run({"inspect", WriteTerminalFile(c.Text)});
    EXPECT_EQ(run.Status, 1) << c.Text;
    EXPECT_EQ(run.Err, c.Error) << c.Text;
  }
}

TEST_F(InspectTest, MissingFileAndWrongArgumentsAreRefused) {
  const TRun missing = Run({"inspect", (Folder / "absent.qvl").string()});
  EXPECT_EQ(missing.Status, 1);
  EXPECT_NE(missing.Err.find("absent.qvl"), std::string::npos) << missing.Err;
  EXPECT_EQ(missing.Out, "");
  EXPECT_EQ(Run({"inspect", Folder.string()}).Status, 1);
  EXPECT_EQ(Run({"inspect"}).Status, 2);
  EXPECT_EQ(Run({"inspect", "a.qvl", "b.qvl"}).Status, 2);
}

TEST_F(InspectTest, FieldsBeyondSeventyAreReportedNotRead) {
  std::string commands = "Commands=0,\"F\",\"\",0,\"\",0,0,0,0,0,0,0";
  for (int i = 1; i < 72; ++i) commands += ",0,\"F\",\"\",0,\"\",0,0,0,0,0,0,0";
  const TRun run = Run({"inspect", WriteTerminalFile("[Groups]\r\nG=\r\n[G]\r\nC=\r\n[GC]\r\n" + commands + "\r\n")});
  EXPECT_EQ(run.Status, 0);
  EXPECT_NE(run.Out.find("command G/C mode=0 fields=70 answers=0\n"), std::string::npos);
  EXPECT_NE(run.Err.find("2 command fields beyond the first 70"), std::string::npos) << run.Err;
}

}  // namespace
